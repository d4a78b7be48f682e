#pragma once
// The player's own keys beside the game's logical buttons: each hot key has a name
// (the name a key binding uses) and a default key, a key of the key table or a
// function key. They are off the keys every game uses.
#include "media/InputDevice.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace kestra {

enum class THotKey : std::uint8_t {
    Screenshot,  // a PNG of the picture shown (default F8)
    FastForward, // held: several game frames per frame shown (default Tab)
    Count
};
inline constexpr std::size_t KHotKeyCount = static_cast<std::size_t>(THotKey::Count);

// The key a hot key answers to: a key of the key table, or else function key
// FunctionKey (1..12).
struct THotKeyBinding {
    TKeyCode Key = TKeyCode::None;
    int FunctionKey = 0;
    bool operator==(const THotKeyBinding&) const = default;
};
using THotKeyTable = std::array<THotKeyBinding, KHotKeyCount>;

// Screenshot = F8, FastForward = Tab.
extern const THotKeyTable KDefaultHotKeys;

// "Screenshot", "FastForward".
std::string_view HotKeyName(THotKey key);
// The hot key of a name (any case); nullopt for an unknown name.
std::optional<THotKey> HotKeyByName(std::string_view name);

} // namespace kestra
