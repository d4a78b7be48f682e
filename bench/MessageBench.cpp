// The message box: one frame drawing a typed four-line page with a face, and a
// whole page begun, expanded, typed at once and drawn; compare with
// BM_BoardMemcpyBaseline.
#include "../tests/scenes/MessageTestHost.h"
#include "media/MultiInput.h"
#include "scenes/GameWindowsMessage.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

using namespace kestra;
using namespace kestra::testing;

// 18 double-byte characters with colour codes: a full line beside a face.
std::string Line(int n) {
    std::string s = "\\C[" + std::to_string(n) + "]";
    for (int k = 0; k < 18; ++k) {
        const int code = k % 2 ? 0x82A0 + (k * 3 + n) % 80 : 0x889F + (k * 7 + n * 13) % 90;
        s.push_back(static_cast<char>(code >> 8));
        s.push_back(static_cast<char>(code & 0xFF));
    }
    return s;
}

struct TBenchBox {
    TBenchBox() {
        host.system.LoadSystemBitmap(StyledSystemBitmap());
        game.ShowFace(true);
        box.RefreshFace();
        game.testPlay = true;
        game.held = KButtonShift; // the page is typed in one frame
        box.SetFaceBitmap(CodedFaceSet(), 0, false);
    }
    void TypePage() {
        box.AlreadyOpenMark = true;
        box.BeginMessage();
        for (int n = 0; n < 4; ++n) box.AddLine(Line(n));
        box.Update();
    }
    TTestWindowHost host;
    TTestMessageHost game{host};
    TVezMessageWindow box{host};
};

void BM_MessageWindowDrawPage(benchmark::State& state) {
    TBenchBox b;
    b.TypePage();
    for (auto _ : state) {
        b.box.Draw();
        benchmark::DoNotOptimize(b.host.board.ScanLine(160));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MessageWindowDrawPage);

void BM_MessageWindowTypeAndDrawPage(benchmark::State& state) {
    TBenchBox b;
    b.TypePage(); // every glyph rasterised once before timing
    for (auto _ : state) {
        b.TypePage();
        b.box.Draw();
        benchmark::DoNotOptimize(b.host.board.ScanLine(160));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MessageWindowTypeAndDrawPage);

} // namespace
