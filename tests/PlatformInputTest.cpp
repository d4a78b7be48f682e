#include "base/Errors.h"
#include "graphics/KandelDraw.h"
#include "media/MultiInput.h"
#include "platform/SdlFrameHost.h"
#include "platform/SdlInput.h"
#include "platform/SdlWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

using namespace kestra;

namespace {

void PushKey(Uint32 type, SDL_Scancode code, Uint16 mod = KMOD_NONE) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    e.key.keysym.mod = mod;
    ASSERT_EQ(SDL_PushEvent(&e), 1);
}

} // namespace

TEST(PlatformInput, EventsSeenWhilePumpingReachTheNextUpdate) {
    platform::SdlWindow window("input test", 320, 240, false);
    platform::SdlInput device(false);
    window.AddEventSink(&device);
    TMultiInput input(device);
    window.PumpEvents();
    input.Update();

    // A tap that is over before the frame samples the keyboard.
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER);
    PushKey(SDL_KEYUP, SDL_SCANCODE_KP_ENTER);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F9);
    window.PumpEvents();
    input.Update();
    EXPECT_EQ(input.Pressed, KButtonDecide);
    EXPECT_TRUE(device.FunctionKeyPressed(9));
    EXPECT_FALSE(device.FunctionKeyPressed(12));
    input.Update();
    EXPECT_EQ(input.Pressed, 0);
    EXPECT_FALSE(device.FunctionKeyPressed(9));

    // Alt+Enter is a hot key, never Decide.
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT);
    window.PumpEvents();
    input.Update();
    EXPECT_EQ(input.Pressed, 0);

    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_RIGHT;
    SDL_PushEvent(&click);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_N);
    window.PumpEvents();
    input.Update();
    EXPECT_EQ(input.Pressed, KButtonCancel | KButtonMouseRight);

    // Losing the focus empties every set, even with presses pending.
    SDL_Event focus{};
    focus.type = SDL_WINDOWEVENT;
    focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    SDL_PushEvent(&focus);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_Z);
    window.PumpEvents();
    input.Update();
    EXPECT_FALSE(device.Active());
    EXPECT_EQ(input.Pressed, 0);
    window.RemoveEventSink(&device);
}

TEST(PlatformInput, KeyTableKeysHaveDistinctScancodes) {
    for (int a = 1; a < static_cast<int>(TKeyCode::Count); ++a) {
        EXPECT_NE(platform::ScancodeOf(static_cast<TKeyCode>(a)), 0);
        for (int b = a + 1; b < static_cast<int>(TKeyCode::Count); ++b)
            EXPECT_NE(platform::ScancodeOf(static_cast<TKeyCode>(a)),
                      platform::ScancodeOf(static_cast<TKeyCode>(b)));
    }
}

TEST(PlatformFrameHost, PacesOnTheRealClockAndTurnsQuitIntoAbort) {
    platform::SdlWindow window("pacing test", 320, 240, false);
    platform::SdlFrameHost host(window);
    TKandelDraw draw(host);
    draw.SetFrameRate(100);
    draw.ResetTiming();
    std::uint64_t t0 = host.Milliseconds();
    for (int i = 0; i < 5; ++i) draw.WaitFrame();
    EXPECT_GE(host.Milliseconds() - t0, 40u);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_THROW(draw.WaitFrame(), EKandelDrawAbort);
}

TEST(PlatformInput, HotKeysFromTheWindowIgnoreAutoRepeat) {
    platform::SdlWindow window("hot keys", 320, 240, false);
    platform::SdlFrameHost host(window);
    auto pushRepeat = [](SDL_Scancode code) {
        SDL_Event e{};
        e.type = SDL_KEYDOWN;
        e.key.state = SDL_PRESSED;
        e.key.repeat = 1;
        e.key.keysym.scancode = code;
        ASSERT_EQ(SDL_PushEvent(&e), 1);
    };
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F12);
    host.PumpMessages();
    EXPECT_TRUE(host.TakeHotKeys().Reset);
    EXPECT_FALSE(host.TakeHotKeys().Reset); // taken once
    pushRepeat(SDL_SCANCODE_F12);
    host.PumpMessages();
    EXPECT_FALSE(host.TakeHotKeys().Reset);

    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F4, KMOD_LALT); // Alt+F4 is not the screen-mode key
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F5);
    host.PumpMessages();
    THotKeys keys = host.TakeHotKeys();
    EXPECT_FALSE(keys.ToggleScreenMode);
    EXPECT_TRUE(keys.ToggleZoom);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_RETURN, KMOD_LALT);
    host.PumpMessages();
    EXPECT_TRUE(host.TakeHotKeys().ToggleScreenMode);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F4);
    host.PumpMessages();
    EXPECT_TRUE(host.TakeHotKeys().ToggleScreenMode);
}

TEST(PlatformInput, WindowModesAndPresentOnTheDummyDriver) {
    platform::SdlWindow window("modes", 320, 240, true);
    platform::SdlFrameHost host(window);
    TKandelBoard board;
    board.SetSize(320, 240);
    host.ApplyScreenMode(false, 1, false);
    host.Present(board);
    host.ApplyScreenMode(false, 2, false);
    host.Present(board);
    EXPECT_FALSE(window.FullScreen());
}

// Hot keys follow their bindings: FullScreen on Tab, Zoom on F7; F4 and F5 then do nothing.
TEST(PlatformInput, HotKeysFollowTheirBindings) {
    platform::SdlWindow window("bound hot keys", 320, 240, false);
    platform::SdlFrameHost host(window);
    THotKeyBindings keys = DefaultHotKeys();
    keys[static_cast<int>(THotKey::FullScreen)] = TableKey(TKeyCode::Tab);
    keys[static_cast<int>(THotKey::Zoom)] = FunctionKey(7);
    host.BindHotKeys(keys);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F4);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F5);
    host.PumpMessages();
    THotKeys taken = host.TakeHotKeys();
    EXPECT_FALSE(taken.ToggleScreenMode);
    EXPECT_FALSE(taken.ToggleZoom);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_TAB);
    PushKey(SDL_KEYDOWN, SDL_SCANCODE_F7);
    host.PumpMessages();
    taken = host.TakeHotKeys();
    EXPECT_TRUE(taken.ToggleScreenMode);
    EXPECT_TRUE(taken.ToggleZoom);
    EXPECT_TRUE(host.TakeHotKeys().Reset == false);
}
