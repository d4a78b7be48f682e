#pragma once
// Glyphs of the game's two 12-pixel fonts for the game's code page.
//
// Code page 932: full-width characters come from the Shinonome JIS X 0208 bitmap
// fonts (gothic and mincho), half-width ones from the Shinonome JIS X 0201 font, and
// the code page's extensions that JIS X 0208 lacks (circled numbers, Roman numerals,
// the IBM kanji) from the efont Unicode font, so no character of the code page is
// dropped. Every other code page draws from the efont Unicode fonts: a byte of its own
// from the half-width one (6 pixels wide), a double-byte character from the full-width
// one; gothic and mincho look the same there. Glyphs are pure 1-bit masks: no
// anti-aliasing.
#include "base/CodePage.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace kestra {

enum class TFontFace : std::uint8_t { Gothic, Mincho };

// A 12 x 12 glyph cell, row-major, 1 where the glyph has ink.
using TGlyphMask = std::array<std::uint8_t, 144>;

inline constexpr int KGlyphSize = 12;

// Shift-JIS double-byte code to the JIS X 0208 code ((row + 0x20) << 8 | cell + 0x20);
// 0 when the code lies outside the 94 x 94 grid.
std::uint16_t SjisToJis(std::uint16_t sjis);

// Unicode code point of a code page 932 extension character, 0 when the code is not one.
std::uint32_t Cp932ExtensionToUnicode(std::uint16_t sjis);

class TGlyphFont {
public:
    // Opens the fonts of the code page in fontDir; throws EFileError naming the file
    // when one of the required fonts is missing. For code page 932 the extension font
    // is optional.
    explicit TGlyphFont(const TCodePage& codePage, const std::string& fontDir = DefaultFontDir());
    ~TGlyphFont();
    TGlyphFont(const TGlyphFont&) = delete;
    TGlyphFont& operator=(const TGlyphFont&) = delete;

    static std::string DefaultFontDir();

    // The glyph of one character: a single byte, or lead byte << 8 | trail byte.
    // Unknown and control characters give an empty mask.
    const TGlyphMask& Glyph(TFontFace face, std::uint16_t code);

    bool HasExtensionFont() const;
    // The code page whose characters the codes of Glyph are.
    const TCodePage& CodePage() const { return codePage_; }

private:
    struct Faces;
    const TCodePage& codePage_;
    std::unique_ptr<Faces> faces_;
    std::map<std::uint32_t, TGlyphMask> cache_;
};

} // namespace kestra
