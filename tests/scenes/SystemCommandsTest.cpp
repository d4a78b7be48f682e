// The travel and system commands played through the real game over the test game
// "system": the hero starts at (4, 4) of the camp facing down, among four people who
// each run one kind of command when spoken to: the stone below him opens the save list,
// the guide on his left gives teleport and escape destinations and opens the menu, the
// clerk on his right forbids saving and opens the menu, the warden above him gives
// destinations but forbids teleport, escape and the menu key before opening the menu.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../TestGame.h"
#include "scenes/LS_Menu.h"
#include "scenes/LS_SaveFile.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

// New game from the title; the field takes input well before update 200.
const std::string KNewGame = "0\n60 Decide\n61\n";
// Turning towards a neighbour (who blocks the step) and speaking to him.
const std::string KSpeakLeft = "200 Left\n202\n230 Decide\n231\n";
const std::string KSpeakRight = "200 Right\n202\n230 Decide\n231\n";
const std::string KSpeakUp = "200 Up\n202\n230 Decide\n231\n";
const std::string KSpeakDown = "230 Decide\n231\n";
// In the menu opened by an event: Skills, the first member, then the skill list.
const std::string KToSkillList = "300 Down\n301\n330 Decide\n331\n360 Decide\n361\n";

struct TSystemRun {
    // Plays the script; `probe` sees the game after every displayed frame.
    TGameMain& Play(const std::string& script, std::uint64_t frames,
                    std::function<void(TGameMain&)> probe = {}) {
        TGameMain& game = Files.Start(KNewGame + script, frames);
        auto recorder = game.Display->OnFrame;
        game.Display->OnFrame = [&game, recorder, probe](std::uint64_t frame) {
            if (probe) probe(game);
            recorder(frame);
        };
        try {
            game.Run();
        } catch (const EKandelDrawAbort&) {
            // the frame limit
        }
        return game;
    }
    test::TTestGame Files{"system"};
};

TEST(SystemCommands, TheSavePointOpensTheSaveListAndASaveGoesBackToTheField) {
    TSystemRun run;
    bool listShown = false;
    TGameMain& game = run.Play(KSpeakDown + "330 Decide\n331\n", 700, [&](TGameMain& g) {
        if (g.System().Scene == KSceneSaveFile && g.SaveFile->Shown) listShown = true;
    });
    EXPECT_TRUE(listShown);
    ASSERT_TRUE(run.Files.Exists("Save01.lsd"));
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_FALSE(game.SaveFile->Shown);
    // The file holds the game on the camp map where the hero stood.
    const auto header = game.Session->Save->ReadHeader(1);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->LeaderName, "Alex");
    TGameMain& again = run.Files.Start("0\n", 10);
    ASSERT_TRUE(LoadSavedGame(again, 1));
    EXPECT_EQ(again.State().Hero.MapId, 1);
    EXPECT_EQ(again.State().Hero.X, 4);
    EXPECT_EQ(again.State().Hero.Y, 4);
}

TEST(SystemCommands, TheGuidesDestinationIsTheTeleportListAndTheSkillGoesThere) {
    TSystemRun run;
    int listed = -1;
    bool menuFromEvent = false;
    // Warp is the second skill: right of Heal.
    TGameMain& game =
        run.Play(KSpeakLeft + KToSkillList + "400 Right\n401\n430 Decide\n431\n500 Decide\n501\n",
                 900, [&](TGameMain& g) {
                     TVezMenuScene& menu = *g.Menu;
                     if (g.System().Scene == KSceneMenu && menu.Shown) menuFromEvent = true;
                     if (menu.Screen == TVezMenuScene::KScreenTeleport && menu.Teleports.IsOpen())
                         listed = menu.Teleports.ItemCount;
                 });
    EXPECT_TRUE(menuFromEvent);
    // The camp was given and taken back again: only the hall is offered.
    EXPECT_EQ(listed, 1);
    const TLcfgGameState& state = game.State();
    ASSERT_EQ(state.Teleport.Count(), 2u);
    EXPECT_EQ(state.Teleport.Destination(1).MapId, 2);
    EXPECT_EQ(state.Teleport.FindByMap(1), nullptr);
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_EQ(state.Hero.MapId, 2);
    EXPECT_EQ(state.Hero.X, 6);
    EXPECT_EQ(state.Hero.Y, 5);
    // The destination's switch.
    EXPECT_TRUE(state.System.Switch(11));
    EXPECT_FALSE(state.System.Switch(12));
}

TEST(SystemCommands, TheGuidesEscapePointIsWhereTheEscapeSkillLeads) {
    TSystemRun run;
    // Flee is the third skill: below Heal.
    TGameMain& game = run.Play(KSpeakLeft + KToSkillList + "400 Down\n401\n430 Decide\n431\n", 900);
    const TLcfgGameState& state = game.State();
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_EQ(state.Hero.MapId, 2);
    EXPECT_EQ(state.Hero.X, 3);
    EXPECT_EQ(state.Hero.Y, 7);
    EXPECT_TRUE(state.System.Switch(12));
    EXPECT_FALSE(state.System.Switch(11));
}

TEST(SystemCommands, WithSavingForbiddenTheMenusSaveCommandRefuses) {
    TSystemRun run;
    TGameMain& game = run.Play(
        KSpeakRight + "300 Down\n301\n320 Down\n321\n340 Down\n341\n400 Decide\n401\n", 600);
    EXPECT_FALSE(game.System().SaveAllowed);
    EXPECT_EQ(game.System().Scene, KSceneMenu);
    EXPECT_EQ(game.Menu->Commands.CursorIndex, TVezMenuScene::KCommandSave);
    EXPECT_EQ(run.Files.Sound().Count("Buzzer"), 1);
    EXPECT_FALSE(run.Files.Exists("Save01.lsd"));
    // The same way with saving allowed (no clerk) reaches the save list.
    TSystemRun allowed;
    TGameMain& other = allowed.Play(
        "200 Cancel\n201\n300 Down\n301\n320 Down\n321\n340 Down\n341\n400 Decide\n401\n", 600);
    EXPECT_EQ(other.System().Scene, KSceneSaveFile);
}

TEST(SystemCommands, TheWardenForbidsTeleportEscapeAndTheMenuKey) {
    TSystemRun run;
    // Warp refused, then Flee (below Heal) refused, back to the field, the menu key.
    TGameMain& game =
        run.Play(KSpeakUp + KToSkillList +
                     "400 Right\n401\n430 Decide\n431\n460 Left\n461\n480 Down\n481\n"
                     "500 Decide\n501\n540 Cancel\n541\n580 Cancel\n581\n640 Cancel\n641\n",
                 1000);
    const TLcfgGameState& state = game.State();
    EXPECT_EQ(run.Files.Sound().Count("Buzzer"), 2);
    EXPECT_EQ(state.Hero.MapId, 1);
    EXPECT_FALSE(state.System.TeleportAllowed);
    EXPECT_FALSE(state.System.EscapeAllowed);
    EXPECT_FALSE(state.System.MenuAllowed);
    // The last Cancel on the field opened nothing.
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_FALSE(game.Menu->Shown);
}

} // namespace
} // namespace kestra
