#include "platform/SdlWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <vector>

TEST(PlatformWindow, OpensPresentsAndPumpsOnTheDummyDriver) {
    kestra::platform::SdlWindow window("test", 320, 240, true);
    std::vector<std::uint16_t> pixels(320 * 240, 0xF800);
    window.Present(pixels.data(), 320 * 2);
    auto events = window.PumpEvents();
    EXPECT_FALSE(events.Escape);
    auto t0 = kestra::platform::SdlWindow::Milliseconds();
    kestra::platform::SdlWindow::Delay(2);
    EXPECT_GE(kestra::platform::SdlWindow::Milliseconds(), t0);
}

// An unchanged picture is not sent again; a changed one is, enlarged 2x; a new
// window size draws the last picture again without a present.
TEST(PlatformWindow, PresentsOnlyChangesAndRedrawsAfterResizing) {
    kestra::platform::SdlWindow window("test", 320, 240, true);
    window.PumpEvents(); // the window's first events
    std::vector<std::uint16_t> pixels(320 * 240, 0x001F);
    pixels[0] = 0xF800;
    window.Present(pixels.data(), 320 * 2);
    const std::uint64_t shown = window.FramesShown();
    EXPECT_GE(shown, 1u);
    window.Present(pixels.data(), 320 * 2);
    window.Present(pixels.data(), 320 * 2);
    EXPECT_EQ(window.FramesShown(), shown);
    EXPECT_EQ(window.FramesSkipped(), 2u);
    pixels[320 * 239 + 319] = 0x07E0; // the very last pixel
    window.Present(pixels.data(), 320 * 2);
    EXPECT_EQ(window.FramesShown(), shown + 1);

    int w = 0, h = 0;
    std::vector<std::uint32_t> screen = window.ReadScreen(w, h);
    if (screen.empty())
        GTEST_SKIP() << "the renderer " << window.RendererName() << " cannot be read";
    ASSERT_EQ(w, 640);
    ASSERT_EQ(h, 480);
    EXPECT_EQ(screen[0], 0xFF0000u);
    EXPECT_EQ(screen[641], 0xFF0000u);
    EXPECT_EQ(screen[2], 0x0000FFu);
    EXPECT_EQ(screen[640 * 479 + 638], 0x00FF00u);

    window.SetMode(false, 1, false);
    window.PumpEvents();
    EXPECT_EQ(window.FramesShown(), shown + 2); // drawn again at the new size
    screen = window.ReadScreen(w, h);
    ASSERT_EQ(w, 320);
    ASSERT_EQ(h, 240);
    EXPECT_EQ(screen[0], 0xFF0000u);
    EXPECT_EQ(screen[1], 0x0000FFu);
    EXPECT_EQ(screen[320 * 239 + 319], 0x00FF00u);
    window.Present(pixels.data(), 320 * 2);
    EXPECT_EQ(window.FramesSkipped(), 3u);
}

// The window takes 1x to 4x; a window the user resized shows the picture by the largest
// whole factor, centred, or with Fit as large as its aspect allows.
TEST(PlatformWindow, ScalesAndFitsTheWindowTheUserResized) {
    kestra::platform::SdlWindow window("scale", 320, 240, true);
    std::vector<std::uint16_t> pixels(320 * 240, 0xF800);
    window.SetMode(false, 3, false);
    window.Present(pixels.data(), 320 * 2);
    window.PumpEvents();
    EXPECT_EQ(window.PictureRect(), (std::array<int, 4>{0, 0, 960, 720}));
    window.SetMode(false, 4, false);
    window.PumpEvents();
    EXPECT_EQ(window.PictureRect(), (std::array<int, 4>{0, 0, 1280, 960}));

    // As the window system resizes it: the same window, another size.
    SDL_Window* sdl = SDL_GetWindowFromID(1);
    for (Uint32 id = 1; id < 64 && sdl == nullptr; ++id) sdl = SDL_GetWindowFromID(id);
    ASSERT_NE(sdl, nullptr);
    int count = 0;
    for (Uint32 id = 1; id < 64; ++id) count += SDL_GetWindowFromID(id) != nullptr;
    ASSERT_EQ(count, 1) << "one window only, so that it is ours";
    SDL_SetWindowSize(sdl, 800, 500);
    window.PumpEvents();
    EXPECT_EQ(window.PictureRect(), (std::array<int, 4>{80, 10, 640, 480}));
    window.SetMode(false, 4, true);
    SDL_SetWindowSize(sdl, 800, 500);
    window.PumpEvents();
    EXPECT_EQ(window.PictureRect(), (std::array<int, 4>{67, 0, 666, 500}));
    int w = 0, h = 0;
    std::vector<std::uint32_t> screen = window.ReadScreen(w, h);
    if (screen.empty())
        GTEST_SKIP() << "the renderer " << window.RendererName() << " cannot be read";
    ASSERT_EQ(w, 800);
    EXPECT_EQ(screen[static_cast<std::size_t>(250 * 800 + 66)], 0u) << "black beside the picture";
    EXPECT_EQ(screen[static_cast<std::size_t>(250 * 800 + 67)], 0xFF0000u);
    EXPECT_EQ(screen[static_cast<std::size_t>(250 * 800 + 732)], 0xFF0000u);
    EXPECT_EQ(screen[static_cast<std::size_t>(250 * 800 + 733)], 0u);
}
