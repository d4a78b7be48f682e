#include "base/Errors.h"
#include "shell/LS_Base.h"
#include "shell/LS_Transitions.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>

using namespace kestra;

namespace {

// Records what the scene framework asks of the program around it.
class FakeHost : public TSceneHost {
public:
    FakeHost() { board.SetSize(KScreenWidth, KScreenHeight); }
    TKandelBoard& Board() override { return board; }
    bool CanDraw() override { return onTime; }
    void Present() override { ++presents; }
    void WaitFrame() override {
        ++frames;
        if (resetAtFrame && frames == resetAtFrame) throw EKandelDrawReset();
    }
    void FlushInput() override { ++flushes; }
    TRandom& Random() override { return random; }

    TKandelBoard board;
    TRandom random{42};
    bool onTime = true;
    int presents = 0, frames = 0, flushes = 0, resetAtFrame = 0;
};

// Draws vertical stripes whose colours depend on the scene; through FillRect the
// board's brightness applies, so brightness 0 draws black.
class StripeScene : public TVezScene {
public:
    StripeScene(TSceneHost& host, int base) : TVezScene(host), base_(base) {}
    void Draw() override {
        for (int x = 0; x < KScreenWidth; x += 8)
            Host.Board().FillRect(RectOfSize(x, 0, 8, KScreenHeight), (x + base_) & 255,
                                  (x * 3 + base_) & 255, 255 - base_);
        ++draws;
    }
    int draws = 0;

private:
    int base_;
};

bool SameBoards(const TKandelBoard& a, const TKandelBoard& b) {
    for (int y = 0; y < a.Height(); ++y)
        if (!std::equal(a.ScanLine(y), a.ScanLine(y) + a.Width(), b.ScanLine(y))) return false;
    return true;
}

bool IsBlack(const TKandelBoard& a) {
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.ScanLine(y)[x] != 0) return false;
    return true;
}

} // namespace

TEST(SceneTransitions, FrameCountsAndFinalPictures) {
    for (int t = 0; t <= 21; ++t) {
        SCOPED_TRACE(t);
        FakeHost host;
        StripeScene before(host, 10), after(host, 200);
        before.Draw();
        after.ShowWithTransition(t);
        EXPECT_EQ(host.frames, t == 19 ? 0 : 41);
        EXPECT_GE(host.flushes, 1);
        // Every transition but the wave (which ends one pixel off) leaves the new
        // picture; numbers past 19 paint nothing, so the old picture stays.
        if (t == 18) continue;
        FakeHost reference;
        StripeScene(reference, t > 19 ? 10 : 200).Draw();
        EXPECT_TRUE(SameBoards(host.board, reference.board));
    }
}

TEST(SceneTransitions, HideEndsBlackForEveryNumber) {
    for (int t = 0; t <= 20; ++t) {
        SCOPED_TRACE(t);
        FakeHost host;
        StripeScene scene(host, 77);
        scene.HideWithTransition(t);
        EXPECT_EQ(host.board.Brightness, 0);
        EXPECT_TRUE(IsBlack(host.board));
        EXPECT_EQ(host.frames, t == 19 ? 0 : (t == 0 ? 34 : 41));
    }
}

TEST(SceneTransitions, FadeDependsOnBrightness) {
    FakeHost host;
    StripeScene scene(host, 5);
    host.board.Brightness = 0;
    scene.ShowWithTransition(0); // from black: a fade in of 34 frames at step 3
    EXPECT_EQ(host.frames, 34);
    EXPECT_EQ(host.board.Brightness, 100);
    host.frames = 0;
    scene.HideWithTransition(0);
    scene.ShowWithTransition(0); // a hide and a show with 0: fade out, fade in
    EXPECT_EQ(host.frames, 68);
    host.frames = 0;
    scene.ShowWithTransition(0); // at full brightness: cross-fade
    EXPECT_EQ(host.frames, 41);
}

TEST(SceneTransitions, BlockOrdersArePermutationsDrawnInOrder) {
    for (int t = 1; t <= 3; ++t) {
        TRandom random(7);
        std::vector<int> order = transition::BlockOrder(t, random);
        std::vector<int> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        std::vector<int> all(4800);
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(sorted, all) << t;
        // The generator advanced once per draw: 4800 for random blocks, 3200 for the jittered ones.
        TRandom expected(7);
        for (int k = 0; k < (t == 1 ? 4800 : 3200); ++k) expected.Next(2);
        EXPECT_EQ(random.Seed, expected.Seed) << t;
        // Jitter keeps the sweep: the first step's blocks lie on the side the sweep starts.
        if (t > 1) {
            double first = std::accumulate(order.begin(), order.begin() + 120, 0.0) / 120;
            double last = std::accumulate(order.end() - 120, order.end(), 0.0) / 120;
            EXPECT_EQ(first < last, t == 2) << t;
        }
    }
}

TEST(SceneTransitions, PixelArithmetic) {
    // (l x a + (257 - l) x b) div 256 per channel.
    EXPECT_EQ(transition::CrossFadePixel(0xFFFF, 0x0000, 128), (15 << 11) | (31 << 5) | 15);
    EXPECT_EQ(transition::CrossFadePixel(0xFFFF, 0x0000, 256), 0xFFFF);
    EXPECT_EQ(transition::CrossFadePixel(0x0000, 0xFFFF, 0), 0xFFFF); // 257 x 31 div 256 = 31
    EXPECT_EQ(transition::CrossFadePixel(0x0000, 0x0801, 256), 0x0000);

    // Wave: trunc(sine(16 a + 8 y) x 2 a).
    EXPECT_EQ(transition::WaveShift(1, 0), 0);    // sin(pi/8) x 2 = 0.77
    EXPECT_EQ(transition::WaveShift(10, 0), -14); // sin(2 pi 160/256) x 20 = -14.1
    EXPECT_EQ(transition::WaveShift(4, 4), 5);    // sin(2 pi 96/256) x 8 = 5.66

    // Zoom source rectangles.
    EXPECT_TRUE(transition::ZoomSource(true, 0, {160, 112}).Empty());
    EXPECT_EQ(transition::ZoomSource(true, 40, {160, 112}), RectOfSize(0, 0, 320, 240));
    EXPECT_EQ(transition::ZoomSource(true, 20, {160, 112}), RectOfSize(80, 54, 160, 120));
    EXPECT_EQ(transition::ZoomSource(true, 20, {0, 0}), RectOfSize(0, 0, 160, 120));
    EXPECT_EQ(transition::ZoomSource(false, 0, {160, 112}), RectOfSize(0, 0, 320, 240));
    EXPECT_TRUE(transition::ZoomSource(false, 40, {160, 112}).Empty());
}

TEST(SceneTransitions, MosaicAndWaveRows) {
    TKandelBoard source, dest;
    source.SetSize(320, 240);
    dest.SetSize(320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) source.ScanLine(y)[x] = static_cast<std::uint16_t>(x);
    // Block 4, offset 1: source column a ((r + e + x) div a) - e, clamped.
    transition::Mosaic(dest, source, 4, 1);
    const std::uint16_t* row = dest.ScanLine(0);
    EXPECT_EQ(row[0], 0); // -2 clamps to 0
    EXPECT_EQ(row[1], 2);
    EXPECT_EQ(row[4], 2);
    EXPECT_EQ(row[5], 6);
    EXPECT_EQ(row[319], 318);
    transition::Mosaic(dest, source, 1, 0); // block size 1 is the picture itself
    EXPECT_TRUE(SameBoards(dest, source));

    transition::Wave(dest, source, 10); // row 0 moves 14 pixels right, left edge black
    EXPECT_EQ(dest.ScanLine(0)[13], 0);
    EXPECT_EQ(dest.ScanLine(0)[14], 0);
    EXPECT_EQ(dest.ScanLine(0)[20], 6);
    const int s = transition::WaveShift(10, 20);
    ASSERT_GT(s, 0); // a row that moves left: right edge black
    EXPECT_EQ(dest.ScanLine(20)[0], s);
    EXPECT_EQ(dest.ScanLine(20)[319], 0);
}

TEST(SceneTransitions, LagSkipsDrawingButBlocksStillPaint) {
    FakeHost host;
    host.onTime = false;
    StripeScene before(host, 1), after(host, 99);
    before.Draw();
    after.ShowWithTransition(5);
    EXPECT_EQ(host.presents, 0);
    EXPECT_EQ(host.frames, 41);
    FakeHost reference;
    StripeScene(reference, 99).Draw();
    EXPECT_TRUE(SameBoards(host.board, reference.board)); // painted while lagging

    // A mosaic that never paints never draws a random number.
    FakeHost lagging;
    lagging.onTime = false;
    StripeScene m(lagging, 3);
    std::uint32_t seed = lagging.random.Seed;
    m.ShowWithTransition(17);
    EXPECT_EQ(lagging.random.Seed, seed);
}

TEST(SceneFades, StepsFlashAndReset) {
    FakeHost host;
    StripeScene scene(host, 20);
    host.board.Brightness = 0;
    scene.FadeIn(3);
    EXPECT_EQ(host.frames, 34);
    EXPECT_EQ(host.flushes, 1);
    host.frames = 0;
    scene.Flash();
    EXPECT_EQ(host.frames, 20);
    EXPECT_EQ(host.board.Brightness, 100);
    // A step that never arrives does not hang.
    host.board.Brightness = 0;
    scene.FadeIn(0);
    EXPECT_EQ(host.board.Brightness, 100);
    scene.FadeOut(-1);
    EXPECT_EQ(host.board.Brightness, 0);
    // F12 in the middle of a fade unwinds through it.
    host.frames = 0;
    host.resetAtFrame = 5;
    EXPECT_THROW(scene.FadeIn(3), EKandelDrawReset);
    EXPECT_EQ(host.board.Brightness, 15);
}

// The fast cross-fade, mosaic and wave give the pixels of the plain per-pixel loops,
// for every fade weight, block size with every offset, and amplitude the game uses.
TEST(SceneTransitions, FastPathsMatchThePixelLoops) {
    TKandelBoard a, b, fast, plain;
    for (TKandelBoard* board : {&a, &b, &fast, &plain}) board->SetSize(320, 240);
    TRandom random(5);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            a.ScanLine(y)[x] = static_cast<std::uint16_t>(random.Next(65536));
            b.ScanLine(y)[x] = static_cast<std::uint16_t>(random.Next(65536));
        }
    for (int l = 0; l <= 256; ++l) {
        transition::CrossFade(fast, a, b, l);
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                plain.ScanLine(y)[x] =
                    transition::CrossFadePixel(a.ScanLine(y)[x], b.ScanLine(y)[x], l);
        ASSERT_TRUE(SameBoards(fast, plain)) << "cross-fade weight " << l;
    }
    for (int size = 1; size <= 41; ++size)
        for (int r = 0; r < size; ++r) {
            fast.Clear();
            plain.Clear();
            transition::Mosaic(fast, a, size, r);
            transition::MosaicPortable(plain, a, size, r);
            ASSERT_TRUE(SameBoards(fast, plain)) << "mosaic " << size << " offset " << r;
        }
    for (int amplitude = 0; amplitude <= 200; ++amplitude) {
        fast.Clear();
        plain.Clear();
        transition::Wave(fast, a, amplitude);
        transition::WavePortable(plain, a, amplitude);
        ASSERT_TRUE(SameBoards(fast, plain)) << "wave " << amplitude;
    }
    // Boards of other sizes take the size they share.
    TKandelBoard small, smallPlain;
    small.SetSize(37, 11);
    smallPlain.SetSize(37, 11);
    transition::Mosaic(small, a, 6, 2);
    transition::MosaicPortable(smallPlain, a, 6, 2);
    EXPECT_TRUE(SameBoards(small, smallPlain));
}
