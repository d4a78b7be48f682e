// The demo shows the field's map entry and steps: each map's music, the panorama sky
// on the meadow, the traveller who leaves town once spoken to, the runner's timed race,
// the lava of Echo Cave that hurts, and the cave's ban on saving.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../TestGame.h"
#include "TempDir.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

// New game, the intro movie skipped at its first update; the opening message's two
// pages are dismissed at 260 and 360.
const std::string KOpening =
    "0\n99 Decide\n100\n105 Decide\n106\n260 Decide\n261\n360 Decide\n361\n";

struct TDemoRun {
    // `onField` runs once on the first frame after the opening message; `each` on every
    // frame after that.
    TDemoRun(const std::string& moves, std::uint64_t frames,
             const std::function<void(TGameMain&)>& onField = {},
             const std::function<void(TGameMain&)>& each = {}) {
        TCommandLine line;
        line.Words = {"TestPlay"};
        line.GameDir = KESTRA_DEMO_DIR;
        line.Headless = true;
        line.Frames = frames + 200;
        line.Seed = 7;
        line.InputScript = Dir.Write("walk.txt", KOpening + moves).string();
        Game = std::make_unique<TGameMain>(line, Platform);
        PrepareGame(*Game);
        auto recorder = Game->Display->OnFrame;
        bool started = false;
        Game->Display->OnFrame = [&, recorder](std::uint64_t frame) {
            TLcfgGameState& state = State();
            if (!started && state.System.Scene == KSceneField && state.System.Switch(1) &&
                !Game->Session->MessageWindow.Present()) {
                started = true;
                if (onField) onField(*Game);
            }
            if (started && each) each(*Game);
            recorder(frame);
        };
        EXPECT_THROW(Game->Run(), EKandelDrawAbort); // the frame limit
        Game->Display->OnFrame = recorder;
    }
    TLcfgGameState& State() { return Game->Session->Save->State; }

    test::TempDir Dir;
    test::TTestPlatform Platform;
    std::unique_ptr<TGameMain> Game;
};

TEST(DemoField, TheTravellerLeavesTownOnceSpokenTo) {
    bool inPlayAtStart = false;
    std::string music;
    // Down to (9, 12), right onto (10, 12) facing the traveller, talk, dismiss.
    TDemoRun run("460 Down\n476\n490 Right\n504\n520 Decide\n521\n640 Decide\n641\n", 900,
                 [&](TGameMain& game) {
                     inPlayAtStart = game.Session->Save->State.Map.Events.Get(12).InPlay();
                     music = game.Session->Save->State.System.CurrentMusic.Name;
                 });
    TLcfgGameState& state = run.State();
    EXPECT_EQ(music, "Town") << "the map tree's music, with no event asking for it";
    EXPECT_TRUE(inPlayAtStart);
    EXPECT_TRUE(state.System.Switch(10)) << "he was spoken to";
    EXPECT_FALSE(state.System.Switch(8)) << "his route cleared his switch";
    EXPECT_FALSE(state.Map.Events.Get(12).InPlay());
    EXPECT_GE(run.Platform.Sound->Count("Door"), 1);
}

TEST(DemoField, TheMeadowShowsItsSkyAndTheRunnerStartsAShownTimer) {
    int skyPixels = 0;
    // On the meadow below the runner: face up, talk, dismiss.
    TDemoRun run(
        "600 Up\n602\n620 Decide\n621\n740 Decide\n741\n", 860,
        [](TGameMain& game) { game.Session->Field->RequestTeleport(2, 9, 5); },
        [&](TGameMain& game) {
            if (game.Session->Save->State.Hero.MapId != 2) return;
            const TKandelBoard& board = game.Display->Board;
            skyPixels = 0;
            for (int x = 0; x < 320; ++x) skyPixels += board.ScanLine(2)[x] != 0 ? 1 : 0;
        });
    TLcfgGameState& state = run.State();
    ASSERT_EQ(state.Hero.MapId, 2);
    EXPECT_EQ(state.System.CurrentMusic.Name, "Field");
    EXPECT_TRUE(state.Map.Panorama.HasImage());
    EXPECT_EQ(skyPixels, 320) << "the top row shows the sky behind the cliff edge";
    EXPECT_TRUE(state.System.Switch(9));
    EXPECT_TRUE(state.PartyInfo.TimerRunning);
    EXPECT_TRUE(state.PartyInfo.TimerShown);
    EXPECT_GT(state.PartyInfo.TimerSeconds(), 0);
}

TEST(DemoField, EchoCavesLavaHurtsAndSavingIsRefused) {
    std::int32_t hp = 0;
    // One step up onto the lava; then the menu, down to Save, decide.
    TDemoRun run("600 Up\n602\n660 Cancel\n661\n720 Down\n721\n725 Down\n726\n730 Down\n731\n"
                 "740 Decide\n741\n",
                 820, [&](TGameMain& game) {
                     hp = game.Session->Save->State.Actors.Get(1).HP;
                     game.Session->Field->RequestTeleport(3, 10, 6);
                 });
    TLcfgGameState& state = run.State();
    ASSERT_EQ(state.Hero.MapId, 3);
    EXPECT_EQ(state.Hero.Y, 5);
    EXPECT_EQ(state.System.CurrentMusic.Name, "Dungeon");
    EXPECT_EQ(state.Actors.Get(1).HP, hp - 5);
    EXPECT_FALSE(state.System.SaveAllowed);
    EXPECT_EQ(state.System.Scene, KSceneMenu);
    EXPECT_EQ(run.Platform.Sound->Count("Buzzer"), 1);
}

} // namespace
} // namespace kestra
