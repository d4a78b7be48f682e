// One step of the whole-screen transitions, read against BM_BoardMemcpyBaseline.
#include "graphics/KandelSpan.h"
#include "shell/LS_Transitions.h"

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
        transition::CrossFade(boards.out, boards.a, boards.b, 128);
        benchmark::DoNotOptimize(boards.out.ScanLine(0));
    }
}
BENCHMARK(BM_CrossFadeStep);

// The pixel-by-pixel loop the fast paths are checked against.
static void BM_CrossFadeStepPortable(benchmark::State& state) {
    Boards boards;
    for (auto _ : state) {
        for (int y = 0; y < 240; ++y)
            CrossFadeRowPortable(boards.out.ScanLine(y), boards.a.ScanLine(y), boards.b.ScanLine(y),
                                 320, 128);
        benchmark::DoNotOptimize(boards.out.ScanLine(0));
    }
}
BENCHMARK(BM_CrossFadeStepPortable);

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

static void BM_MosaicStepPortable(benchmark::State& state) {
    Boards boards;
    for (auto _ : state) {
        transition::MosaicPortable(boards.out, boards.a, 9, 4);
        benchmark::DoNotOptimize(boards.out.ScanLine(0));
    }
}
BENCHMARK(BM_MosaicStepPortable);

static void BM_WaveStepPortable(benchmark::State& state) {
    Boards boards;
    for (auto _ : state) {
        transition::WavePortable(boards.out, boards.a, 20);
        benchmark::DoNotOptimize(boards.out.ScanLine(0));
    }
}
BENCHMARK(BM_WaveStepPortable);
