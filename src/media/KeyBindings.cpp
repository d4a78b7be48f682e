#include "media/KeyBindings.h"

#include "base/IniFile.h"

namespace kestra {

namespace {

static_assert([] {
    for (int i = 0; i < KHotKeyCount; ++i)
        if (static_cast<int>(KHotKeyTable[static_cast<std::size_t>(i)].HotKey) != i) return false;
    return true;
}());

} // namespace

std::string BoundKeyName(TBoundKey key) {
    if (key.Function != 0) return "F" + std::to_string(key.Function);
    if (key.Key == TKeyCode::None) return "None";
    return std::string(KeyCodeName(key.Key));
}

std::optional<TBoundKey> ParseBoundKey(std::string_view name) {
    if (SameAsciiName(name, "None")) return TBoundKey{};
    if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'F' || name[0] == 'f')) {
        int n = 0;
        bool digits = true;
        for (char c : name.substr(1)) {
            digits &= c >= '0' && c <= '9';
            n = n * 10 + (c - '0');
        }
        if (digits && name[1] != '0' && n >= 1 && n <= 12) return FunctionKey(n);
    }
    const TKeyCode key = KeyCodeOfName(name);
    if (key == TKeyCode::None) return std::nullopt;
    return TableKey(key);
}

THotKeyBindings DefaultHotKeys() {
    THotKeyBindings keys;
    for (std::size_t i = 0; i < keys.size(); ++i) keys[i] = KHotKeyTable[i].Default;
    return keys;
}

std::string_view HotKeyName(THotKey key) {
    const auto i = static_cast<std::size_t>(key);
    return i < KHotKeyTable.size() ? KHotKeyTable[i].Name : std::string_view("?");
}

std::optional<THotKey> HotKeyOfName(std::string_view name) {
    for (const THotKeyInfo& info : KHotKeyTable)
        if (SameAsciiName(name, info.Name)) return info.HotKey;
    return std::nullopt;
}

std::optional<int> ButtonRowOfName(std::string_view name) {
    for (std::size_t i = 0; i < KButtonNames.size(); ++i)
        if (SameAsciiName(name, KButtonNames[i])) return static_cast<int>(i);
    return std::nullopt;
}

} // namespace kestra
