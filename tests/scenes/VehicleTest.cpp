// The boat, the ship and the airship played through the real game object over the test
// game "vehicles": boarding from the shore, sailing and flying by the terrain, leaving,
// the airship's take-off and landing (refused over water and on an event), the
// vehicle music, saving and loading in and out of a vehicle, the vehicle commands run
// by an event, and pictures of the boat on the lake and the airship in flight.
//
// The coast (map 1, 20 x 15, no scrolling): mountains all round; the hero starts at
// (5, 7) facing down, the keeper above him at (5, 6); the lake covers columns 6..10 of
// rows 1..10, with the boat at (6, 7); the sea fills rows 12 and 13, with the ship at
// (3, 12); the airship rests at (3, 3). Mountains down column 14 cut off a valley
// (columns 15..18) with a standing stone at (16, 3). The isle (map 2): water with land
// in columns 6..13 of rows 3..10.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "../interpreter/ScriptWorld.h"
#include "scenes/LS_Field.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

using test::Cmd;
using test::List;

const std::string KNewGame = "0\n60 Decide\n61\n";
constexpr std::uint64_t KTitleFrames = 200;
// Continue, then the newest slot.
const std::string KContinue = "0\n60 Down\n61\n80 Decide\n81\n160 Decide\n161\n";

TLcfgGameState& StateOf(TGameMain& game) {
    return game.Session->Save->State;
}

struct TVehiclePlay {
    test::TTestGame Files{"vehicles"};
    // Called on every field frame once the hero is on a map.
    std::function<void(TGameMain&)> Each;
    // The first frame of the field.
    std::uint64_t FieldFrom = 0;

    TGameMain& Run(const std::string& moves, std::uint64_t frames) {
        return Play(Files.Start(KNewGame + moves, frames + KTitleFrames));
    }
    // A saved game of slot 1 continued from the title in a fresh game object (on the
    // field by input update 300), then `moves`.
    TGameMain& Continue(const std::string& moves, std::uint64_t frames) {
        return Play(Files.Start(KContinue + moves, frames + 450));
    }
    TGameMain& Play(TGameMain& game) {
        FieldFrom = 0;
        auto recorder = game.Display->OnFrame;
        game.Display->OnFrame = [&, recorder](std::uint64_t frame) {
            const TLcfgGameState& state = StateOf(game);
            if (state.System.Scene == KSceneField && state.Hero.MapId != 0) {
                if (FieldFrom == 0) FieldFrom = frame;
                if (Each) Each(game);
            }
            recorder(frame);
        };
        try {
            game.Run();
        } catch (const EKandelDrawAbort&) {
            // the frame limit
        }
        game.Display->OnFrame = recorder;
        return game;
    }
};

// The field drawn at a fixed animation phase.
void DrawField(TGameMain& game) {
    auto* field = dynamic_cast<TVezFieldScene*>(&game.SceneFor(KSceneField));
    ASSERT_NE(field, nullptr);
    field->FrameCounter = 0;
    field->Draw();
}

// Right against the boat (the hero only turns), aboard, four steps across the lake.
const std::string KIntoTheBoat = "150 Right\n152\n160 Decide\n161\n180 Right\n230\n";

TEST(Vehicles, TheBoatCarriesTheHeroAcrossTheLakeAndIsLeftOnTheFarShore) {
    TVehiclePlay play;
    bool boatMusic = false;
    play.Each = [&](TGameMain& game) {
        const TLcfgGameState& state = StateOf(game);
        if (state.Hero.InVehicle && state.System.CurrentMusic.Name == "Field") boatMusic = true;
    };
    TGameMain& game = play.Run(KIntoTheBoat + "240 Decide\n241\n", 280);
    const TLcfgGameState& state = StateOf(game);
    // The shore at (11, 7) is grass: the boat stops at (10, 7) and the hero steps off.
    EXPECT_FALSE(state.Hero.InVehicle);
    EXPECT_EQ(state.Hero.VehicleKind, 0);
    EXPECT_EQ(state.Hero.X, 11);
    EXPECT_EQ(state.Hero.Y, 7);
    EXPECT_EQ(state.Hero.Speed, 4);
    EXPECT_EQ(state.Boat.MapId, 1);
    EXPECT_EQ(state.Boat.X, 10);
    EXPECT_EQ(state.Boat.Y, 7);
    EXPECT_EQ(state.Boat.Direction, KDirLeft);
    EXPECT_TRUE(boatMusic);
    // The map's music again, from the start.
    EXPECT_EQ(state.System.CurrentMusic.Name, "Town");

    // Saved and loaded: the boat waits where it was left.
    game.Session->Save->Save(1);
    TGameMain& loaded = play.Continue("", 30);
    const TLcfgGameState& again = StateOf(loaded);
    EXPECT_EQ(again.Boat.X, 10);
    EXPECT_EQ(again.Boat.Y, 7);
    EXPECT_EQ(again.Boat.Direction, KDirLeft);
    EXPECT_EQ(again.Boat.SpriteName, "Objects");
    EXPECT_EQ(again.Boat.SpriteIndex, 2);
    EXPECT_EQ(again.Hero.X, 11);
    EXPECT_FALSE(again.Hero.InVehicle);
}

TEST(Vehicles, AGameSavedAboardTheBoatLoadsAboardAndSailsOn) {
    TVehiclePlay play;
    TGameMain& game = play.Run(KIntoTheBoat, 240);
    {
        const TLcfgGameState& state = StateOf(game);
        ASSERT_TRUE(state.Hero.InVehicle);
        ASSERT_EQ(state.Hero.X, 10);
        EXPECT_EQ(state.Boat.X, 10);
        EXPECT_EQ(state.Boat.Direction, KDirRight);
        // The boat does not enter the grass.
        EXPECT_EQ(state.Hero.Y, 7);
    }
    game.Session->Save->Save(1);
    // Back two tiles by boat, then the decision key facing the water west: leaving is
    // refused and the saved ride goes on.
    TGameMain& loaded = play.Continue("310 Left\n326\n350 Decide\n351\n", 100);
    const TLcfgGameState& state = StateOf(loaded);
    EXPECT_EQ(state.Boat.X, 8);
    EXPECT_EQ(state.Boat.Y, 7);
    // Facing the water at (7, 7): leaving is refused.
    EXPECT_TRUE(state.Hero.InVehicle);
    EXPECT_EQ(state.Hero.X, 8);
    EXPECT_EQ(state.System.CurrentMusic.Name, "Field");
    EXPECT_EQ(state.System.VehicleMusic.Name, "Town");
}

TEST(Vehicles, TheShipSailsTheSeaThatTheBoatCannotAndPlaysItsOwnMusic) {
    TVehiclePlay play;
    // Down to the shore, left to (3, 11), down against the ship, aboard, three steps
    // east, up against the grass and off.
    TGameMain& game = play.Run("150 Down\n190\n195 Left\n211\n215 Down\n217\n225 Decide\n226\n"
                               "245 Right\n269\n275 Up\n277\n285 Decide\n286\n",
                               320);
    const TLcfgGameState& state = StateOf(game);
    EXPECT_FALSE(state.Hero.InVehicle);
    EXPECT_EQ(state.Hero.X, 6);
    EXPECT_EQ(state.Hero.Y, 11);
    EXPECT_EQ(state.Ship.X, 6);
    EXPECT_EQ(state.Ship.Y, 12);
    EXPECT_EQ(state.Ship.Direction, KDirLeft);
    EXPECT_EQ(state.System.CurrentMusic.Name, "Town");
    game.Session->Save->Save(1);
    TGameMain& loaded = play.Continue("", 30);
    EXPECT_EQ(StateOf(loaded).Ship.X, 6);
    EXPECT_EQ(StateOf(loaded).Ship.Y, 12);
    EXPECT_EQ(StateOf(loaded).Ship.SpriteIndex, 6);
}

// Left and up onto the airship, aboard: it rises for 32 frames.
const std::string KIntoTheAirship = "150 Left\n166\n170 Up\n202\n210 Decide\n211\n";

TEST(Vehicles, TheAirshipRisesFliesOverMountainsAndLandsOnlyOnOpenGround) {
    TVehiclePlay play;
    int risingFrames = 0, lastTakeOff = 0;
    bool flewOverWater = false;
    play.Each = [&](TGameMain& game) {
        const TLcfgGameState& state = StateOf(game);
        if (state.Airship.TakeOffCounter > 0 && state.Airship.TakeOffCounter != lastTakeOff)
            ++risingFrames;
        lastTakeOff = state.Airship.TakeOffCounter;
        if (state.InAirship() && state.Hero.X == 8 && state.Airship.LandingCounter > 0)
            flewOverWater = true;
    };
    // Five steps east over the lake to (8, 3) and down there: refused, it rises again.
    // Then eight more over the mountains to the stone at (16, 3): refused again. Two
    // steps south to open ground at (16, 5): down.
    TGameMain& game =
        play.Run(KIntoTheAirship + "250 Right\n270\n275 Decide\n276\n345 Right\n377\n"
                                   "385 Decide\n386\n455 Down\n463\n470 Decide\n471\n",
                 520);
    const TLcfgGameState& state = StateOf(game);
    EXPECT_TRUE(flewOverWater);
    // The first rise and one after each refused landing.
    EXPECT_EQ(risingFrames, 3 * 32);
    EXPECT_FALSE(state.Hero.InVehicle);
    EXPECT_FALSE(state.Hero.Flying);
    EXPECT_EQ(state.Hero.X, 16);
    EXPECT_EQ(state.Hero.Y, 5);
    EXPECT_EQ(state.Hero.SpriteDirection, KDirDown);
    EXPECT_EQ(state.Airship.X, 16);
    EXPECT_EQ(state.Airship.Y, 5);
    EXPECT_FALSE(state.Airship.Flying);
    EXPECT_EQ(state.Airship.Direction, KDirLeft);
    EXPECT_EQ(state.System.CurrentMusic.Name, "Town");

    // On foot the valley is closed: the mountains at column 14 stop the hero.
    game.Session->Save->Save(1);
    TGameMain& loaded = play.Continue("310 Left\n340\n", 60);
    EXPECT_EQ(StateOf(loaded).Hero.X, 15);
    EXPECT_EQ(StateOf(loaded).Airship.X, 16);
    EXPECT_EQ(StateOf(loaded).Airship.Y, 5);
}

TEST(Vehicles, DecisionWhileTheAirshipRisesDoesNothingAndEventsWaitForTheLanding) {
    TVehiclePlay play;
    int landingWithEventRunning = 0;
    play.Each = [&](TGameMain& game) {
        TLcfgGameState& state = StateOf(game);
        // An event started while the airship comes down waits for the landing.
        if (state.Airship.LandingCounter == 128 && !state.Interpreter.IsRunning())
            state.Interpreter.PushFrame(0, List({Cmd(10210, {0, 1, 0, 0})}));
        if (state.Airship.LandingCounter > 0 && state.Interpreter.IsRunning() &&
            !state.System.Switch(1))
            ++landingWithEventRunning;
    };
    TGameMain& game = play.Run(KIntoTheAirship + "220 Decide\n221\n260 Decide\n261\n", 320);
    const TLcfgGameState& state = StateOf(game);
    // The press during the rise was ignored; the second one brought the ship down on the
    // grass where it took off.
    EXPECT_FALSE(state.Hero.InVehicle);
    EXPECT_EQ(state.Hero.X, 3);
    EXPECT_EQ(state.Hero.Y, 3);
    EXPECT_GT(landingWithEventRunning, 0);
    EXPECT_TRUE(state.System.Switch(1));
}

TEST(Vehicles, EventCommandsChangeTheVehiclesAndTheChangesSurviveASave) {
    TVehiclePlay play;
    bool flashed = false;
    play.Each = [&](TGameMain& game) {
        if (StateOf(game).Boat.FlashStrength > 0) flashed = true;
    };
    // Up against the keeper, who runs the vehicle commands.
    TGameMain& game = play.Run("150 Up\n152\n160 Decide\n161\n", 260);
    const TLcfgGameState& state = StateOf(game);
    EXPECT_EQ(state.Boat.SpriteName, "People");
    EXPECT_EQ(state.Boat.SpriteIndex, 4);
    EXPECT_EQ(state.Boat.GraphicOverrideName, "People");
    EXPECT_EQ(state.Airship.X, 2);
    EXPECT_EQ(state.Airship.Y, 2);
    // The ship's route (face up) ran; the boat flashed.
    EXPECT_EQ(state.Ship.Direction, KDirUp);
    EXPECT_TRUE(flashed);
    EXPECT_FALSE(state.Interpreter.IsRunning());
    game.Session->Save->Save(1);
    TGameMain& loaded = play.Continue("", 30);
    const TLcfgGameState& again = StateOf(loaded);
    EXPECT_EQ(again.Boat.SpriteName, "People");
    EXPECT_EQ(again.Boat.SpriteIndex, 4);
    EXPECT_EQ(again.Airship.X, 2);
    EXPECT_EQ(again.Airship.Y, 2);
    EXPECT_EQ(again.Ship.Direction, KDirUp);
}

TEST(Vehicles, PlacingTheRiddenBoatOnAnotherMapTakesTheHeroAlong) {
    TVehiclePlay play;
    bool sent = false;
    play.Each = [&](TGameMain& game) {
        TLcfgGameState& state = StateOf(game);
        if (!sent && state.Hero.InVehicle && !state.Hero.Moving()) {
            sent = true;
            // Set vehicle position: the boat to (8, 1) of the isle.
            state.Interpreter.PushFrame(0, List({Cmd(10850, {0, 0, 2, 8, 1})}));
        }
    };
    // Aboard, moved to the isle; two steps south by boat, then off onto its land.
    TGameMain& game =
        play.Run("150 Right\n152\n160 Decide\n161\n190 Down\n230\n240 Decide\n241\n", 280);
    const TLcfgGameState& state = StateOf(game);
    ASSERT_TRUE(sent);
    EXPECT_EQ(state.Hero.MapId, 2);
    EXPECT_EQ(state.Boat.MapId, 2);
    EXPECT_EQ(state.Boat.X, 8);
    EXPECT_EQ(state.Boat.Y, 2);
    EXPECT_FALSE(state.Hero.InVehicle);
    EXPECT_EQ(state.Hero.X, 8);
    EXPECT_EQ(state.Hero.Y, 3);
    // The isle's music waited for the landing.
    EXPECT_EQ(state.System.CurrentMusic.Name, "Inn");
}

TEST(Vehicles, PicturesOfTheBoatOnTheLakeAndTheAirshipOverTheMountains) {
    {
        TVehiclePlay play;
        TGameMain& game = play.Run("150 Right\n152\n160 Decide\n161\n180 Right\n196\n", 220);
        ASSERT_TRUE(StateOf(game).Hero.InVehicle);
        ASSERT_EQ(StateOf(game).Hero.X, 8);
        DrawField(game);
        test::CompareGolden(game.Board(), "vehicle_boat.png");
    }
    TVehiclePlay play;
    TGameMain& game = play.Run(KIntoTheAirship + "250 Right\n294\n", 320);
    const TLcfgGameState& state = StateOf(game);
    ASSERT_TRUE(state.InAirship());
    ASSERT_EQ(state.Hero.X, 14);
    ASSERT_EQ(state.Airship.TakeOffCounter, 0);
    DrawField(game);
    test::CompareGolden(game.Board(), "vehicle_airship.png");
}

} // namespace
} // namespace kestra
