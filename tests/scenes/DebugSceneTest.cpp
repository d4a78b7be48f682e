// The debug scene of test play, played through the real game: F9 held on the field or
// in a battle opens it, switches and variables edited there are what the game goes on
// with (an event waiting for a switch runs, a save file holds the values), the lists
// page through both kinds and keep their place for the whole run, and the value window
// enters -999999..999999. Over the test game "system" (switches 1-12 and 250, variables
// 1-4; the painter event of the camp waits for switch 5, then changes the map's chip
// set, panorama, encounter rate and wall tiles and opens the save list) and "battle".
#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "battle/LS_Battle.h"
#include "scenes/LS_Debug.h"
#include "scenes/LS_SaveFile.h"
#include "state/LGD_GameState.h"
#include "state/LGD_Map.h"

namespace kestra {
namespace {

const std::string KNewGame = "0\n60 Decide\n61\n";

// Key taps from input update `start` on, one every four updates, each held for one.
struct TTaps {
    explicit TTaps(int start) : Next(start) {}
    TTaps& Tap(const std::string& key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            Script << Next << ' ' << key << '\n' << Next + 1 << '\n';
            Next += 4;
        }
        return *this;
    }
    TTaps& Pause(int updates) {
        Next += updates;
        return *this;
    }
    std::string Text() const { return Script.str(); }
    std::ostringstream Script;
    int Next;
};

struct TDebugRun {
    TGameMain& Play(const std::string& game, const std::string& script, std::uint64_t frames,
                    std::function<void(TGameMain&)> probe = {},
                    std::vector<std::string> words = {"TestPlay"}) {
        Files = std::make_unique<test::TTestGame>(game);
        TGameMain& g = Files->Start(script, frames, std::move(words));
        auto recorder = g.Display->OnFrame;
        g.Display->OnFrame = [&g, recorder, probe](std::uint64_t frame) {
            if (probe) probe(g);
            recorder(frame);
        };
        try {
            g.Run();
        } catch (const EKandelDrawAbort&) {
            // the frame limit
        }
        return g;
    }
    std::unique_ptr<test::TTestGame> Files;
};

// A copy of the board (the golden pictures compare it after the run).
struct TShot {
    void Take(const TKandelBoard& board) {
        Board = std::make_unique<TKandelBoard>();
        Board->SetSize(board.Width(), board.Height());
        Board->CopyBoard(0, 0, board.GetBounds(), board);
    }
    std::unique_ptr<TKandelBoard> Board;
};

// F9 on the field at update 200; in the debug scene: switch 5 flipped on, then over to
// the variables (Left from the first switch page) and variable 2 typed as -000120; out
// of the scene. The painter event then opens the save list, where Decide saves.
TTaps EditSwitchAndVariable() {
    TTaps t(200);
    t.Tap("F9").Pause(20);
    t.Tap("Decide").Tap("Down", 4).Tap("Decide").Tap("Cancel");
    t.Tap("Left").Tap("Decide").Tap("Up", 3).Tap("Decide");
    t.Tap("Left", 6).Tap("Up").Tap("Right", 4).Tap("Up").Tap("Right").Tap("Up", 2);
    return t;
}

TEST(DebugScene, EditsOnTheFieldAreWhatTheGameGoesOnWith) {
    TTaps taps = EditSwitchAndVariable();
    const int typed = taps.Next;
    taps.Pause(20).Tap("Decide").Tap("Cancel").Tap("Cancel");
    const int left = taps.Next;
    taps.Pause(120).Tap("Decide");
    TDebugRun run;
    TShot valueShot;
    bool sawDebug = false;
    TGameMain& game = run.Play("system", KNewGame + taps.Text(), 1200, [&](TGameMain& g) {
        if (g.System().Scene != KSceneDebug) return;
        sawDebug = true;
        const TVezDebugScene& debug = *g.Debug;
        if (!valueShot.Board && debug.ValueBox.IsOpen() && debug.ValueBox.Value() == -120)
            valueShot.Take(g.Board());
    });
    ASSERT_GT(left, typed);
    EXPECT_TRUE(sawDebug);
    // The painter saw switch 5 and the save list wrote the game.
    ASSERT_TRUE(run.Files->Exists("Save01.lsd"));
    EXPECT_EQ(game.System().Scene, KSceneField);
    TShot field;
    field.Take(game.Board());
    TGameMain& loaded = run.Files->Start("0\n", 10);
    ASSERT_TRUE(LoadSavedGame(loaded, 1));
    const TLcfgGameState& state = loaded.State();
    EXPECT_TRUE(state.System.Switch(5));
    EXPECT_FALSE(state.System.Switch(4));
    EXPECT_EQ(state.System.Variable(2), -120);
    EXPECT_EQ(state.System.Variable(1), 0);
    // What the painter changed, as the file holds it.
    EXPECT_EQ(state.Map.ChipSetOverride, 2);
    EXPECT_EQ(state.Map.PanoramaOverrideName, "Sky");
    EXPECT_TRUE(state.Map.PanoramaHScroll);
    EXPECT_FALSE(state.Map.PanoramaVScroll);
    EXPECT_TRUE(state.Map.PanoramaHAuto);
    EXPECT_EQ(state.Map.PanoramaHSpeed, 2);
    EXPECT_EQ(state.Map.EncounterStepsOverride, 7);
    EXPECT_EQ(state.Map.LowerSubstitution[6], 10);
    EXPECT_EQ(state.Map.LowerSubstitution[3], 3);
    EXPECT_EQ(state.Map.UpperSubstitution[6], 6);

    ASSERT_TRUE(valueShot.Board);
    test::CompareGolden(*valueShot.Board, "debug_value.png");
    // The field as the player sees it after the painter: evening tiles, water where the
    // walls were.
    test::CompareGolden(*field.Board, "system_painted_field.png");
}

TEST(DebugScene, ASavedGameWithAnotherChipSetIsDrawnWithIt) {
    TTaps taps = EditSwitchAndVariable();
    taps.Pause(20).Tap("Decide").Tap("Cancel").Tap("Cancel").Pause(120).Tap("Decide");
    TDebugRun run;
    TGameMain& game = run.Play("system", KNewGame + taps.Text(), 1200);
    ASSERT_TRUE(run.Files->Exists("Save01.lsd"));
    TShot painted;
    painted.Take(game.Board());
    // Continue from the title: the loaded camp shows the same evening tiles.
    TDebugRun again;
    again.Files = std::move(run.Files);
    TGameMain& loaded = again.Files->Start("0\n60 Down\n61\n80 Decide\n81\n160 Decide\n161\n", 500);
    try {
        loaded.Run();
    } catch (const EKandelDrawAbort&) {
    }
    EXPECT_EQ(loaded.System().Scene, KSceneField);
    EXPECT_EQ(loaded.State().Map.ChipSetId(), 2);
    EXPECT_EQ(loaded.Session->Unit.ChipSetGraphic().PictureName(), "Dusk");
}

TEST(DebugScene, TheListsPageThroughBothKindsAndKeepTheirPlace) {
    // 250 switches: three pages; 4 variables: one page.
    TTaps t(200);
    t.Tap("F9").Pause(20);
    t.Tap("Down", 4);  // group 5 (IDs 41-50)
    t.Tap("Right", 2); // pages 101-200 and 201-300
    t.Tap("Right");    // on to the variables, first page, same group
    t.Tap("Left");     // back to the switches' last page
    // The last row of IDs 241-250: switch 250 turned on.
    t.Tap("Decide").Tap("Up").Tap("Decide").Tap("Cancel").Tap("Cancel");
    const int leave = t.Next;
    t.Pause(40).Tap("F9").Pause(20);
    std::vector<std::pair<int, int>> seen; // (mode, block) after each change
    TDebugRun run;
    TGameMain& game = run.Play("system", KNewGame + t.Text(), 700, [&](TGameMain& g) {
        if (g.System().Scene != KSceneDebug) return;
        const TVezDebugScene& d = *g.Debug;
        const std::pair<int, int> now{d.Mode,
                                      d.Mode == KDebugSwitches ? d.SwitchBlock : d.VariableBlock};
        if (seen.empty() || seen.back() != now) seen.push_back(now);
    });
    ASSERT_GT(leave, 0);
    const std::vector<std::pair<int, int>> expected{
        {KDebugSwitches, 0},  {KDebugSwitches, 1},  {KDebugSwitches, 2},
        {KDebugSwitches, 3},  {KDebugSwitches, 4},  {KDebugSwitches, 14},
        {KDebugSwitches, 24}, {KDebugVariables, 4}, {KDebugSwitches, 24},
    };
    EXPECT_EQ(seen, expected);
    // Opened again: the switches' last page, group 5, the entry cursor where it was.
    ASSERT_EQ(game.System().Scene, KSceneDebug);
    const TVezDebugScene& d = *game.Debug;
    EXPECT_EQ(d.Mode, KDebugSwitches);
    EXPECT_EQ(d.SwitchBlock, 24);
    EXPECT_EQ(d.RightCursor, 9);
    EXPECT_EQ(d.Groups.CursorIndex, 4);
    EXPECT_EQ(d.Entries.CursorIndex, 9);
    EXPECT_EQ(d.Entries.IdAt(9), 250);
    EXPECT_TRUE(game.System().Switch(250));
    EXPECT_FALSE(game.System().Switch(249));
    test::CompareGolden(game.Board(), "debug_switches.png");
}

TEST(DebugScene, TheValueWindowReachesBothLimitsAndIgnoresMissingIds) {
    // Variable 1: all six digits down from 0 to 9, sign flipped: -999999. Variable 3:
    // +999999. Variable 5 (not in the database): Decide does nothing.
    TTaps t(200);
    t.Tap("F9").Pause(20).Tap("Left").Tap("Decide");
    t.Tap("Decide");
    for (int column = 6; column >= 1; --column) t.Tap("Down").Tap("Left");
    t.Tap("Up").Tap("Decide");
    t.Tap("Down", 2).Tap("Decide");
    for (int column = 6; column >= 1; --column) t.Tap("Up", 9).Tap("Left");
    t.Tap("Decide");
    t.Tap("Down", 2).Tap("Decide").Tap("Decide");
    t.Tap("Cancel").Tap("Cancel");
    TDebugRun run;
    bool valueOpenedOnMissing = false;
    TGameMain& game = run.Play("system", KNewGame + t.Text(), 900, [&](TGameMain& g) {
        const TVezDebugScene& d = *g.Debug;
        if (d.Mode == KDebugVariables && d.Entries.CursorIndex == 4 && d.ValueBox.IsOpen())
            valueOpenedOnMissing = true;
    });
    const TLcfgSystem& system = game.System();
    EXPECT_EQ(system.Variable(1), -999999);
    EXPECT_EQ(system.Variable(3), 999999);
    EXPECT_EQ(system.Variable(5), 0);
    EXPECT_FALSE(valueOpenedOnMissing);
    EXPECT_EQ(system.Scene, KSceneField);
}

TEST(DebugScene, F9InABattleEditsInTheBattlesLoopAndGoesBackToTheBattle) {
    TTaps t(100);
    t.Tap("F9").Pause(10).Tap("Decide").Tap("Decide").Tap("Cancel").Tap("Cancel");
    int debugFrames = 0;
    bool battleWhileDebug = true;
    TDebugRun run;
    TGameMain& game = run.Play("battle", t.Text(), 400,
                               [&](TGameMain& g) {
                                   if (g.System().Scene != KSceneDebug) return;
                                   ++debugFrames;
                                   battleWhileDebug = battleWhileDebug && g.Battle->InBattle();
                               },
                               {"BattleTest", "HideTitle", "Window", "1"});
    EXPECT_GT(debugFrames, 10);
    EXPECT_TRUE(battleWhileDebug);
    EXPECT_TRUE(game.System().Switch(1));
    EXPECT_EQ(game.System().Scene, KSceneBattle);
    EXPECT_TRUE(game.Battle->InBattle());
}

TEST(DebugScene, F9DoesNothingOutsideTestPlay) {
    // Without test play the logos come first: the title takes its Decide later.
    TTaps t(600);
    t.Tap("F9").Pause(30);
    bool sawDebug = false;
    TDebugRun run;
    TGameMain& game =
        run.Play("system", "0\n400 Decide\n401\n" + t.Text(), 1500,
                 [&](TGameMain& g) { sawDebug = sawDebug || g.System().Scene == KSceneDebug; },
                 {"Play", "HideTitle"});
    EXPECT_FALSE(sawDebug);
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_EQ(game.State().Hero.MapId, 1);
}

} // namespace
} // namespace kestra
