#pragma once
// The whole-screen effects of the field (and the battle's backdrop): tint, flash,
// shake, weather and the battle animation shown on the map. Saved as chunk 102 of a
// save file. Every effect advances one step per frame by a linear approach: after the
// remaining count is decreased a value moves by (target - current) / (remaining + 1),
// so it arrives exactly when the count reaches 0.
#include <array>
#include <cstdint>
#include <vector>

#include "data/Catalog.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelSheet.h"

namespace kestra {

class TRandom;

inline constexpr std::int32_t KWeatherNone = 0;
inline constexpr std::int32_t KWeatherRain = 1;
inline constexpr std::int32_t KWeatherSnow = 2;
inline constexpr std::size_t KWeatherParticles = 100;
// The weather field: 320 x 160 pixels, tiled over the screen; offsets in 1/16 pixel.
inline constexpr std::int32_t KWeatherFieldWidth = 320;
inline constexpr std::int32_t KWeatherFieldHeight = 160;

// The screen's colour adjustment as a colour control takes it.
struct TScreenColors {
    int Red = 100, Green = 100, Blue = 100, Saturation = 100;
    int FlashRed = 0, FlashGreen = 0, FlashBlue = 0, FlashStrength = 0;
};

class TLcfgScreen : public TCatalogBaseItem {
public:
    TLcfgScreen();
    TLcfgScreen(const TLcfgScreen&) = delete;
    TLcfgScreen& operator=(const TLcfgScreen&) = delete;

    void DescribeChunks(TChunkVisitor& v) override;
    // Values a save may hold out of range are brought back: frame counts not below 0,
    // tints within 0..200, flash colours 0..31, weather kind and strength 0..2, reals
    // that are not finite to their initial values.
    void LoadFromStream(TByteReader& reader) override;

    // Tone in percent (100 unchanged), reached in `frames`; 0 frames sets it at once.
    void SetTint(std::int32_t red, std::int32_t green, std::int32_t blue, std::int32_t saturation,
                 std::int32_t frames);
    // Colour 0..31, strength in 32nds, fading to 0 over `frames`. All zero clears it.
    void SetFlash(std::int32_t red, std::int32_t green, std::int32_t blue, double strength,
                  std::int32_t frames);
    void ClearFlash() { SetFlash(0, 0, 0, 0, 0); }
    void SetShake(std::int32_t strength, std::int32_t speed, std::int32_t frames);
    // Kind 0 none, 1 rain, 2 snow; strength 0..2 (clamped).
    void SetWeather(std::int32_t kind, std::int32_t strength, TRandom& random);
    // The battle animation on the map ends (a map change).
    void StopAnimation() { AnimationPlaying = false; }

    // One frame: tint, flash, shake and the weather particles (their revivals draw
    // from `random`).
    void Update(TRandom& random);
    // The view scrolled by `amount` (1/16 pixel) in a straight direction (0 up, 1
    // right, 2 down, 3 left): the weather moves the other way, with the map.
    void ScrollWeather(int direction, std::int32_t amount);

    // The current tint and flash as whole numbers.
    TScreenColors Colors() const;
    // Gives a sheet the screen's tint and flash through its screen colour control.
    void ApplyColors(TKandelSheet& sheet) const;
    // Weather particles over the board, tinted and flashed with the screen.
    void DrawWeather(TKandelBoard& board);

    // Saved.
    std::array<std::int32_t, 4> TintTarget; // red, green, blue, saturation
    std::array<double, 4> TintCurrent;
    std::int32_t TintFrames;
    std::int32_t FlashRed, FlashGreen, FlashBlue;
    double FlashStrength;
    std::int32_t FlashFrames;
    std::int32_t ShakeStrength, ShakeSpeed;
    // Pixels added to everything drawn on the map; ShakeY is always 0.
    std::int32_t ShakeX, ShakeY;
    std::int32_t ShakeFrames;
    // Kept modulo 5120 and 2560 (320 and 160 pixels).
    std::int32_t WeatherOffsetX, WeatherOffsetY;
    // The battle animation shown on the map: its database ID, the character reference
    // of its target, frames since it started, whether it is playing and whether it
    // covers the whole screen.
    std::int32_t AnimationId, AnimationTarget, AnimationCounter;
    bool AnimationPlaying, AnimationWholeScreen;
    std::int32_t WeatherKind, WeatherStrength;

    // Not saved: the particles (made at the first weather) and the sprite.
    struct TParticle {
        std::int32_t Life = 0, X = 0, Y = 0;
    };
    std::vector<TParticle> Particles;

private:
    void MakeParticles(TRandom& random);
    // The 6 x 26 sprite: the rain streak in rows 0..23, the snow flake in rows 24..25.
    TKandelSheet Sprite;
};

} // namespace kestra
