#pragma once
// What the player may bind: the rows of the key table that the game's logical
// buttons read, the hot keys, and the joystick buttons that decide and cancel.
// Adding a hot key is one value of THotKey and one line of KHotKeyTable.
#include "media/InputDevice.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestra {

// A key a binding names: a key of the key table, or a function key F1..F12.
struct TBoundKey {
    TKeyCode Key = TKeyCode::None;
    int Function = 0; // 1..12, or 0 for a key-table key
    bool Empty() const { return Key == TKeyCode::None && Function == 0; }
    bool operator==(const TBoundKey&) const = default;
};

constexpr TBoundKey FunctionKey(int n) {
    return {TKeyCode::None, n};
}
constexpr TBoundKey TableKey(TKeyCode key) {
    return {key, 0};
}

// "F4", "Tab", "Z"; "None" for an empty binding.
std::string BoundKeyName(TBoundKey key);
// The key of a name in any letter case ("None" is the empty binding); nullopt for a
// name no key has.
std::optional<TBoundKey> ParseBoundKey(std::string_view name);

// The keys the program itself acts on, beside the game's buttons.
enum class THotKey : int {
    FullScreen,
    Zoom,
    Reset,
    Debug,
    AbortEvent,
    Screenshot,
    FastForward,
    Settings,
    Count
};
inline constexpr int KHotKeyCount = static_cast<int>(THotKey::Count);

struct THotKeyInfo {
    THotKey HotKey;
    std::string_view Name; // in the settings file, on the command line, on the screen
    TBoundKey Default;
};

// One line per hot key, in THotKey order.
inline constexpr std::array<THotKeyInfo, KHotKeyCount> KHotKeyTable = {{
    {THotKey::FullScreen, "FullScreen", FunctionKey(4)}, // Alt+Enter too, always
    {THotKey::Zoom, "Zoom", FunctionKey(5)},
    {THotKey::Reset, "Reset", FunctionKey(12)},
    {THotKey::Debug, "Debug", FunctionKey(9)},            // test play: switches and variables
    {THotKey::AbortEvent, "AbortEvent", FunctionKey(10)}, // test play: ends the running event
    {THotKey::Screenshot, "Screenshot", FunctionKey(8)},
    {THotKey::FastForward, "FastForward", TableKey(TKeyCode::Tab)}, // held
    {THotKey::Settings, "Settings", FunctionKey(1)},
}};

using THotKeyBindings = std::array<TBoundKey, KHotKeyCount>;
THotKeyBindings DefaultHotKeys();
std::string_view HotKeyName(THotKey key);
// The hot key of a name in any letter case.
std::optional<THotKey> HotKeyOfName(std::string_view name);

// The logical buttons whose keys a player binds: rows 0..5 of the key table.
inline constexpr int KBindableButtons = 6;
inline constexpr std::array<std::string_view, KBindableButtons> KButtonNames = {
    "Down", "Left", "Right", "Up", "Decide", "Cancel"};
// The key-table row of a button name in any letter case.
std::optional<int> ButtonRowOfName(std::string_view name);

// Joystick buttons (bit i = button i, counted from 0) that decide, cancel and open the
// menu (which the game does with cancel).
struct TJoystickBindings {
    std::uint32_t Decide = 0x5; // the first and the third
    std::uint32_t Cancel = 0x2; // the second
    std::uint32_t Menu = 0;
    bool operator==(const TJoystickBindings&) const = default;
};

} // namespace kestra
