#include <gtest/gtest.h>

#include <set>

#include "ScriptWorld.h"

namespace kestra {
namespace {

using namespace test;

// Runs `list` on the main interpreter as a common-event frame until it ends (at most
// `frames` frames).
struct TRun {
    explicit TRun(std::vector<TVezEventScriptLine> lines, int frames = 1) {
        w.Main.SetGame(w.Game);
        w.Main.PushFrame(0, List(std::move(lines)));
        for (int i = 0; i < frames && w.Main.IsRunning(); ++i) w.Main.UpdateMain(w.Game);
    }
    std::int32_t Var(std::int32_t id) { return w.State.System.Variable(id); }
    TScriptWorld w;
};

TVezEventScriptLine SetVar(std::int32_t id, std::int32_t value, std::int32_t indent = 0) {
    return Cmd(10220, {0, id, id, 0, 0, value}, indent);
}
TVezEventScriptLine AddVar(std::int32_t id, std::int32_t value, std::int32_t indent = 0) {
    return Cmd(10220, {0, id, id, 1, 0, value}, indent);
}

TEST(ScriptVariables, ArithmeticIsSixtyFourBitTruncatingAndClamped) {
    struct TCase {
        std::int32_t Start, Op, Operand, Expected;
    };
    const TCase cases[] = {
        {-7, 5, 3, -1},
        {-7, 4, 2, -3},
        {7, 5, -3, 1},
        {999999, 1, 1, 999999},
        {999999, 3, 999999, 999999},
        {-999999, 2, 5, -999999},
        {5, 4, 0, 5}, // divide by zero divides by 1
        {5, 5, 0, 0},
        {3, 9, 100, 3},
        {0, 0, 2000000000, 999999},
        {12, 3, -2, -24},
    };
    for (const TCase& c : cases) {
        TRun r({SetVar(1, c.Start), Cmd(10220, {0, 1, 1, c.Op, 0, c.Operand})});
        EXPECT_EQ(r.Var(1), c.Expected) << c.Start << " op " << c.Op << " " << c.Operand;
    }
}

TEST(ScriptVariables, OperandKindsAndTargets) {
    // Random between 10 and 5, one draw per variable of the range.
    TRun r({Cmd(10220, {1, 1, 60, 0, 3, 10, 5})});
    std::set<std::int32_t> seen;
    for (int id = 1; id <= 60; ++id) {
        EXPECT_GE(r.Var(id), 5);
        EXPECT_LE(r.Var(id), 10);
        seen.insert(r.Var(id));
    }
    EXPECT_GE(seen.size(), 4u);

    // Indirect operand and target; the hero's position and facing; item counts.
    TRun k({SetVar(1, 7), SetVar(7, 42), SetVar(2, 9),
            Cmd(10220, {2, 2, 0, 0, 2, 1}),        // variable[var 2 = 9] := var[var 1]
            Cmd(10220, {0, 3, 0, 0, 6, 10001, 1}), // hero X
            Cmd(10220, {0, 4, 0, 0, 6, 10001, 3}), // hero facing, number pad
            Cmd(10220, {0, 5, 0, 0, 7, 2}),        // party size
            Cmd(10220, {0, 6, 0, 0, 4, KPotion, 0}), Cmd(10220, {0, 8, 0, 0, 99, 1})});
    EXPECT_EQ(k.Var(9), 42);
    EXPECT_EQ(k.Var(3), 5);
    EXPECT_EQ(k.Var(4), 2);
    EXPECT_EQ(k.Var(5), 2);
    EXPECT_EQ(k.Var(6), 0);
    EXPECT_EQ(k.Var(8), 0);

    // A range to the largest ID is cut to the stored range, not run 2^31 times.
    TRun big({Cmd(10210, {1, 1, 0x7FFFFFFF, 0})});
    EXPECT_TRUE(big.w.State.System.Switch(KMaxSwitchId));
    EXPECT_FALSE(big.w.Main.IsRunning());
}

TEST(ScriptFlow, ConditionalBranchAndElse) {
    auto branch = [](bool switchOn) {
        TRun r({Cmd(10210, {0, 1, 0, switchOn ? 0 : 1}), Cmd(12010, {0, 1, 0}), SetVar(1, 1, 1),
                Cmd(22010, {}, 0), SetVar(2, 1, 1), Cmd(22011, {}, 0), SetVar(3, 1)});
        return std::array<std::int32_t, 3>{r.Var(1), r.Var(2), r.Var(3)};
    };
    EXPECT_EQ(branch(true), (std::array<std::int32_t, 3>{1, 0, 1}));
    EXPECT_EQ(branch(false), (std::array<std::int32_t, 3>{0, 1, 1}));
    // Without an else line a false branch continues after the structure.
    TRun r({SetVar(4, 3), Cmd(12010, {1, 4, 0, 5, 3}), SetVar(1, 1, 1), Cmd(22011, {}, 0),
            SetVar(2, 1)});
    EXPECT_EQ(r.Var(1), 0);
    EXPECT_EQ(r.Var(2), 1);
}

TEST(ScriptFlow, ChoiceBranchesRunTheSelectedBody) {
    for (int chosen : {0, 2, 4}) {
        TScriptWorld w;
        w.Main.SetGame(w.Game);
        TLcfgScriptData& f = w.Main.PushFrame(
            0, List({Cmd(20140, {0}, 0), SetVar(1, 10, 1), Cmd(20140, {1}, 0), SetVar(1, 11, 1),
                     Cmd(20140, {2}, 0), SetVar(1, 12, 1), Cmd(20140, {4}, 0), SetVar(1, 14, 1),
                     Cmd(20141, {}, 0), AddVar(1, 100)}));
        f.BranchResult(0) = static_cast<std::uint8_t>(chosen);
        w.Main.UpdateMain(w.Game);
        EXPECT_EQ(w.State.System.Variable(1), 110 + chosen);
    }
}

TEST(ScriptFlow, BreakLoopLeavesThroughTheNextEndOfLoop) {
    TRun r({Cmd(12210, {}, 0), Cmd(12220, {}, 1), Cmd(12210, {}, 1), AddVar(2, 1, 2),
            Cmd(22210, {}, 1), AddVar(1, 1, 1), Cmd(12220, {}, 1), Cmd(22210, {}, 0),
            SetVar(3, 1)});
    EXPECT_EQ(r.Var(1), 1) << "resumed after the inner loop's end";
    EXPECT_EQ(r.Var(2), 0);
    EXPECT_EQ(r.Var(3), 1);
    EXPECT_FALSE(r.w.Main.IsRunning());

    // A loop runs until broken out of.
    TRun l({Cmd(12210), AddVar(1, 1, 1), Cmd(12010, {1, 1, 0, 5, 0}, 1), Cmd(12220, {}, 2),
            Cmd(22011, {}, 1), Cmd(22210), SetVar(2, 1)});
    EXPECT_EQ(l.Var(1), 5);
    EXPECT_EQ(l.Var(2), 1);
}

TEST(ScriptFlow, LabelsAndTheCommandCap) {
    TRun r({Cmd(12120, {3}), SetVar(1, 1), Cmd(12110, {3}), SetVar(2, 1), Cmd(12120, {9}),
            SetVar(3, 1)});
    EXPECT_EQ(r.Var(1), 0);
    EXPECT_EQ(r.Var(2), 1);
    EXPECT_EQ(r.Var(3), 1) << "a missing label continues after the jump";

    // An endless loop without a wait spends 10000 commands per frame and returns.
    TRun endless({Cmd(12110, {1}), AddVar(1, 1), Cmd(12120, {1})});
    EXPECT_TRUE(endless.w.Main.IsRunning());
    EXPECT_EQ(endless.Var(1), KCommandsPerFrame / 2);
}

TEST(ScriptFlow, WaitsCountFramesWithAMinimumOfOne) {
    for (auto [tenths, frames] : {std::pair{0, 1}, {1, 6}, {-5, 1}}) {
        TScriptWorld w;
        w.Main.PushFrame(0, List({Cmd(11410, {tenths}), SetVar(1, 1)}));
        int n = 0;
        while (w.State.System.Variable(1) == 0 && n < 100) {
            w.Main.UpdateMain(w.Game);
            ++n;
        }
        EXPECT_EQ(n, frames + 1) << tenths << " tenths";
    }
}

TEST(ScriptFlow, CallEventFramesAndTheDepthLimit) {
    TScriptWorld w;
    auto& common = w.DataBase.CommonEvents.Obtain(1);
    common.Commands = List({AddVar(1, 1)});
    auto& data = w.AddEventData(2, 2);
    w.AddPage(data, 1);
    w.AddPage(data, 2).Commands = List({AddVar(2, 1), Cmd(12310), AddVar(2, 100)});
    w.CreateEvents();
    w.Main.PushFrame(0, List({Cmd(12330, {0, 1}), Cmd(12330, {1, 1, 2}), AddVar(3, 1)}));
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.State.System.Variable(1), 1);
    EXPECT_EQ(w.State.System.Variable(2), 1) << "End event ends the called frame only";
    EXPECT_EQ(w.State.System.Variable(3), 1);

    // Missing targets raise.
    TScriptWorld m;
    m.Main.PushFrame(0, List({Cmd(12330, {1, 77, 1})}));
    EXPECT_THROW(m.Main.UpdateMain(m.Game), EScripterError);

    // A common event that calls itself stops with an error at 1000 frames.
    TScriptWorld r;
    r.DataBase.CommonEvents.Obtain(1).Commands = List({Cmd(12330, {0, 1})});
    r.Main.PushFrame(0, List({Cmd(12330, {0, 1})}));
    EXPECT_THROW(r.Main.UpdateMain(r.Game), EScripterError);
    EXPECT_EQ(r.Main.Frames.Count(), static_cast<std::size_t>(KMaxCallDepth) + 1);
}

TEST(ScriptMain, CommonAutoStartThenMapEventOnTopAndPooledNoticesFirst) {
    TScriptWorld w;
    auto& common = w.DataBase.CommonEvents.Obtain(1);
    common.Trigger = KTriggerAutoStart;
    common.NeedsSwitch = true;
    common.Switch = 5;
    // Copies variable 1, which the map event sets.
    common.Commands = List({Cmd(10220, {0, 2, 0, 0, 1, 1}), Cmd(10210, {0, 5, 0, 1})});
    w.Common.Rebuild(w.DataBase.CommonEvents);
    w.State.System.SetSwitch(5, true);
    auto& data = w.AddEventData(6, 5);
    w.AddPage(data, 1).Commands = List({SetVar(1, 5)});
    w.CreateEvents();
    w.EventList.At(0).RequestStart();
    w.Pool.Push("Alex rises to level 2");
    w.Main.UpdateMain(w.Game);
    EXPECT_FALSE(w.Main.IsRunning()) << "the notice is shown first";
    ASSERT_EQ(w.Box.Lines.size(), 1u);
    w.Box.Hide();
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.State.System.Variable(2), 5);
    EXPECT_FALSE(w.Main.IsRunning());
    EXPECT_FALSE(w.EventList.At(0).RunningLock);
}

TEST(ScriptMain, MessageGatesBlockAndTestPlayAbortEndsTheFrame) {
    TScriptWorld w("0\n500 F10\n");
    w.Main.PushFrame(0, List({SetVar(1, 1), Cmd(10810, {1, 3, 3}), SetVar(2, 1), Cmd(11410, {1}),
                              SetVar(3, 1)}));
    w.OpenBox();
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.State.System.Variable(1), 0) << "nothing runs while the box is open";
    w.Box.Close();
    ASSERT_GT(w.Box.ClosePhase(), 0);
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.State.System.Variable(1), 1) << "a closing box lets plain commands run";
    EXPECT_EQ(w.Field.Hero.X, 5) << "but a teleport waits until the box is gone";
    w.Box.Hide();
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.Field.Hero.X, 3);
    EXPECT_EQ(w.Field.Hero.Y, 3);
    EXPECT_EQ(w.State.System.Variable(2), 1);
    w.Inputs(500); // F10 held from the 500th input update on
    for (int i = 0; i < 6; ++i) w.Main.UpdateMain(w.Game); // the wait runs out first
    EXPECT_FALSE(w.Main.IsRunning());
    EXPECT_EQ(w.State.System.Variable(3), 0);
}

TEST(ScriptMain, TeleportByTheMainInterpreterDropsEventIdsAndParallelOnlyRequests) {
    TScriptWorld w;
    auto& data = w.AddEventData(6, 5);
    w.AddPage(data, 1).Commands =
        List({Cmd(10810, {2, 8, 9}), Cmd(10220, {0, 1, 0, 0, 6, 10005, 1})});
    w.CreateEvents();
    w.EventList.At(0).RequestStart();
    EXPECT_THROW(w.Main.UpdateMain(w.Game), EScripterError)
        << "after the map change the frame no longer has an event";
    EXPECT_EQ(w.Field.Hero.MapId, 2);
    EXPECT_EQ(w.Field.Hero.X, 8);
    EXPECT_EQ(w.Main.TopFrame()->EventId, 0);

    TScriptWorld p;
    auto& d = p.AddEventData(6, 5);
    auto& page = p.AddPage(d, 1);
    page.Trigger = KTriggerParallelProcess;
    page.Commands = List({Cmd(10810, {1, 8, 9}), AddVar(1, 1)});
    p.CreateEvents();
    p.Frame();
    EXPECT_EQ(p.Field.Hero.X, 5);
    ASSERT_TRUE(p.Scene.TeleportPending);
    EXPECT_EQ(p.Scene.TeleportX, 8);
    EXPECT_EQ(p.State.System.Variable(1), 0) << "the process stops at the teleport";
}

TEST(ScriptMain, KeyInputWithAndWithoutWait) {
    TScriptWorld w;
    w.Main.PushFrame(0, List({SetVar(1, 9), Cmd(11610, {1, 0, 1, 1, 1}),
                              Cmd(11610, {2, 1, 1, 1, 1}), SetVar(3, 1)}));
    w.Keys.Pressed = KButtonDecide;
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.State.System.Variable(1), 0) << "nothing held";
    EXPECT_EQ(w.State.System.Variable(3), 0) << "an earlier press does not count";
    w.Keys.Pressed = KButtonUp | KButtonLeft;
    w.Main.UpdateMain(w.Game);
    EXPECT_EQ(w.State.System.Variable(2), 4);
    EXPECT_EQ(w.State.System.Variable(3), 1);
}

TEST(ScriptMain, UnknownCodesAreSilent) {
    TRun r({Cmd(55555), Cmd(55555), SetVar(1, 1)});
    EXPECT_EQ(r.Var(1), 1);
    EXPECT_TRUE(r.w.Warned().empty());
    EXPECT_EQ(FindScriptCommand(55555), nullptr);
    ASSERT_NE(FindScriptCommand(12010), nullptr);
    EXPECT_NE(FindScriptCommand(12010)->Handler, nullptr);
}

TEST(ScriptMain, MoveRoutesAndWaitingForMovement) {
    TScriptWorld w;
    auto& data = w.AddEventData(10, 10);
    w.AddPage(data, 1);
    w.CreateEvents();
    // Two steps right (code 1) given to event 1, then wait for all movement.
    w.Main.PushFrame(0, List({Cmd(11330, {1, 8, 0, 0, 1, 1}), Cmd(11340), SetVar(1, 1)}));
    int frames = 0;
    while (w.State.System.Variable(1) == 0 && frames < 200) {
        w.Frame();
        ++frames;
    }
    EXPECT_EQ(w.EventList.At(0).X, 12);
    EXPECT_GT(frames, 10);
}

TEST(ScriptSave, InterpreterRoundTripsWithItsFramesAndWideKeyVariable) {
    TScriptWorld w;
    w.Main.PushFrame(7, List({SetVar(1, 1), Cmd(12010, {0, 1, 0}, 0, "x")})).BranchResult(3) = 1;
    w.Main.TopFrame()->Pc = 1;
    w.Main.SetKeyVariable(300);
    w.Main.WaitingForKey = true;
    w.Main.WaitFrames = 12;
    const auto bytes = w.Main.Encode();
    TLcfgScripter back;
    back.Decode(bytes);
    EXPECT_EQ(back.Encode(), bytes);
    ASSERT_EQ(back.Frames.Count(), 1u);
    EXPECT_EQ(back.TopFrame()->EventId, 7);
    EXPECT_EQ(back.TopFrame()->Pc, 1);
    EXPECT_EQ(back.TopFrame()->LineAt(1).Text, "x");
    EXPECT_EQ(back.TopFrame()->BranchResults.size(), 4u);
    EXPECT_EQ(back.KeyVariable(), 300);
    EXPECT_EQ(back.WaitFrames, 12);

    // A save of the older form, with only the low byte, still reads back.
    TLcfgScripter low;
    low.SetKeyVariable(44);
    TLcfgScripter lowBack;
    lowBack.Decode(low.Encode());
    EXPECT_EQ(lowBack.KeyVariable(), 44);

    // A saved Pc beyond the list ends the frame instead of reading past it.
    TScriptWorld v;
    TLcfgScriptData& f = v.Main.PushFrame(0, List({SetVar(1, 1)}));
    f.Pc = 50;
    TLcfgScripter loaded;
    loaded.Decode(v.Main.Encode());
    EXPECT_EQ(loaded.TopFrame()->Pc, 2);
    loaded.UpdateMain(v.Game);
    EXPECT_FALSE(loaded.IsRunning());
    EXPECT_EQ(v.State.System.Variable(1), 0);
}

} // namespace
} // namespace kestra
