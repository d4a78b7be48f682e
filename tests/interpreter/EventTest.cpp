#include <gtest/gtest.h>

#include "ScriptWorld.h"

namespace kestra {
namespace {

using namespace test;

// The field's side of the hero's trigger checks.
struct TTriggerHooks : TLcfgParty::THooks {
    explicit TTriggerHooks(TScriptWorld& w) : W(w) {}
    bool InterpreterRunning() override { return W.Main.IsRunning(); }
    bool DecideKeyPressed() override { return Decide; }
    int StartEventsAt(std::int32_t x, std::int32_t y, int trigger, bool byAction,
                      bool sameLayer) override {
        return kestra::StartEventsAt(W.EventList, x, y, trigger, byAction, sameLayer);
    }
    bool IsCounter(std::int32_t x, std::int32_t y) override { return W.Field.Map.IsCounter(x, y); }
    bool StartPending() override {
        return W.Common.FirstAutoStart(W.State) != nullptr || W.EventList.AnyStartRequested();
    }
    TScriptWorld& W;
    bool Decide = false;
};

TVezEventScriptList OneCommand() {
    return List({Cmd(10210, {0, 1, 0, 0})});
}

TEST(EventPages, HighestHoldingPageWinsAndNoPageLeavesPlay) {
    TScriptWorld w;
    auto& data = w.AddEventData(3, 3);
    w.AddPage(data, 1).Condition.Flags = 0;
    auto& second = w.AddPage(data, 2);
    second.Condition.Flags = KCondSwitchA;
    second.Condition.SwitchA = 1;
    second.Graphic = "second";
    // Page IDs need not be dense.
    auto& fifth = w.AddPage(data, 5);
    fifth.Condition.Flags = KCondSwitchA | KCondVariable;
    fifth.Condition.SwitchA = 2;
    fifth.Condition.Variable = 3;
    fifth.Condition.Value = 10;
    w.CreateEvents();
    TLcfgEventItem& e = w.EventList.At(0);
    EXPECT_EQ(e.PageId(), 1);

    w.State.System.SetSwitch(1, true);
    w.State.System.SetSwitch(2, true);
    w.EventList.RefreshPages();
    EXPECT_EQ(e.PageId(), 2) << "page 5 also needs variable 3 >= 10";
    EXPECT_EQ(e.SpriteName, "second");
    w.State.System.SetVariable(3, 10);
    w.EventList.RefreshPages();
    EXPECT_EQ(e.PageId(), 5);

    // Every page failing: out of play.
    data.Pages.Find(1)->Condition.Flags = KCondItem;
    data.Pages.Find(1)->Condition.Item = KPotion;
    w.State.System.SetSwitch(1, false);
    w.State.System.SetSwitch(2, false);
    e.StartRequested = true;
    e.RunningLock = true;
    w.EventList.RefreshPages();
    EXPECT_EQ(e.PageId(), 0);
    EXPECT_EQ(e.Trigger(), KTriggerNone);
    EXPECT_TRUE(e.Through);
    EXPECT_FALSE(e.StartRequested);
    EXPECT_FALSE(e.RunningLock);

    // The item condition counts the inventory.
    w.State.PartyInfo.GainItem(KPotion, 1);
    w.EventList.RefreshPages();
    EXPECT_EQ(e.PageId(), 1);
}

TEST(EventPages, PageChangeReleasesTheLockAndStopsTheParallelProcess) {
    TScriptWorld w;
    auto& data = w.AddEventData(3, 3);
    auto& p1 = w.AddPage(data, 1);
    p1.Trigger = KTriggerParallelProcess;
    p1.Commands = List({Cmd(11410, {5})});
    auto& p2 = w.AddPage(data, 2);
    p2.Condition.Flags = KCondSwitchA;
    p2.Condition.SwitchA = 4;
    p2.Direction = KDirLeft;
    w.CreateEvents();
    TLcfgEventItem& e = w.EventList.At(0);
    w.Frame();
    EXPECT_TRUE(e.Interpreter.IsRunning());
    e.RunningLock = true;
    w.State.System.SetSwitch(4, true);
    w.EventList.RefreshPages();
    EXPECT_FALSE(e.Interpreter.IsRunning());
    EXPECT_FALSE(e.RunningLock);
    EXPECT_EQ(e.SpriteDirection, KDirLeft);
}

TEST(EventStart, EmptyListNeitherStartsNorTurns) {
    TScriptWorld w;
    auto& data = w.AddEventData(6, 5);
    w.AddPage(data, 1).Direction = KDirDown;
    w.CreateEvents();
    TLcfgEventItem& e = w.EventList.At(0);
    e.RequestStart();
    EXPECT_FALSE(e.StartRequested);
    EXPECT_FALSE(e.RunningLock);
    EXPECT_EQ(e.SpriteDirection, KDirDown);

    // With commands it turns toward the hero (to its left) and back after its run.
    data.Pages.Find(1)->Commands = OneCommand();
    w.CreateEvents();
    TLcfgEventItem& f = w.EventList.At(0);
    f.RequestStart();
    EXPECT_TRUE(f.StartRequested);
    EXPECT_EQ(f.SpriteDirection, KDirLeft);
    EXPECT_EQ(f.Direction, KDirDown) << "the movement direction stays";
    w.Main.UpdateMain(w.Game);
    EXPECT_FALSE(w.Main.IsRunning());
    EXPECT_TRUE(w.State.System.Switch(1));
    EXPECT_EQ(f.SpriteDirection, KDirDown);
    EXPECT_FALSE(f.RunningLock);
}

TEST(EventTriggers, ActionKeyReachesAcrossThreeCountersTouchDoesNot) {
    for (int counters = 0; counters <= 4; ++counters) {
        for (std::uint8_t trigger : {KTriggerActionKey, KTriggerTouch}) {
            TScriptWorld w;
            TTriggerHooks hooks(w);
            w.Field.Hero.Hooks = &hooks;
            w.Field.Hero.Direction = KDirRight;
            for (int i = 0; i < counters; ++i) w.Field.SetUpper(6 + i, 5, 1, 0x40);
            auto& data = w.AddEventData(6 + counters, 5);
            auto& page = w.AddPage(data, 1);
            page.Trigger = trigger;
            page.Commands = OneCommand();
            w.CreateEvents();
            w.Field.Hero.CheckFront(trigger, true);
            const bool expected = counters == 0 || (trigger == KTriggerActionKey && counters <= 3);
            EXPECT_EQ(w.EventList.At(0).StartRequested, expected)
                << counters << " counters, trigger " << int(trigger);
            if (expected) {
                EXPECT_TRUE(w.EventList.At(0).StartedByActionKey);
            }
        }
    }
}

TEST(EventTriggers, OwnTileStartsOnlyOffTheHeroLayer) {
    for (int layer : {0, 1, 2}) {
        TScriptWorld w;
        TTriggerHooks hooks(w);
        w.Field.Hero.Hooks = &hooks;
        auto& data = w.AddEventData(5, 5);
        auto& page = w.AddPage(data, 1);
        page.Layer = static_cast<std::uint8_t>(layer);
        page.Commands = OneCommand();
        w.CreateEvents();
        hooks.Decide = true;
        w.Field.Frame(); // the hero's control runs the decision-key checks
        EXPECT_EQ(w.EventList.At(0).StartRequested, layer != 1) << "layer " << layer;
    }
}

TEST(EventTriggers, HeroControlStartsTouchEventsAndStandsStillWhileOneWaits) {
    TScriptWorld w;
    TTriggerHooks hooks(w);
    w.Field.Hero.Hooks = &hooks;
    auto& data = w.AddEventData(6, 5);
    auto& page = w.AddPage(data, 1);
    page.Trigger = KTriggerTouch;
    page.Commands = List({Cmd(10220, {0, 1, 1, 1, 0, 1})});
    w.CreateEvents();
    // Walking into it: blocked, so the touch check in front starts it.
    w.Field.Hero.InputDirection = 6;
    w.Frame();
    EXPECT_EQ(w.State.System.Variable(1), 1);
    EXPECT_EQ(w.Field.Hero.X, 5);

    // A pending start keeps the hero in place.
    TScriptWorld v;
    TTriggerHooks vhooks(v);
    v.Field.Hero.Hooks = &vhooks;
    auto& d2 = v.AddEventData(20, 15);
    v.AddPage(d2, 1).Commands = OneCommand();
    v.CreateEvents();
    v.EventList.At(0).RequestStart();
    v.Field.Hero.InputDirection = 2;
    v.Field.Frame();
    EXPECT_EQ(v.Field.Hero.Y, 5);
    EXPECT_FALSE(v.Field.Hero.Moving());
}

TEST(EventTriggers, CollisionFromBelowAndFromTheSide) {
    TScriptWorld w;
    auto& below = w.AddEventData(5, 5); // under the hero
    auto& p = w.AddPage(below, 1);
    p.Trigger = KTriggerCollision;
    p.Layer = 0;
    p.Commands = OneCommand();
    auto& side = w.AddEventData(7, 5); // walks left into the hero
    auto& q = w.AddPage(side, 1);
    q.Trigger = KTriggerCollision;
    q.MoveKind = KMoveLeftRight;
    q.MoveFrequency = 8;
    q.Direction = KDirLeft;
    q.Commands = OneCommand();
    w.CreateEvents();
    w.Field.Frame();
    EXPECT_TRUE(w.EventList.At(0).StartRequested);
    // The side event steps to (6, 5) and then runs into the hero.
    for (int i = 0; i < 40 && !w.EventList.At(1).StartRequested; ++i) w.Field.Frame();
    EXPECT_EQ(w.EventList.At(1).X, 6);
    EXPECT_TRUE(w.EventList.At(1).StartRequested);
}

TEST(EventMovement, BlockedRandomMoverKeepsFacingUntilSixtyFramesPastItsWait) {
    TScriptWorld w;
    // Walls on all four sides.
    for (auto [x, y] : {std::pair{9, 10}, {11, 10}, {10, 9}, {10, 11}})
        w.Field.SetUpper(x, y, 1, 0);
    auto& data = w.AddEventData(10, 10);
    auto& page = w.AddPage(data, 1);
    page.MoveKind = KMoveRandom;
    page.MoveFrequency = 8; // wait 0
    page.Direction = KDirDown;
    w.CreateEvents();
    TLcfgEventItem& e = w.EventList.At(0);
    for (int frame = 0; frame < 3000; ++frame) {
        const std::int32_t timer = e.MoveTimer;
        w.Field.Frame();
        EXPECT_EQ(e.X, 10);
        if (timer < e.MoveWait + 60) {
            EXPECT_EQ(e.SpriteDirection, KDirDown) << "frame " << frame;
        }
        if (e.SpriteDirection != KDirDown) break;
    }
    // Blocked for 60 frames beyond the wait: the new facing stays and the timer restarts.
    int changes = 0;
    for (int attempt = 0; attempt < 60; ++attempt) {
        const std::uint8_t before = e.SpriteDirection;
        e.MoveTimer = e.MoveWait + 60;
        w.Field.Frame();
        EXPECT_LE(e.MoveTimer, 1);
        if (e.SpriteDirection != before) ++changes;
    }
    EXPECT_GT(changes, 3);
}

TEST(EventMovement, UpAndDownTurnsAroundTwentyFramesPastItsWait) {
    TScriptWorld w;
    w.Field.SetUpper(10, 11, 1, 0);
    auto& data = w.AddEventData(10, 10);
    auto& page = w.AddPage(data, 1);
    page.MoveKind = KMoveUpDown;
    page.MoveFrequency = 8;
    page.Direction = KDirDown;
    w.CreateEvents();
    TLcfgEventItem& e = w.EventList.At(0);
    int frames = 0;
    while (e.Y == 10 && frames < 100) {
        w.Field.Frame();
        ++frames;
    }
    EXPECT_EQ(e.Direction, KDirUp);
    EXPECT_EQ(e.Y, 9);
    EXPECT_GE(frames, 20);
}

TEST(EventMovement, ParallelListRunsOncePerFrameAndStopsWhenErased) {
    TScriptWorld w;
    auto& data = w.AddEventData(3, 3);
    auto& page = w.AddPage(data, 1);
    page.Trigger = KTriggerParallelProcess;
    page.Commands = List({Cmd(10220, {0, 1, 1, 1, 0, 1}), Cmd(10220, {0, 2, 1, 1, 0, 1})});
    w.CreateEvents();
    for (int i = 0; i < 5; ++i) w.Frame();
    EXPECT_EQ(w.State.System.Variable(1), 5);
    EXPECT_EQ(w.State.System.Variable(2), 5);
    EXPECT_EQ(w.EventList.At(0).Interpreter.TopFrame()->Pc, 0);

    // Erase event: the process stops for good.
    page.Commands = List({Cmd(10220, {0, 1, 1, 1, 0, 1}), Cmd(12320)});
    w.State.System.SetVariable(1, 0);
    w.CreateEvents();
    for (int i = 0; i < 5; ++i) w.Frame();
    EXPECT_EQ(w.State.System.Variable(1), 1);
    EXPECT_FALSE(w.EventList.At(0).Active);
}

TEST(CommonEvents, AutoStartAndParallelFollowTheirSwitch) {
    TScriptWorld w;
    auto& auto1 = w.DataBase.CommonEvents.Obtain(1);
    auto1.Trigger = KTriggerAutoStart;
    auto1.NeedsSwitch = true;
    auto1.Switch = 7;
    auto1.Commands = List({Cmd(10220, {0, 1, 1, 1, 0, 1}), Cmd(10210, {0, 7, 0, 1})});
    auto& par = w.DataBase.CommonEvents.Obtain(2);
    par.Trigger = KTriggerParallelProcess;
    par.NeedsSwitch = true;
    par.Switch = 8;
    par.Commands = List({Cmd(10220, {0, 2, 1, 1, 0, 1}), Cmd(11410, {1})});
    w.DataBase.CommonEvents.Obtain(3).Trigger = KTriggerAutoStart; // empty: never
    w.Common.Rebuild(w.DataBase.CommonEvents);
    EXPECT_EQ(w.Common.Count(), 3u);
    EXPECT_EQ(w.Common.FirstAutoStart(w.State), nullptr);
    w.State.System.SetSwitch(7, true);
    w.State.System.SetSwitch(8, true);
    EXPECT_EQ(w.Common.FirstAutoStart(w.State), w.Common.Find(1));
    for (int i = 0; i < 3; ++i) w.Frame();
    EXPECT_EQ(w.State.System.Variable(1), 1) << "the list turned its own switch off";
    EXPECT_EQ(w.State.System.Variable(2), 1) << "waiting 6 frames";
    // The parallel process with its switch off keeps its place but does not advance.
    w.State.System.SetSwitch(8, false);
    for (int i = 0; i < 20; ++i) w.Frame();
    EXPECT_EQ(w.State.System.Variable(2), 1);
    EXPECT_TRUE(w.Common.Find(2)->Interpreter.IsRunning());
    w.State.System.SetSwitch(8, true);
    for (int i = 0; i < 6; ++i) w.Frame();
    EXPECT_EQ(w.State.System.Variable(2), 2);
    // Rebuilding to the database count keeps the states of remaining items.
    w.DataBase.CommonEvents.Remove(3);
    w.Common.Rebuild(w.DataBase.CommonEvents);
    EXPECT_EQ(w.Common.Count(), 2u);
    EXPECT_TRUE(w.Common.Find(2)->Interpreter.IsRunning());
}

TEST(EventSave, EventsRoundTripAndRelinkDropsEventsTheMapLacks) {
    TScriptWorld w;
    for (int i = 0; i < 3; ++i) {
        auto& d = w.AddEventData(2 + i, 2);
        auto& p = w.AddPage(d, 1);
        p.Trigger = KTriggerParallelProcess;
        p.Commands = List({Cmd(11410, {3}), Cmd(10220, {0, 1, 1, 1, 0, 1})});
    }
    w.CreateEvents();
    w.Frame();
    w.Field.Map.Events.At(1).RoutePosition = 4;
    const auto bytes = w.Field.Map.Encode();
    TGameFixture fixture;
    TLcfgGameState other(fixture.Env());
    TLcfgMap& back = other.Map;
    back.Decode(bytes);
    EXPECT_EQ(back.Encode(), bytes);
    ASSERT_EQ(back.Events.Count(), 3u);
    EXPECT_EQ(back.Events.At(1).RoutePosition, 4);
    EXPECT_EQ(back.Events.At(2).Interpreter.WaitFrames, 17);

    w.Field.Unit.Events.Remove(2); // later IDs move down: the unit now has 1 and 2
    w.Field.Unit.Events.Find(2)->Pages.Find(1)->Commands = List({});
    TLcfgEvent& events = back.Events;
    w.Field.Unit.Events.Obtain(5);
    events.Relink(w.Field.Unit, w.Game);
    ASSERT_EQ(events.Count(), 2u);
    EXPECT_EQ(events.At(1).Id, 2);
    EXPECT_NE(events.At(0).CurrentPage, nullptr);
    EXPECT_TRUE(events.At(0).Interpreter.IsRunning()) << "a saved process is kept";
}

} // namespace
} // namespace kestra
