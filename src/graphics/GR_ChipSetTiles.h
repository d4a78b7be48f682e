#pragma once
// Tile geometry of a chip set picture (480 x 256): which pixels each tile ID draws.
//
// Water and autotiles are composed from 8 x 8 quarter pieces chosen by the neighbour
// shape c = ID mod 50; everything here is pure arithmetic on IDs and counters, shared
// by the renderer and its tests.
#include <array>
#include <cstdint>

namespace kestra {

inline constexpr int KTileSize = 16;
inline constexpr int KChipSetWidth = 480;
inline constexpr int KChipSetHeight = 256;
// Lower entries: 3 water types, 3 animated tiles, 12 autotiles, 144 plain tiles.
inline constexpr int KLowerEntryCount = 162;
inline constexpr int KUpperEntryCount = 144;
inline constexpr int KAutotileCount = 12;
inline constexpr int KAnimatedTileCount = 3;
inline constexpr int KWaterTypeCount = 3;
inline constexpr int KShapeCount = 50;

// A position in pixels, or in 8-pixel quarter units where a name says so.
struct TTilePoint {
    int X = 0, Y = 0;
    bool operator==(const TTilePoint&) const = default;
};

// Quarter pieces in 8-pixel units: top-left, top-right, bottom-left, bottom-right.
using TQuarterSet = std::array<TTilePoint, 4>;

// Rows by neighbour shape, relative to the autotile block.
extern const std::array<TQuarterSet, KShapeCount> KAutotilePieces;
// Rows by water type (tables A, B, C) and shape, relative to the chip set origin.
extern const std::array<std::array<TQuarterSet, KShapeCount>, KWaterTypeCount> KWaterPieces;
// The quarter that replaces a water quarter whose corner bit is set, by water type.
extern const std::array<TQuarterSet, KWaterTypeCount> KWaterCornerPieces;
// Origins (pixels) of the 48 x 64 autotile blocks.
extern const std::array<TTilePoint, KAutotileCount> KAutotileBlocks;

enum class TTileKind : std::uint8_t { None, Water, Animated, Autotile, Lower, Upper };

// What a tile ID stands for. Number is the water type, animated tile, autotile or
// lower/upper tile number; Shape and Corners apply to water and autotiles.
struct TTileClass {
    TTileKind Kind = TTileKind::None;
    int Number = 0;
    int Shape = 0;
    int Corners = 0;
};

// IDs no valid map holds (negative, 3150-3999, 4600-4999, 5144-9999, 20000 and up)
// classify as None; upper IDs 10144-19999 clamp to upper tile 143.
TTileClass ClassifyTile(int tileId);
// Lower-layer table entry 0..161 of an ID, -1 for IDs outside the lower ranges.
int LowerEntryOf(int tileId);
// Upper-layer entry 0..143 (IDs from 10000, clamped), -1 below 10000 or from 20000.
int UpperEntryOf(int tileId);

// Pixel origins of cells and columns.
TTilePoint AnimatedColumnOrigin(int number);
TTilePoint LowerTileCell(int number);
TTilePoint UpperTileCell(int number);

// Water frame 0..2: four steps 0, 1, 2, 1 when sequence is 0, else three; a step
// lasts 24 counter frames, or 12 when speed is not 0.
int WaterFrame(int counter, int sequence, int speed);
// Animated tile frame 0..3, six counter frames each.
int AnimatedFrame(int counter);

// The quarters (8-pixel units, chip set coordinates) of a water or autotile ID at
// the given water frame; water corner bits already applied.
TQuarterSet WaterQuarters(int type, int shape, int corners, int frame);
TQuarterSet AutotileQuarters(int number, int shape);
// True when the quarters form one 16 x 16 square in the picture.
bool QuartersContiguous(const TQuarterSet& q);

// The source pieces that draw one tile: nothing, one 16 x 16 square, or four 8 x 8
// quarters in top-left, top-right, bottom-left, bottom-right order (pixels).
struct TTilePieces {
    int Count = 0;
    std::array<TTilePoint, 4> Source{};
};
TTilePieces TilePieces(int tileId, int counter, int waterSequence, int waterSpeed);

} // namespace kestra
