// Text in windows: a full four-line message-sized window of double-byte text
// drawn every frame; compare with BM_BoardMemcpyBaseline.
#include "../tests/scenes/WindowTestHost.h"
#include "graphics/GR_System.h"
#include "scenes/GameWindows.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

using namespace kestra;

// 25 double-byte characters: as many as a 320-pixel line holds after the margins.
std::string Line(int n) {
    std::string s;
    for (int k = 0; k < 25; ++k) {
        // Hiragana and kanji from rows 4 and 16-47 of the code page.
        const int code = k % 2 ? 0x82A0 + (k * 3 + n) % 80 : 0x889F + (k * 7 + n * 13) % 90;
        s.push_back(static_cast<char>(code >> 8));
        s.push_back(static_cast<char>(code & 0xFF));
    }
    return s;
}

void BM_MessageWindowText(benchmark::State& state) {
    testing::TTestWindowHost host(false);
    host.system.LoadSystemBitmap(testing::StyledSystemBitmap());
    TVezWindow window(host);
    window.Setup(0, 160, 320, 80, false);
    const std::string lines[4] = {Line(0), Line(1), Line(2), Line(3)};
    // Every glyph is rasterised once before timing.
    for (int n = 0; n < 4; ++n) window.DrawText(8, 8 + 16 * n, true, 0, lines[n]);
    for (auto _ : state) {
        window.Refresh();
        for (int n = 0; n < 4; ++n) window.DrawText(8, 8 + 16 * n, true, 0, lines[n]);
        window.Draw();
        benchmark::DoNotOptimize(host.board.ScanLine(160));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_MessageWindowText);

} // namespace
