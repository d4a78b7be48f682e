#pragma once
// Byte-level facts of code page 932, the code page of all game text. Text stays
// in these bytes inside the program; only the platform converts it.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestra {

// True for the first byte of a double-byte character, whatever the process locale says.
constexpr bool IsCp932LeadByte(std::uint8_t b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Length in bytes of the character starting at text[pos]: 2 for a lead byte
// followed by another byte, else 1 (a lead byte at the very end counts alone).
constexpr std::size_t Cp932CharLength(std::string_view text, std::size_t pos) {
    return pos + 1 < text.size() && IsCp932LeadByte(static_cast<std::uint8_t>(text[pos])) ? 2 : 1;
}

// Well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
// Messages mix names from game data (code page 932) with file paths (UTF-8);
// a message that is valid UTF-8 is shown as it is, any other is converted.
constexpr bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<std::uint8_t>(text[i]);
        std::size_t n = b < 0x80                 ? 0
                        : b >= 0xC2 && b <= 0xDF ? 1
                        : b >= 0xE0 && b <= 0xEF ? 2
                        : b >= 0xF0 && b <= 0xF4 ? 3
                                                 : 4;
        if (n == 4 || n > text.size() - i - 1) return false; // bad lead byte, or cut short
        std::uint32_t cp = n == 0 ? b : b & (0x3Fu >> n);
        for (std::size_t k = 1; k <= n; ++k) {
            const auto c = static_cast<std::uint8_t>(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = cp << 6 | (c & 0x3Fu);
        }
        if ((n == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
            return false;
        i += n + 1;
    }
    return true;
}

} // namespace kestra
