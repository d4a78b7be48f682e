// Battle pages of a troop start by their conditions over the running game: the party's
// turn count and fatigue, the running battle's monsters, once per turn.
#include <gtest/gtest.h>

#include "ScriptWorld.h"
#include "battle/LGD_Monster.h"

namespace kestra {
namespace {

using namespace test;

struct BattlePages : ::testing::Test {
    BattlePages() {
        auto& slime = w.DataBase.Monsters.Obtain(1);
        slime.Name = "Slime";
        slime.Parameters = {40, 10, 5, 5, 5, 5};
        TVezMonGroupItem& t = w.DataBase.Troops.Obtain(1);
        t.Members.Clear();
        for (std::int32_t i = 1; i <= 2; ++i) t.Members.Obtain(i).MonsterId = 1;
        t.Pages.Clear();
        // Page 1: turn 2, then every third turn.
        auto& every = t.Pages.Obtain(1);
        every.Trigger.Flags = TVezBattleEventTrigger::KTurn;
        every.Trigger.TurnA = 3;
        every.Trigger.TurnB = 2;
        every.Commands.CopyFrom(List({Cmd(10220, {0, 1, 1, 1, 0, 1})})); // variable 1 += 1
        // Page 2: the second monster at half its HP or less.
        auto& hurt = t.Pages.Obtain(2);
        hurt.Trigger.Flags = TVezBattleEventTrigger::KMonsterHp;
        hurt.Trigger.Monster = 1;
        hurt.Trigger.MonsterMin = 0;
        hurt.Trigger.MonsterMax = 50;
        hurt.Commands.CopyFrom(List({Cmd(10220, {0, 2, 2, 1, 0, 1})})); // variable 2 += 1
        // Page 3: no condition at all never starts.
        t.Pages.Obtain(3).Commands.CopyFrom(List({Cmd(10220, {0, 3, 3, 1, 0, 1})}));
    }
    // One event check point: a page starts and runs to its end.
    bool Check() {
        if (!Battle.StartBattlePage(w.Game, w.DataBase.Troops.Get(1))) return false;
        while (Battle.IsRunning()) Battle.UpdateBattle(w.Game);
        return true;
    }
    void Turn(std::int32_t n) {
        w.State.PartyInfo.Turns = n;
        Battle.ResetPageFlags();
    }

    TScriptWorld w;
    TLcfgBattleScripter Battle;
};

TEST_F(BattlePages, TurnConditionsHoldOnTheirTurnsOncePerTurn) {
    TLcfgMonster troop(w.State, w.Game.Random());
    troop.SetupTroop(1, false);
    std::vector<std::int32_t> started;
    for (std::int32_t turn = 0; turn <= 8; ++turn) {
        Turn(turn);
        if (Check()) started.push_back(turn);
        EXPECT_FALSE(Check()) << "a page starts once per turn, turn " << turn;
    }
    EXPECT_EQ(started, (std::vector<std::int32_t>{2, 5, 8}));
    EXPECT_EQ(w.State.System.Variable(1), 3);
    EXPECT_EQ(w.State.System.Variable(3), 0); // the page without conditions
}

TEST_F(BattlePages, MonsterHitPointsComeFromTheRunningBattle) {
    Turn(1);
    // Outside a battle there is no monster to test.
    EXPECT_FALSE(Check());
    TLcfgMonster troop(w.State, w.Game.Random());
    troop.SetupTroop(1, false);
    ASSERT_EQ(w.State.Battle, &troop);
    ASSERT_EQ(troop.At(1)->MaxHP(), 40);
    troop.At(1)->HP = 21; // 52 %
    troop.At(0)->HP = 1;  // the first monster does not count
    EXPECT_FALSE(Check());
    troop.At(1)->HP = 20; // 50 %
    EXPECT_TRUE(Check());
    EXPECT_EQ(w.State.System.Variable(2), 1);
    EXPECT_FALSE(Check()); // already started this turn
}

} // namespace
} // namespace kestra
