// Sheet drawing onto a 320 x 240 board; compare each figure with BM_BoardMemcpyBaseline.
#include "base/Random.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelBoardPortable.h"
#include "graphics/KandelSpan.h"

#include <benchmark/benchmark.h>

namespace {

using kestra::TKandelBoard;
using kestra::TKandelSheet;

// A sheet of random indexes; with zeroShare > 0 about that share of them is index 0.
void FillSheet(TKandelSheet& sheet, int width, int height, int zeroShare) {
    kestra::TRandom random(7);
    sheet.SetSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            sheet.ScanLine(y)[x] =
                random.Next(100) < zeroShare ? 0 : static_cast<std::uint8_t>(1 + random.Next(255));
    for (int i = 0; i < 256; ++i) sheet.SetPaletteEntry(i, i, 255 - i, (i * 37) & 255);
    sheet.UpdateColors();
}

struct TBench {
    TKandelBoard Board;
    TKandelSheet Sheet;
    TBench(int width, int height, int zeroShare) {
        Board.SetSize(320, 240);
        FillSheet(Sheet, width, height, zeroShare);
    }
};

void Finish(benchmark::State& state, TKandelBoard& board) {
    benchmark::DoNotOptimize(board.ScanLine(0));
    benchmark::ClobberMemory();
    (void)state;
}

void BM_DrawSheetOpaque(benchmark::State& state) {
    TBench b(320, 240, 0);
    for (auto _ : state) {
        b.Board.DrawSheet(0, 0, b.Sheet.GetBounds(), b.Sheet);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetOpaque);

void BM_DrawSheetTransparent(benchmark::State& state) {
    TBench b(320, 240, 30);
    b.Sheet.Transparent = true;
    for (auto _ : state) {
        b.Board.DrawSheet(0, 0, b.Sheet.GetBounds(), b.Sheet);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetTransparent);

void BM_DrawSheetBlended(benchmark::State& state) {
    TBench b(320, 240, 0);
    b.Sheet.Opacity = 128;
    for (auto _ : state) {
        b.Board.DrawSheet(0, 0, b.Sheet.GetBounds(), b.Sheet);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetBlended);

// A map screen: 20 x 15 tiles of 16 x 16 from a 480 x 256 chip set.
void BM_DrawTileGrid(benchmark::State& state) {
    TBench b(480, 256, 0);
    for (auto _ : state) {
        for (int ty = 0; ty < 15; ++ty)
            for (int tx = 0; tx < 20; ++tx) {
                const int tile = (tx * 7 + ty * 13) % 480;
                const int sx = (tile % 30) * 16, sy = (tile / 30) * 16;
                b.Board.DrawSheet(tx * 16, ty * 16, {sx, sy, sx + 16, sy + 16}, b.Sheet);
            }
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawTileGrid);

void BM_DrawTileGridTransparent(benchmark::State& state) {
    TBench b(480, 256, 30);
    b.Sheet.Transparent = true;
    for (auto _ : state) {
        for (int ty = 0; ty < 15; ++ty)
            for (int tx = 0; tx < 20; ++tx) {
                const int tile = (tx * 7 + ty * 13) % 480;
                const int sx = (tile % 30) * 16, sy = (tile / 30) * 16;
                b.Board.DrawSheet(tx * 16, ty * 16, {sx, sy, sx + 16, sy + 16}, b.Sheet);
            }
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawTileGridTransparent);

void BM_StretchSheet(benchmark::State& state) {
    TBench b(160, 120, 0);
    for (auto _ : state) {
        b.Board.StretchSheet({0, 0, 320, 240}, b.Sheet, b.Sheet.GetBounds());
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_StretchSheet);

void BM_DrawSheetRotated(benchmark::State& state) {
    TBench b(320, 240, 0);
    for (auto _ : state) {
        b.Board.DrawSheetRotated(160, 120, b.Sheet.GetBounds(), b.Sheet, 160, 120, 1.0, 20);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetRotated);

void BM_DrawSheetWaver(benchmark::State& state) {
    TBench b(320, 240, 0);
    for (auto _ : state) {
        b.Board.DrawSheetWaver(160, 120, b.Sheet.GetBounds(), b.Sheet, 160, 120, 1.0, 17, 32, 8);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetWaver);

void BM_DrawSheetRotatedPortable(benchmark::State& state) {
    TBench b(320, 240, 0);
    for (auto _ : state) {
        kestra::DrawSheetRotatedPortable(b.Board, 160, 120, b.Sheet.GetBounds(), b.Sheet, 160, 120,
                                         1.0, 20);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetRotatedPortable);

void BM_DrawSheetWaverPortable(benchmark::State& state) {
    TBench b(320, 240, 0);
    for (auto _ : state) {
        kestra::DrawSheetWaverPortable(b.Board, 160, 120, b.Sheet.GetBounds(), b.Sheet, 160, 120,
                                       1.0, 17, 32, 8);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetWaverPortable);

// A picture at 200 % with a wave: the scaled rows share one column table.
void BM_DrawSheetWaverZoomed(benchmark::State& state) {
    TBench b(160, 120, 0);
    for (auto _ : state) {
        b.Board.DrawSheetWaver(160, 120, b.Sheet.GetBounds(), b.Sheet, 80, 60, 2.0, 17, 32, 8);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetWaverZoomed);

// The loop used where the processor lacks the vector instructions.
void BM_DrawSheetOpaquePortable(benchmark::State& state) {
    TBench b(320, 240, 0);
    for (auto _ : state) {
        kestra::TableBlitPortable(b.Board.ScanLine(0), 320, b.Sheet.ScanLine(0), 320, 320, 240,
                                  b.Sheet.Colors.data(), false, 255);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetOpaquePortable);

void BM_DrawSheetTransparentPortable(benchmark::State& state) {
    TBench b(320, 240, 30);
    for (auto _ : state) {
        kestra::TableBlitPortable(b.Board.ScanLine(0), 320, b.Sheet.ScanLine(0), 320, 320, 240,
                                  b.Sheet.Colors.data(), true, 255);
        Finish(state, b.Board);
    }
}
BENCHMARK(BM_DrawSheetTransparentPortable);

} // namespace
