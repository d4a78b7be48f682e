// Decoding a full-screen 8-bit picture (320 x 240) in each format.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <vector>

#include "graphics/KandelImage.h"
#include "graphics/KandelPng.h"
#include "graphics/KandelXyz.h"

namespace {

kestra::TKandelBitmap Picture() {
    kestra::TKandelBitmap b;
    b.Reset(kestra::TPixelFormat::Indexed8, 320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            b.Row(y)[x] = static_cast<std::uint8_t>((x / 16 + y / 16) * 7 + (x * y) % 3);
    b.PaletteSize = 256;
    return b;
}

void DecodeBench(benchmark::State& state, bool png) {
    std::vector<std::uint8_t> file;
    if (png)
        kestra::WritePng(Picture(), file);
    else
        kestra::WriteXyz(Picture(), file);
    kestra::TKandelBitmap out;
    for (auto _ : state) {
        kestra::ReadImage(file, out, "bench");
        benchmark::DoNotOptimize(out.Pixels.data());
    }
}

void BM_DecodePng320x240(benchmark::State& state) {
    DecodeBench(state, true);
}
void BM_DecodeXyz320x240(benchmark::State& state) {
    DecodeBench(state, false);
}

} // namespace

BENCHMARK(BM_DecodePng320x240);
BENCHMARK(BM_DecodeXyz320x240);
