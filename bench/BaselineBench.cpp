// The yardstick every drawing figure is reported against: one copy of the
// 320 x 240 x 2 byte board.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstring>
#include <vector>

static void BM_BoardMemcpyBaseline(benchmark::State& state) {
    std::vector<std::uint16_t> src(320 * 240, 0x1234), dst(320 * 240);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.size() * 2);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BoardMemcpyBaseline);
