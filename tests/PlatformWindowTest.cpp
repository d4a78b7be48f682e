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
