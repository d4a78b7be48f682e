#include "media/MultiInput.h"
#include "media/ScriptedInput.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

struct Rig {
    explicit Rig(std::string_view script)
        : device(TScriptedInput::FromText(script, "test")), input(device) {}
    TScriptedInput device;
    TMultiInput input;
};

} // namespace

TEST(MultiInput, TapBetweenFramesIsPressedOnceInTheNextFrame) {
    Rig r("");
    r.input.Update();
    EXPECT_EQ(r.input.Pressed, 0);
    r.device.Tap(TKeyCode::Z); // down and up again before the next update
    r.input.Update();
    EXPECT_EQ(r.input.Pressed, KButtonDecide);
    EXPECT_EQ(r.input.Held, 0);
    EXPECT_EQ(r.input.Repeated, 0); // repeat needs the button held
    r.input.Update();
    EXPECT_EQ(r.input.Pressed, 0);
}

TEST(MultiInput, PressIsHandedOverExactlyOnce) {
    Rig r("3 Decide\n");
    int pressedFrames = 0;
    for (int frame = 1; frame <= 10; ++frame) {
        r.input.Update();
        if (r.input.Pressed & KButtonDecide) {
            ++pressedFrames;
            EXPECT_EQ(frame, 3);
        }
        EXPECT_EQ((r.input.Held & KButtonDecide) != 0, frame >= 3);
    }
    EXPECT_EQ(pressedFrames, 1);
}

TEST(MultiInput, RepeatFiresOnPressThenAfter23FramesThenEvery4) {
    Rig r("1 Down\n101\n");
    std::vector<int> fired;
    for (int frame = 1; frame <= 100; ++frame) {
        r.input.Update();
        if (r.input.Repeated) {
            EXPECT_EQ(r.input.Repeated, KButtonDown);
            fired.push_back(frame);
        }
    }
    std::vector<int> expected = {1};
    for (int f = 24; f <= 100; f += 4) expected.push_back(f);
    EXPECT_EQ(fired, expected);
    r.input.Update(); // released: no output
    EXPECT_EQ(r.input.Repeated, 0);
}

TEST(MultiInput, RepeatPausesWhileReleasedAndRestartsOnANewPress) {
    Rig r("1 Left\n11\n21 Left\n");
    for (int frame = 1; frame <= 20; ++frame) r.input.Update();
    EXPECT_EQ(r.input.Repeated, 0);
    r.input.Update(); // frame 21: a new press restarts the counter
    EXPECT_EQ(r.input.Repeated, KButtonLeft);
    for (int frame = 22; frame <= 43; ++frame) {
        r.input.Update();
        EXPECT_EQ(r.input.Repeated, 0) << frame;
    }
    r.input.Update(); // frame 44 = counter 24
    EXPECT_EQ(r.input.Repeated, KButtonLeft);
}

TEST(MultiInput, CancelWinsTheRepeatWhenPressedWithDecide) {
    Rig r("1 Decide Cancel\n");
    r.input.Update();
    EXPECT_EQ(r.input.Pressed, KButtonDecide | KButtonCancel);
    EXPECT_EQ(r.input.Repeated, KButtonCancel);
    for (int frame = 2; frame <= 24; ++frame) r.input.Update();
    EXPECT_EQ(r.input.Repeated, KButtonCancel);
}

TEST(MultiInput, DirectionFollowsTheLastAxisAndOppositesCancel) {
    Rig r("1 Right\n2 Right Down\n3 Right\n4 Up Down\n5 Up Down Left\n6 Down\n7 Down Left\n"
          "8 Left Right\n9\n");
    const int expected[] = {6, 2, 6, 0, 4, 2, 4, 0, 0};
    for (int frame = 1; frame <= 9; ++frame) {
        r.input.Update();
        EXPECT_EQ(r.input.Direction, expected[frame - 1]) << "frame " << frame;
    }
}

TEST(MultiInput, AltSuppressesKeysButNotModifiersMouseOrJoystick) {
    Rig r("1 Alt Decide Down Shift Ctrl\n");
    r.input.Update();
    EXPECT_EQ(r.input.Held, KButtonShift | KButtonCtrl);
    EXPECT_EQ(r.input.Direction, 0);
    r.device.Tap(TKeyCode::Z);
    r.input.Update();
    EXPECT_EQ(r.input.Pressed & KButtonDecide, 0);

    struct JoyDevice : IInputDevice {
        TInputSample next;
        TInputSample Sample() override { return next; }
        bool FunctionKeyDown(int) const override { return false; }
        bool FunctionKeyPressed(int) const override { return false; }
    } joy;
    TMultiInput input(joy);
    joy.next.Alt = true;
    joy.next.KeysDown = KeyBit(TKeyCode::Up);
    joy.next.JoystickPresent = true;
    joy.next.JoystickX = -8192; // just beyond the 25 % dead zone
    joy.next.JoystickY = 8191;  // on the threshold: not a direction
    joy.next.JoystickButtonsDown = 0x4;
    joy.next.MouseDown = KMouseRight;
    input.Update();
    EXPECT_EQ(input.Held, KButtonLeft | KButtonDecide | KButtonMouseRight);
    EXPECT_EQ(input.Direction, 4);
    joy.next.JoystickButtonsDown = 0x2;
    input.Update();
    EXPECT_EQ(input.Held & (KButtonDecide | KButtonCancel), KButtonCancel);
    input.JoystickDisabled = true;
    input.Update();
    EXPECT_EQ(input.Held, KButtonMouseRight);
}

TEST(MultiInput, InactiveApplicationClearsEverySet) {
    Rig r("1 Down Shift\n");
    r.input.Update();
    ASSERT_NE(r.input.Held, 0);
    r.device.SetActive(false);
    r.device.Tap(TKeyCode::Space);
    r.input.Update();
    EXPECT_EQ(r.input.Held, 0);
    EXPECT_EQ(r.input.Pressed, 0);
    EXPECT_EQ(r.input.Repeated, 0);
    EXPECT_EQ(r.input.Direction, 0);
    r.device.SetActive(true); // coming back with the key still held presses it anew
    r.input.Update();
    EXPECT_EQ(r.input.Pressed, KButtonDown | KButtonShift);
}

TEST(MultiInput, FlushSwallowsAPressMadeDuringAFade) {
    Rig r("2 Decide\n");
    r.input.Update();
    r.input.Flush();
    EXPECT_EQ(r.device.SampleCount(), 3u);
    EXPECT_EQ(r.input.Pressed, 0);
    EXPECT_EQ(r.input.Held, KButtonDecide);
}

TEST(ScriptedInput, ParsesChangesCommentsAndFunctionKeys) {
    TScriptedInput d =
        TScriptedInput::FromText("# start\n\n 2  f12 shift # reset\r\n4\n5 F9\n", "s.txt");
    ASSERT_EQ(d.Changes().size(), 3u);
    d.Sample();
    EXPECT_FALSE(d.FunctionKeyDown(12));
    d.Sample();
    EXPECT_TRUE(d.FunctionKeyDown(12));
    EXPECT_TRUE(d.FunctionKeyPressed(12));
    d.Sample();
    EXPECT_TRUE(d.FunctionKeyDown(12));
    EXPECT_FALSE(d.FunctionKeyPressed(12));
    TInputSample s = d.Sample(); // 4: all released
    EXPECT_FALSE(s.Shift);
    EXPECT_FALSE(d.FunctionKeyDown(12));
    d.Sample();
    EXPECT_TRUE(d.FunctionKeyPressed(9));
    EXPECT_FALSE(d.FunctionKeyPressed(13));
}

TEST(ScriptedInput, BadScriptsNameTheLine) {
    auto message = [](std::string_view text) {
        try {
            TScriptedInput::FromText(text, "in.txt");
        } catch (const EInputScriptError& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message("1 Down\n2 Jump\n").substr(0, 9), "in.txt:2:");
    EXPECT_NE(message("1 Down\n2 Jump\n").find("Jump"), std::string::npos);
    EXPECT_NE(message("\n\nx Down\n").find("in.txt:3:"), std::string::npos);
    EXPECT_NE(message("5 Up\n5 Down\n").find("in.txt:2:"), std::string::npos);
    EXPECT_NE(message("-1 Up\n").find("in.txt:1:"), std::string::npos);
    EXPECT_NE(message("99999999999999999999999 Up\n").find("in.txt:1:"), std::string::npos);
    EXPECT_THROW(TScriptedInput::FromFile("/nonexistent/input.txt"), EFileError);
}
