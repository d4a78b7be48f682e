#include "graphics/GR_CharSet.h"

#include "base/Errors.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

// Each 24 x 32 frame filled with one index that names it: 1 + column + 12 row.
TKandelBitmap NumberedCharSet() {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, KCharSetWidth, KCharSetHeight);
    bmp.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        bmp.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), 255, 0, 0};
    for (int y = 0; y < KCharSetHeight; ++y)
        for (int x = 0; x < KCharSetWidth; ++x)
            bmp.Row(y)[x] = static_cast<std::uint8_t>(1 + x / 24 + 12 * (y / 32));
    return bmp;
}

TKandelBitmap OneColour(std::uint8_t red) {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, KCharSetWidth, KCharSetHeight);
    bmp.PaletteSize = 2;
    bmp.Palette[1] = {red, 0, 0, 0};
    std::fill(bmp.Pixels.begin(), bmp.Pixels.end(), std::uint8_t{1});
    return bmp;
}

} // namespace

TEST(CharSetGraphic, FrameSourcesAndWalkingPatterns) {
    EXPECT_EQ(CharacterFrame(0, 0, 0), RectOfSize(0, 0, 24, 32));
    EXPECT_EQ(CharacterFrame(5, 2, 2), RectOfSize(72 + 48, 128 + 64, 24, 32));
    EXPECT_EQ(CharacterFrame(3, 3, 1), CharacterFrame(3, 1, 1));
    EXPECT_TRUE(CharacterFrame(8, 0, 0).Empty());
    EXPECT_TRUE(CharacterFrame(-1, 0, 0).Empty());
    EXPECT_TRUE(CharacterFrame(0, 4, 0).Empty());
    EXPECT_TRUE(CharacterFrame(0, 0, 4).Empty());

    TVezCharSetGraphic cache;
    int index = cache.AddBitmap("hero", NumberedCharSet());
    TKandelBoard a, b;
    a.SetSize(40, 40);
    b.SetSize(40, 40);
    // Bottom centre at (20, 36): the frame covers x 8..31, y 4..35.
    cache.DrawCharacter(a, 20, 36, 0, 3, 2, 6, index);
    cache.DrawCharacter(b, 20, 36, 0, 1, 2, 6, index);
    EXPECT_EQ(std::vector<std::uint16_t>(a.ScanLine(0), a.ScanLine(0) + 1600),
              std::vector<std::uint16_t>(b.ScanLine(0), b.ScanLine(0) + 1600));
    const TKandelSheet& sheet = *cache.Sheet(index);
    // Character 6, direction 2, frame 1: column 2*3+1 = 7, row 4+2 = 6.
    EXPECT_EQ(a.ScanLine(4)[8], sheet.Colors[1 + 7 + 12 * 6]);
    EXPECT_EQ(a.ScanLine(35)[31], sheet.Colors[1 + 7 + 12 * 6]);
    EXPECT_EQ(a.ScanLine(3)[8], 0);
    EXPECT_EQ(a.ScanLine(4)[7], 0);
    EXPECT_EQ(a.ScanLine(36)[20], 0);
}

TEST(CharSetGraphic, BushAndTransparencyLevels) {
    EXPECT_EQ(CharacterOpacity(0), 255);
    EXPECT_EQ(CharacterHalfOpacity(0), 127);
    EXPECT_EQ(CharacterOpacity(3), 165);
    EXPECT_EQ(CharacterHalfOpacity(3), 82);
    EXPECT_EQ(CharacterOpacity(7), 45);
    EXPECT_EQ(CharacterHalfOpacity(7), 22);
    EXPECT_EQ(CharacterOpacity(40), 15); // clamped, never a negative weight
    EXPECT_EQ(CharacterOpacity(-2), 255);

    TVezCharSetGraphic cache;
    int index = cache.AddBitmap("red", OneColour(248));
    TKandelSheet& sheet = *cache.Sheet(index);
    // The expected rows come from the board's own blend at the named opacity.
    auto reference = [&](int opacity, int row) {
        TKandelBoard board;
        board.SetSize(24, 32);
        sheet.Opacity = opacity;
        board.DrawSheet(0, 0, RectOfSize(0, 0, 24, 32), sheet);
        return board.ScanLine(row)[3];
    };
    struct TCase {
        int Bush, Level, FullRows;
    };
    for (TCase c : {TCase{0, 0, 32}, TCase{1, 0, 21}, TCase{2, 0, 16}, TCase{3, 0, 0},
                    TCase{1, 3, 21}, TCase{2, 7, 16}}) {
        TKandelBoard board;
        board.SetSize(24, 32);
        cache.Level = c.Level;
        cache.DrawCharacter(board, 12, 32, c.Bush, 0, 0, 0, index);
        for (int row = 0; row < 32; ++row) {
            int opacity =
                row < c.FullRows ? CharacterOpacity(c.Level) : CharacterHalfOpacity(c.Level);
            ASSERT_EQ(board.ScanLine(row)[3], reference(opacity, row))
                << "bush " << c.Bush << " level " << c.Level << " row " << row;
        }
    }
    // Bush 1 at level 0: the lower 11 rows blend at 127, the row above is solid.
    cache.Level = 0;
    TKandelBoard board;
    board.SetSize(24, 32);
    cache.DrawCharacter(board, 12, 32, 1, 0, 0, 0, index);
    EXPECT_NE(board.ScanLine(21)[0], board.ScanLine(20)[0]);
    EXPECT_EQ(board.ScanLine(20)[0], sheet.Colors[1]);
    // Other bush values, bad indexes and frames draw nothing.
    board.Clear();
    for (int bush : {-1, 4, 99}) cache.DrawCharacter(board, 12, 32, bush, 0, 0, 0, index);
    cache.DrawCharacter(board, 12, 32, 0, 0, 0, 0, index + 1);
    cache.DrawCharacter(board, 12, 32, 0, 0, 0, 0, -1);
    cache.DrawCharacter(board, 12, 32, 0, 0, 9, 0, index);
    cache.DrawCharacter(board, 12, 32, 0, 0, 0, 8, index);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 24; ++x) ASSERT_EQ(board.ScanLine(y)[x], 0);

    // Greyscale sets the sheet's own saturation to 0, and back.
    cache.Greyscale = true;
    cache.DrawCharacter(board, 12, 32, 0, 0, 0, 0, index);
    EXPECT_EQ(sheet.ColorControl.Saturation(), 0);
    cache.Greyscale = false;
    cache.DrawCharacter(board, 12, 32, 0, 0, 0, 0, index);
    EXPECT_EQ(sheet.ColorControl.Saturation(), 100);
}

TEST(CharSetGraphic, PurgeKeepsUsedEntriesAndAtLeastNineteen) {
    TVezCharSetGraphic cache;
    TKandelBitmap bmp = OneColour(8);
    for (int i = 0; i < 25; ++i) cache.AddBitmap("c" + std::to_string(i), bmp);
    cache.ClearUsed();
    for (const char* name : {"c0", "c3", "c12"}) cache.Use(name);
    cache.Purge();
    // Unused c1, c2, c4..c7 go while 20 or more remain; the walk stops at c8.
    ASSERT_EQ(cache.Count(), 19u);
    EXPECT_EQ(cache.Name(0), "c0");
    EXPECT_EQ(cache.Name(1), "c3");
    EXPECT_EQ(cache.Name(2), "c8");
    EXPECT_EQ(cache.IndexOf("c12"), 6);
    EXPECT_EQ(cache.IndexOf("c5"), -1);
    EXPECT_TRUE(cache.IsUsed(cache.IndexOf("c12")));

    // Fewer than 20 entries: nothing goes, used or not.
    cache.ClearUsed();
    cache.Purge();
    EXPECT_EQ(cache.Count(), 19u);

    // The last entry is never removed, even unused in a full cache.
    TVezCharSetGraphic full;
    for (int i = 0; i < 21; ++i) full.AddBitmap("f" + std::to_string(i), bmp);
    full.ClearUsed();
    full.Use("f0");
    full.Use("f1");
    full.Purge();
    EXPECT_EQ(full.Count(), 19u);
    EXPECT_EQ(full.Name(18), "f20");
    EXPECT_EQ(full.Name(2), "f4");
}

TEST(CharSetGraphic, MissingPicturesRaiseEveryTimeAndCacheNothing) {
    TVezCharSetGraphic cache;
    int lookups = 0;
    cache.FindAsset = [&](const std::string&, const std::string& folder) {
        ++lookups;
        EXPECT_EQ(folder, "CharSet");
        return std::string();
    };
    try {
        cache.Use("ghost");
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_STREQ(e.what(), "CharSet/ghost: character set not found");
    }
    EXPECT_EQ(cache.Count(), 0u);
    // Asked again, the file is looked for again (nothing blank stands in for it).
    EXPECT_THROW(cache.Use("ghost"), EFileError);
    EXPECT_EQ(lookups, 2);
    EXPECT_EQ(cache.Count(), 0u);
}
