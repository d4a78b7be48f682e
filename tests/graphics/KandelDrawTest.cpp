#include "graphics/KandelDraw.h"
#include "base/Errors.h"

#include <functional>
#include <gtest/gtest.h>

using namespace kestra;

namespace {

// A clock that moves only when the code under test sleeps or a test says so.
struct FakeHost : IKandelDrawHost {
    std::uint64_t now = 5000;
    std::uint64_t slept = 0;
    int sleeps = 0, pumps = 0, waits = 0;
    bool active = true;
    std::function<void()> onPump;
    std::uint64_t Milliseconds() override { return now; }
    void Sleep(std::uint32_t ms) override {
        ++sleeps;
        slept += ms;
        now += ms;
    }
    void PumpMessages() override {
        ++pumps;
        if (onPump) onPump();
    }
    bool IsApplicationActive() override { return active; }
    void WaitForMessage() override {
        ++waits;
        now += 3000; // away for three seconds, then the focus comes back
        active = true;
    }
};

struct Rig {
    FakeHost host;
    TKandelDraw draw{host};
    Rig() {
        draw.SetFrameRate(60);
        draw.SetMaxLag(20);
        draw.ResetTiming();
    }
    // Elapsed milliseconds of one frame wait.
    std::uint64_t Wait() {
        std::uint64_t t = host.now;
        draw.WaitFrame();
        return host.now - t;
    }
};

} // namespace

TEST(KandelDraw, SleepsToAnAbsoluteScheduleWithoutDrift) {
    Rig r;
    std::uint64_t start = r.host.now;
    for (int i = 0; i < 6000; ++i) {
        r.Wait();
        // Just after a wait the next frame's slot has only begun.
        ASSERT_GE(r.draw.GetLag(), -1) << i;
        ASSERT_LE(r.draw.GetLag(), 0) << i;
    }
    // 5999 frame times after the first (due at once) are 99983 ms; whole-ms frame
    // times would drift by seconds.
    std::uint64_t elapsed = r.host.now - start;
    EXPECT_GE(elapsed, 99'980u);
    EXPECT_LE(elapsed, 100'010u);
    // Waiting is sleeping: a few pumps and sleeps per frame, never a spin.
    EXPECT_LE(r.host.pumps, 3 * 6000);
    EXPECT_LE(r.host.sleeps, 3 * 6000);
    EXPECT_EQ(r.draw.FramesWaited(), 6000u);
}

TEST(KandelDraw, DrawingStopsAtHalfTheAllowedLag) {
    Rig r;
    r.host.now += 9 * 1000 / 60 + 1; // 9.06 frames behind
    EXPECT_EQ(r.draw.GetLag(), 9);
    EXPECT_TRUE(r.draw.DrawAllowed());
    r.host.now += 1000 / 60;
    EXPECT_EQ(r.draw.GetLag(), 10);
    EXPECT_FALSE(r.draw.DrawAllowed());
}

TEST(KandelDraw, LagRoundsHalvesToEven) {
    FakeHost host;
    TKandelDraw draw(host);
    draw.SetFrameRate(10); // 100 ms frames
    draw.ResetTiming();
    host.now += 250;
    EXPECT_EQ(draw.GetLag(), 2);
    host.now += 100;
    EXPECT_EQ(draw.GetLag(), 4);
}

TEST(KandelDraw, CatchesUpWithinMaxLagAndResetsBeyondIt) {
    Rig r;
    // 20 frames behind: the game runs them without waiting for the clock.
    r.host.now += 20 * 1000 / 60 + 2;
    int quick = 0;
    for (int i = 0; i < 20; ++i)
        if (r.Wait() <= 2) ++quick;
    EXPECT_GE(quick, 19);

    // 21 frames behind: the schedule restarts instead.
    Rig s;
    s.host.now += 21 * 1000 / 60 + 2;
    s.Wait();
    EXPECT_LE(s.draw.GetLag(), 0);
    for (int i = 0; i < 10; ++i) EXPECT_GE(s.Wait(), 16u) << i;
}

TEST(KandelDraw, StallInsideTheWaitDoesNotCauseABurst) {
    Rig r;
    r.Wait();
    int pump = 0;
    r.host.onPump = [&] {
        if (++pump == 1) r.host.now += 200; // a dragged window blocks the pump (12 frames)
    };
    r.Wait();
    r.host.onPump = nullptr;
    EXPECT_LE(r.draw.GetLag(), 0);
    // The restarted schedule's first frame is due at once; none after it is early.
    int quick = 0;
    for (int i = 0; i < 10; ++i)
        if (r.Wait() < 16) ++quick;
    EXPECT_LE(quick, 1);
}

TEST(KandelDraw, InactiveApplicationPausesAndResumesWithoutBurst) {
    Rig r;
    r.host.active = false;
    r.Wait();
    EXPECT_EQ(r.host.waits, 1);
    EXPECT_LE(r.draw.GetLag(), 0); // three seconds away, yet not behind
    for (int i = 0; i < 5; ++i) EXPECT_GE(r.Wait(), 16u) << i;
}

TEST(KandelDraw, SettersIgnoreOrClampBadValues) {
    FakeHost host;
    TKandelDraw draw(host);
    EXPECT_EQ(draw.FrameRate(), 20);
    EXPECT_EQ(draw.MaxLag(), 4);
    draw.SetFrameRate(60);
    draw.SetFrameRate(0);
    draw.SetFrameRate(-5);
    EXPECT_EQ(draw.FrameRate(), 60);
    draw.SetMaxLag(0);
    EXPECT_EQ(draw.MaxLag(), 1);
    EXPECT_TRUE(draw.DrawAllowed()); // on time with MaxLag 1 still draws
    draw.SetMaxLag(1);
    EXPECT_EQ(draw.MaxLag(), 1);
    draw.SetMaxLag(2);
    EXPECT_EQ(draw.MaxLag(), 2);
}

TEST(KandelDraw, HeadlessNeverSleepsAndNeverLags) {
    FakeHost host;
    TKandelDraw draw(host, true);
    draw.SetFrameRate(60);
    host.active = false;
    for (int i = 0; i < 100; ++i) {
        host.now += 1000; // however slow the frames are
        draw.WaitFrame();
        ASSERT_EQ(draw.GetLag(), 0);
    }
    EXPECT_EQ(host.sleeps, 0);
    EXPECT_EQ(host.waits, 0);
    EXPECT_EQ(host.pumps, 100);
}

TEST(KandelDraw, AbortFromThePumpLeavesTheWait) {
    Rig r;
    r.host.onPump = [] { throw EKandelDrawAbort(); };
    EXPECT_THROW(r.draw.WaitFrame(), EKandelDrawAbort);
}
