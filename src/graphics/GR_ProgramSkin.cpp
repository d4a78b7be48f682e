#include "graphics/GR_ProgramSkin.h"

#include "graphics/GR_System.h"

#include <cstdint>

namespace kestra {

namespace {

enum : std::uint8_t {
    Key = 0, // transparent
    White,
    LightGrey,
    Grey,
    DarkGrey,
    Shadow,
    Gold,
    Yellow,
    Orange,
    BlueTop, // 16 shades of the window background follow
};

void Fill(TKandelBitmap& b, int x, int y, int w, int h, std::uint8_t colour) {
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i) b.Row(j)[i] = colour;
}

void Frame(TKandelBitmap& b, int x, int y, int w, int h, std::uint8_t colour) {
    Fill(b, x, y, w, 1, colour);
    Fill(b, x, y + h - 1, w, 1, colour);
    Fill(b, x, y, 1, h, colour);
    Fill(b, x + w - 1, y, 1, h, colour);
}

} // namespace

TKandelBitmap ProgramSystemBitmap() {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, KSystemGraphicWidth, KSystemGraphicHeight);
    b.PaletteSize = 256;
    auto colour = [&b](int i, int r, int g, int bl) {
        b.Palette[i].Red = static_cast<std::uint8_t>(r);
        b.Palette[i].Green = static_cast<std::uint8_t>(g);
        b.Palette[i].Blue = static_cast<std::uint8_t>(bl);
    };
    colour(Key, 0, 0, 0);
    colour(White, 248, 248, 248);
    colour(LightGrey, 200, 204, 216);
    colour(Grey, 136, 140, 152);
    colour(DarkGrey, 72, 76, 88);
    colour(Shadow, 16, 16, 32);
    colour(Gold, 216, 168, 48);
    colour(Yellow, 248, 224, 112);
    colour(Orange, 232, 136, 40);
    for (int k = 0; k < 16; ++k) colour(BlueTop + k, 40 - k, 72 - 2 * k, 160 - 5 * k);
    Fill(b, 0, 0, KSystemGraphicWidth, KSystemGraphicHeight, Key);

    // Window background: a vertical gradient.
    for (int y = 0; y < 32; ++y) Fill(b, 0, y, 32, 1, static_cast<std::uint8_t>(BlueTop + y / 2));
    // Window frame: light, with its corners cut.
    Frame(b, 32, 0, 32, 32, LightGrey);
    Frame(b, 33, 1, 30, 30, White);
    Frame(b, 34, 2, 28, 28, Grey);
    b.Row(0)[32] = b.Row(0)[63] = b.Row(31)[32] = b.Row(31)[63] = Key;
    // Scroll arrows in the frame's middle.
    for (int k = 0; k < 4; ++k) {
        Fill(b, 48 - k, 10 + k, 2 * k + 1, 1, White);
        Fill(b, 48 - k, 21 - k, 2 * k + 1, 1, White);
    }
    // Cursor, two frames.
    for (int f = 0; f < 2; ++f) {
        const int x = 64 + 32 * f;
        Frame(b, x + 1, 1, 30, 30, f ? Yellow : Gold);
        Frame(b, x + 2, 2, 28, 28, f ? Gold : Yellow);
        Frame(b, x + 3, 3, 26, 26, f ? Orange : Gold);
    }
    // Text shadow and the twenty text colours (0 white, 3 grey for what cannot be chosen).
    b.Row(32)[16] = Shadow;
    static constexpr std::uint8_t KText[KTextColorCount] = {
        White, Yellow, Orange, Grey,  LightGrey, Gold,  White, White, White, White,
        White, White,  White,  White, White,     White, White, White, White, White};
    for (int k = 0; k < KTextColorCount; ++k) {
        const int x = 16 * (k % 10), y = 48 + 16 * (k / 10);
        Fill(b, x, y, 16, 16, KText[k]);
        Fill(b, x + 2, y + 8, 12, 6, KText[k] == White ? std::uint8_t{LightGrey} : KText[k]);
    }
    return b;
}

} // namespace kestra
