// The party commands run by the interpreter: notices reach the world's message pool,
// the hero takes the leader's sprite, and a game over stops the interpreter.
#include <gtest/gtest.h>

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

struct PartyCommandLink : ::testing::Test {
    PartyCommandLink() {
        Scripter.SetGame(W.Game);
        W.State.System.Scene = KSceneField;
    }
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
    TScriptWorld W;
    TLcfgScripter& Scripter = W.Main;
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
    W.DataBase.Actors.Get(2).Graphic = "Bea1";
    Push({
        {10410, 0, "", {1, 1, 0, 0, 84, 1}},
        {10330, 0, "", {1, 0, 1}},
        {10310, 0, "", {0, 0, 250}},
    });
    RunAll();
    EXPECT_FALSE(Scripter.IsRunning());
    ASSERT_EQ(W.Pool.Count(), 3u);
    EXPECT_EQ(W.Pool.Lines[1], "Fire learnt");
    EXPECT_EQ(W.Pool.Lines[2], "");
    EXPECT_EQ(W.State.Hero.SpriteName, "Bea1");
    EXPECT_EQ(W.State.PartyInfo.Gold, 250);
}

TEST_F(PartyCommandLink, DefeatAndGameOverStopTheInterpreter) {
    Push({
        {10460, 0, "", {0, 0, 1, 0, 9999, 1}},
        {10310, 0, "", {0, 0, 5}},
    });
    EXPECT_EQ(RunAll(), 0); // stopped on the first command
    EXPECT_EQ(W.State.System.Scene, KSceneGameOver);
    EXPECT_EQ(W.State.PartyInfo.Gold, 0);

    Scripter.Clear();
    W.State.System.Scene = KSceneField;
    W.Game.Display->Board.Brightness = 100;
    Push({{12420, 0, "", {}}, {10310, 0, "", {0, 0, 5}}});
    const std::uint64_t before = W.Game.Display->FramesWaited();
    RunAll();
    EXPECT_EQ(W.State.System.Scene, KSceneGameOver);
    EXPECT_GE(W.Game.Display->FramesWaited() - before, 30u); // the field's fade, step 3
    EXPECT_EQ(W.State.PartyInfo.Gold, 0);

    Scripter.Clear();
    Push({{12510, 0, "", {}}});
    EXPECT_THROW(RunAll(), EKandelDrawReset);
}

TEST(PartyCommandMain, LevelUpNoticesAreShownBeforeTheNextCommand) {
    test::TScriptWorld w;
    w.Main.SetGame(w.Game);
    w.Main.PushFrame(
        0, test::List({test::Cmd(10410, {1, 1, 0, 0, 84, 1}), test::Cmd(10310, {0, 0, 9})}));
    w.Main.UpdateMain(w.Game);
    EXPECT_TRUE(w.Box.Present());
    ASSERT_EQ(w.Box.Lines.size(), 2u);
    EXPECT_EQ(w.Box.Lines[1], "Fire learnt");
    EXPECT_EQ(w.State.PartyInfo.Gold, 0); // the list waits for the notice
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.State.PartyInfo.Gold, 0);
    w.Box.Hide();
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.State.PartyInfo.Gold, 9);
    EXPECT_FALSE(w.Main.IsRunning());
}
