// The present path: the board into the window texture's bytes, at 1x and enlarged 2x,
// in the 32-bit format of the usual window and in 5-6-5. Compare with
// BM_BoardMemcpyBaseline (the 2x 32-bit frame is eight times the board's bytes).
#include "graphics/KandelPresent.h"

#include <benchmark/benchmark.h>
#include <vector>

namespace {

using namespace kestra;

void Present(benchmark::State& state, int factor, TScreenPixels format, bool portable) {
    TKandelBoard board;
    board.SetSize(320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) board.ScanLine(y)[x] = static_cast<std::uint16_t>(x * 7 + y);
    const int pitch = 320 * factor * ScreenPixelBytes(format);
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(pitch) * 240 * factor);
    for (auto _ : state) {
        (portable ? PresentBoardPortable : PresentBoard)(board, frame.data(), pitch, factor,
                                                         format);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * frame.size()));
}

void BM_PresentXrgb1x(benchmark::State& state) {
    Present(state, 1, TScreenPixels::Xrgb8888, false);
}
BENCHMARK(BM_PresentXrgb1x);

void BM_PresentXrgb2x(benchmark::State& state) {
    Present(state, 2, TScreenPixels::Xrgb8888, false);
}
BENCHMARK(BM_PresentXrgb2x);

void BM_PresentXrgb2xPortable(benchmark::State& state) {
    Present(state, 2, TScreenPixels::Xrgb8888, true);
}
BENCHMARK(BM_PresentXrgb2xPortable);

void BM_PresentRgb565_1x(benchmark::State& state) {
    Present(state, 1, TScreenPixels::Rgb565, false);
}
BENCHMARK(BM_PresentRgb565_1x);

void BM_PresentRgb565_2x(benchmark::State& state) {
    Present(state, 2, TScreenPixels::Rgb565, false);
}
BENCHMARK(BM_PresentRgb565_2x);

} // namespace
