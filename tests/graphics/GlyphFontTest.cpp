#include "graphics/GR_Font.h"

#include "base/Errors.h"
#include <filesystem>
#include <gtest/gtest.h>
#include <numeric>

using namespace kestra;

namespace {

int Ink(const TGlyphMask& m) {
    return std::accumulate(m.begin(), m.end(), 0);
}

bool FontsInstalled() {
    return std::filesystem::exists(TGlyphFont::DefaultFontDir() + "/shnmk12.pcf.gz");
}

// Rightmost column with ink, -1 for an empty glyph.
int RightEdge(const TGlyphMask& m) {
    int right = -1;
    for (int y = 0; y < KGlyphSize; ++y)
        for (int x = 0; x < KGlyphSize; ++x)
            if (m[static_cast<std::size_t>(y * KGlyphSize + x)]) right = std::max(right, x);
    return right;
}

} // namespace

TEST(Cp932, ShiftJisToJisArithmetic) {
    EXPECT_EQ(SjisToJis(0x82A0), 0x2422); // hiragana a
    EXPECT_EQ(SjisToJis(0x889F), 0x3021); // first level-1 kanji
    EXPECT_EQ(SjisToJis(0x8140), 0x2121); // ideographic space
    EXPECT_EQ(SjisToJis(0xEAA4), 0x7426); // last level-2 kanji
    EXPECT_EQ(SjisToJis(0x8740), 0x2D21); // NEC row 13
    EXPECT_EQ(SjisToJis(0x817F), 0);      // 0x7F is never a trail byte
    EXPECT_EQ(SjisToJis(0x4141), 0);      // not a lead byte
}

TEST(Cp932, LeadBytesAndCharacterLength) {
    EXPECT_TRUE(IsCp932LeadByte(0x81));
    EXPECT_TRUE(IsCp932LeadByte(0xFC));
    EXPECT_FALSE(IsCp932LeadByte(0xA1)); // half-width katakana
    EXPECT_FALSE(IsCp932LeadByte(0x80));
    std::string text = "a\x82\xA0\x82";
    EXPECT_EQ(Cp932CharLength(text, 0), 1u);
    EXPECT_EQ(Cp932CharLength(text, 1), 2u);
    EXPECT_EQ(Cp932CharLength(text, 3), 1u); // a lead byte at the end stands alone
}

TEST(Cp932, ExtensionTable) {
    EXPECT_EQ(Cp932ExtensionToUnicode(0x8740), 0x2460u); // circled digit one
    EXPECT_EQ(Cp932ExtensionToUnicode(0x8754), 0x2160u); // Roman numeral one
    EXPECT_EQ(Cp932ExtensionToUnicode(0xFA40), 0x2170u); // small Roman numeral one
    EXPECT_EQ(Cp932ExtensionToUnicode(0x82A0), 0u);
}

TEST(GlyphFont, RendersEveryKindOfCharacter) {
    if (!FontsInstalled()) GTEST_SKIP() << "Shinonome fonts not installed";
    const TCodePage page{932, {}};
    TGlyphFont font(page);
    // Half-width glyphs stay within the left 6 columns.
    const TGlyphMask& a = font.Glyph(TFontFace::Gothic, 'A');
    EXPECT_GT(Ink(a), 5);
    EXPECT_LT(RightEdge(a), 6);
    EXPECT_GT(Ink(font.Glyph(TFontFace::Gothic, 0xB1)), 3); // half-width katakana a
    EXPECT_GT(Ink(font.Glyph(TFontFace::Gothic, 0x5C)), 3); // yen sign
    EXPECT_GT(Ink(font.Glyph(TFontFace::Gothic, 0x7E)), 0); // tilde
    EXPECT_EQ(Ink(font.Glyph(TFontFace::Gothic, ' ')), 0);
    EXPECT_EQ(Ink(font.Glyph(TFontFace::Gothic, 0x01)), 0); // control byte
    // Full-width: gothic and mincho differ for a kanji.
    const TGlyphMask& g = font.Glyph(TFontFace::Gothic, 0x889F);
    const TGlyphMask& m = font.Glyph(TFontFace::Mincho, 0x889F);
    EXPECT_GT(Ink(g), 10);
    EXPECT_GT(Ink(m), 10);
    int differing = 0;
    for (std::uint16_t c = 0x829F; c <= 0x82F1; ++c) // hiragana
        differing += font.Glyph(TFontFace::Gothic, c) != font.Glyph(TFontFace::Mincho, c);
    EXPECT_GT(differing, 0) << "mincho fell back to gothic";
    EXPECT_GE(RightEdge(g), 6);
    // The yen sign and the backslash-free Latin tilde are different glyphs.
    EXPECT_NE(font.Glyph(TFontFace::Gothic, 0x5C), font.Glyph(TFontFace::Gothic, 0x7E));
    // Extension characters come from the fallback font when it is installed.
    if (font.HasExtensionFont()) {
        EXPECT_GT(Ink(font.Glyph(TFontFace::Gothic, 0x8740)), 5);
        EXPECT_GT(Ink(font.Glyph(TFontFace::Mincho, 0xFA40)), 3);
    }
    // Codes that name no character draw nothing.
    EXPECT_EQ(Ink(font.Glyph(TFontFace::Gothic, 0x81FF)), 0);
}

TEST(GlyphFont, OtherCodePagesDrawFromTheUnicodeFontsAtTheirWidths) {
    if (!std::filesystem::exists(TGlyphFont::DefaultFontDir() + "/h12.pcf.gz"))
        GTEST_SKIP() << "efont not installed";
    const TCodePage western{1252, {}}, cyrillic{1251, {}};
    TGlyphFont latin(western), russian(cyrillic);
    // Accented letters are single bytes, 6 pixels wide, and differ from the plain letter.
    for (std::uint16_t c : {std::uint16_t{0xE9}, std::uint16_t{0xC6}, std::uint16_t{0xF8},
                            std::uint16_t{0xDC}, std::uint16_t{0xF1}, std::uint16_t{0x8A}}) {
        EXPECT_GT(Ink(latin.Glyph(TFontFace::Gothic, c)), 5) << c;
        EXPECT_LT(RightEdge(latin.Glyph(TFontFace::Gothic, c)), 6) << c;
    }
    EXPECT_NE(latin.Glyph(TFontFace::Gothic, 0xE9), latin.Glyph(TFontFace::Gothic, 'e'));
    // 0x5C is the backslash here, not the yen sign; mincho is the same face.
    const TCodePage page932{932, {}};
    if (FontsInstalled()) {
        TGlyphFont japanese(page932);
        EXPECT_NE(latin.Glyph(TFontFace::Gothic, 0x5C), japanese.Glyph(TFontFace::Gothic, 0x5C));
    }
    EXPECT_EQ(latin.Glyph(TFontFace::Mincho, 'A'), latin.Glyph(TFontFace::Gothic, 'A'));
    // The same byte is another letter in another page (0xC4: Ä, Д).
    EXPECT_NE(latin.Glyph(TFontFace::Gothic, 0xC4), russian.Glyph(TFontFace::Gothic, 0xC4));
    // Bytes the page leaves empty, and C1 controls, draw nothing.
    EXPECT_EQ(Ink(latin.Glyph(TFontFace::Gothic, 0x81)), 0);
    EXPECT_EQ(Ink(latin.Glyph(TFontFace::Gothic, 0x01)), 0);
}

TEST(GlyphFont, MissingFontDirectoryNamesTheFile) {
    const TCodePage page{932, {}};
    try {
        TGlyphFont font(page, "/nonexistent-font-dir");
        FAIL() << "expected an error";
    } catch (const EKestraError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent-font-dir/"), std::string::npos);
    }
    const TCodePage western{1252, {}};
    try {
        TGlyphFont font(western, "/nonexistent-font-dir");
        FAIL() << "expected an error";
    } catch (const EKestraError& e) {
        EXPECT_NE(std::string(e.what()).find("h12.pcf.gz"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("xfonts-efont-unicode"), std::string::npos);
    }
}
