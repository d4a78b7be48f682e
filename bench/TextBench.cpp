// Text in windows: a full four-line message-sized window of double-byte text
// drawn every frame; compare with BM_BoardMemcpyBaseline.
#include "../tests/graphics/TestSystemGraphic.h"
#include "graphics/GR_System.h"
#include "scenes/GameWindows.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

using namespace kestra;

class TBenchHost : public IVezWindowHost {
public:
    explicit TBenchHost(TGlyphFont& font) : System(font, nullptr) {
        System.LoadSystemBitmap(testing::StyledSystemBitmap());
        Screen.SetSize(320, 240);
    }
    TVezSystemGraphic& SystemGraphic() override { return System; }
    TKandelBoard& Board() override { return Screen; }
    std::uint16_t RepeatedButtons() override { return 0; }
    void PlayCursorSound() override {}
    int CurrentScene() override { return 0; }
    TVezSystemGraphic System;
    TKandelBoard Screen;
};

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
    static TGlyphFont font;
    TBenchHost host(font);
    TVezWindow window(host);
    window.Setup(0, 160, 320, 80, false);
    const std::string lines[4] = {Line(0), Line(1), Line(2), Line(3)};
    // Every glyph is rasterised once before timing.
    for (int n = 0; n < 4; ++n) window.DrawText(8, 8 + 16 * n, true, 0, lines[n]);
    for (auto _ : state) {
        window.Refresh();
        for (int n = 0; n < 4; ++n) window.DrawText(8, 8 + 16 * n, true, 0, lines[n]);
        window.Draw();
        benchmark::DoNotOptimize(host.Screen.ScanLine(160));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_MessageWindowText);

} // namespace
