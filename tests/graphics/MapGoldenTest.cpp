// A synthetic map drawn through the map loader and both renderers, compared pixel
// for pixel with tests/golden/map_tiles.png. KESTRA_UPDATE_GOLDEN=1 rewrites the file
// after an intended change.
#include "data/LD_Map.h"
#include "graphics/GR_CharSet.h"
#include "graphics/GR_ChipSet.h"
#include "graphics/KandelPng.h"

#include "base/Errors.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using namespace kestra;

namespace {

const char* const KGoldenPath = KESTRA_SOURCE_DIR "/tests/golden/map_tiles.png";

TKandelBitmap Paletted(int width, int height) {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, width, height);
    bmp.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        bmp.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i * 37 % 256),
                                                    static_cast<std::uint8_t>(i * 11 % 256),
                                                    static_cast<std::uint8_t>(255 - i), 0};
    return bmp;
}

// Every 8 x 8 quarter of the chip set has its own colour pair in stripes, so a piece
// taken from the wrong place shows. Autotile blocks and upper tiles carry
// transparent corners.
TKandelBitmap GoldenChipSet() {
    TKandelBitmap bmp = Paletted(KChipSetWidth, KChipSetHeight);
    for (int y = 0; y < KChipSetHeight; ++y)
        for (int x = 0; x < KChipSetWidth; ++x) {
            int quarter = (x / 8) * 5 + (y / 8) * 3;
            bmp.Row(y)[x] = static_cast<std::uint8_t>(1 + (quarter * 2 + ((x + y) / 3) % 2) % 255);
        }
    auto corners = [&](int left, int top, int w, int h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((x < 3 || x >= w - 3) && (y < 3 || y >= h - 3)) bmp.Row(top + y)[left + x] = 0;
    };
    for (const TTilePoint& b : KAutotileBlocks)
        for (int qy = 0; qy < 8; ++qy)
            for (int qx = 0; qx < 6; ++qx) corners(b.X + 8 * qx, b.Y + 8 * qy, 8, 8);
    for (int k = 1; k < 144; ++k) corners(UpperTileCell(k).X, UpperTileCell(k).Y, 16, 16);
    for (int y = 0; y < 16; ++y)
        std::fill_n(bmp.Row(UpperTileCell(0).Y + y) + UpperTileCell(0).X, 16, 0);
    return bmp;
}

TKandelBitmap GoldenCharSet() {
    TKandelBitmap bmp = Paletted(KCharSetWidth, KCharSetHeight);
    for (int y = 0; y < KCharSetHeight; ++y)
        for (int x = 0; x < KCharSetWidth; ++x) {
            int fx = x % 24, fy = y % 32;
            bool body = (fx - 12) * (fx - 12) * 4 + (fy - 16) * (fy - 16) < 150;
            bmp.Row(y)[x] =
                static_cast<std::uint8_t>(body ? 20 + (x / 24) * 9 + (y / 32) * 13 + fy / 8 : 0);
        }
    return bmp;
}

void LoadGoldenMap(TVezMap& loaded) {
    TVezMap map;
    map.Width = 20;
    map.Height = 15;
    map.Lower.Resize(20, 15);
    map.Upper.Resize(20, 15);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            int n = x + 20 * y;
            std::uint16_t lower;
            if (y < 4)
                lower = static_cast<std::uint16_t>(1000 * (y % 3) + 50 * (n % 16) + n % 50);
            else if (y < 10)
                lower = static_cast<std::uint16_t>(4000 + 50 * ((n / 3) % 12) + n % 50);
            else if (y < 12)
                lower = static_cast<std::uint16_t>(3000 + 50 * (x % 3));
            else
                lower = static_cast<std::uint16_t>(5000 + n % 144);
            map.Lower.SetTile(x, y, lower);
            if (n % 4 == 1) map.Upper.SetTile(x, y, static_cast<std::uint16_t>(10000 + n % 150));
        }
    loaded.LoadFromBytes(map.SaveToBytes(), "golden.lmu");
}

TKandelBitmap DrawGolden() {
    TVezMap map;
    LoadGoldenMap(map);
    TVezChipSetGraphic& chips = map.ChipSetGraphic();
    chips.LoadChipSetBitmap(GoldenChipSet(), "golden");
    chips.SetWaterAnimation(0, 0);
    TVezCharSetGraphic& chars = map.CharSetGraphic();
    int hero = chars.AddBitmap("hero", GoldenCharSet());

    TKandelBoard board;
    board.SetSize(320, 240);
    chips.SetTransparent(false);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x)
            chips.DrawTile(board, 16 * x, 16 * y, map.Lower.TileAt(x, y), 30);
    chips.SetTransparent(true);
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x)
            chips.DrawTile(board, 16 * x, 16 * y, map.Upper.TileAt(x, y), 30);
    // Scaled tiles, including composed autotiles at an odd half size and a tile
    // drawn as a translucent character.
    chips.DrawTile(board, 4, 196, 4051, 0, 40);
    chips.DrawTile(board, 50, 200, 4433, 0, 26);
    chips.DrawTile(board, 80, 200, 1550, 48, 32);
    chips.SetTranslucency(3);
    chips.DrawTile(board, 120, 200, 5020, 0, 16);
    chips.SetTranslucency(0);
    // Characters: every bush value, two transparency levels, greyscale.
    for (int i = 0; i < 4; ++i) chars.DrawCharacter(board, 160 + 26 * i, 236, i, i, i % 4, i, hero);
    chars.Level = 3;
    chars.DrawCharacter(board, 270, 236, 1, 2, 1, 5, hero);
    chars.Level = 0;
    chars.Greyscale = true;
    chars.DrawCharacter(board, 300, 236, 0, 1, 3, 7, hero);
    // Half off the board.
    chars.Greyscale = false;
    chars.DrawCharacter(board, 2, 20, 0, 0, 2, 2, hero);

    TKandelBitmap out;
    out.Reset(TPixelFormat::Rgb24, 320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            std::uint16_t c = board.ScanLine(y)[x];
            int r = c >> 11, g = (c >> 5) & 63, b = c & 31;
            std::uint8_t* p = out.Row(y) + 3 * x;
            p[0] = static_cast<std::uint8_t>(b << 3 | b >> 2);
            p[1] = static_cast<std::uint8_t>(g << 2 | g >> 4);
            p[2] = static_cast<std::uint8_t>(r << 3 | r >> 2);
        }
    return out;
}

} // namespace

TEST(MapGolden, SyntheticMapMatchesTheCommittedPicture) {
    TKandelBitmap drawn = DrawGolden();
    const char* update = std::getenv("KESTRA_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::vector<std::uint8_t> png;
        WritePng(drawn, png);
        std::ofstream(KGoldenPath, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()),
                   static_cast<std::streamsize>(png.size()));
        GTEST_SKIP() << "rewrote " << KGoldenPath;
    }
    std::vector<std::uint8_t> bytes = ReadWholeFile(KGoldenPath);
    TKandelBitmap golden;
    ReadPng(bytes, golden, KGoldenPath);
    ASSERT_EQ(golden.Format, TPixelFormat::Rgb24);
    ASSERT_EQ(golden.Width, 320);
    ASSERT_EQ(golden.Height, 240);
    int differing = 0, firstX = -1, firstY = -1;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            if (!std::equal(drawn.Row(y) + 3 * x, drawn.Row(y) + 3 * x + 3,
                            golden.Row(y) + 3 * x)) {
                if (differing++ == 0) firstX = x, firstY = y;
            }
    EXPECT_EQ(differing, 0)
        << "first difference at " << firstX << "," << firstY
        << "; KESTRA_UPDATE_GOLDEN=1 rewrites the picture after an intended change";
}
