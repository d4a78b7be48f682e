#include "base/Errors.h"
#include "graphics/KandelDraw.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace kestra;

namespace {

// A window side that records modes and presents and hands out queued hot keys.
struct ModeHost : IKandelDrawHost {
    std::uint64_t now = 1000;
    std::vector<std::string> modes;
    const TKandelBoard* presented = nullptr;
    THotKeys pending;
    std::uint64_t Milliseconds() override { return now; }
    void Sleep(std::uint32_t ms) override { now += ms; }
    void PumpMessages() override {}
    bool IsApplicationActive() override { return true; }
    void WaitForMessage() override {}
    void Present(const TKandelBoard& board) override { presented = &board; }
    void ApplyScreenMode(bool fullScreen, int scale, bool /*fit*/) override {
        modes.push_back(std::string(fullScreen ? "full" : "window") +
                        (" " + std::to_string(scale) + "x"));
    }
    THotKeys TakeHotKeys() override {
        THotKeys k = pending;
        pending = {};
        return k;
    }
};

} // namespace

TEST(KandelDrawModes, BoardModesAndHotKeys) {
    ModeHost host;
    TKandelDraw draw(host);
    EXPECT_EQ(draw.Board.Width(), 320);
    EXPECT_EQ(draw.Board.Height(), 240);
    draw.Present();
    EXPECT_EQ(host.presented, &draw.Board);

    // Before Initialize the settings are only stored.
    draw.SetScreenZoom(true);
    draw.SetFullScreen(true);
    EXPECT_TRUE(host.modes.empty());
    draw.SetFrameRate(60);
    draw.Initialize();
    ASSERT_EQ(host.modes.size(), 1u);
    EXPECT_EQ(host.modes.back(), "full 2x");
    draw.SetFullScreen(true); // no change, nothing happens
    EXPECT_EQ(host.modes.size(), 1u);

    // Hot keys are ignored outside the main loop.
    host.pending.ToggleScreenMode = true;
    host.pending.Reset = true;
    EXPECT_NO_THROW(draw.PumpMessages());
    EXPECT_TRUE(draw.FullScreen());

    draw.HotKeysEnabled = true;
    host.pending.ToggleScreenMode = true;
    host.pending.ToggleZoom = true;
    draw.PumpMessages();
    EXPECT_FALSE(draw.FullScreen());
    EXPECT_FALSE(draw.ScreenZoom());
    ASSERT_EQ(host.modes.size(), 3u);
    EXPECT_EQ(host.modes[1], "window 2x");
    EXPECT_EQ(host.modes[2], "window 1x");

    // A mode switch restarts the schedule: no lag is left over from the switch.
    host.now += 500;
    EXPECT_GT(draw.GetLag(), 20);
    draw.ToggleScreenMode();
    EXPECT_EQ(draw.GetLag(), 0);

    host.pending.Reset = true;
    EXPECT_THROW(draw.WaitFrame(), EKandelDrawReset);
}

TEST(KandelDrawModes, CloseRequestAbortsAtTheNextPump) {
    ModeHost host;
    TKandelDraw draw(host);
    draw.SetFrameRate(60);
    draw.WaitFrame();
    draw.RequestClose();
    EXPECT_TRUE(draw.CloseRequested());
    EXPECT_THROW(draw.PumpMessages(), EKandelDrawAbort);
    EXPECT_THROW(draw.WaitFrame(), EKandelDrawAbort);
}

TEST(KandelDrawModes, FrameHookSeesEveryWaitAndHeadlessAdvancesTheClock) {
    struct ClockHost : ModeHost {
        double advanced = 0;
        void AdvanceClock(double ms) override { advanced += ms; }
    } host;
    TKandelDraw draw(host, true);
    draw.SetFrameRate(60);
    std::vector<std::uint64_t> frames;
    draw.OnFrame = [&](std::uint64_t f) { frames.push_back(f); };
    for (int i = 0; i < 3; ++i) draw.WaitFrame();
    EXPECT_EQ(frames, (std::vector<std::uint64_t>{1, 2, 3}));
    EXPECT_DOUBLE_EQ(host.advanced, 50.0);
}
