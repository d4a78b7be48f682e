// The screen effects as the field advances them frame by frame: linear tint, flash
// fade, shake on the sine table within its step limit, weather particles and their
// scrolling, and the values a broken save brings back into range.
#include "state/LGD_Screen.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/Random.h"
#include "graphics/KandelBoard.h"

using namespace kestra;

TEST(ScreenEffects, TintAndFlashApproachLinearlyAndArriveOnTheLastFrame) {
    TLcfgScreen screen;
    TRandom random(1);
    screen.SetTint(100, 100, 100, 0, 60);
    for (int frame = 1; frame <= 59; ++frame) {
        screen.Update(random);
        EXPECT_GT(screen.TintCurrent[3], 0.0) << frame;
    }
    EXPECT_NEAR(screen.TintCurrent[3], 100.0 / 60.0, 1e-9);
    screen.Update(random);
    EXPECT_EQ(screen.TintCurrent[3], 0.0); // full grey exactly on frame 60
    EXPECT_EQ(screen.Colors().Saturation, 0);

    screen.SetTint(200, 50, 100, 100, 0); // at once
    EXPECT_EQ(screen.Colors().Red, 200);
    EXPECT_EQ(screen.Colors().Green, 50);

    screen.SetFlash(31, 31, 31, 31, 0);
    EXPECT_EQ(screen.Colors().FlashStrength, 31);
    screen.Update(random);
    EXPECT_EQ(screen.FlashStrength, 0.0); // gone after one update

    screen.SetFlash(31, 10, 6, 20, 10);
    screen.Update(random);
    EXPECT_DOUBLE_EQ(screen.FlashStrength, 18.0); // 20 - 20 / 10
    for (int frame = 0; frame < 9; ++frame) screen.Update(random);
    EXPECT_EQ(screen.FlashStrength, 0.0);

    // Out-of-range parameters are clamped where they reach colour channels.
    screen.SetTint(-5, 900, 100, 100, 0);
    screen.SetFlash(99, -1, 40, 500, 3);
    const TScreenColors c = screen.Colors();
    EXPECT_EQ(c.Red, 0);
    EXPECT_EQ(c.Green, 200);
    EXPECT_EQ(c.FlashRed, 31);
    EXPECT_EQ(c.FlashGreen, 0);
    EXPECT_EQ(c.FlashStrength, 32);
}

TEST(ScreenEffects, ShakeFollowsTheSineWithinItsStepLimitAndStops) {
    TLcfgScreen screen;
    TRandom random(1);
    screen.SetShake(5, 1, 30);
    int previous = 0, widest = 0;
    for (int frame = 1; frame <= 29; ++frame) {
        screen.Update(random);
        // Step limit strength x speed / 4 + 1 = 2 pixels a frame.
        EXPECT_LE(std::abs(screen.ShakeX - previous), 2) << frame;
        EXPECT_LE(std::abs(screen.ShakeX), 11) << frame;
        EXPECT_EQ(screen.ShakeY, 0);
        widest = std::max(widest, std::abs(screen.ShakeX));
        previous = screen.ShakeX;
    }
    EXPECT_GE(widest, 8);
    screen.Update(random);
    EXPECT_EQ(screen.ShakeX, 0);
    EXPECT_EQ(screen.ShakeFrames, 0);

    // First frame of strength 9, speed 9 for 10 frames: k = 9 x 11 x 4 mod 256 = 140,
    // sin(140 / 256 turn) x 19 = -5.52, rounded -6; the limit 20 + 1 lets it through.
    screen.SetShake(9, 9, 10);
    screen.Update(random);
    EXPECT_EQ(screen.ShakeX, -6);
}

TEST(ScreenEffects, WeatherDrawsTwentyToAHundredParticlesThatScrollWithTheMap) {
    TKandelBoard board;
    board.SetSize(320, 240);
    auto lit = [&] {
        int n = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) n += board.ScanLine(y)[x] != 0 ? 1 : 0;
        return n;
    };
    TRandom random(5);
    TLcfgScreen screen;
    screen.SetWeather(KWeatherSnow, 9, random); // strength above 2 is 2
    EXPECT_EQ(screen.WeatherStrength, 2);
    ASSERT_EQ(screen.Particles.size(), KWeatherParticles);
    // Every particle alive at its own place in the top half of the field: each flake
    // shows 4 pixels in each of the two copies that reach the screen.
    for (std::size_t i = 0; i < screen.Particles.size(); ++i)
        screen.Particles[i] = {10, 20 + static_cast<int>(i / 5) * 14,
                               10 + static_cast<int>(i % 5) * 10};
    screen.DrawWeather(board);
    const int strong = lit();
    board.Clear();
    screen.SetWeather(KWeatherSnow, 0, random);
    screen.DrawWeather(board);
    const int weak = lit();
    EXPECT_EQ(weak, 20 * 2 * 4);
    EXPECT_EQ(strong, 100 * 2 * 4);

    // Scrolling right moves the field left by the same amount: 3 pixels.
    board.Clear();
    const std::uint16_t before = [&] {
        screen.DrawWeather(board);
        return board.ScanLine(10)[20];
    }();
    EXPECT_NE(before, 0);
    board.Clear();
    screen.ScrollWeather(1, 48);
    EXPECT_EQ(screen.WeatherOffsetX, 5120 - 48);
    screen.DrawWeather(board);
    EXPECT_EQ(board.ScanLine(10)[17], before); // 20 + 317 - 320
    EXPECT_EQ(board.ScanLine(10)[20], 0);
    screen.ScrollWeather(3, 48);
    screen.ScrollWeather(0, 16 * 200);
    EXPECT_EQ(screen.WeatherOffsetX, 0);
    EXPECT_EQ(screen.WeatherOffsetY, (16 * 200) % 2560);

    // Rain revives dead particles at life 12 and moves them 1 left and 4 down.
    screen.SetWeather(KWeatherRain, 1, random);
    screen.Particles[0] = {3, 50, 60};
    screen.Update(random);
    EXPECT_EQ(screen.Particles[0].Life, 2);
    EXPECT_EQ(screen.Particles[0].X, 49);
    EXPECT_EQ(screen.Particles[0].Y, 64);
    int revived = 0;
    for (int frame = 0; frame < 200; ++frame) {
        screen.Update(random);
        for (const auto& p : screen.Particles) revived += p.Life == 12 ? 1 : 0;
    }
    EXPECT_GT(revived, 0);
}

TEST(ScreenEffects, ASavedScreenWithValuesOutOfRangeLoadsWithinThem) {
    TLcfgScreen screen;
    screen.TintFrames = -7;
    screen.FlashFrames = -1;
    screen.FlashRed = 99;
    screen.TintCurrent[1] = 1e300;
    screen.WeatherKind = 7;
    screen.WeatherStrength = 40;
    screen.WeatherOffsetX = -1;
    const auto bytes = screen.Encode();
    TLcfgScreen loaded;
    loaded.Decode(bytes);
    EXPECT_EQ(loaded.TintFrames, 0);
    EXPECT_EQ(loaded.FlashFrames, 0);
    EXPECT_EQ(loaded.FlashRed, 31);
    EXPECT_EQ(loaded.TintCurrent[1], 200.0);
    EXPECT_EQ(loaded.WeatherKind, 2);
    EXPECT_EQ(loaded.WeatherStrength, 2);
    EXPECT_EQ(loaded.WeatherOffsetX, 5119);
    TRandom random(1);
    loaded.Update(random); // no division by zero, particles made for the weather
    EXPECT_EQ(loaded.Particles.size(), KWeatherParticles);
}
