// The field scene with events: a door on map 1 (touch trigger, teleport command)
// takes the walking hero to map 2, whose auto-start event then runs; a parallel event
// that teleports leaves the move to the end of the field frame.
#include <gtest/gtest.h>

#include "../state/FieldWorld.h"
#include "../state/GameFixture.h"
#include "ScriptWorld.h"
#include "scenes/LS_Field.h"

namespace kestra {
namespace {

using namespace test;

class THost : public TSceneHost {
public:
    explicit THost(TRandom& random) : Rng(random) { Screen.SetSize(320, 240); }
    TKandelBoard& Board() override { return Screen; }
    bool CanDraw() override { return true; }
    void Present() override {}
    void WaitFrame() override {}
    void FlushInput() override {}
    TRandom& Random() override { return Rng; }
    TKandelBoard Screen;
    TRandom& Rng;
};

TVezEventPageItem& Page(TVezEventItem& e, std::uint8_t trigger, std::uint8_t layer,
                        TVezEventScriptList commands) {
    TVezEventPageItem& p = e.Pages.Obtain(1);
    p.Trigger = trigger;
    p.Layer = layer;
    p.MoveFrequency = 3;
    p.MoveSpeed = 3;
    p.Commands = std::move(commands);
    return p;
}

struct TFieldGame {
    TFieldGame() : Field(30, 20), State(Fixture.Env()), Keys(Device), Host(Field.Random) {
        State.Reset();
        BuildMap(1);
        Field.Hero.SetPosition(1, 5, 5);
        Field.Map.Enter(true, nullptr);
        Scene = std::make_unique<TVezFieldScene>(Host, Field.Map, Field.Hero, Field.Unit);
        Scene->Game = &State;
        Scene->Input = &Keys;
        Scene->SceneNumber = &State.System.Scene;
        Scene->InputDirection = [this] { return Direction; };
        Scene->LoadMapUnit = [this](std::int32_t id) { BuildMap(id); };
        Scene->Warn = [this](const std::string& m) { Warnings.push_back(m); };
        Scene->CreateEvents();
    }
    // Map 1: a door below the hero's layer at (7, 5) and a parallel event. Map 2:
    // 12 x 10 with an auto-start event that counts its runs and turns itself off.
    void BuildMap(std::int32_t id) {
        Field.Unit.Events.Clear();
        const int w = id == 1 ? 30 : 12, h = id == 1 ? 20 : 10;
        Field.Unit.Lower.Resize(w, h);
        Field.Unit.Upper.Resize(w, h);
        for (auto& t : Field.Unit.Lower.Tiles()) t = 5000;
        for (auto& t : Field.Unit.Upper.Tiles()) t = 10000;
        if (id == 1) {
            auto& door = Field.Unit.Events.Append();
            door.Pages.Clear();
            door.X = 7;
            door.Y = 5;
            Page(door, KTriggerTouch, 0, List({Cmd(10810, {2, 3, 4}), Cmd(13110, {0, 0, 0, 1})}));
            auto& parallel = Field.Unit.Events.Append();
            parallel.Pages.Clear();
            parallel.X = 20;
            parallel.Y = 15;
            auto& p = Page(
                parallel, KTriggerParallelProcess, 1,
                List({Cmd(12010, {0, 9, 0}), Cmd(10210, {0, 9, 0, 1}, 1), Cmd(10810, {1, 9, 9}, 1),
                      Cmd(10220, {0, 6, 6, 1, 0, 1}, 1), Cmd(22011, {})}));
            p.Graphic = "npc";
        } else {
            auto& start = Field.Unit.Events.Append();
            start.Pages.Clear();
            start.X = 1;
            start.Y = 1;
            Page(start, KTriggerAutoStart, 1,
                 List({Cmd(10220, {0, 5, 5, 1, 0, 1}), Cmd(10210, {0, 3, 0, 0})}));
            auto& off = start.Pages.Obtain(2);
            off.Condition.Flags = KCondSwitchA;
            off.Condition.SwitchA = 3;
        }
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Scene->Update();
    }

    TGameFixture Fixture;
    TFieldWorld Field;
    TLcfgGameState State;
    TNoDevice Device;
    TMultiInput Keys;
    THost Host;
    std::unique_ptr<TVezFieldScene> Scene;
    int Direction = 0;
    std::vector<std::string> Warnings;
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
    // The door's list went on after the teleport to a command not yet available.
    ASSERT_EQ(g.Warnings.size(), 1u);
}

TEST(FieldEvents, ParallelTeleportIsCarriedOutByTheField) {
    TFieldGame g;
    g.State.System.SetSwitch(9, true);
    g.Frames(1);
    EXPECT_EQ(g.Field.Hero.X, 9);
    EXPECT_EQ(g.Field.Hero.Y, 9);
    EXPECT_EQ(g.Field.Hero.MapId, 1);
    EXPECT_FALSE(g.Scene->TeleportPending);
    // The process resumed after its teleport in the event pass that follows it.
    EXPECT_EQ(g.State.System.Variable(6), 1);
    g.Frames(5);
    EXPECT_EQ(g.State.System.Variable(6), 1);
}

TEST(FieldEvents, EndlessTeleportingParallelEventStillEndsTheFrame) {
    TFieldGame g;
    auto& loop = g.Field.Unit.Events.Find(2)->Pages.Find(1)->Commands;
    loop = List({Cmd(12110, {1}), Cmd(10810, {1, 9, 9}), Cmd(12120, {1})});
    g.Scene->CreateEvents();
    g.Frames(3); // returns: the teleport passes per frame are bounded
    EXPECT_EQ(g.Field.Hero.X, 9);
    EXPECT_TRUE(g.Scene->TeleportPending);
}

} // namespace
} // namespace kestra
