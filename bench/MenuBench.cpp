// One frame of the party menu's main screen drawn by the game's own menu scene:
// background, command window, money box and a party of four with their faces; compare
// with BM_BoardMemcpyBaseline.
#include "../tests/scenes/WindowTestHost.h"
#include "data/DataBase.h"
#include "scenes/LS_Menu.h"

#include <benchmark/benchmark.h>

namespace {

using namespace kestra;

void BM_MenuMainScreenFrame(benchmark::State& state) {
    // The packed test game with its own skin and face set.
    testing::TTestWindowHost host(false);
    TVezDataBase& db = host.game.Session->DataBase;
    // Two more members drawn with the others' faces: a party of four.
    for (std::int32_t id = 3; id <= 4; ++id) {
        auto& actor = db.Actors.Obtain(id);
        actor.Name = "Extra";
        actor.FaceGraphic = "Faces";
        actor.FaceIndex = id;
    }
    TLcfgGameState& game = host.State();
    game.Actors.Rebuild();
    for (std::int32_t id = 3; id <= 4; ++id) game.PartyInfo.AddMember(id);
    game.PartyInfo.GainGold(123456);
    host.scene = KSceneMenu;
    TVezMenuScene& menu = *host.game.Menu;
    menu.Update();
    for (auto _ : state) {
        menu.Draw();
        benchmark::DoNotOptimize(host.board.ScanLine(120));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MenuMainScreenFrame);

} // namespace
