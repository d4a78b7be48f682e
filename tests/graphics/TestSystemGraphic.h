#pragma once
// System graphics for tests. The coded one gives every piece its own palette
// indexes so that a test can tell which piece landed where; the styled one looks
// like a real interface skin, for pictures meant to be looked at.
#include "graphics/GR_System.h"

#include <cstdint>

namespace kestra::testing {

// Indexes of the coded system graphic.
inline int CodedBackground(int x, int y) {
    return 1 + x + 32 * (y / 8);
} // 1..128
inline constexpr int KCodedFrame = 130;   // + piece (x / 8 + 4 (y / 8)) of the frame block
inline constexpr int KCodedCursor0 = 150; // + piece, cursor frame 0
inline constexpr int KCodedCursor1 = 170; // + piece, cursor frame 1
inline constexpr int KCodedGauge = 190;   // + piece
inline constexpr int KCodedDigit = 210;   // + digit
inline constexpr int KCodedColon = 220;
inline constexpr int KCodedPointer0 = 221;
inline constexpr int KCodedPointer1 = 222;
inline constexpr int KCodedScreen = 5; // pixel (0, 32)
inline constexpr int KCodedShadow = 7; // pixel (16, 32)
// Text colour c: pattern index 30 + c on even columns, 60 + c on odd ones.
inline int CodedPattern(int color, int column) {
    return (column % 2 ? 60 : 30) + color;
}

inline TKandelBitmap CodedSystemBitmap(bool shadow = true) {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, KSystemGraphicWidth, KSystemGraphicHeight);
    b.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        b.Palette[static_cast<std::size_t>(i)] =
            TRgbQuad{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                     static_cast<std::uint8_t>(i * 7), 0};
    auto set = [&](int x, int y, int v) { b.Row(y)[x] = static_cast<std::uint8_t>(v); };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const int piece = x / 8 + 4 * (y / 8);
            set(x, y, CodedBackground(x, y));
            set(32 + x, y, KCodedFrame + piece);
            set(64 + x, y, KCodedCursor0 + piece);
            set(96 + x, y, KCodedCursor1 + piece);
            set(128 + x, y, KCodedGauge + piece);
        }
    // One transparent pixel inside the top-left corner of the frame and cursors.
    set(32 + 3, 3, 0);
    set(64 + 3, 3, 0);
    set(96 + 3, 3, 0);
    set(0, 32, KCodedScreen);
    set(16, 32, shadow ? KCodedShadow : 0);
    for (int k = 0; k < 10; ++k)
        for (int y = 32; y < 48; ++y)
            for (int x = 0; x < 8; ++x) set(32 + 8 * k + x, y, KCodedDigit + k);
    for (int y = 32; y < 48; ++y)
        for (int x = 0; x < 8; ++x) set(112 + x, y, KCodedColon);
    for (int y = 32; y < 48; ++y)
        for (int x = 0; x < 16; ++x) {
            set(128 + x, y, x < 8 ? KCodedPointer0 : 0);
            set(144 + x, y, y < 40 ? KCodedPointer1 : 0);
        }
    for (int c = 0; c < KTextColorCount; ++c)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                set(16 * (c % 10) + x, 48 + 16 * (c / 10) + y, CodedPattern(c, x));
    return b;
}

// A blue skin with a light rounded frame, a gold cursor and twenty text colours.
inline TKandelBitmap StyledSystemBitmap() {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, KSystemGraphicWidth, KSystemGraphicHeight);
    b.PaletteSize = 256;
    auto color = [&](int i, int r, int g, int bl) {
        b.Palette[static_cast<std::size_t>(i)] =
            TRgbQuad{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                     static_cast<std::uint8_t>(bl), 0};
    };
    auto set = [&](int x, int y, int v) { b.Row(y)[x] = static_cast<std::uint8_t>(v); };
    // Background: a vertical blue ramp, indexes 1..32.
    for (int i = 0; i < 32; ++i) color(1 + i, 16 + i, 24 + i * 2, 96 + i * 3);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) set(x, y, 1 + y);
    // Frame: outer dark line, light line, soft inner line; rounded corners.
    color(40, 24, 24, 40);
    color(41, 236, 236, 244);
    color(42, 150, 160, 200);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const int d = std::min(std::min(x, 31 - x), std::min(y, 31 - y));
            const bool corner = (x < 2 || x > 29) && (y < 2 || y > 29);
            int v = 0;
            if (!corner) v = d == 0 ? 40 : d == 1 ? 41 : d == 2 ? 42 : 0;
            set(32 + x, y, v);
        }
    // Arrows inside the frame block.
    color(43, 250, 230, 120);
    for (int r = 0; r < 4; ++r)
        for (int x = 8 - r * 2 - 1; x <= 8 + r * 2; ++x) {
            set(40 + x, 10 + r, 43);
            set(40 + x, 21 - r, 43);
        }
    // Cursor: a gold outline, brighter in frame 0.
    color(44, 250, 210, 90);
    color(45, 180, 140, 60);
    for (int f = 0; f < 2; ++f)
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const int d = std::min(std::min(x, 31 - x), std::min(y, 31 - y));
                set(64 + 32 * f + x, y, d == 0 ? (f ? 45 : 44) : 0);
            }
    color(46, 8, 8, 16);
    set(0, 32, 46);
    color(47, 20, 20, 28);
    set(16, 32, 47);
    // Text colours: a soft ramp from top to bottom inside each swatch.
    const int colors[20][3] = {{255, 255, 255}, {140, 200, 255}, {255, 140, 140}, {150, 150, 150},
                               {120, 255, 140}, {255, 230, 120}, {255, 170, 240}, {120, 240, 240},
                               {255, 190, 120}, {200, 160, 255}, {255, 255, 200}, {200, 255, 200},
                               {200, 220, 255}, {255, 200, 200}, {240, 240, 240}, {180, 180, 220},
                               {220, 200, 160}, {160, 220, 200}, {230, 180, 180}, {255, 255, 120}};
    for (int c = 0; c < 20; ++c) {
        for (int y = 0; y < 4; ++y)
            color(100 + 4 * c + y, colors[c][0] - y * colors[c][0] / 8,
                  colors[c][1] - y * colors[c][1] / 8, colors[c][2] - y * colors[c][2] / 8);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                set(16 * (c % 10) + x, 48 + 16 * (c / 10) + y,
                    100 + 4 * c + std::min(3, std::max(0, (y - 2) / 3)));
    }
    return b;
}

} // namespace kestra::testing
