// A full 20 x 15 screen of map tiles drawn through the chip set renderer.
#include "graphics/GR_ChipSet.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <vector>

using namespace kestra;

namespace {

// A chip set with varied indexes. As in drawn chip sets, transparency comes in
// shapes: every fourth lower cell and every autotile block has transparent corners,
// upper tiles are round objects on a transparent ground, and the upper tiles'
// first column is blank, like the empty upper tile.
TKandelBitmap BenchChipSet() {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, KChipSetWidth, KChipSetHeight);
    bmp.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        bmp.Palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i),
                                                    static_cast<std::uint8_t>(255 - i),
                                                    static_cast<std::uint8_t>(i * 7), 0};
    std::uint32_t seed = 12345;
    for (int y = 0; y < KChipSetHeight; ++y)
        for (int x = 0; x < KChipSetWidth; ++x) {
            seed = seed * 134775813u + 1;
            bmp.Row(y)[x] = static_cast<std::uint8_t>(1 + (seed >> 24) % 255);
        }
    auto roundOff = [&](int left, int top, int side) {
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x) {
                int dx = 2 * x + 1 - side, dy = 2 * y + 1 - side;
                if (dx * dx + dy * dy > side * side) bmp.Row(top + y)[left + x] = 0;
            }
    };
    for (const TTilePoint& b : KAutotileBlocks) roundOff(b.X, b.Y, 48);
    for (int k = 0; k < 144; k += 4) roundOff(LowerTileCell(k).X, LowerTileCell(k).Y, 16);
    for (int k = 0; k < 144; ++k) roundOff(UpperTileCell(k).X, UpperTileCell(k).Y, 16);
    for (int k = 0; k < 144; k += 6) {
        TTilePoint p = UpperTileCell(k);
        for (int y = 0; y < 16; ++y) std::fill_n(bmp.Row(p.Y + y) + p.X, 16, std::uint8_t{0});
    }
    return bmp;
}

struct TScreen {
    std::vector<int> Lower, Upper;
};

// Lower: a third autotiles of every shape, a third water with corners, a third plain
// and animated tiles. Upper: two thirds the empty tile 10000, the rest plain tiles.
TScreen BenchScreen() {
    TScreen s;
    for (int i = 0; i < 20 * 15; ++i) {
        switch (i % 3) {
        case 0:
            s.Lower.push_back(4000 + 50 * (i % 12) + (i * 7) % 50);
            break;
        case 1:
            s.Lower.push_back(1000 * (i % 3) + 50 * (i % 16) + (i * 11) % 50);
            break;
        default:
            s.Lower.push_back(i % 9 == 2 ? 3000 + 50 * (i % 3) : 5000 + (i * 5) % 144);
        }
        s.Upper.push_back(i % 3 == 0 ? 10000 + (i * 13) % 144 : 10000);
    }
    return s;
}

void DrawScreen(TVezChipSetGraphic& chips, TKandelBoard& board, const TScreen& s, int counter,
                bool upper) {
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 20; ++x) {
            std::size_t i = static_cast<std::size_t>(x + 20 * y);
            chips.DrawTile(board, 16 * x, 16 * y, s.Lower[i], counter);
            if (upper) chips.DrawTile(board, 16 * x, 16 * y, s.Upper[i], counter);
        }
}

void BM_TileScreen(benchmark::State& state, bool upper) {
    TVezChipSetGraphic chips;
    chips.LoadChipSetBitmap(BenchChipSet(), "bench");
    chips.SetTransparent(true);
    TKandelBoard board;
    board.SetSize(320, 240);
    TScreen screen = BenchScreen();
    int counter = 0;
    for (auto _ : state) {
        DrawScreen(chips, board, screen, counter++, upper);
        benchmark::DoNotOptimize(board.ScanLine(0));
        benchmark::ClobberMemory();
    }
}

void BM_TileScreenLower(benchmark::State& state) {
    BM_TileScreen(state, false);
}
void BM_TileScreenBothLayers(benchmark::State& state) {
    BM_TileScreen(state, true);
}

} // namespace

BENCHMARK(BM_TileScreenLower);
BENCHMARK(BM_TileScreenBothLayers);
