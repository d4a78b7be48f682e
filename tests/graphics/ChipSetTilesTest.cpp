#include "graphics/GR_ChipSetTiles.h"

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
