#include "media/HotKeys.h"

namespace kestra {

namespace {

constexpr std::string_view KNames[KHotKeyCount] = {"Screenshot", "FastForward"};

bool SameFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

} // namespace

const THotKeyTable KDefaultHotKeys = {{
    {TKeyCode::None, 8}, // Screenshot
    {TKeyCode::Tab, 0},  // FastForward
}};

std::string_view HotKeyName(THotKey key) {
    const auto i = static_cast<std::size_t>(key);
    return i < KHotKeyCount ? KNames[i] : std::string_view("?");
}

std::optional<THotKey> HotKeyByName(std::string_view name) {
    for (std::size_t i = 0; i < KHotKeyCount; ++i)
        if (SameFolded(name, KNames[i])) return static_cast<THotKey>(i);
    return std::nullopt;
}

} // namespace kestra
