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

} // namespace kestra
