#include "state/LGD_Screen.h"

#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "base/Saturate.h"
#include "graphics/KandelTrig.h"

namespace kestra {

namespace {

constexpr std::int32_t KWeatherOffsetXRange = KWeatherFieldWidth * 16;  // 5120
constexpr std::int32_t KWeatherOffsetYRange = KWeatherFieldHeight * 16; // 2560
// Shake strength and speed beyond anything an editor offers only overflow.
constexpr std::int32_t KMaxShakeSetting = 1000;

std::int32_t PositiveMod(std::int64_t v, std::int64_t m) {
    return static_cast<std::int32_t>(((v % m) + m) % m);
}

double Finite(double v, double fallback) {
    return std::isfinite(v) ? v : fallback;
}

std::int32_t NonNegative(std::int32_t v) {
    return std::max(v, 0);
}

} // namespace

TLcfgScreen::TLcfgScreen() {
    TLcfgScreen::Clear();
    // Colour 1 white, every other colour black and transparent.
    Sprite.SetSize(6, 26);
    Sprite.Transparent = true;
    Sprite.SetPaletteEntry(1, 255, 255, 255);
    for (int row = 0; row < 24; ++row) Sprite.ScanLine(row)[5 - row / 4] = 1;
    for (int row = 24; row < 26; ++row) Sprite.ScanLine(row)[0] = Sprite.ScanLine(row)[1] = 1;
    Sprite.UpdateColors();
}

void TLcfgScreen::DescribeChunks(TChunkVisitor& v) {
    for (int i = 0; i < 4; ++i) v.Int(1 + i, TintTarget[static_cast<std::size_t>(i)], 100);
    for (int i = 0; i < 4; ++i) v.Real(11 + i, TintCurrent[static_cast<std::size_t>(i)], 100.0);
    v.Int(15, TintFrames);
    v.Int(21, FlashRed);
    v.Int(22, FlashGreen);
    v.Int(23, FlashBlue);
    v.Real(24, FlashStrength);
    v.Int(25, FlashFrames);
    v.Int(31, ShakeStrength);
    v.Int(32, ShakeSpeed);
    v.Int(33, ShakeX);
    v.Int(34, ShakeY);
    v.Int(35, ShakeFrames);
    v.Int(41, WeatherOffsetX);
    v.Int(42, WeatherOffsetY);
    v.Int(43, AnimationId);
    v.Int(44, AnimationTarget);
    v.Int(45, AnimationCounter);
    v.Bool(46, AnimationPlaying);
    v.Bool(47, AnimationWholeScreen);
    v.Int(48, WeatherKind);
    v.Int(49, WeatherStrength);
}

void TLcfgScreen::LoadFromStream(TByteReader& reader) {
    TCatalogBaseItem::LoadFromStream(reader);
    for (auto& t : TintTarget) t = std::clamp(t, 0, 200);
    for (auto& t : TintCurrent) t = std::clamp(Finite(t, 100.0), 0.0, 200.0);
    TintFrames = NonNegative(TintFrames);
    FlashRed = std::clamp(FlashRed, 0, 31);
    FlashGreen = std::clamp(FlashGreen, 0, 31);
    FlashBlue = std::clamp(FlashBlue, 0, 31);
    FlashStrength = std::clamp(Finite(FlashStrength, 0.0), 0.0, 32.0);
    FlashFrames = NonNegative(FlashFrames);
    ShakeStrength = std::clamp(ShakeStrength, 0, KMaxShakeSetting);
    ShakeSpeed = std::clamp(ShakeSpeed, 0, KMaxShakeSetting);
    ShakeX = std::clamp(ShakeX, -4 * KMaxShakeSetting, 4 * KMaxShakeSetting);
    ShakeY = 0;
    ShakeFrames = NonNegative(ShakeFrames);
    WeatherOffsetX = PositiveMod(WeatherOffsetX, KWeatherOffsetXRange);
    WeatherOffsetY = PositiveMod(WeatherOffsetY, KWeatherOffsetYRange);
    AnimationCounter = NonNegative(AnimationCounter);
    WeatherKind = std::clamp(WeatherKind, 0, 2);
    WeatherStrength = std::clamp(WeatherStrength, 0, 2);
}

void TLcfgScreen::SetTint(std::int32_t red, std::int32_t green, std::int32_t blue,
                          std::int32_t saturation, std::int32_t frames) {
    TintTarget = {std::clamp(red, 0, 200), std::clamp(green, 0, 200), std::clamp(blue, 0, 200),
                  std::clamp(saturation, 0, 200)};
    TintFrames = NonNegative(frames);
    if (TintFrames == 0)
        for (std::size_t i = 0; i < 4; ++i) TintCurrent[i] = TintTarget[i];
}

void TLcfgScreen::SetFlash(std::int32_t red, std::int32_t green, std::int32_t blue, double strength,
                           std::int32_t frames) {
    FlashRed = std::clamp(red, 0, 31);
    FlashGreen = std::clamp(green, 0, 31);
    FlashBlue = std::clamp(blue, 0, 31);
    FlashStrength = std::clamp(Finite(strength, 0.0), 0.0, 32.0);
    FlashFrames = NonNegative(frames);
}

void TLcfgScreen::SetShake(std::int32_t strength, std::int32_t speed, std::int32_t frames) {
    ShakeStrength = std::clamp(strength, 0, KMaxShakeSetting);
    ShakeSpeed = std::clamp(speed, 0, KMaxShakeSetting);
    ShakeFrames = NonNegative(frames);
}

void TLcfgScreen::SetWeather(std::int32_t kind, std::int32_t strength, TRandom& random) {
    // Kinds other than rain and snow show nothing.
    WeatherKind = kind == KWeatherRain || kind == KWeatherSnow ? kind : KWeatherNone;
    WeatherStrength = std::clamp(strength, 0, 2);
    if (WeatherKind != KWeatherNone) MakeParticles(random);
}

void TLcfgScreen::MakeParticles(TRandom& random) {
    if (!Particles.empty()) return;
    Particles.resize(KWeatherParticles);
    for (TParticle& p : Particles) {
        p.Life = random.Next(40);
        p.X = random.Next(KWeatherFieldWidth);
        p.Y = random.Next(KWeatherFieldHeight);
    }
}

void TLcfgScreen::Update(TRandom& random) {
    if (TintFrames > 0) --TintFrames;
    if (FlashFrames > 0) --FlashFrames;
    if (ShakeFrames > 0) --ShakeFrames;
    for (std::size_t i = 0; i < 4; ++i)
        TintCurrent[i] += (TintTarget[i] - TintCurrent[i]) / (TintFrames + 1);
    FlashStrength -= FlashStrength / (FlashFrames + 1);

    if (ShakeFrames == 0) {
        ShakeX = 0;
    } else {
        const auto k =
            static_cast<int>((static_cast<std::int64_t>(ShakeFrames) * (ShakeSpeed + 2) * 4) % 256);
        const std::int32_t d = NearestInt32(KandelSine(k) * (2 * ShakeStrength + 1));
        const std::int32_t f = ShakeStrength * ShakeSpeed / 4;
        ShakeX = std::clamp(d, ShakeX - f - 1, ShakeX + f + 1);
    }
    ShakeY = 0;

    // The battle animation's frames are advanced by the animation graphic, which the
    // map shares with the battle.

    if (WeatherKind == KWeatherNone) return;
    MakeParticles(random);
    for (TParticle& p : Particles) {
        if (WeatherKind == KWeatherRain) {
            if (p.Life > 0) {
                --p.Life;
                p.X -= 1;
                p.Y += 4;
            } else if (random.Next(10) == 0) {
                p.Life = 12;
                p.X = random.Next(KWeatherFieldWidth);
                p.Y = random.Next(KWeatherFieldHeight);
            }
        } else {
            if (p.Life > 0) {
                --p.Life;
                p.X -= random.Next(2);
                p.Y += random.Next(2) + 2;
            } else if (random.Next(20) == 0) {
                p.Life = 30;
                p.X = random.Next(KWeatherFieldWidth);
                p.Y = random.Next(KWeatherFieldHeight);
            }
        }
    }
}

void TLcfgScreen::ScrollWeather(int direction, std::int32_t amount) {
    switch (direction) {
    case 1: // right
        WeatherOffsetX =
            PositiveMod(static_cast<std::int64_t>(WeatherOffsetX) - amount, KWeatherOffsetXRange);
        break;
    case 3: // left
        WeatherOffsetX =
            PositiveMod(static_cast<std::int64_t>(WeatherOffsetX) + amount, KWeatherOffsetXRange);
        break;
    case 2: // down
        WeatherOffsetY =
            PositiveMod(static_cast<std::int64_t>(WeatherOffsetY) - amount, KWeatherOffsetYRange);
        break;
    case 0: // up
        WeatherOffsetY =
            PositiveMod(static_cast<std::int64_t>(WeatherOffsetY) + amount, KWeatherOffsetYRange);
        break;
    default:
        break;
    }
}

TScreenColors TLcfgScreen::Colors() const {
    TScreenColors c;
    c.Red = NearestInt32(TintCurrent[0]);
    c.Green = NearestInt32(TintCurrent[1]);
    c.Blue = NearestInt32(TintCurrent[2]);
    c.Saturation = NearestInt32(TintCurrent[3]);
    c.FlashRed = FlashRed;
    c.FlashGreen = FlashGreen;
    c.FlashBlue = FlashBlue;
    c.FlashStrength = NearestInt32(FlashStrength);
    return c;
}

void TLcfgScreen::ApplyColors(TKandelSheet& sheet) const {
    const TScreenColors c = Colors();
    sheet.ScreenColorControl.SetAll(c.Red, c.Green, c.Blue, c.Saturation, c.FlashRed, c.FlashGreen,
                                    c.FlashBlue, c.FlashStrength, true);
}

void TLcfgScreen::DrawWeather(TKandelBoard& board) {
    if (WeatherKind == KWeatherNone || Particles.empty()) return;
    ApplyColors(Sprite);
    const bool rain = WeatherKind == KWeatherRain;
    const std::int32_t strength = std::clamp(WeatherStrength, 0, 2);
    const std::size_t count =
        std::min<std::size_t>(static_cast<std::size_t>(strength * 40 + 20), Particles.size());
    const std::int32_t maxLife = rain ? 12 : 30;
    const std::int32_t step = strength + (rain ? 5 : 7);
    const TRect source = rain ? TRect{0, 0, 6, 24} : TRect{0, 24, 2, 26};
    const int baseX = WeatherOffsetX / 16 + ShakeX;
    const int baseY = WeatherOffsetY / 16 + ShakeY;
    for (std::size_t i = 0; i < count; ++i) {
        const TParticle& p = Particles[i];
        if (p.Life < 1 || p.Life > maxLife) continue;
        Sprite.Opacity = std::min(p.Life * step, 255);
        for (int row = -1; row <= 2; ++row)
            for (int col = -1; col <= 1; ++col)
                board.DrawSheet(p.X + baseX + col * KWeatherFieldWidth,
                                p.Y + baseY + row * KWeatherFieldHeight, source, Sprite);
    }
}

} // namespace kestra
