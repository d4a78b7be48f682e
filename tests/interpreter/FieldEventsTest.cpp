// The field scene with events: a door on map 1 (touch trigger, teleport command)
// takes the walking hero to map 2, whose auto-start event then runs; a parallel event
// that teleports leaves the move to the end of the field frame.
#include <gtest/gtest.h>

#include "ScriptWorld.h"
#include "scenes/LS_Field.h"

namespace kestra {
namespace {

using namespace test;

// The test game "fieldevents". Map 1: a door below the hero's layer at (7, 5) and a
// parallel event at (20, 15) that teleports the hero to (9, 9) once switch 9 is on and
// then counts in variable 6. Map 2: 12 x 10 with an auto-start event that counts its
// runs in variable 5 and turns itself off with switch 3.
struct TFieldGame : TScriptWorld {
    TFieldGame() : TScriptWorld("", "fieldevents") {}
    void Frames(int n) {
        for (int i = 0; i < n; ++i) {
            Keys.Direction = Direction;
            Scene.Update();
        }
    }
    int Direction = 0;
};

TEST(FieldEvents, DoorTakesTheWalkingHeroToAnotherMap) {
    TFieldGame g;
    ASSERT_EQ(g.Field.Map.Events.Count(), 2u);
    g.Direction = 6;
    int frames = 0;
    while (g.Field.Hero.MapId == 1 && frames < 200) {
        g.Frames(1);
        ++frames;
    }
    ASSERT_EQ(g.Field.Hero.MapId, 2) << "after " << frames << " frames";
    EXPECT_EQ(g.Field.Hero.X, 3);
    EXPECT_EQ(g.Field.Hero.Y, 4);
    EXPECT_EQ(g.Field.Map.MapWidth(), 12);
    ASSERT_EQ(g.Field.Map.Events.Count(), 1u) << "the new map's events replaced the old";
    EXPECT_EQ(g.Field.Map.Characters().size(), 2u);
    g.Direction = 0;
    g.Frames(3);
    EXPECT_EQ(g.State.System.Variable(5), 1) << "map 2's auto-start event ran once";
    EXPECT_TRUE(g.State.System.Switch(3));
    EXPECT_FALSE(g.State.Interpreter.IsRunning());
    // The door's list went on after the teleport to a movie that is not there.
    EXPECT_TRUE(g.Warned().empty());
}

TEST(FieldEvents, ParallelTeleportIsCarriedOutByTheField) {
    TFieldGame g;
    g.State.System.SetSwitch(9, true);
    g.Frames(1);
    EXPECT_EQ(g.Field.Hero.X, 9);
    EXPECT_EQ(g.Field.Hero.Y, 9);
    EXPECT_EQ(g.Field.Hero.MapId, 1);
    EXPECT_FALSE(g.Scene.TeleportPending);
    // The process resumed after its teleport in the event pass that follows it.
    EXPECT_EQ(g.State.System.Variable(6), 1);
    g.Frames(5);
    EXPECT_EQ(g.State.System.Variable(6), 1);
}

TEST(FieldEvents, EndlessTeleportingParallelEventStillEndsTheFrame) {
    TFieldGame g;
    auto& loop = g.Field.Unit.Events.Find(2)->Pages.Find(1)->Commands;
    loop = List(
        {Cmd(12110, {1}), Cmd(10220, {0, 7, 7, 1, 0, 1}), Cmd(10810, {1, 9, 9}), Cmd(12120, {1})});
    g.Scene.CreateEvents();
    g.Frames(3); // returns: the teleport passes per frame are bounded
    EXPECT_EQ(g.Field.Hero.X, 9);
    EXPECT_TRUE(g.Scene.TeleportPending);
    // Each frame: the event's own pass, then one per teleport pass.
    EXPECT_EQ(g.State.System.Variable(7), 3 * (KMaxTeleportPasses + 1));
}

} // namespace
} // namespace kestra
