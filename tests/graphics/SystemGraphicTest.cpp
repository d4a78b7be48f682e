#include "TestSystemGraphic.h"
#include "graphics/GR_System.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

TGlyphFont& Font() {
    static const TCodePage page{932, {}};
    static TGlyphFont font(page);
    return font;
}

class SystemGraphicTest : public ::testing::Test {
protected:
    SystemGraphicTest() : system(Font(), nullptr) { system.LoadSystemBitmap(CodedSystemBitmap()); }

    TKandelSheet& Sheet(int w, int h) {
        sheet.SetSize(w, h);
        sheet.FillArea(sheet.GetBounds(), 0);
        return sheet;
    }
    std::uint8_t At(int x, int y) const { return sheet.ScanLine(y)[x]; }
    bool SameSheets(const TKandelSheet& a, const TKandelSheet& b) {
        if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
        for (int y = 0; y < a.Height(); ++y)
            for (int x = 0; x < a.Width(); ++x)
                if (a.ScanLine(y)[x] != b.ScanLine(y)[x]) return false;
        return true;
    }
    // Renders text into a fresh sheet of the fixture's size.
    void Render(TKandelSheet& out, int x, int color, std::string_view text) {
        out.SetSize(sheet.Width(), sheet.Height());
        out.FillArea(out.GetBounds(), 0);
        system.DrawText(out, x, 0, color, text);
    }
    bool IsBlank(const TKandelSheet& s) {
        for (int y = 0; y < s.Height(); ++y)
            for (int x = 0; x < s.Width(); ++x)
                if (s.ScanLine(y)[x]) return false;
        return true;
    }

    TVezSystemGraphic system;
    TKandelSheet sheet;
};

TEST_F(SystemGraphicTest, TextIsStampedInTheColourPatternOverItsShadow) {
    Sheet(40, 20);
    system.DrawText(sheet, 4, 1, 12, "A");
    const TGlyphMask& mask = system.GlyphFor('A');
    int ink = 0;
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j) {
            const bool glyph = mask[static_cast<std::size_t>(i * 12 + j)];
            const bool shadowed =
                i > 0 && j > 0 && mask[static_cast<std::size_t>((i - 1) * 12 + j - 1)];
            const int px = 4 + j, py = 1 + i + 2;
            if (glyph) {
                ++ink;
                EXPECT_EQ(At(px, py), CodedPattern(12, j)) << j << "," << i;
            } else if (shadowed) {
                EXPECT_EQ(At(px, py), KCodedShadow) << j << "," << i;
            } else {
                EXPECT_EQ(At(px, py), 0) << j << "," << i;
            }
        }
    EXPECT_GT(ink, 10);
    // Nothing above the text's top line.
    for (int x = 0; x < 40; ++x) EXPECT_EQ(At(x, 2), 0);
}

TEST_F(SystemGraphicTest, NoShadowWhenTheShadowPixelIsIndexZero) {
    system.LoadSystemBitmap(CodedSystemBitmap(false));
    Sheet(40, 20);
    system.DrawText(sheet, 0, 0, 0, "W");
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) EXPECT_NE(At(x, y), KCodedShadow);
}

TEST_F(SystemGraphicTest, ColoursBeyondTheTwentyAreClamped) {
    Sheet(40, 20);
    TKandelSheet a, b;
    Render(a, 0, 25, "H");
    Render(b, 0, 19, "H");
    EXPECT_TRUE(SameSheets(a, b));
    Render(a, 0, -4, "H");
    Render(b, 0, 0, "H");
    EXPECT_TRUE(SameSheets(a, b));
}

TEST_F(SystemGraphicTest, DollarCodes) {
    Sheet(80, 20);
    TKandelSheet a, b;
    // "$A" is the first special glyph and takes two cells of width.
    Render(a, 0, 0, "$AB");
    const TGlyphMask& special = system.GlyphFor(TVezSystemGraphic::KExFontCode + 'A');
    TKandelBitmap ex = ExFontBitmap();
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j)
            EXPECT_EQ(special[static_cast<std::size_t>(i * 12 + j)] != 0, ex.Row(i)[j] != 0);
    const TGlyphMask& lower = system.GlyphFor(TVezSystemGraphic::KExFontCode + 'n');
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j)
            EXPECT_EQ(lower[static_cast<std::size_t>(i * 12 + j)] != 0, ex.Row(36 + i)[j] != 0);
    Render(b, 0, 0, "$A");
    system.DrawText(b, 12, 0, 0, "B");
    EXPECT_TRUE(SameSheets(a, b));
    // The stamped glyph is the special one, not the letter.
    Render(a, 0, 0, "$A");
    for (int i = 0; i < 12; ++i)
        for (int j = 0; j < 12; ++j)
            if (special[static_cast<std::size_t>(i * 12 + j)]) {
                EXPECT_EQ(a.ScanLine(i + 2)[j], CodedPattern(0, j));
            }
    Render(b, 0, 0, "A");
    EXPECT_FALSE(SameSheets(a, b));

    // "$$" draws one "$" six pixels wide; a "$" before anything else or at the
    // end draws itself.
    Render(a, 0, 0, "$$Q");
    Render(b, 0, 0, "$");
    system.DrawText(b, 6, 0, 0, "Q");
    EXPECT_TRUE(SameSheets(a, b));
    Render(a, 0, 0, "$1");
    Render(b, 0, 0, "$");
    system.DrawText(b, 6, 0, 0, "1");
    EXPECT_TRUE(SameSheets(a, b));
    Render(a, 0, 0, "$");
    EXPECT_FALSE(IsBlank(a));
}

TEST_F(SystemGraphicTest, HalfSpaceAndTrailingLeadByte) {
    Sheet(60, 20);
    TKandelSheet a, b;
    Render(a, 0, 0,
           "\x01"
           "A");
    Render(b, 3, 0, "A");
    EXPECT_TRUE(SameSheets(a, b));
    // A lead byte with nothing after it is one byte wide and draws nothing.
    Render(a, 0, 0,
           "A\x82"
           "");
    Render(b, 0, 0, "A");
    EXPECT_TRUE(SameSheets(a, b));
    Render(a, 0, 0, std::string_view("\x82", 1));
    EXPECT_TRUE(IsBlank(a));
}

TEST_F(SystemGraphicTest, RightMarginWithHangingPunctuation) {
    // Width 60: single bytes must start before 48, double bytes before 42.
    Sheet(60, 20);
    TKandelSheet a, b;
    Render(a, 42, 0, "A");
    EXPECT_FALSE(IsBlank(a));
    Render(a, 48, 0, "A");
    EXPECT_TRUE(IsBlank(a));
    Render(a, 42, 0, "\x82\xA0"); // hiragana a
    EXPECT_TRUE(IsBlank(a));
    Render(a, 36, 0, "\x82\xA0");
    EXPECT_FALSE(IsBlank(a));
    for (const char* mark : {"\x81\x41", "\x81\x42", "\x81\x43", "\x81\x44"}) {
        Render(a, 42, 0, mark);
        EXPECT_FALSE(IsBlank(a)) << std::hex << (static_cast<unsigned char>(mark[1]) + 0);
        Render(a, 48, 0, mark);
        EXPECT_TRUE(IsBlank(a));
    }
    Render(a, 42, 0, "\x81\x45"); // the middle dot does not hang
    EXPECT_TRUE(IsBlank(a));
    // A character past the margin still advances: the full stop after it hangs.
    Render(a, 0, 0, "AAAAAAA\x82\xA0\x81\x42");
    Render(b, 0, 0, "AAAAAAA");
    EXPECT_TRUE(SameSheets(a, b));
    Render(a, 0, 0, "AAAAAAA\x81\x42");
    Render(b, 42, 0, "\x81\x42");
    system.DrawText(b, 0, 0, 0, "AAAAAAA");
    EXPECT_TRUE(SameSheets(a, b));
}

class BoardPieces : public SystemGraphicTest {
protected:
    BoardPieces() {
        board.SetSize(80, 40);
        board.Clear();
    }
    std::uint16_t Color(int index) {
        return system.SystemSheet().Colors[static_cast<std::size_t>(index)];
    }
    std::uint16_t Px(int x, int y) { return board.ScanLine(y)[x]; }
    TKandelBoard board;
};

TEST_F(BoardPieces, TimerDigitsAndBlinkingColon) {
    system.DrawTimer(board, 0, 0, 3599); // 00:59, colon shown
    EXPECT_EQ(Px(0, 0), Color(KCodedDigit + 0));
    EXPECT_EQ(Px(8, 15), Color(KCodedDigit + 0));
    EXPECT_EQ(Px(24, 0), Color(KCodedDigit + 5));
    EXPECT_EQ(Px(39, 0), Color(KCodedDigit + 9));
    EXPECT_EQ(Px(16, 0), Color(KCodedColon));
    board.Clear();
    system.DrawTimer(board, 0, 0, 3600 * 12 + 60 * 34 + 29); // 12:34, colon hidden
    EXPECT_EQ(Px(0, 0), Color(KCodedDigit + 1));
    EXPECT_EQ(Px(8, 0), Color(KCodedDigit + 2));
    EXPECT_EQ(Px(24, 0), Color(KCodedDigit + 3));
    EXPECT_EQ(Px(32, 0), Color(KCodedDigit + 4));
    EXPECT_EQ(Px(16, 0), 0);
    board.Clear();
    system.DrawTimer(board, 0, 0, 3600 * 150 + 30); // more than the digits hold
    EXPECT_EQ(Px(0, 0), Color(KCodedDigit + 9));
    EXPECT_EQ(Px(8, 0), Color(KCodedDigit + 9));
    EXPECT_EQ(Px(16, 0), Color(KCodedColon));
}

TEST_F(BoardPieces, ArrowsPointerAndGaugeSkipIndexZero) {
    system.DrawUpArrow(board, 0, 0);
    system.DrawDownArrow(board, 20, 0);
    EXPECT_EQ(Px(0, 0), Color(KCodedFrame + 5));
    EXPECT_EQ(Px(15, 7), Color(KCodedFrame + 6));
    EXPECT_EQ(Px(20, 0), Color(KCodedFrame + 9));
    EXPECT_EQ(Px(0, 8), 0);
    system.DrawGaugePiece(board, 40, 0, 3, 2);
    EXPECT_EQ(Px(40, 0), Color(KCodedGauge + 3 + 8));
    system.DrawGaugePiece(board, 50, 0, 4, 0); // no such piece
    EXPECT_EQ(Px(50, 0), 0);
    // The pointer's second layer covers the first where it has pixels.
    system.DrawPointer(board, 60, 20, 1023);
    EXPECT_EQ(Px(60, 20), Color(KCodedPointer1));
    EXPECT_EQ(Px(60, 30), Color(KCodedPointer0));
    EXPECT_EQ(Px(70, 30), 0);
    EXPECT_EQ(system.SystemSheet().Opacity, 255);
    EXPECT_EQ(system.BackgroundColor(),
              (TRgbQuad{KCodedScreen, 255 - KCodedScreen, KCodedScreen * 7, 0}));
}

TEST_F(SystemGraphicTest, WindowBackgroundTiledStretchedAndFrame) {
    Sheet(80, 72);
    system.Tiling = true;
    system.DrawWindow(sheet, 4, 2, 70, 68);
    // Inside the frame the background repeats every 32 pixels.
    for (int i : {8, 20, 33, 40, 59})
        for (int j : {8, 31, 32, 45, 61})
            EXPECT_EQ(At(4 + j, 2 + i), CodedBackground(j % 32, i % 32));
    // Corners, then edges alternating between the two edge pieces.
    EXPECT_EQ(At(4, 2), KCodedFrame + 0);
    EXPECT_EQ(At(4 + 3, 2 + 3), CodedBackground(3, 3)); // transparent corner pixel
    EXPECT_EQ(At(4 + 69, 2), KCodedFrame + 3);
    EXPECT_EQ(At(4, 2 + 67), KCodedFrame + 12);
    EXPECT_EQ(At(4 + 69, 2 + 67), KCodedFrame + 15);
    EXPECT_EQ(At(4 + 8, 2), KCodedFrame + 2);  // i = 1: offset 16
    EXPECT_EQ(At(4 + 16, 2), KCodedFrame + 1); // i = 2: offset 8
    EXPECT_EQ(At(4 + 8, 2 + 67), KCodedFrame + 14);
    EXPECT_EQ(At(4, 2 + 8), KCodedFrame + 8);  // left, i = 1: offset (0, 16)
    EXPECT_EQ(At(4, 2 + 16), KCodedFrame + 4); // i = 2: offset (0, 8)
    EXPECT_EQ(At(4 + 69, 2 + 8), KCodedFrame + 11);
    EXPECT_EQ(At(0, 0), 0); // outside the area
    EXPECT_EQ(At(75, 71), 0);

    Sheet(80, 72);
    system.Tiling = false;
    system.DrawWindow(sheet, 0, 0, 64, 48);
    for (int i : {9, 23, 38})
        for (int j : {9, 31, 50}) EXPECT_EQ(At(j, i), CodedBackground(j * 32 / 64, i * 32 / 48));

    // Below 8 pixels: background only.
    Sheet(20, 20);
    system.DrawWindow(sheet, 0, 0, 7, 20);
    for (int i = 0; i < 20; ++i)
        for (int j = 0; j < 7; ++j) EXPECT_EQ(At(j, i), CodedBackground(j * 32 / 7, i * 32 / 20));
    EXPECT_EQ(At(7, 0), 0);
}

TEST_F(SystemGraphicTest, CursorPiecesAndFrames) {
    Sheet(60, 40);
    system.DrawCursor(sheet, RectOfSize(0, 0, 7, 30), 0);
    EXPECT_TRUE(IsBlank(sheet));
    system.DrawCursor(sheet, RectOfSize(2, 2, 48, 32), 1);
    EXPECT_EQ(At(2, 2), KCodedCursor1 + 0);
    EXPECT_EQ(At(2 + 3, 2 + 3), 0); // transparent
    EXPECT_EQ(At(2 + 47, 2 + 31), KCodedCursor1 + 15);
    EXPECT_EQ(At(2 + 8, 2 + 8), KCodedCursor1 + 10); // interior (1, 1): offset (16, 16)
    EXPECT_EQ(At(2 + 16, 2 + 8), KCodedCursor1 + 9); // (2, 1): offset (8, 16)
    EXPECT_EQ(At(2 + 16, 2 + 16), KCodedCursor1 + 5);
    Sheet(60, 40);
    system.DrawCursor(sheet, RectOfSize(0, 0, 24, 16), 0);
    EXPECT_EQ(At(0, 0), KCodedCursor0);
    EXPECT_EQ(At(8, 0), KCodedCursor0 + 2);
    EXPECT_EQ(At(8, 8), KCodedCursor0 + 14);
}

} // namespace
