// The demo's vehicles played by script: the boat beside the field's bridge carries the
// hero to the hermit's islet in the north lake, and the hermit, once the cave's knight
// is beaten, lends the airship, which flies over the mountains to a valley no path
// reaches, where a chest waits.
#include <gtest/gtest.h>

#include <memory>

#include "../interpreter/ScriptWorld.h"
#include "TempDir.h"
#include "data/DataBase.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "scenes/GameWindowsMessage.h"
#include "scenes/LS_Field.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

using test::Cmd;
using test::List;

constexpr int KEther = 2;
constexpr int KKnightDefeated = 5;
constexpr int KSkyChestOpened = 11;

// The opening (New Game, the intro movie skipped at once); then (once the test has sent the hero
// onto the bridge at (16, 7)) up against the boat, aboard, one step north, east against the islet,
// ashore, a word with the hermit (who lends the airship), aboard the airship on the same tile, west
// and south over the mountains to (2, 18), down, a step west off the airship and the
// chest north of it.
constexpr const char* KScript =
    "0\n99 Decide\n100\n105 Decide\n106\n260 Decide\n261\n360 Decide\n361\n"
    "520 Up\n522\n540 Decide\n541\n560 Up\n568\n580 Right\n582\n600 Decide\n601\n"
    "620 Decide\n621\n720 Decide\n721\n760 Decide\n761\n"
    "810 Left\n870\n880 Down\n932\n940 Decide\n941\n"
    "1000 Left\n1008\n1020 Up\n1022\n1030 Decide\n1031\n1130 Decide\n1131\n";

TEST(DemoVehicles, TheBoatReachesTheHermitsIsletAndHisAirshipFliesToTheHiddenValley) {
    test::TempDir dir;
    dir.Write("vehicles.txt", KScript);
    TCommandLine line;
    line.Words = {"TestPlay"}; // no logos
    line.GameDir = KESTRA_DEMO_DIR;
    line.Headless = true;
    line.Frames = 1400;
    line.Seed = 7;
    line.InputScript = (dir.Path() / "vehicles.txt").string();
    THeadlessPlatform platform{platform::AtomicWriteFile, platform::OpenFfmpegMovie};
    TGameMain game(line, platform);
    ASSERT_NE(PrepareGame(game), nullptr);
    bool sent = false, boated = false, refusedBeforeTheKnight = false, flew = false;
    auto recorder = game.Display->OnFrame;
    game.Display->OnFrame = [&](std::uint64_t frame) {
        TLcfgGameState& state = game.Session->Save->State;
        if (state.System.Scene == KSceneField && state.Hero.MapId == 1 && !sent &&
            state.System.Switch(1) && !state.Interpreter.IsRunning() &&
            !game.Session->MessageWindow.Present()) {
            // Out of the town onto the bridge.
            sent = true;
            state.Interpreter.PushFrame(0, List({Cmd(10810, {2, 16, 7})}));
        }
        if (state.Hero.InVehicle && state.Hero.VehicleKind == KVehicleBoat) boated = true;
        if (state.Hero.MapId == 2 && state.Hero.X == 17 && !state.Hero.InVehicle &&
            !state.System.Switch(KKnightDefeated)) {
            // Before the knight falls the hermit has no airship to lend.
            refusedBeforeTheKnight = state.Airship.MapId == 0;
            state.System.SetSwitch(KKnightDefeated, true);
            state.Map.Events.RefreshPages();
        }
        if (state.InAirship() && state.Airship.TakeOffCounter == 0) flew = true;
        recorder(frame);
    };
    EXPECT_THROW(game.Run(), EKandelDrawAbort);
    const TLcfgGameState& state = game.Session->Save->State;
    ASSERT_TRUE(sent);
    EXPECT_TRUE(boated);
    EXPECT_TRUE(refusedBeforeTheKnight);
    EXPECT_TRUE(flew);
    EXPECT_EQ(state.Hero.MapId, 2);
    EXPECT_EQ(state.Boat.X, 16);
    EXPECT_EQ(state.Boat.Y, 5);
    EXPECT_FALSE(state.Hero.InVehicle);
    EXPECT_EQ(state.Hero.X, 1);
    EXPECT_EQ(state.Hero.Y, 18);
    EXPECT_EQ(state.Airship.MapId, 2);
    EXPECT_EQ(state.Airship.X, 2);
    EXPECT_EQ(state.Airship.Y, 18);
    EXPECT_TRUE(state.System.Switch(KSkyChestOpened));
    EXPECT_EQ(state.PartyInfo.ItemAmount(KEther), 2);
}

} // namespace
} // namespace kestra
