// Gamepads through SDL without hardware: SDL's virtual joysticks stand in for a pad
// with a known layout, a joystick with none, and one whose layout comes from the
// player's own mapping file, plugged in and out while the input runs.
#include "media/MultiInput.h"
#include "platform/SdlInput.h"
#include "platform/SdlWindow.h"
#include "shell/TempDir.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <fstream>

using namespace kestra;

namespace {

// A virtual device's buttons and axes, set as the hardware would.
void SetButton(int device, SDL_GameControllerButton button, bool down) {
    SDL_Joystick* j = SDL_JoystickFromInstanceID(device);
    ASSERT_NE(j, nullptr);
    SDL_JoystickSetVirtualButton(j, button, down ? 1 : 0);
}

int AttachPad() {
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    EXPECT_GE(index, 0) << SDL_GetError();
    return index;
}

// The dummy driver's window never has the focus, and SDL drops joystick input of
// unfocused windows unless told not to.
bool AllowBackgroundPads() {
    return SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1") == SDL_TRUE;
}

struct TPadRig {
    explicit TPadRig(const std::filesystem::path& mappings = {})
        : allowed(AllowBackgroundPads()), window("pad test", 320, 240, false),
          device(true, mappings), input(device) {
        window.AddEventSink(&device);
    }
    ~TPadRig() { window.RemoveEventSink(&device); }
    void Frame() {
        SDL_JoystickUpdate();
        window.PumpEvents();
        input.Update();
    }
    bool allowed;
    platform::SdlWindow window;
    platform::SdlInput device;
    TMultiInput input;
};

} // namespace

TEST(PlatformGamepad, APadPluggedInWhilePlayingWorksAtOnceAndUnpluggingReleasesIt) {
    TPadRig rig;
    rig.Frame();
    EXPECT_EQ(rig.device.PadCount(), 0u);

    const int index = AttachPad();
    rig.Frame();
    ASSERT_EQ(rig.device.PadCount(), 1u);
    EXPECT_FALSE(rig.device.HasJoystick()) << "a pad is not also the raw joystick";
    const SDL_JoystickID id = SDL_JoystickGetDeviceInstanceID(index);

    SetButton(id, SDL_CONTROLLER_BUTTON_A, true);
    SetButton(id, SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
    rig.Frame();
    EXPECT_EQ(rig.input.Held, KButtonDecide | KButtonLeft);
    EXPECT_EQ(rig.input.Pressed, KButtonDecide | KButtonLeft);
    EXPECT_EQ(rig.input.Direction, 4);

    // The stick pushed up past the dead zone, Start for Cancel; a tap of B between two
    // frames is still a press.
    SetButton(id, SDL_CONTROLLER_BUTTON_A, false);
    SetButton(id, SDL_CONTROLLER_BUTTON_DPAD_LEFT, false);
    SDL_JoystickSetVirtualAxis(SDL_JoystickFromInstanceID(id), SDL_CONTROLLER_AXIS_LEFTY, -30000);
    SetButton(id, SDL_CONTROLLER_BUTTON_START, true);
    rig.Frame();
    EXPECT_EQ(rig.input.Held, KButtonUp | KButtonCancel);
    SetButton(id, SDL_CONTROLLER_BUTTON_START, false);
    SetButton(id, SDL_CONTROLLER_BUTTON_B, true);
    SDL_JoystickUpdate();
    SetButton(id, SDL_CONTROLLER_BUTTON_B, false);
    rig.Frame();
    EXPECT_EQ(rig.input.Pressed & KButtonCancel, KButtonCancel);

    // Unplugged with a button held: nothing stays down.
    SetButton(id, SDL_CONTROLLER_BUTTON_A, true);
    rig.Frame();
    EXPECT_EQ(rig.input.Held & KButtonDecide, KButtonDecide);
    ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
    rig.Frame();
    EXPECT_EQ(rig.device.PadCount(), 0u);
    EXPECT_EQ(rig.input.Held, 0);
}

TEST(PlatformGamepad, AJoystickWithoutALayoutIsTheRawJoystickAsBefore) {
    TPadRig rig;
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 4, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    rig.Frame();
    EXPECT_EQ(rig.device.PadCount(), 0u);
    ASSERT_TRUE(rig.device.HasJoystick());
    SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    // Buttons 1 and 3 (indexes 0 and 2) decide, button 2 cancels; the axes move.
    SDL_JoystickSetVirtualButton(j, 2, 1);
    SDL_JoystickSetVirtualAxis(j, 0, 20000);
    rig.Frame();
    EXPECT_EQ(rig.input.Held, KButtonDecide | KButtonRight);
    SDL_JoystickSetVirtualButton(j, 2, 0);
    SDL_JoystickSetVirtualButton(j, 1, 1);
    SDL_JoystickSetVirtualAxis(j, 0, 0);
    rig.Frame();
    EXPECT_EQ(rig.input.Held, KButtonCancel);
    SDL_JoystickDetachVirtual(index);
    rig.Frame();
    EXPECT_FALSE(rig.device.HasJoystick());
    EXPECT_EQ(rig.input.Held, 0);
}

TEST(PlatformGamepad, ThePlayersMappingFileGivesAJoystickAPadLayout) {
    // The GUID SDL gives this virtual joystick, for the mapping line.
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);
    const int probe = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 8, 0);
    ASSERT_GE(probe, 0);
    char guid[64];
    SDL_JoystickGetGUIDString(SDL_JoystickGetDeviceGUID(probe), guid, sizeof guid);
    // Mapping files leave out the name's checksum (digits 4-7), as the database does.
    for (int i = 4; i < 8; ++i) guid[i] = '0';
    SDL_JoystickDetachVirtual(probe);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);

    test::TempDir dir;
    const auto file = dir.Path() / "gamecontrollerdb.txt";
    // The pad's south button on the joystick's button 5, Start on 7.
    std::ofstream(file) << "# the player's own pads\n"
                        << guid << ",My Pad,a:b5,b:b6,start:b7,leftx:a0,lefty:a1,platform:Linux,\n";
    TPadRig rig(file);
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_UNKNOWN, 2, 8, 0);
    ASSERT_GE(index, 0);
    rig.Frame();
    ASSERT_EQ(rig.device.PadCount(), 1u) << guid << " " << SDL_IsGameController(index);
    EXPECT_FALSE(rig.device.HasJoystick());
    SDL_Joystick* j = SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index));
    SDL_JoystickSetVirtualButton(j, 5, 1);
    rig.Frame();
    EXPECT_EQ(rig.input.Held, KButtonDecide);
    SDL_JoystickDetachVirtual(index);
    rig.Frame();

    // A broken file is a warning, and the device still works.
    std::ofstream(dir.Path() / "broken.txt") << "not,a,mapping\n";
    testing::internal::CaptureStderr();
    platform::SdlInput quiet(true, dir.Path() / "broken.txt");
    const std::string err = testing::internal::GetCapturedStderr();
    (void)err; // SDL skips lines it cannot read; a file it cannot open is reported
    platform::SdlInput missing(true, dir.Path() / "none.txt");
    EXPECT_EQ(missing.PadCount(), 0u);
}
