// One step of the whole-screen transitions, read against BM_BoardMemcpyBaseline.
#include "shell/LS_Base.h"

#include <benchmark/benchmark.h>

using namespace kestra;

namespace {

struct Boards {
    TKandelBoard a, b, out;
    Boards() {
        for (TKandelBoard* board : {&a, &b, &out}) board->SetSize(320, 240);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                a.ScanLine(y)[x] = static_cast<std::uint16_t>(x * 7 + y);
                b.ScanLine(y)[x] = static_cast<std::uint16_t>(x ^ (y * 13));
            }
    }
};

} // namespace

static void BM_CrossFadeStep(benchmark::State& state) {
    Boards boards;
    for (auto _ : state) {
        for (int y = 0; y < 240; ++y) {
            std::uint16_t* to = boards.out.ScanLine(y);
            const std::uint16_t* from = boards.a.ScanLine(y);
            const std::uint16_t* other = boards.b.ScanLine(y);
            for (int x = 0; x < 320; ++x)
                to[x] = transition::CrossFadePixel(from[x], other[x], 128);
        }
        benchmark::DoNotOptimize(boards.out.ScanLine(0));
    }
}
BENCHMARK(BM_CrossFadeStep);

static void BM_MosaicStep(benchmark::State& state) {
    Boards boards;
    for (auto _ : state) {
        transition::Mosaic(boards.out, boards.a, 9, 4);
        benchmark::DoNotOptimize(boards.out.ScanLine(0));
    }
}
BENCHMARK(BM_MosaicStep);

static void BM_WaveStep(benchmark::State& state) {
    Boards boards;
    for (auto _ : state) {
        transition::Wave(boards.out, boards.a, 20);
        benchmark::DoNotOptimize(boards.out.ScanLine(0));
    }
}
BENCHMARK(BM_WaveStep);
