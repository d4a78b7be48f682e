#include "platform/SdlWindow.h"

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

    window.SetMode(false, false);
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
