// The monsters' frame effects: flash decay, blink, fade and burst, the drawing order
// and the pixels of a drawn monster, and the timing of battle animations.
#include <gtest/gtest.h>

#include "BattleFixture.h"
#include "graphics/KandelBoard.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct Effects : ::testing::Test, TBattleFixture {
    // A 4 x 4 sprite of palette colour 1 (pure red), colour 0 transparent.
    static void GiveSprite(TLcfgMonsterItem& m, int size = 4) {
        m.Sprite = std::make_unique<TKandelSheet>();
        m.Sprite->SetSize(size, size);
        m.Sprite->SetPaletteEntry(1, 255, 0, 0);
        m.Sprite->FillArea(m.Sprite->GetBounds(), 1);
        m.Sprite->Transparent = true;
        m.Sprite->UpdateColors();
    }
};

} // namespace

TEST_F(Effects, FlashFadesLinearlyAndCountersRunDown) {
    MakeTroop({KSlime});
    auto& m = *Troop.At(0);
    m.StartFlash(31, 31, 10, 10, 31);
    m.StartBlink(20);
    m.StartFade(36);
    m.StartBurst(3);
    // strength - strength / (frames left + 1): 10 -> 9 -> 8 ... one step per frame.
    for (int k = 1; k <= 5; ++k) {
        Troop.Update();
        EXPECT_NEAR(m.FlashStrength, 10.0 - k, 1e-9);
    }
    EXPECT_EQ(m.FlashFrames, 5);
    EXPECT_EQ(m.BlinkFrames, 15);
    EXPECT_EQ(m.FadeFrames, 31);
    EXPECT_EQ(m.BurstFrames, 0);
    for (int k = 0; k < 40; ++k) Troop.Update();
    EXPECT_EQ(m.FlashFrames, 0);
    EXPECT_NEAR(m.FlashStrength, 0.0, 1e-9);
    EXPECT_EQ(m.BlinkFrames, 0);
    EXPECT_EQ(m.FadeFrames, 0);
    // A negative frame count from data is taken as none.
    m.StartFlash(31, 0, 20, -5, 0);
    Troop.Update();
    EXPECT_EQ(m.FlashFrames, 0);
}

TEST_F(Effects, DrawOrderByBottomEdgeWithBurstsLast) {
    MakeTroop({KSlime, KBat, KGolem, KSlime});
    Troop.At(0)->Y = 120;
    Troop.At(1)->Y = 80;
    Troop.At(2)->Y = 100;
    Troop.At(3)->Y = 60;
    GiveSprite(*Troop.At(2), 40); // bottom edge at 100 + 20
    Troop.At(3)->StartBurst(20);  // + 1000 while bursting
    Troop.At(3)->Present = false;
    EXPECT_EQ(Troop.DrawOrder(), (std::vector<std::int32_t>{1, 0, 2, 3}));
    // A fallen monster is drawn only while it fades.
    Troop.At(1)->AddState(KDeathState);
    EXPECT_EQ(Troop.DrawOrder(), (std::vector<std::int32_t>{0, 2, 3}));
    Troop.At(1)->StartFade(36);
    EXPECT_EQ(Troop.DrawOrder(), (std::vector<std::int32_t>{1, 0, 2, 3}));
}

TEST_F(Effects, DrawCentresTheSpriteAndSkipsBlinkFrames) {
    MakeTroop({KSlime});
    auto& m = *Troop.At(0);
    m.X = 100;
    m.Y = 50;
    GiveSprite(m);
    TKandelBoard board;
    board.SetSize(320, 240);
    TVezBattleView view;
    view.ShakeX = 3;
    Troop.Draw(board, view);
    const std::uint16_t red = PackRgb565(31, 0, 0);
    // 4 x 4 centred on (103, 50): columns 101..104, rows 48..51.
    EXPECT_EQ(board.ScanLine(48)[101], red);
    EXPECT_EQ(board.ScanLine(51)[104], red);
    EXPECT_EQ(board.ScanLine(47)[101], 0);
    EXPECT_EQ(board.ScanLine(48)[100], 0);
    EXPECT_EQ(board.ScanLine(48)[105], 0);

    board.Clear();
    m.StartBlink(15); // 15 mod 10 = 5: a hidden blink frame
    Troop.Draw(board, view);
    EXPECT_EQ(board.ScanLine(50)[103], 0);
    m.StartBlink(14);
    Troop.Draw(board, view);
    EXPECT_EQ(board.ScanLine(50)[103], red);

    // Fading: opacity 7 x frames, a faint red over black.
    board.Clear();
    m.StartBlink(0);
    m.StartFade(10);
    Troop.Draw(board, view);
    std::uint16_t faded = board.ScanLine(50)[103];
    EXPECT_GT(faded >> 11, 0);
    EXPECT_LT(faded >> 11, 31);
}

TEST_F(Effects, AnimationLengthsAndTargetFlash) {
    MakeTroop({KSlime, KBat});
    // Animation 0: the enemy-attack sound on the first frame and 20 frames in all.
    Troop.PlayAnimation(0, KAnimateScreen);
    int frames = 0;
    while (Troop.IsAnimationPlaying() && frames < 100) {
        Troop.Update();
        ++frames;
    }
    EXPECT_EQ(frames, 20);

    auto& anim = DataBase.Animations.Obtain(5);
    anim.Frames.Clear();
    for (std::int32_t i = 1; i <= 3; ++i) anim.Frames.Obtain(i);
    auto& timing = anim.Timings.Obtain(1);
    timing.Frame = 1;
    timing.FlashScope = 1;
    timing.FlashRed = 31;
    timing.FlashGreen = 0;
    timing.FlashBlue = 0;
    timing.FlashStrength = 31;
    Troop.PlayAnimation(5, 1);
    frames = 0;
    Troop.Update(); // animation frame 0: strength min(31, 31 x 7 / 6)
    EXPECT_EQ(Troop.At(1)->FlashRed, 31);
    EXPECT_EQ(Troop.At(0)->FlashFrames, 0); // only the target flashes
    ++frames;
    while (Troop.IsAnimationPlaying() && frames < 100) {
        Troop.Update();
        ++frames;
    }
    // Two display frames per animation frame, then one more update to notice the end.
    EXPECT_EQ(frames, 7);
}

TEST_F(Effects, ScreenFlashTimingsReachTheFrameThatShowsThem) {
    MakeTroop({KSlime});
    auto& anim = DataBase.Animations.Obtain(6);
    anim.Frames.Clear();
    for (std::int32_t i = 1; i <= 8; ++i) anim.Frames.Obtain(i);
    auto& timing = anim.Timings.Obtain(1);
    timing.Frame = 3;
    timing.FlashScope = 2;
    timing.FlashRed = 10;
    timing.FlashGreen = 20;
    timing.FlashBlue = 40; // clamped to 31
    timing.FlashStrength = 12;
    Troop.PlayAnimation(6, KAnimateScreen);
    std::vector<int> strengths;
    while (Troop.IsAnimationPlaying() && strengths.size() < 100) {
        Troop.Update();
        strengths.push_back(Troop.ScreenFlash ? Troop.ScreenFlash->Strength : -1);
        if (Troop.ScreenFlash) {
            EXPECT_EQ(Troop.ScreenFlash->Red, 10);
            EXPECT_EQ(Troop.ScreenFlash->Green, 20);
            EXPECT_EQ(Troop.ScreenFlash->Blue, 31);
            EXPECT_EQ(Troop.ScreenFlash->Frames, 1);
        }
    }
    // Animation frames 2..7 are lit (two updates each) with strength 12 x (9 - n) / 6;
    // frames 0 and 1 are dark, and the monster itself never flashes.
    const std::vector<int> expected = {-1, -1, -1, -1, 14, 14, 12, 12, 10,
                                       10, 8,  8,  6,  6,  4,  4,  -1};
    EXPECT_EQ(strengths, expected);
    EXPECT_EQ(Troop.At(0)->FlashFrames, 0);
    Troop.PlayAnimation(0, KAnimateScreen);
    Troop.Update();
    EXPECT_FALSE(Troop.ScreenFlash.has_value());
}
