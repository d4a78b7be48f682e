// One frame of the main interpreter spending its whole budget of 10000 commands in a
// loop that never waits: add to a variable, jump back to a label.
#include <benchmark/benchmark.h>

#include "../tests/interpreter/ScriptWorld.h"

namespace {

using namespace kestra;

void BM_ScripterTightLoopFrame(benchmark::State& state) {
    test::TScriptWorld w;
    w.Main.PushFrame(0, test::List({test::Cmd(12110, {1}), test::Cmd(10220, {0, 1, 1, 1, 0, 1}),
                                    test::Cmd(12120, {1})}));
    for (auto _ : state) {
        w.Main.UpdateMain(w.Game);
        w.State.System.SetVariable(1, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * KCommandsPerFrame);
}
BENCHMARK(BM_ScripterTightLoopFrame);

} // namespace
