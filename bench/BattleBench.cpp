// One battle turn's bookkeeping for a full troop against a full party: eight monsters
// choosing from their action tables, then the turn order of all twelve battlers; and
// one frame of the battle scene.
#include <benchmark/benchmark.h>

#include <vector>

#include "../tests/scenes/WindowTestHost.h"
#include "base/Random.h"
#include "battle/LGD_BattleRules.h"
#include "battle/LGD_Monster.h"
#include "battle/LS_Battle.h"
#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "media/Tonica.h"
#include "state/LGD_GameState.h"

using namespace kestra;

namespace {

struct TBattleBench {
    TBattleBench() {
        for (std::int32_t id = 1; id <= 4; ++id) DataBase.Actors.Obtain(id).Name = "Actor";
        DataBase.System.Party = {1, 2, 3, 4};
        DataBase.States.Obtain(1).Name = "Dead";
        for (std::int32_t id = 1; id <= 4; ++id) {
            auto& m = DataBase.Monsters.Obtain(id);
            m.Name = "Monster";
            m.Parameters = {200, 50, 40, 30, 20, 10 + 7 * id};
            m.Actions.Clear();
            for (std::int32_t a = 1; a <= 4; ++a) {
                auto& act = m.Actions.Obtain(a);
                act.BasicAction = static_cast<std::uint8_t>(a == 1 ? 0 : a);
                act.Rating = 40 + 3 * a;
                act.ConditionKind = static_cast<std::uint8_t>(a == 4 ? 4 : 0);
                act.ConditionMax = 100;
            }
        }
        auto& troop = DataBase.Troops.Obtain(1);
        for (std::int32_t i = 1; i <= 8; ++i) troop.Members.Obtain(i).MonsterId = (i - 1) % 4 + 1;
        static TNullTonica silence;
        TLcfgEnvironment env(DataBase, silence, NoAssetFile, [] {});
        env.MapTree = &MapTree;
        Game = std::make_unique<TLcfgGameState>(env);
        Game->Reset();
        Game->System.Scene = KSceneBattle;
        Troop = std::make_unique<TLcfgMonster>(*Game, Random);
        Troop->SetupTroop(1, false);
    }

    TVezDataBase DataBase;
    TVezMapTree MapTree;
    TRandom Random{12345};
    std::unique_ptr<TLcfgGameState> Game;
    std::unique_ptr<TLcfgMonster> Troop;
};

} // namespace

static void BM_BattleTurnOrder(benchmark::State& state) {
    TBattleBench b;
    std::vector<TLcfgUnitItem*> order;
    for (auto _ : state) {
        BuildTurnOrder(*b.Game, *b.Troop, order);
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_BattleTurnOrder);

static void BM_BattleTurnChoicesAndOrder(benchmark::State& state) {
    TBattleBench b;
    std::vector<TLcfgUnitItem*> order;
    for (auto _ : state) {
        b.Troop->ChooseActions();
        BuildTurnOrder(*b.Game, *b.Troop, order);
        benchmark::DoNotOptimize(order.data());
    }
}
BENCHMARK(BM_BattleTurnChoicesAndOrder);

// One frame of the battle scene of the real game object (the packed test game
// "battle"): the backdrop, eight monsters, the party command and status windows and a
// battle animation over all monsters; compare with BM_BoardMemcpyBaseline.
static void BM_BattleFrame(benchmark::State& state) {
    testing::TTestWindowHost host(false, "battle");
    TVezDataBase& db = host.game.Session->DataBase;
    auto& troop = db.Troops.Obtain(9);
    troop.Members.Clear();
    for (std::int32_t i = 1; i <= 8; ++i) {
        auto& m = troop.Members.Obtain(i);
        m.MonsterId = 1 + (i - 1) % 4;
        m.X = 30 + 36 * i;
        m.Y = 70 + 30 * (i % 2);
    }
    TVezBattleScene& battle = *host.game.Battle;
    battle.Setup = {};
    battle.Setup.Troop = 9;
    battle.Setup.Backdrop = "Field";
    host.scene = KSceneBattle;
    battle.Update(); // the opening lines, then the party command
    for (auto _ : state) {
        TLcfgMonster& monsters = *battle.Troop();
        if (!monsters.IsAnimationPlaying()) battle.ShowAnimation(3, KAnimateAllMonsters);
        monsters.Update();
        battle.Draw();
        benchmark::DoNotOptimize(host.board.ScanLine(120));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BattleFrame);
