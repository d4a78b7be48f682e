#include "graphics/KandelBoard.h"
#include "base/Random.h"
#include "graphics/KandelBoardPortable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace kestra {
namespace {

std::uint16_t Rgb(int r5, int g6, int b5) {
    return PackRgb565(r5, g6, b5);
}
std::uint16_t At(const TKandelBoard& board, int x, int y) {
    return board.ScanLine(y)[x];
}

void FillBoard(TKandelBoard& board, std::uint16_t color) {
    board.Canvas().FillRect(board.GetBounds(), color);
}

// A sheet whose pixel (x, y) is index 1 + x + width * y, each index a distinct colour.
void MakeNumbered(TKandelSheet& sheet, int width, int height) {
    sheet.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            sheet.ScanLine(y)[x] = static_cast<std::uint8_t>(1 + x + width * y);
    for (int i = 0; i < 256; ++i) sheet.SetPaletteEntry(i, i, 255 - i, (i * 13) & 255);
    sheet.UpdateColors();
}

std::uint16_t ColorOf(const TKandelSheet& sheet, int x, int y) {
    return sheet.Colors[sheet.ScanLine(y)[x]];
}

bool SameBoards(const TKandelBoard& a, const TKandelBoard& b) {
    for (int y = 0; y < a.Height(); ++y)
        if (!std::equal(a.ScanLine(y), a.ScanLine(y) + a.Width(), b.ScanLine(y))) return false;
    return true;
}

TEST(KandelBoardBlend, OpacityWeights) {
    TKandelBoard board;
    board.SetSize(2, 1);
    TKandelSheet sheet;
    sheet.SetSize(1, 1);
    sheet.SetPaletteEntry(0, 255, 255, 255);
    sheet.UpdateColors();
    const std::uint16_t under = Rgb(10, 20, 10);
    const auto drawAt = [&](int opacity) {
        board.ScanLine(0)[0] = 0;
        board.ScanLine(0)[1] = under;
        sheet.Opacity = opacity;
        board.DrawSheet(0, 0, sheet.GetBounds(), sheet);
        board.DrawSheet(1, 0, sheet.GetBounds(), sheet);
    };
    drawAt(254); // weights 255 and 2: 31*255/256 = 30, 63*255/256 = 62
    EXPECT_EQ(At(board, 0, 0), Rgb(30, 62, 30));
    EXPECT_EQ(At(board, 1, 0), Rgb((31 * 255 + 10 * 2) / 256, (63 * 255 + 20 * 2) / 256, 30));
    drawAt(255);
    EXPECT_EQ(At(board, 1, 0), 0xFFFF);
    drawAt(128); // 129 and 128
    EXPECT_EQ(At(board, 0, 0), Rgb(15, 31, 15));
    EXPECT_EQ(At(board, 1, 0), Rgb(20, 41, 20));
    drawAt(0); // weights 1 and 256 keep the destination
    EXPECT_EQ(At(board, 1, 0), under);
    drawAt(300); // clamped to 255
    EXPECT_EQ(At(board, 1, 0), 0xFFFF);
    drawAt(-7); // clamped to 0, never negative weights
    EXPECT_EQ(At(board, 1, 0), under);
}

TEST(KandelBoardBrightness, TableFollowsTheBoardAndFillRectAdjusts) {
    TKandelBoard board;
    board.SetSize(1, 1);
    TKandelSheet sheet;
    sheet.SetSize(1, 1);
    sheet.SetPaletteEntry(0, 80, 160, 80);
    sheet.UpdateColors();
    board.DrawSheet(0, 0, sheet.GetBounds(), sheet);
    EXPECT_EQ(At(board, 0, 0), Rgb(10, 40, 10));
    board.Brightness = 0;
    board.DrawSheet(0, 0, sheet.GetBounds(), sheet);
    EXPECT_EQ(At(board, 0, 0), 0);
    EXPECT_EQ(sheet.Brightness, 0);
    board.Brightness = 200;
    board.DrawSheet(0, 0, sheet.GetBounds(), sheet);
    EXPECT_EQ(At(board, 0, 0), 0xFFFF);

    board.Brightness = 50;
    board.FillRect({0, 0, 1, 1}, 200, 100, 50); // 100, 50, 25
    EXPECT_EQ(At(board, 0, 0), Rgb(12, 12, 3));
    board.Brightness = 150; // 200 + 50*55/100 = 227, 100 + 77 = 177, 50 + 102 = 152
    board.FillRect({0, 0, 1, 1}, 200, 100, 50);
    EXPECT_EQ(At(board, 0, 0), Rgb(28, 44, 19));
    board.Brightness = 100;
    board.FillRect({-5, -5, 9, 9}, 200, 100, 50);
    EXPECT_EQ(At(board, 0, 0), Rgb(25, 25, 6));
}

TEST(KandelBoardDraw, ClippingAndOversizedSourceRectangles) {
    TKandelBoard board;
    board.SetSize(8, 8);
    TKandelSheet sheet;
    MakeNumbered(sheet, 2, 2);
    FillBoard(board, 0x1111);
    board.DrawSheet(5, 5, {-1, -1, 3, 3}, sheet);
    EXPECT_EQ(At(board, 5, 5), 0x1111);
    EXPECT_EQ(At(board, 6, 6), ColorOf(sheet, 0, 0));
    EXPECT_EQ(At(board, 7, 7), ColorOf(sheet, 1, 1));
    FillBoard(board, 0x1111);
    board.DrawSheet(-1, 7, sheet.GetBounds(), sheet); // off the left and bottom edges
    EXPECT_EQ(At(board, 0, 7), ColorOf(sheet, 1, 0));
    EXPECT_EQ(At(board, 1, 7), 0x1111);
    // Empty, inverted, zero zoom and zero period draw nothing.
    FillBoard(board, 0x1111);
    board.DrawSheet(0, 0, {1, 1, 1, 2}, sheet);
    board.DrawSheet(0, 0, {2, 0, 0, 2}, sheet);
    board.StretchSheet({0, 0, 4, 4}, sheet, {2, 2, 0, 0});
    board.StretchSheet({4, 4, 0, 0}, sheet, sheet.GetBounds());
    board.DrawSheetZoomed(4, 4, sheet.GetBounds(), sheet, 1, 1, 0.0);
    board.DrawSheetZoomed(4, 4, sheet.GetBounds(), sheet, 1, 1, -2.0);
    board.DrawSheetRotated(4, 4, sheet.GetBounds(), sheet, 1, 1, 0.0, 10);
    board.DrawSheetWaver(4, 4, sheet.GetBounds(), sheet, 1, 1, 1.0, 0, 0, 3);
    board.DrawSheetWaver(4, 4, sheet.GetBounds(), sheet, 1, 1, 0.0, 0, 32, 3);
    board.DrawSheetWaver(4, 4, sheet.GetBounds(), sheet, 0, 0, 1.0, 0, 32, 3);
    board.DrawSheet(1 << 30, 1 << 30, sheet.GetBounds(), sheet);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(At(board, x, y), 0x1111) << x << "," << y;
    // Absurd zooms stay within the board and the sheet.
    board.DrawSheetZoomed(4, 4, sheet.GetBounds(), sheet, 1, 1, 1e300);
    board.DrawSheetRotated(4, 4, sheet.GetBounds(), sheet, 1, 1, 1e300, 3);
    board.DrawSheetRotated(4, 4, sheet.GetBounds(), sheet, 1, 1, 1e-300, 3);
    board.DrawSheetWaver(4, 4, sheet.GetBounds(), sheet, 1, 1, 1e300, 3, 1, 1 << 30);
    const std::uint16_t corner = At(board, 0, 0);
    EXPECT_TRUE(corner == ColorOf(sheet, 0, 0) || corner == ColorOf(sheet, 1, 0) ||
                corner == ColorOf(sheet, 0, 1) || corner == ColorOf(sheet, 1, 1));
}

TEST(KandelBoardDraw, TransparencyInEveryDrawKind) {
    TKandelBoard board;
    board.SetSize(16, 16);
    TKandelSheet sheet;
    MakeNumbered(sheet, 2, 2);
    sheet.ScanLine(0)[0] = 0;
    sheet.ScanLine(1)[1] = 0;
    sheet.Transparent = true;
    const std::uint16_t under = 0x1111;
    // Each kind maps sheet pixel (sx, sy) to a block of board pixels; index-0 blocks stay.
    struct Case {
        const char* Name;
        int Scale; // board pixels per sheet pixel
        void (*Draw)(TKandelBoard&, TKandelSheet&);
    };
    const Case cases[] = {
        {"plain", 1, [](TKandelBoard& b, TKandelSheet& s) { b.DrawSheet(4, 4, s.GetBounds(), s); }},
        {"stretched", 3,
         [](TKandelBoard& b, TKandelSheet& s) {
             b.StretchSheet({4, 4, 10, 10}, s, s.GetBounds());
         }},
        {"zoomed", 2,
         [](TKandelBoard& b, TKandelSheet& s) {
             b.DrawSheetZoomed(6, 6, s.GetBounds(), s, 1, 1, 2.0);
         }},
        {"rotated", 1,
         [](TKandelBoard& b, TKandelSheet& s) {
             b.DrawSheetRotated(4, 4, s.GetBounds(), s, 0, 0, 1.0, 0);
         }},
        {"waver", 2,
         [](TKandelBoard& b, TKandelSheet& s) {
             b.DrawSheetWaver(6, 6, s.GetBounds(), s, 1, 1, 2.0, 0, 32, 0);
         }},
    };
    for (int opacity : {255, 100}) {
        sheet.Opacity = opacity;
        for (const Case& c : cases) {
            FillBoard(board, under);
            c.Draw(board, sheet);
            for (int sy = 0; sy < 2; ++sy)
                for (int sx = 0; sx < 2; ++sx)
                    for (int k = 0; k < c.Scale * c.Scale; ++k) {
                        const int bx = 4 + sx * c.Scale + k % c.Scale;
                        const int by = 4 + sy * c.Scale + k / c.Scale;
                        const std::uint8_t index = sheet.ScanLine(sy)[sx];
                        const std::uint16_t drawn = At(board, bx, by);
                        if (index == 0)
                            EXPECT_EQ(drawn, under) << c.Name << " " << opacity;
                        else
                            EXPECT_NE(drawn, under) << c.Name << " " << opacity;
                    }
            EXPECT_EQ(At(board, 3, 3), under) << c.Name;
            EXPECT_EQ(At(board, 4 + 2 * c.Scale, 4 + 2 * c.Scale), under) << c.Name;
        }
    }
}

TEST(KandelBoardStretch, ColumnAndRowTables) {
    TKandelBoard board;
    board.SetSize(8, 4);
    TKandelSheet sheet;
    MakeNumbered(sheet, 3, 2);
    // 3 -> 5 columns: i*3 div 5 = 0 0 1 1 2; 2 -> 3 rows: 0 0 1.
    board.StretchSheet({0, 0, 5, 3}, sheet, sheet.GetBounds());
    const int cols[5] = {0, 0, 1, 1, 2}, rows[3] = {0, 0, 1};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(At(board, x, y), ColorOf(sheet, cols[x], rows[y])) << x << "," << y;
    // Shrinking 3 -> 2 takes columns 0 and 1 (i*3 div 2).
    board.Clear();
    board.StretchSheet({0, 0, 2, 1}, sheet, {0, 0, 3, 1});
    EXPECT_EQ(At(board, 0, 0), ColorOf(sheet, 0, 0));
    EXPECT_EQ(At(board, 1, 0), ColorOf(sheet, 1, 0));
    // Clipped on the left, the tables start from the clipped column: i = 2, 3, 4.
    board.Clear();
    board.StretchSheet({-2, 0, 3, 1}, sheet, {0, 0, 3, 1});
    EXPECT_EQ(At(board, 0, 0), ColorOf(sheet, 1, 0));
    EXPECT_EQ(At(board, 1, 0), ColorOf(sheet, 1, 0));
    EXPECT_EQ(At(board, 2, 0), ColorOf(sheet, 2, 0));
    EXPECT_EQ(At(board, 3, 0), 0);
    // A source reaching past the sheet: only columns that map inside it are drawn.
    board.Clear();
    board.StretchSheet({0, 0, 8, 1}, sheet, {-1, 0, 3, 1}); // i*4 div 8 - 1: -1 -1 0 0 1 1 2 2
    EXPECT_EQ(At(board, 1, 0), 0);
    EXPECT_EQ(At(board, 2, 0), ColorOf(sheet, 0, 0));
    EXPECT_EQ(At(board, 7, 0), ColorOf(sheet, 2, 0));
}

TEST(KandelBoardZoom, ExactOneIsUnscaledAndRotationZeroReproduces) {
    TKandelBoard plain, other;
    plain.SetSize(20, 20);
    other.SetSize(20, 20);
    TKandelSheet sheet;
    MakeNumbered(sheet, 4, 4);
    plain.DrawSheet(9, 9, sheet.GetBounds(), sheet);
    other.DrawSheetZoomed(10, 10, sheet.GetBounds(), sheet, 1, 1, 1.0);
    EXPECT_TRUE(SameBoards(plain, other));
    // 1.0001 stretches into (9, 9)-(11, 11): a 2 x 2 picture of columns and rows 0 and 2.
    other.Clear();
    other.DrawSheetZoomed(10, 10, sheet.GetBounds(), sheet, 1, 1, 1.0001);
    EXPECT_EQ(At(other, 9, 9), ColorOf(sheet, 0, 0));
    EXPECT_EQ(At(other, 10, 10), ColorOf(sheet, 2, 2));
    EXPECT_EQ(At(other, 11, 11), 0);
    EXPECT_EQ(At(other, 12, 12), 0);
    // Rotation 0 at zoom 1, also with a source rectangle inside the sheet.
    other.Clear();
    other.DrawSheetRotated(10, 10, sheet.GetBounds(), sheet, 1, 1, 1.0, 0);
    EXPECT_TRUE(SameBoards(plain, other));
    plain.Clear();
    other.Clear();
    plain.DrawSheet(3, 4, {1, 1, 3, 4}, sheet);
    other.DrawSheetRotated(5, 5, {1, 1, 3, 4}, sheet, 2, 1, 1.0, 256);
    EXPECT_TRUE(SameBoards(plain, other));
}

TEST(KandelBoardRotate, QuarterTurnAndClipping) {
    TKandelBoard board, small;
    board.SetSize(20, 20);
    small.SetSize(11, 11);
    TKandelSheet sheet;
    MakeNumbered(sheet, 3, 2);
    // Angle 64, anchor (0, 0) at (10, 10): source (u, v) lands on (10 - v, 10 + u).
    board.DrawSheetRotated(10, 10, sheet.GetBounds(), sheet, 0, 0, 1.0, 64);
    int drawn = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) drawn += At(board, x, y) != 0;
    EXPECT_EQ(drawn, 6);
    for (int u = 0; u < 3; ++u)
        for (int v = 0; v < 2; ++v)
            EXPECT_EQ(At(board, 10 - v, 10 + u), ColorOf(sheet, u, v)) << u << "," << v;
    // Part of the picture off the board: the rest is the same.
    small.DrawSheetRotated(10, 10, sheet.GetBounds(), sheet, 0, 0, 1.0, 64);
    for (int y = 0; y < 11; ++y)
        for (int x = 0; x < 11; ++x) EXPECT_EQ(At(small, x, y), At(board, x, y));
    // Zoom 2 doubles it: source (u, v) covers (10 - 2v - 1 .. 10 - 2v, 10 + 2u .. 10 + 2u + 1).
    board.Clear();
    board.DrawSheetRotated(10, 10, sheet.GetBounds(), sheet, 0, 0, 2.0, 64);
    EXPECT_EQ(At(board, 10, 14), ColorOf(sheet, 2, 0));
    EXPECT_EQ(At(board, 9, 15), ColorOf(sheet, 2, 0));
    EXPECT_EQ(At(board, 7, 10), ColorOf(sheet, 0, 1));
}

TEST(KandelBoardWaver, RowShiftsFollowTheSine) {
    TKandelBoard board;
    board.SetSize(16, 16);
    TKandelSheet sheet;
    MakeNumbered(sheet, 4, 4);
    // Period 4 rows of 4: the sine index is 64 + 64 r, so rows shift by 2, 0, -2, 0.
    board.DrawSheetWaver(10, 10, sheet.GetBounds(), sheet, 2, 2, 1.0, 64, 4, 2);
    const int shift[4] = {2, 0, -2, 0};
    for (int r = 0; r < 4; ++r) {
        const int left = 8 + shift[r];
        EXPECT_EQ(At(board, left - 1, 8 + r), 0) << r;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(At(board, left + i, 8 + r), ColorOf(sheet, i, r));
        EXPECT_EQ(At(board, left + 4, 8 + r), 0) << r;
    }
    // Shifted past the left edge: the part on the board is still drawn.
    board.Clear();
    board.DrawSheetWaver(1, 10, sheet.GetBounds(), sheet, 2, 2, 1.0, 64, 4, 2);
    EXPECT_EQ(At(board, 0, 10), ColorOf(sheet, 3, 2)); // row 2 starts at -3
    EXPECT_EQ(At(board, 1, 10), 0);
    EXPECT_EQ(At(board, 0, 9), ColorOf(sheet, 1, 1)); // row 1 starts at -1
    EXPECT_EQ(At(board, 0, 8), 0);                    // row 0 starts at 1
    EXPECT_EQ(At(board, 1, 8), ColorOf(sheet, 0, 0));
}

// Rotation and waver at screen size: the gathered rows and the shared column tables
// give the pixels of the plain loops, for pictures turned, zoomed, shifted partly off
// the board, keyed and blended, including waves wider than the board.
TEST(KandelBoardFastPaths, RotatedAndWaverMatchThePlainLoops) {
    TRandom random(2024);
    const auto rnd = [&](int lo, int hi) { return lo + random.Next(hi - lo + 1); };
    TKandelBoard fast, plain;
    fast.SetSize(320, 240);
    plain.SetSize(320, 240);
    TKandelSheet sheet;
    for (int round = 0; round < 300; ++round) {
        sheet.SetSize(rnd(1, 200), rnd(1, 160));
        for (int y = 0; y < sheet.Height(); ++y)
            for (int x = 0; x < sheet.Width(); ++x)
                sheet.ScanLine(y)[x] = static_cast<std::uint8_t>(rnd(0, 4) == 0 ? 0 : rnd(0, 255));
        for (int i = 0; i < 256; ++i)
            sheet.SetPaletteEntry(i, rnd(0, 255), rnd(0, 255), rnd(0, 255));
        sheet.UpdateColors();
        sheet.Transparent = rnd(0, 1) == 1;
        sheet.Opacity = rnd(0, 2) == 0 ? 255 : rnd(0, 255);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                fast.ScanLine(y)[x] = plain.ScanLine(y)[x] =
                    static_cast<std::uint16_t>(rnd(0, 65535));
        const TRect src = rnd(0, 3) == 0
                              ? TRect{rnd(-20, 40), rnd(-20, 40), rnd(0, 240), rnd(0, 200)}
                              : sheet.GetBounds();
        const int x = rnd(-100, 420), y = rnd(-100, 340);
        const int ax = rnd(-10, sheet.Width() + 10), ay = rnd(-10, sheet.Height() + 10);
        const double zoom = rnd(0, 4) == 0 ? 1.0 : rnd(1, 60) / 10.0;
        if (round % 2 == 0) {
            const int angle = rnd(-300, 300);
            fast.DrawSheetRotated(x, y, src, sheet, ax, ay, zoom, angle);
            DrawSheetRotatedPortable(plain, x, y, src, sheet, ax, ay, zoom, angle);
        } else {
            const int phase = rnd(0, 255), period = rnd(1, 64);
            const int amplitude = rnd(0, 5) == 0 ? rnd(-400, 400) : rnd(-40, 40);
            fast.DrawSheetWaver(x, y, src, sheet, ax, ay, zoom, phase, period, amplitude);
            DrawSheetWaverPortable(plain, x, y, src, sheet, ax, ay, zoom, phase, period, amplitude);
        }
        ASSERT_TRUE(SameBoards(fast, plain)) << "round " << round;
    }
}

TEST(KandelBoardCopy, CopyBoardClipsAndHandlesOverlap) {
    TKandelBoard a, b;
    a.SetSize(4, 4);
    b.SetSize(3, 3);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) a.ScanLine(y)[x] = static_cast<std::uint16_t>(10 * y + x + 1);
    b.CopyBoard(-1, 1, {0, 0, 4, 4}, a);
    EXPECT_EQ(At(b, 0, 0), 0);
    EXPECT_EQ(At(b, 0, 1), 2);
    EXPECT_EQ(At(b, 2, 2), 14);
    a.CopyBoard(1, 1, {0, 0, 3, 3}, a);
    EXPECT_EQ(At(a, 1, 1), 1);
    EXPECT_EQ(At(a, 3, 3), 23);
    EXPECT_EQ(At(a, 2, 1), 2);
    EXPECT_EQ(At(a, 1, 2), 11);

    const std::uint8_t glyph[2] = {0xA0, 0x40}; // 1 0 1 / 0 1 0
    b.Clear();
    b.Canvas().DrawMonoBitmap(-1, 1, 3, 2, glyph, 1, 0xF800);
    EXPECT_EQ(At(b, 1, 1), 0xF800);
    EXPECT_EQ(At(b, 0, 1), 0);
    EXPECT_EQ(At(b, 0, 2), 0xF800);
    EXPECT_EQ(At(b, 1, 2), 0);
}

// The direct formulas, pixel by pixel, against the drawing code on random cases.
std::uint16_t RefPut(std::uint16_t dest, std::uint8_t index, const TKandelSheet& sheet) {
    if (sheet.Transparent && index == 0) return dest;
    const std::uint16_t src = sheet.Colors[index];
    const int opacity = std::clamp(sheet.Opacity, 0, 255);
    if (opacity == 255) return src;
    const int e = opacity + 1, f = 257 - e;
    const int r = (e * (src >> 11) + f * (dest >> 11)) / 256;
    const int g = (e * ((src >> 5) & 63) + f * ((dest >> 5) & 63)) / 256;
    const int b = (e * (src & 31) + f * (dest & 31)) / 256;
    return Rgb(r, g, b);
}

// Source coordinate of destination offset i along an axis, or -1 when outside the sheet.
int RefMap(long i, long destSize, long srcOrigin, long srcSize, int limit) {
    if (i < 0 || i >= destSize) return -1;
    const long s = i * srcSize / destSize + srcOrigin;
    return s >= 0 && s < limit ? static_cast<int>(s) : -1;
}

// Rotation pixel by pixel: the corner box, then each pixel's 16.16 source point
// tested against the source rectangle.
void RefRotated(TKandelBoard& board, int x, int y, const TRect& src, const TKandelSheet& sheet,
                int ax, int ay, double z, int angle) {
    if (src.Empty()) return;
    const double pi = std::acos(-1.0);
    const double s = std::sin(2.0 * pi * (angle & 255) / 256.0);
    const double k = std::sin(2.0 * pi * ((angle + 64) & 255) / 256.0);
    const double x0 = x - z * (ax * k - ay * s), y0 = y - z * (ax * s + ay * k);
    const double w = src.Width(), h = src.Height();
    const double cx[4] = {x0, x0 + z * w * k, x0 - z * h * s, x0 + z * w * k - z * h * s};
    const double cy[4] = {y0, y0 + z * w * s, y0 + z * h * k, y0 + z * w * s + z * h * k};
    long minX = 1 << 30, maxX = -(1 << 30), minY = 1 << 30, maxY = -(1 << 30);
    for (int i = 0; i < 4; ++i) {
        minX = std::min(minX, static_cast<long>(cx[i]));
        maxX = std::max(maxX, static_cast<long>(cx[i]));
        minY = std::min(minY, static_cast<long>(cy[i]));
        maxY = std::max(maxY, static_cast<long>(cy[i]));
    }
    minX = std::max(minX, 0L);
    minY = std::max(minY, 0L);
    maxX = std::min(maxX, static_cast<long>(board.Width() - 1));
    maxY = std::min(maxY, static_cast<long>(board.Height() - 1));
    const long du = std::lrint(k / z * 65536.0), dv = std::lrint(-s / z * 65536.0);
    for (long dy = minY; dy <= maxY; ++dy) {
        const double rx = static_cast<double>(minX - x), ry = static_cast<double>(dy - y);
        long u = std::lrint(((rx * k + ry * s) / z + ax + src.Left) * 65536.0);
        long v = std::lrint(((-rx * s + ry * k) / z + ay + src.Top) * 65536.0);
        for (long dx = minX; dx <= maxX; ++dx, u += du, v += dv) {
            const long su = u >> 16, sv = v >> 16;
            if (su < std::max(0, src.Left) || su >= std::min(sheet.Width(), src.Right) ||
                sv < std::max(0, src.Top) || sv >= std::min(sheet.Height(), src.Bottom))
                continue;
            std::uint16_t& d = board.ScanLine(static_cast<int>(dy))[dx];
            d = RefPut(d, sheet.ScanLine(static_cast<int>(sv))[su], sheet);
        }
    }
}

TEST(KandelBoardReference, RandomDrawsMatchTheFormulas) {
    TRandom random(12345);
    const auto rnd = [&](int lo, int hi) { return lo + random.Next(hi - lo + 1); };
    TKandelBoard fast, ref;
    fast.SetSize(23, 17);
    ref.SetSize(23, 17);
    TKandelSheet sheet;
    for (int round = 0; round < 1200; ++round) {
        sheet.SetSize(rnd(1, 9), rnd(1, 9));
        for (int y = 0; y < sheet.Height(); ++y)
            for (int x = 0; x < sheet.Width(); ++x)
                sheet.ScanLine(y)[x] = static_cast<std::uint8_t>(rnd(0, 3) == 0 ? 0 : rnd(0, 255));
        for (int i = 0; i < 256; ++i)
            sheet.SetPaletteEntry(i, rnd(0, 255), rnd(0, 255), rnd(0, 255));
        sheet.UpdateColors();
        sheet.Transparent = rnd(0, 1) == 1;
        sheet.Opacity = rnd(0, 2) == 0 ? 255 : rnd(-10, 265);
        fast.Brightness = ref.Brightness = rnd(0, 3) == 0 ? rnd(0, 200) : 100;
        for (int y = 0; y < fast.Height(); ++y)
            for (int x = 0; x < fast.Width(); ++x)
                fast.ScanLine(y)[x] = ref.ScanLine(y)[x] =
                    static_cast<std::uint16_t>(rnd(0, 65535));
        const TRect src{rnd(-3, 8), rnd(-3, 8), rnd(-3, 12), rnd(-3, 12)};
        const int kind = round % 4;
        // The draw first, so that the table is built for the board's brightness.
        if (kind == 0) {
            const int x = rnd(-12, 25), y = rnd(-12, 20);
            fast.DrawSheet(x, y, src, sheet);
            for (int by = 0; by < ref.Height(); ++by)
                for (int bx = 0; bx < ref.Width(); ++bx) {
                    const int sx = bx - x + src.Left, sy = by - y + src.Top;
                    if (sx < std::max(0, src.Left) || sx >= std::min(sheet.Width(), src.Right) ||
                        sy < std::max(0, src.Top) || sy >= std::min(sheet.Height(), src.Bottom))
                        continue;
                    ref.ScanLine(by)[bx] =
                        RefPut(ref.ScanLine(by)[bx], sheet.ScanLine(sy)[sx], sheet);
                }
        } else if (kind == 1) {
            const TRect dest{rnd(-20, 25), rnd(-20, 20), rnd(-20, 45), rnd(-20, 40)};
            fast.StretchSheet(dest, sheet, src);
            if (dest.Width() == src.Width() && dest.Height() == src.Height()) {
                ref.DrawSheet(dest.Left, dest.Top, src, sheet); // checked by kind 0
            } else if (!dest.Empty() && !src.Empty()) {
                for (int by = 0; by < ref.Height(); ++by)
                    for (int bx = 0; bx < ref.Width(); ++bx) {
                        const int sx = RefMap(bx - dest.Left, dest.Width(), src.Left, src.Width(),
                                              sheet.Width());
                        const int sy = RefMap(by - dest.Top, dest.Height(), src.Top, src.Height(),
                                              sheet.Height());
                        if (sx < 0 || sy < 0) continue;
                        ref.ScanLine(by)[bx] =
                            RefPut(ref.ScanLine(by)[bx], sheet.ScanLine(sy)[sx], sheet);
                    }
            }
        } else if (kind == 3) {
            const int x = rnd(-5, 28), y = rnd(-5, 22), ax = rnd(-2, 8), ay = rnd(-2, 8);
            const double z = rnd(1, 40) / 10.0;
            const int angle = rnd(-300, 300);
            fast.DrawSheetRotated(x, y, src, sheet, ax, ay, z, angle);
            RefRotated(ref, x, y, src, sheet, ax, ay, z, angle);
        } else {
            const int x = rnd(-5, 28), y = rnd(-5, 22), ax = rnd(0, 8), ay = rnd(0, 8);
            const double zoom = rnd(1, 30) / 10.0;
            const int phase = rnd(0, 255), period = rnd(1, 8), amplitude = rnd(-20, 20);
            fast.DrawSheetWaver(x, y, src, sheet, ax, ay, zoom, phase, period, amplitude);
            const long hx = static_cast<long>(zoom * ax), hy = static_cast<long>(zoom * ay);
            const long left = x - hx, top = y - hy, dw = 2 * hx, dh = 2 * hy;
            if (dw > 0 && dh > 0 && !src.Empty()) {
                for (int by = 0; by < ref.Height(); ++by) {
                    const long r = by - top;
                    const int sy = RefMap(r, dh, src.Top, src.Height(), sheet.Height());
                    if (sy < 0) continue;
                    const long index = (phase + src.Height() * r * 256 / dh / period) % 256;
                    const long shift = static_cast<long>(
                        zoom * amplitude *
                        std::sin(2 * std::acos(-1.0) * static_cast<int>(index) / 256));
                    for (int bx = 0; bx < ref.Width(); ++bx) {
                        const int sx =
                            RefMap(bx - left - shift, dw, src.Left, src.Width(), sheet.Width());
                        if (sx < 0) continue;
                        ref.ScanLine(by)[bx] =
                            RefPut(ref.ScanLine(by)[bx], sheet.ScanLine(sy)[sx], sheet);
                    }
                }
            }
        }
        ASSERT_TRUE(SameBoards(fast, ref)) << "round " << round << " kind " << kind;
    }
}

} // namespace
} // namespace kestra
