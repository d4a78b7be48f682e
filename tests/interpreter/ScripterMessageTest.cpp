// The message commands run by the main interpreter against a real message box: a
// message takes a following choice list or number input into its box only when it
// fits, the answer selects the branch, and a later message takes over a closing box.
#include "../scenes/MessageTestHost.h"
#include "../state/GameFixture.h"
#include "base/Random.h"
#include "interpreter/LGD_Scripter.h"
#include "media/MultiInput.h"
#include "scenes/GameWindowsMessage.h"
#include "state/LGD_GameState.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

TVezEventScriptLine Line(std::int32_t code, std::int32_t indent, std::string text = {},
                         std::vector<std::int32_t> params = {}) {
    TVezEventScriptLine l;
    l.Code = code;
    l.Indent = indent;
    l.Text = std::move(text);
    l.Params = std::move(params);
    return l;
}

// Variable 1 := value.
TVezEventScriptLine SetVar(std::int32_t indent, std::int32_t value) {
    return Line(10220, indent, {}, {0, 1, 0, 0, 0, value});
}

struct MessageCommands : ::testing::Test, kestra::test::TGameFixture, ILcfgScriptWorld {
    MessageCommands() : State(Env()) { State.Reset(); }

    TLcfgGameState& Game() override { return State; }
    TRandom& Random() override { return Rng; }
    ILcfgMessageBox* MessageBox() override { return &Box; }

    void Run(std::vector<TVezEventScriptLine> lines) {
        TVezEventScriptList list;
        list.Clear();
        for (auto& l : lines) list.Append(std::move(l));
        list.Append(Line(0, 0));
        Main.PushFrame(0, list);
    }
    // One field frame: the box's closing mark, the box, then the interpreter.
    void Frame(std::uint16_t pressed = 0, std::uint16_t repeated = 0) {
        if (Box.ClosePhase() > 0) Box.ClearAlreadyOpen();
        Keys.pressed = pressed;
        Host.keys = repeated;
        Box.Update();
        Keys.pressed = 0;
        Host.keys = 0;
        Main.UpdateMain(*this);
    }
    // Frames until the page is typed and the box reads keys.
    void Typed() {
        for (int k = 0; k < 200 && (Box.TypeLine < Box.LineCount() || Box.Wait > 0); ++k) Frame();
    }
    // Frames until the box is gone or shows something else.
    void Settle(int frames = 10) {
        for (int k = 0; k < frames; ++k) Frame();
    }

    TLcfgGameState State;
    TRandom Rng;
    TTestWindowHost Host;
    TTestMessageHost Keys{Host};
    TVezMessageWindow Box{Host};
    TLcfgScripter Main;
};

TEST_F(MessageCommands, ThreeChoicesAndCancelAfterOneLineOpenTheirOwnBox) {
    Run({Line(10110, 0, "Pick one"), Line(10140, 0, {}, {5}), Line(20140, 0, "Red", {0}),
         SetVar(1, 10), Line(20140, 0, "Green", {1}), SetVar(1, 20), Line(20140, 0, "Blue", {2}),
         SetVar(1, 30), Line(20140, 0, {}, {4}), SetVar(1, 99), Line(20141, 0)});
    Frame();
    ASSERT_EQ(Box.Lines, (std::vector<std::string>{"Pick one"}));
    EXPECT_TRUE(State.System.MessageActive);
    Typed();
    Frame(KButtonDecide);
    Settle();
    // The choices came after the message closed, in a box of their own.
    ASSERT_EQ(Box.Lines, (std::vector<std::string>{"  Red", "  Green", "  Blue"}));
    Typed();
    Frame(KButtonCancel);
    Settle();
    EXPECT_EQ(State.System.Variable(1), 99);
    EXPECT_FALSE(Main.IsRunning());
}

TEST_F(MessageCommands, ChoicesThatFitJoinTheMessage) {
    Run({Line(10110, 0, "Two lines"), Line(20110, 0, "of text"), Line(10140, 0, {}, {0}),
         Line(20140, 0, "Yes", {0}), SetVar(1, 1), Line(20140, 0, "No", {1}), SetVar(1, 2),
         Line(20141, 0)});
    Frame();
    ASSERT_EQ(Box.Lines, (std::vector<std::string>{"Two lines", "of text", "  Yes", "  No"}));
    EXPECT_EQ(Box.ContentTop, 40);
    Typed();
    Frame(KButtonCancel); // cancel is not allowed
    EXPECT_TRUE(Box.Present());
    Frame(0, KButtonDown);
    Frame(KButtonDecide);
    Settle();
    EXPECT_EQ(State.System.Variable(1), 2);
    EXPECT_FALSE(Main.IsRunning());
}

TEST_F(MessageCommands, AnAnswerForAnEndedFrameIsDropped) {
    // The frame ends while its choices wait (as the abort key does); the answer given
    // later must not reach the frame that runs next in the same place.
    Run({Line(10140, 0, {}, {2}), Line(20140, 0, "A", {0}), Line(20140, 0, "B", {1}),
         Line(20141, 0)});
    Frame();
    ASSERT_TRUE(Box.Present());
    Main.EndFrame();
    Typed();
    Frame(KButtonCancel);
    EXPECT_EQ(Box.Result(), 1);
    Run({Line(20140, 0, {}, {1}), SetVar(1, 5), Line(20141, 0)});
    Settle();
    EXPECT_FALSE(Main.IsRunning());
    EXPECT_EQ(State.System.Variable(1), 0);
}

TEST_F(MessageCommands, NumberInputJoinsWhenThereIsRoom) {
    Run({Line(10110, 0, "How many?"), Line(10150, 0, {}, {2, 7})});
    Frame();
    EXPECT_EQ(Box.LineCount(), 1);
    EXPECT_EQ(Box.NumberDigits, 2);
    Typed();
    Frame(0, KButtonUp);
    Frame(KButtonDecide);
    Settle();
    EXPECT_EQ(Keys.system.Variable(7), 10); // the box stores it through its host

    // A full page leaves the number input for a box of its own.
    Run({Line(10110, 0, "1"), Line(20110, 0, "2"), Line(20110, 0, "3"), Line(20110, 0, "4"),
         Line(10150, 0, {}, {1, 8})});
    Frame();
    EXPECT_EQ(Box.LineCount(), 4);
    EXPECT_EQ(Box.NumberDigits, 0);
    Typed();
    Frame(KButtonDecide);
    Settle();
    EXPECT_EQ(Box.LineCount(), 0);
    EXPECT_EQ(Box.NumberDigits, 1);
}

TEST_F(MessageCommands, AMessageTakesOverAClosingBox) {
    // Two messages in a row: the second is shown in the same frame the first closes,
    // without a new opening.
    Run({Line(10110, 0, "First"), Line(10110, 0, "Second")});
    Frame();
    for (int k = 0; k < 8; ++k) Frame();
    Typed();
    Frame(KButtonDecide);
    EXPECT_EQ(Box.Lines, (std::vector<std::string>{"Second"}));
    EXPECT_EQ(Box.OpenPhase, 8);
    EXPECT_EQ(Box.ClosePhase(), 0);
}

} // namespace
