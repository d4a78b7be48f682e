#include "graphics/GR_ChipSet.h"
#include "graphics/GR_ChipSetTiles.h"

#include "base/Errors.h"
#include "graphics/KandelPng.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>

using namespace kestra;

namespace {

// The piece rows as authored, one string per shape: "x,y x,y x,y x,y".
const char* const KAutotileRows[50] = {
    "2,4 3,4 2,5 3,5", "4,0 3,4 2,5 3,5", "2,4 5,0 2,5 3,5", "4,0 5,0 2,5 3,5", "2,4 3,4 2,5 5,1",
    "4,0 3,4 2,5 5,1", "2,4 5,0 2,5 5,1", "4,0 5,0 2,5 5,1", "2,4 3,4 4,1 3,5", "4,0 3,4 4,1 3,5",
    "2,4 5,0 4,1 3,5", "4,0 5,0 4,1 3,5", "2,4 3,4 4,1 5,1", "4,0 3,4 4,1 5,1", "2,4 5,0 4,1 5,1",
    "4,0 5,0 4,1 5,1", "0,4 1,4 0,5 1,5", "0,4 5,0 0,5 1,5", "0,4 1,4 0,5 5,1", "0,4 5,0 0,5 5,1",
    "2,2 3,2 2,3 3,3", "2,2 3,2 2,3 5,1", "2,2 3,2 4,1 3,3", "2,2 3,2 4,1 5,1", "4,4 5,4 4,5 5,5",
    "4,4 5,4 4,1 5,5", "4,0 5,4 4,5 5,5", "4,0 5,4 4,1 5,5", "2,6 3,6 2,7 3,7", "4,0 3,6 2,7 3,7",
    "2,6 5,0 2,7 3,7", "4,0 5,0 2,7 3,7", "0,4 5,4 0,5 5,5", "2,2 3,2 2,7 3,7", "0,2 1,2 0,3 1,3",
    "0,2 1,2 0,3 5,1", "4,2 5,2 4,3 5,3", "4,2 5,2 4,1 5,3", "4,6 5,6 4,7 5,7", "4,0 5,6 4,7 5,7",
    "0,6 1,6 0,7 1,7", "0,6 5,0 0,7 1,7", "0,2 5,2 0,3 5,3", "0,2 1,2 0,7 1,7", "0,6 5,6 0,7 5,7",
    "4,2 5,2 4,7 5,7", "0,2 5,2 0,7 5,7", "2,4 3,4 2,5 3,5", "2,4 3,4 2,5 3,5", "0,0 1,0 0,1 1,1",
};

const char* const KWaterARows[50] = {
    "0,8 1,8 0,9 1,9", "0,6 1,8 0,9 1,9", "0,8 1,6 0,9 1,9", "0,6 1,6 0,9 1,9", "0,8 1,8 0,9 1,7",
    "0,6 1,8 0,9 1,7", "0,8 1,6 0,9 1,7", "0,6 1,6 0,9 1,7", "0,8 1,8 0,7 1,9", "0,6 1,8 0,7 1,9",
    "0,8 1,6 0,7 1,9", "0,6 1,6 0,7 1,9", "0,8 1,8 0,7 1,7", "0,6 1,8 0,7 1,7", "0,8 1,6 0,7 1,7",
    "0,6 1,6 0,7 1,7", "0,2 1,8 0,3 1,9", "0,2 1,6 0,3 1,9", "0,2 1,8 0,3 1,7", "0,2 1,6 0,3 1,7",
    "0,4 1,4 0,9 1,9", "0,4 1,4 0,9 1,7", "0,4 1,4 0,7 1,9", "0,4 1,4 0,7 1,7", "0,8 1,2 0,9 1,3",
    "0,8 1,2 0,7 1,3", "0,6 1,2 0,9 1,3", "0,6 1,2 0,7 1,3", "0,8 1,8 0,5 1,5", "0,6 1,8 0,5 1,5",
    "0,8 1,6 0,5 1,5", "0,6 1,6 0,5 1,5", "0,2 1,2 0,3 1,3", "0,4 1,4 0,5 1,5", "0,0 1,4 0,3 1,9",
    "0,0 1,4 0,3 1,7", "0,4 1,0 0,9 1,3", "0,4 1,0 0,7 1,3", "0,8 1,2 0,5 1,1", "0,6 1,2 0,5 1,1",
    "0,2 1,8 0,1 1,5", "0,2 1,6 0,1 1,5", "0,0 1,0 0,3 1,3", "0,0 1,4 0,1 1,5", "0,2 1,2 0,1 1,1",
    "0,4 1,0 0,5 1,1", "0,0 1,0 0,1 1,1", "0,8 1,8 0,9 1,9", "0,8 1,8 0,9 1,9", "0,0 1,0 0,1 1,1",
};

const char* const KWaterBRows[50] = {
    "0,8 1,8 0,9 1,9", "6,6 1,8 0,9 1,9", "0,8 7,6 0,9 1,9", "6,6 7,6 0,9 1,9", "0,8 1,8 0,9 7,7",
    "6,6 1,8 0,9 7,7", "0,8 7,6 0,9 7,7", "6,6 7,6 0,9 7,7", "0,8 1,8 6,7 1,9", "6,6 1,8 6,7 1,9",
    "0,8 7,6 6,7 1,9", "6,6 7,6 6,7 1,9", "0,8 1,8 6,7 7,7", "6,6 1,8 6,7 7,7", "0,8 7,6 6,7 7,7",
    "6,6 7,6 6,7 7,7", "6,2 1,8 6,3 1,9", "6,2 7,6 6,3 1,9", "6,2 1,8 6,3 7,7", "6,2 7,6 6,3 7,7",
    "6,4 7,4 0,9 1,9", "6,4 7,4 0,9 7,7", "6,4 7,4 6,7 1,9", "6,4 7,4 6,7 7,7", "0,8 7,2 0,9 7,3",
    "0,8 7,2 6,7 7,3", "6,6 7,2 0,9 7,3", "6,6 7,2 6,7 7,3", "0,8 1,8 6,5 7,5", "6,6 1,8 6,5 7,5",
    "0,8 7,6 6,5 7,5", "6,6 7,6 6,5 7,5", "6,2 7,2 6,3 7,3", "6,4 7,4 6,5 7,5", "6,0 7,4 6,3 1,9",
    "6,0 7,4 6,3 7,7", "6,4 7,0 0,9 7,3", "6,4 7,0 6,7 7,3", "0,8 7,2 6,5 7,1", "6,6 7,2 6,5 7,1",
    "6,2 1,8 6,1 7,5", "6,2 7,6 6,1 7,5", "6,0 7,0 6,3 7,3", "6,0 7,4 6,1 7,5", "6,2 7,2 6,1 7,1",
    "6,4 7,0 6,5 7,1", "6,0 7,0 6,1 7,1", "0,8 1,8 0,9 1,9", "0,8 1,8 0,9 1,9", "6,0 7,0 6,1 7,1",
};

const char* const KWaterCRows[50] = {
    "0,14 1,14 0,15 1,15", "0,6 1,14 0,15 1,15",  "0,14 1,6 0,15 1,15", "0,6 1,6 0,15 1,15",
    "0,14 1,14 0,15 1,7",  "0,6 1,14 0,15 1,7",   "0,14 1,6 0,15 1,7",  "0,6 1,6 0,15 1,7",
    "0,14 1,14 0,7 1,15",  "0,6 1,14 0,7 1,15",   "0,14 1,6 0,7 1,15",  "0,6 1,6 0,7 1,15",
    "0,14 1,14 0,7 1,7",   "0,6 1,14 0,7 1,7",    "0,14 1,6 0,7 1,7",   "0,6 1,6 0,7 1,7",
    "0,2 1,14 0,3 1,15",   "0,2 1,6 0,3 1,15",    "0,2 1,14 0,3 1,7",   "0,2 1,6 0,3 1,7",
    "0,4 1,4 0,15 1,15",   "0,4 1,4 0,15 1,7",    "0,4 1,4 0,7 1,15",   "0,4 1,4 0,7 1,7",
    "0,14 1,2 0,15 1,3",   "0,14 1,2 0,7 1,3",    "0,6 1,2 0,15 1,3",   "0,6 1,2 0,7 1,3",
    "0,14 1,14 0,5 1,5",   "0,6 1,14 0,5 1,5",    "0,14 1,6 0,5 1,5",   "0,6 1,6 0,5 1,5",
    "0,2 1,2 0,3 1,3",     "0,4 1,4 0,5 1,5",     "0,0 1,4 0,3 1,15",   "0,0 1,4 0,3 1,7",
    "0,4 1,0 0,15 1,3",    "0,4 1,0 0,7 1,3",     "0,14 1,2 0,5 1,1",   "0,6 1,2 0,5 1,1",
    "0,2 1,14 0,1 1,5",    "0,2 1,6 0,1 1,5",     "0,0 1,0 0,3 1,3",    "0,0 1,4 0,1 1,5",
    "0,2 1,2 0,1 1,1",     "0,4 1,0 0,5 1,1",     "0,0 1,0 0,1 1,1",    "0,14 1,14 0,15 1,15",
    "0,14 1,14 0,15 1,15", "0,12 1,12 0,13 1,13",
};

TQuarterSet Parse(const char* row) {
    TQuarterSet q;
    std::istringstream in(row);
    char comma = 0;
    for (TTilePoint& p : q) in >> p.X >> comma >> p.Y;
    return q;
}

TQuarterSet Offset(TQuarterSet q, int dx, int dy) {
    for (TTilePoint& p : q) {
        p.X += dx;
        p.Y += dy;
    }
    return q;
}

} // namespace

TEST(ChipSetTiles, PieceTablesMatchTheAuthoredRows) {
    const char* const* water[3] = {KWaterARows, KWaterBRows, KWaterCRows};
    for (int c = 0; c < KShapeCount; ++c) {
        for (int a = 0; a < KAutotileCount; ++a) {
            const TTilePoint& block = KAutotileBlocks[static_cast<std::size_t>(a)];
            EXPECT_EQ(AutotileQuarters(a, c),
                      Offset(Parse(KAutotileRows[c]), block.X / 8, block.Y / 8))
                << "autotile " << a << " shape " << c;
        }
        for (int t = 0; t < 3; ++t)
            for (int f = 0; f < 3; ++f)
                EXPECT_EQ(WaterQuarters(t, c, 0, f), Offset(Parse(water[t][c]), 2 * f, 0))
                    << "water " << t << " shape " << c << " frame " << f;
    }
}

TEST(ChipSetTiles, WaterCornerBitsReplaceTheirQuarter) {
    const TQuarterSet abCorners = {{{0, 10}, {1, 10}, {0, 11}, {1, 11}}};
    const TQuarterSet cCorners = {{{0, 12}, {1, 12}, {0, 13}, {1, 13}}};
    for (int t = 0; t < 3; ++t)
        for (int c = 0; c < KShapeCount; ++c)
            for (int bits = 0; bits < 16; ++bits) {
                TQuarterSet plain = WaterQuarters(t, c, 0, 1);
                TQuarterSet got = WaterQuarters(t, c, bits, 1);
                for (std::size_t i = 0; i < 4; ++i) {
                    TTilePoint corner = (t == 2 ? cCorners : abCorners)[i];
                    corner.X += 2;
                    EXPECT_EQ(got[i], (bits >> i & 1) ? corner : plain[i])
                        << "type " << t << " shape " << c << " bits " << bits << " quarter " << i;
                }
            }
    // 1050: table B, shape 0, corner bit 1 (top-left).
    TTileClass k = ClassifyTile(1050);
    EXPECT_EQ(k.Kind, TTileKind::Water);
    EXPECT_EQ(k.Number, 1);
    EXPECT_EQ(k.Corners, 1);
    TTilePieces p = TilePieces(1050, 0, 0, 0);
    ASSERT_EQ(p.Count, 4);
    EXPECT_EQ(p.Source[0], (TTilePoint{0, 80}));
    EXPECT_EQ(p.Source[1], (TTilePoint{8, 64}));
}

TEST(ChipSetTiles, WaterAndAnimatedFrames) {
    // Four steps 0, 1, 2, 1 of 24 frames each.
    const int fourStep[] = {0, 1, 2, 1, 0};
    for (int counter = 0; counter < 24 * 5; ++counter) {
        EXPECT_EQ(WaterFrame(counter, 0, 0), fourStep[counter / 24]) << counter;
        EXPECT_EQ(WaterFrame(counter, 0, 1), fourStep[(counter / 12) % 4]) << counter;
        EXPECT_EQ(WaterFrame(counter, 1, 0), (counter / 24) % 3) << counter;
        EXPECT_EQ(WaterFrame(counter, 7, 3), (counter / 12) % 3) << counter;
        EXPECT_EQ(AnimatedFrame(counter), (counter / 6) % 4) << counter;
    }
    EXPECT_EQ(WaterFrame(-1, 0, 0), 1); // a negative counter still lands on a frame
    EXPECT_EQ(AnimatedFrame(-1), 3);
    // 3050 at counter 18 shows the fourth frame of the column at (64, 64).
    TTilePieces p = TilePieces(3050, 18, 0, 0);
    ASSERT_EQ(p.Count, 1);
    EXPECT_EQ(p.Source[0], (TTilePoint{64, 64 + 48}));
    EXPECT_EQ(TilePieces(3100, 6, 0, 0).Source[0], (TTilePoint{80, 80}));
    // Water frames shift the pieces 16 pixels to the right.
    EXPECT_EQ(TilePieces(0, 24, 0, 0).Source[0].X - TilePieces(0, 0, 0, 0).Source[0].X, 16);
}

TEST(ChipSetTiles, IdRangesAndEntries) {
    EXPECT_EQ(LowerEntryOf(0), 0);
    EXPECT_EQ(LowerEntryOf(2999), 2);
    EXPECT_EQ(LowerEntryOf(3000), 3);
    EXPECT_EQ(LowerEntryOf(3149), 5);
    EXPECT_EQ(LowerEntryOf(3150), -1); // no fourth animated tile
    EXPECT_EQ(LowerEntryOf(4049), 6);
    EXPECT_EQ(LowerEntryOf(4050), 7);
    EXPECT_EQ(LowerEntryOf(4599), 17);
    EXPECT_EQ(LowerEntryOf(4600), -1); // no thirteenth autotile
    EXPECT_EQ(LowerEntryOf(5000), 18);
    EXPECT_EQ(LowerEntryOf(5143), 161);
    EXPECT_EQ(LowerEntryOf(5144), -1);
    EXPECT_EQ(LowerEntryOf(9999), -1);
    EXPECT_EQ(LowerEntryOf(10000), -1);
    EXPECT_EQ(LowerEntryOf(-5), -1);
    EXPECT_EQ(UpperEntryOf(10000), 0);
    EXPECT_EQ(UpperEntryOf(10143), 143);
    EXPECT_EQ(UpperEntryOf(10200), 143);
    EXPECT_EQ(UpperEntryOf(19999), 143);
    EXPECT_EQ(UpperEntryOf(20000), -1);
    EXPECT_EQ(UpperEntryOf(65535), -1);
    EXPECT_EQ(UpperEntryOf(5000), -1);
    for (int id : {-1, 3150, 3999, 4600, 4999, 5144, 9999, 20000, 65535})
        EXPECT_EQ(TilePieces(id, 0, 0, 0).Count, 0) << id;
}

TEST(ChipSetTiles, AutotileCompositionAndContiguity) {
    // 4000: shape 0 of block (0, 128) is one contiguous square at quarter (2, 4).
    TTilePieces p = TilePieces(4000, 0, 0, 0);
    ASSERT_EQ(p.Count, 1);
    EXPECT_EQ(p.Source[0], (TTilePoint{16, 160}));
    // Shape 1 replaces the top-left quarter and needs four pieces.
    p = TilePieces(4051, 0, 0, 0);
    ASSERT_EQ(p.Count, 4);
    EXPECT_EQ(p.Source[0], (TTilePoint{48 + 32, 128}));
    EXPECT_EQ(p.Source[3], (TTilePoint{48 + 24, 128 + 40}));
    // Autotiles do not animate.
    EXPECT_EQ(TilePieces(4321, 0, 0, 0).Source, TilePieces(4321, 1000, 0, 0).Source);
    // Every composed piece stays inside its 48 x 64 block.
    for (int a = 0; a < KAutotileCount; ++a)
        for (int c = 0; c < KShapeCount; ++c)
            for (const TTilePoint& q : AutotileQuarters(a, c)) {
                const TTilePoint& b = KAutotileBlocks[static_cast<std::size_t>(a)];
                EXPECT_TRUE(q.X * 8 >= b.X && q.X * 8 + 8 <= b.X + 48 && q.Y * 8 >= b.Y &&
                            q.Y * 8 + 8 <= b.Y + 64)
                    << a << " " << c;
            }
}

TEST(ChipSetTiles, PlainTileCellsTileThePictureWithoutOverlap) {
    std::set<std::pair<int, int>> used;
    for (int k = 0; k < 144; ++k) {
        TTilePoint l = LowerTileCell(k);
        EXPECT_TRUE(l.X >= 192 && l.X + 16 <= 384 && l.Y >= 0 && l.Y + 16 <= 256) << k;
        EXPECT_TRUE(used.insert({l.X, l.Y}).second) << "lower " << k;
        TTilePoint u = UpperTileCell(k);
        if (k < 48)
            EXPECT_TRUE(u.X >= 288 && u.X + 16 <= 384 && u.Y >= 128) << k;
        else
            EXPECT_TRUE(u.X >= 384 && u.X + 16 <= 480) << k;
        EXPECT_TRUE(used.insert({u.X, u.Y}).second) << "upper " << k;
    }
    EXPECT_EQ(LowerTileCell(0), (TTilePoint{192, 0}));
    EXPECT_EQ(LowerTileCell(97), (TTilePoint{304, 0}));
    EXPECT_EQ(UpperTileCell(0), (TTilePoint{288, 128}));
    EXPECT_EQ(UpperTileCell(48), (TTilePoint{384, 0}));
    EXPECT_EQ(UpperTileCell(143), (TTilePoint{464, 240}));
}

namespace {

// A chip set whose every 8 x 8 quarter says where it lies: its top row holds index
// qx + 1, its second row index 100 + qy, the rest index 200. Colours are unique per
// index, so a board pixel reads back as the index drawn there.
TKandelBitmap NumberedChipSet() {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, KChipSetWidth, KChipSetHeight);
    bmp.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        bmp.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>((i & 31) << 3),
                                                    static_cast<std::uint8_t>((i >> 5) << 2), 0, 0};
    for (int y = 0; y < KChipSetHeight; ++y)
        for (int x = 0; x < KChipSetWidth; ++x)
            bmp.Row(y)[x] = static_cast<std::uint8_t>(y % 8 == 0   ? x / 8 + 1
                                                      : y % 8 == 1 ? 100 + y / 8
                                                                   : 200);
    return bmp;
}

int IndexAt(const TKandelBoard& board, int x, int y) {
    std::uint16_t c = board.ScanLine(y)[x];
    return (c >> 11) | ((c >> 5) & 63) << 5;
}

// The quarters a 16 x 16 tile drawn at the board's origin shows.
TQuarterSet QuartersOnBoard(const TKandelBoard& board, int size) {
    TQuarterSet q;
    int half = size / 2, scale = size / 16;
    for (int i = 0; i < 4; ++i) {
        int x = (i & 1) * half, y = (i >> 1) * half;
        q[static_cast<std::size_t>(i)] = {IndexAt(board, x, y) - 1,
                                          IndexAt(board, x, y + scale) - 100};
        // The whole quarter is that piece: its last row and column are filler.
        EXPECT_EQ(IndexAt(board, x + half - 1, y + half - 1), 200);
        EXPECT_EQ(IndexAt(board, x + half - 1, y), q[static_cast<std::size_t>(i)].X + 1);
    }
    return q;
}

} // namespace

TEST(ChipSetGraphic, EveryAutotileAndWaterCombinationDrawsItsAuthoredPieces) {
    TVezChipSetGraphic chips;
    chips.LoadChipSetBitmap(NumberedChipSet(), "numbered");
    TKandelBoard board;
    board.SetSize(16, 16);
    for (int a = 0; a < KAutotileCount; ++a)
        for (int c = 0; c < KShapeCount; ++c) {
            board.Clear();
            chips.DrawTile(board, 0, 0, 4000 + 50 * a + c, 0);
            const TTilePoint& b = KAutotileBlocks[static_cast<std::size_t>(a)];
            ASSERT_EQ(QuartersOnBoard(board, 16), Offset(Parse(KAutotileRows[c]), b.X / 8, b.Y / 8))
                << "autotile " << a << " shape " << c;
        }
    const char* const* water[3] = {KWaterARows, KWaterBRows, KWaterCRows};
    const TQuarterSet corners[3] = {{{{0, 10}, {1, 10}, {0, 11}, {1, 11}}},
                                    {{{0, 10}, {1, 10}, {0, 11}, {1, 11}}},
                                    {{{0, 12}, {1, 12}, {0, 13}, {1, 13}}}};
    // Counter 0, 24, 48, 72: frames 0, 1, 2, 1.
    const int frameOfStep[4] = {0, 1, 2, 1};
    for (int t = 0; t < 3; ++t)
        for (int bits = 0; bits < 16; ++bits)
            for (int c = 0; c < KShapeCount; ++c)
                for (int step = 0; step < 4; ++step) {
                    board.Clear();
                    chips.DrawTile(board, 0, 0, 1000 * t + 50 * bits + c, 24 * step);
                    TQuarterSet want = Parse(water[t][c]);
                    for (std::size_t i = 0; i < 4; ++i)
                        if (bits >> i & 1) want[i] = corners[t][i];
                    ASSERT_EQ(QuartersOnBoard(board, 16), Offset(want, 2 * frameOfStep[step], 0))
                        << "water " << t << " bits " << bits << " shape " << c << " step " << step;
                }
}

TEST(ChipSetGraphic, ScaledTilesAndPlainCells) {
    TVezChipSetGraphic chips;
    chips.LoadChipSetBitmap(NumberedChipSet(), "numbered");
    TKandelBoard board;
    board.SetSize(32, 32);
    // Four quarters, each stretched to 16 x 16.
    chips.DrawTile(board, 0, 0, 4051, 0, 32);
    EXPECT_EQ(QuartersOnBoard(board, 32), AutotileQuarters(1, 1));
    // A contiguous tile scaled in one piece.
    board.Clear();
    chips.DrawTile(board, 0, 0, 4000, 0, 32);
    EXPECT_EQ(QuartersOnBoard(board, 32), AutotileQuarters(0, 0));
    // Lower tile 7 and upper tile 50 are the cells the layout names.
    board.Clear();
    chips.DrawTile(board, 0, 0, 5007, 0, 16);
    EXPECT_EQ(IndexAt(board, 0, 0) - 1, LowerTileCell(7).X / 8);
    EXPECT_EQ(IndexAt(board, 0, 1) - 100, LowerTileCell(7).Y / 8);
    board.Clear();
    chips.DrawTile(board, 0, 0, 10050, 0, 16);
    EXPECT_EQ(IndexAt(board, 8, 8) - 1, UpperTileCell(50).X / 8 + 1);
    EXPECT_EQ(IndexAt(board, 8, 9) - 100, UpperTileCell(50).Y / 8 + 1);
    // The water speed halves a frame's length; sequence 1 runs 0, 1, 2, 0.
    chips.SetWaterAnimation(1, 1);
    board.Clear();
    chips.DrawTile(board, 0, 0, 0, 36, 16);
    EXPECT_EQ(QuartersOnBoard(board, 16), WaterQuarters(0, 0, 0, 0));
    // Nothing for IDs no chip set holds, for size 0, and off the board.
    for (int id : {3150, 4600, 5144, 9999, 20000, -3}) {
        board.Clear();
        chips.DrawTile(board, 0, 0, id, 0, 16);
        chips.DrawTile(board, 0, 0, 5000, 0, 0);
        chips.DrawTile(board, -40, 100000, 5000, 0, 16);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) ASSERT_EQ(board.ScanLine(y)[x], 0) << id;
    }
}

TEST(ChipSetGraphic, EmptyAndOpaqueFlags) {
    TKandelBitmap bmp = NumberedChipSet();
    auto hole = [&](TTilePoint p) { bmp.Row(p.Y + 5)[p.X + 5] = 0; };
    hole(KAutotileBlocks[3]);
    hole(AnimatedColumnOrigin(2));
    hole(LowerTileCell(5));
    // Lower tile 9 and upper tile 3 are blank cells.
    for (TTilePoint p : {LowerTileCell(9), UpperTileCell(3)})
        for (int y = 0; y < 16; ++y) std::fill_n(bmp.Row(p.Y + y) + p.X, 16, std::uint8_t{0});
    TVezChipSetGraphic chips;
    chips.LoadChipSetBitmap(bmp, "holes");
    EXPECT_TRUE(chips.IsTileOpaque(0));
    EXPECT_TRUE(chips.IsTileOpaque(2999));
    EXPECT_TRUE(chips.IsTileOpaque(4000));
    EXPECT_FALSE(chips.IsTileOpaque(4150));
    EXPECT_FALSE(chips.IsTileOpaque(4199));
    EXPECT_TRUE(chips.IsTileOpaque(3050));
    EXPECT_FALSE(chips.IsTileOpaque(3100));
    EXPECT_TRUE(chips.IsTileOpaque(5004));
    EXPECT_FALSE(chips.IsTileOpaque(5005));
    EXPECT_FALSE(chips.IsTileOpaque(5009));
    for (int id : {10000, 10050, 5144, 9999, 4600, 3150, 65535, -1})
        EXPECT_FALSE(chips.IsTileOpaque(id)) << id;
    EXPECT_TRUE(chips.IsLowerEntryEmpty(18 + 9));
    EXPECT_FALSE(chips.IsLowerEntryEmpty(18 + 5));
    EXPECT_TRUE(chips.IsUpperEntryEmpty(3));
    EXPECT_FALSE(chips.IsUpperEntryEmpty(4));

    // A hole in the water block makes all three water types see-through.
    bmp.Row(70)[40] = 0;
    chips.LoadChipSetBitmap(bmp, "water hole");
    EXPECT_FALSE(chips.IsTileOpaque(1234));

    // A blank cell of a transparent sheet is skipped; an opaque sheet draws index 0.
    TKandelBoard board;
    board.SetSize(16, 16);
    board.FillRect(board.GetBounds(), 255, 255, 255);
    chips.SetTransparent(true);
    chips.DrawTile(board, 0, 0, 5009, 0);
    chips.DrawTile(board, 0, 0, 10003, 0);
    EXPECT_EQ(board.ScanLine(7)[7], 0xFFFF);
    chips.SetTransparent(false);
    chips.DrawTile(board, 0, 0, 10003, 0);
    EXPECT_EQ(board.ScanLine(7)[7], 0);

    chips.SetTranslucency(3);
    EXPECT_EQ(chips.Sheet().Opacity, 165);
    chips.SetTranslucency(0);
    EXPECT_EQ(chips.Sheet().Opacity, 255);
    chips.SetTranslucency(50);
    EXPECT_EQ(chips.Sheet().Opacity, 15);
}

TEST(ChipSetGraphic, LoadsAPictureByNameOnce) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() /
                   ("kestra-chipset-" +
                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    std::vector<std::uint8_t> png;
    WritePng(NumberedChipSet(), png);
    std::ofstream(dir / "World.png", std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));

    TVezChipSetGraphic chips;
    int lookups = 0;
    chips.FindAsset = [&](const std::string& name, const std::string& folder) {
        ++lookups;
        EXPECT_EQ(folder, "ChipSet");
        return name == "World" ? (dir / "World.png").string() : std::string();
    };
    chips.LoadChipSet("World");
    chips.LoadChipSet("World");
    EXPECT_EQ(lookups, 1);
    EXPECT_EQ(chips.PictureName(), "World");
    TKandelBoard board;
    board.SetSize(16, 16);
    chips.DrawTile(board, 0, 0, 4000, 0);
    EXPECT_EQ(QuartersOnBoard(board, 16), AutotileQuarters(0, 0));

    // A missing picture raises and leaves a blank chip set that a retry loads again.
    EXPECT_THROW(chips.LoadChipSet("Nowhere"), EFileError);
    EXPECT_EQ(chips.PictureName(), "");
    EXPECT_FALSE(chips.IsTileOpaque(4000));
    board.Clear();
    chips.DrawTile(board, 0, 0, 5000, 0);
    EXPECT_EQ(board.ScanLine(3)[3], 0);
    chips.LoadChipSet("World");
    EXPECT_EQ(lookups, 3);
    fs::remove_all(dir);
}

TEST(ChipSetGraphic, DirectCopyGivesTheBoardsPixels) {
    // Random indexes; a tenth of the cells hold transparent pixels, so both the keyed
    // and the solid copies run.
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, KChipSetWidth, KChipSetHeight);
    bmp.PaletteSize = 256;
    std::uint32_t seed = 99;
    auto next = [&] { return (seed = seed * 134775813u + 1) >> 24; };
    for (int i = 0; i < 256; ++i)
        bmp.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(next()),
                                                    static_cast<std::uint8_t>(next()),
                                                    static_cast<std::uint8_t>(next()), 0};
    for (int y = 0; y < KChipSetHeight; ++y)
        for (int x = 0; x < KChipSetWidth; ++x) {
            bool holes = ((x / 16) * 7 + (y / 16) * 3) % 10 == 0;
            std::uint32_t v = next();
            bmp.Row(y)[x] = static_cast<std::uint8_t>(holes && v % 3 == 0 ? 0 : 1 + v % 255);
        }
    std::vector<int> ids;
    for (int id = 0; id < 3000; id += 7) ids.push_back(id);
    for (int id = 3000; id < 3150; id += 3) ids.push_back(id);
    for (int id = 4000; id < 4600; ++id) ids.push_back(id);
    for (int id = 5000; id < 5144; ++id) ids.push_back(id);
    for (int id = 10000; id < 10150; ++id) ids.push_back(id);

    TVezChipSetGraphic direct, general;
    direct.LoadChipSetBitmap(bmp, "random");
    general.LoadChipSetBitmap(bmp, "random");
    general.DirectCopy = false;
    TKandelBoard a, b;
    a.SetSize(40, 40);
    b.SetSize(40, 40);
    for (bool transparent : {true, false})
        for (int brightness : {100, 160}) {
            direct.SetTransparent(transparent);
            general.SetTransparent(transparent);
            a.Brightness = b.Brightness = brightness;
            for (std::size_t n = 0; n < ids.size(); ++n) {
                // Inside the board, on its edge, and partly off it.
                int x = static_cast<int>(n % 5) * 7 - 4, y = static_cast<int>(n % 3) * 12;
                int counter = static_cast<int>(n * 13 % 100);
                a.FillRect(a.GetBounds(), 40, 90, 200);
                b.FillRect(b.GetBounds(), 40, 90, 200);
                direct.DrawTile(a, x, y, ids[n], counter);
                general.DrawTile(b, x, y, ids[n], counter);
                for (int row = 0; row < 40; ++row)
                    ASSERT_TRUE(std::equal(a.ScanLine(row), a.ScanLine(row) + 40, b.ScanLine(row)))
                        << "tile " << ids[n] << " at " << x << "," << y << " row " << row
                        << " transparent " << transparent << " brightness " << brightness;
            }
        }
}
