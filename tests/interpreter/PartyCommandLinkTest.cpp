// The party commands run by the interpreter: notices reach the world's message pool,
// the hero takes the leader's sprite, and a game over stops the interpreter.
#include <gtest/gtest.h>

#include "../state/GameFixture.h"
#include "ScriptWorld.h"
#include "base/Random.h"
#include "interpreter/LGD_Scripter.h"
#include "interpreter/LGD_ScripterParty.h"
#include "shell/SceneNumbers.h"
#include "state/LGD_Character.h"
#include "state/LGD_GameState.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct PartyWorld : ILcfgScriptWorld, ILcfgSceneRequests {
    explicit PartyWorld(TLcfgEnvironment env) : State(std::move(env)) {
        State.Reset();
        State.System.Scene = KSceneField;
    }
    TLcfgGameState& Game() override { return State; }
    TRandom& Random() override { return Rng; }
    TLcfgParty* Hero() override { return &HeroCharacter; }
    TVezMessagePool* MessagePool() override { return &Pool; }
    void FieldPartyDefeated() override {
        ++Defeats;
        State.System.Scene = KSceneGameOver;
    }
    void FadeOutScene(int step) override { Fades.push_back(step); }
    [[noreturn]] void RequestReset() override { throw EKandelDrawReset(); }

    TLcfgGameState State;
    TRandom Rng{7};
    TLcfgParty HeroCharacter;
    TVezMessagePool Pool;
    int Defeats = 0;
    std::vector<int> Fades;
};

struct PartyCommandLink : ::testing::Test, TGameFixture {
    PartyCommandLink() : World(Env()) { Scripter.World = &World; }
    void Push(std::vector<TVezEventScriptLine> lines) {
        TVezEventScriptList list;
        list.Lines = std::move(lines);
        list.Lines.push_back({});
        Scripter.PushFrame(0, list);
    }
    // Runs until the interpreter blocks or its frame ends; the number of commands run.
    int RunAll() {
        int n = 0;
        while (Scripter.IsRunning() && Scripter.ExecuteOne()) ++n;
        return n;
    }
    PartyWorld World;
    TLcfgScripter Scripter;
};

} // namespace

TEST_F(PartyCommandLink, EveryCommandHasAHandler) {
    for (std::int32_t code : TLcfgPartyCommands::Codes()) {
        const TScriptCommand* command = FindScriptCommand(code);
        ASSERT_NE(command, nullptr) << code;
        EXPECT_NE(command->Handler, nullptr) << code;
    }
}

TEST_F(PartyCommandLink, NoticesAndLeaderSpriteReachTheWorld) {
    DataBase.Actors.Get(2).Graphic = "Bea1";
    Push({
        {10410, 0, "", {1, 1, 0, 0, 84, 1}},
        {10330, 0, "", {1, 0, 1}},
        {10310, 0, "", {0, 0, 250}},
    });
    RunAll();
    EXPECT_FALSE(Scripter.IsRunning());
    ASSERT_EQ(World.Pool.Count(), 3u);
    EXPECT_EQ(World.Pool.Lines[1], "Fire learnt");
    EXPECT_EQ(World.Pool.Lines[2], "");
    EXPECT_EQ(World.HeroCharacter.SpriteName, "Bea1");
    EXPECT_EQ(World.State.PartyInfo.Gold, 250);
}

TEST_F(PartyCommandLink, DefeatAndGameOverStopTheInterpreter) {
    Push({
        {10460, 0, "", {0, 0, 1, 0, 9999, 1}},
        {10310, 0, "", {0, 0, 5}},
    });
    EXPECT_EQ(RunAll(), 0); // stopped on the first command
    EXPECT_EQ(World.Defeats, 1);
    EXPECT_EQ(World.State.System.Scene, KSceneGameOver);
    EXPECT_EQ(World.State.PartyInfo.Gold, 0);

    Scripter.Clear();
    World.State.System.Scene = KSceneField;
    Push({{12420, 0, "", {}}, {10310, 0, "", {0, 0, 5}}});
    RunAll();
    EXPECT_EQ(World.Fades, (std::vector<int>{3}));
    EXPECT_EQ(World.State.PartyInfo.Gold, 0);

    Scripter.Clear();
    Push({{12510, 0, "", {}}});
    EXPECT_THROW(RunAll(), EKandelDrawReset);
}

TEST(PartyCommandMain, LevelUpNoticesAreShownBeforeTheNextCommand) {
    test::TScriptWorld w;
    w.Main.World = &w;
    w.Main.PushFrame(
        0, test::List({test::Cmd(10410, {1, 1, 0, 0, 84, 1}), test::Cmd(10310, {0, 0, 9})}));
    w.Main.UpdateMain(w);
    EXPECT_TRUE(w.Box.Shown);
    ASSERT_EQ(w.Box.Lines.size(), 2u);
    EXPECT_EQ(w.Box.Lines[1], "Fire learnt");
    EXPECT_EQ(w.State.PartyInfo.Gold, 0); // the list waits for the notice
    w.Main.UpdateMain(w);
    EXPECT_EQ(w.State.PartyInfo.Gold, 0);
    w.Box.Close();
    w.Main.UpdateMain(w);
    EXPECT_EQ(w.State.PartyInfo.Gold, 9);
    EXPECT_FALSE(w.Main.IsRunning());
}
