#include "graphics/GR_Logos.h"

#include "graphics/KandelBitmap.h"
#include "graphics/KandelXyz.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace kestra {

namespace {

constexpr int KW = 320, KH = 240;

// Palette layout of every logo.
enum : std::uint8_t {
    KSky = 1, // 1..48: the sky from top to horizon
    KSkyCount = 48,
    KSun = 60,    // 60..63: sun disk from rim to core
    KRufous = 70, // kestrel body and wing
    KRufousLight = 71,
    KWingTip = 72,
    KEye = 73,
    KLetter = 80, // 80..91: lettering from top to bottom
    KLetterShadow = 92,
    KSmallText = 93,
    KDimText = 94,
    KRule = 95,
    KStar = 96,
    KGround = 100, // 100..107: distant hills
};

struct TCanvas {
    TKandelBitmap Bitmap;

    TCanvas() {
        Bitmap.Reset(TPixelFormat::Indexed8, KW, KH);
        Bitmap.PaletteSize = 256;
    }
    void Set(int x, int y, std::uint8_t index) {
        if (x >= 0 && y >= 0 && x < KW && y < KH) Bitmap.Row(y)[x] = index;
    }
    std::uint8_t Get(int x, int y) const {
        return x >= 0 && y >= 0 && x < KW && y < KH ? Bitmap.Row(y)[x] : 0;
    }
    void Color(int index, int r, int g, int b) {
        Bitmap.Palette[static_cast<std::size_t>(index)] =
            TRgbQuad{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                     static_cast<std::uint8_t>(b), 0};
    }
};

int Mix(int a, int b, int t, int n) {
    return a + (b - a) * t / n;
}

struct TPt {
    double X, Y;
};

// Even-odd fill sampled at pixel centres.
void FillPolygon(TCanvas& c, const std::vector<TPt>& pts, std::uint8_t index) {
    double top = KH, bottom = 0;
    for (const TPt& p : pts) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
    }
    for (int y = std::max(0, static_cast<int>(top));
         y <= std::min(KH - 1, static_cast<int>(bottom)); ++y) {
        const double sy = y + 0.5;
        std::vector<double> xs;
        for (std::size_t i = 0; i < pts.size(); ++i) {
            const TPt& a = pts[i];
            const TPt& b = pts[(i + 1) % pts.size()];
            if ((a.Y <= sy) != (b.Y <= sy))
                xs.push_back(a.X + (sy - a.Y) * (b.X - a.X) / (b.Y - a.Y));
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t k = 0; k + 1 < xs.size(); k += 2)
            for (int x = static_cast<int>(std::ceil(xs[k] - 0.5));
                 x <= static_cast<int>(std::floor(xs[k + 1] - 0.5)); ++x)
                c.Set(x, y, index);
    }
}

void FillEllipse(TCanvas& c, double cx, double cy, double rx, double ry, std::uint8_t index) {
    for (int y = static_cast<int>(cy - ry) - 1; y <= static_cast<int>(cy + ry) + 1; ++y)
        for (int x = static_cast<int>(cx - rx) - 1; x <= static_cast<int>(cx + rx) + 1; ++x) {
            const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
            if (dx * dx + dy * dy <= 1.0) c.Set(x, y, index);
        }
}

// The sky: a vertical ramp from night blue to a warm horizon.
void PaintSky(TCanvas& c, int horizon) {
    for (int i = 0; i < KSkyCount; ++i) {
        const int t = i, n = KSkyCount - 1;
        if (i < 28)
            c.Color(KSky + i, Mix(8, 70, t, 27), Mix(12, 40, t, 27), Mix(40, 88, t, 27));
        else
            c.Color(KSky + i, Mix(70, 236, t - 28, n - 28), Mix(40, 150, t - 28, n - 28),
                    Mix(88, 96, t - 28, n - 28));
    }
    for (int y = 0; y < KH; ++y) {
        const int i = std::min(KSkyCount - 1, y * KSkyCount / std::max(1, horizon));
        for (int x = 0; x < KW; ++x) c.Set(x, y, static_cast<std::uint8_t>(KSky + i));
    }
}

void PaintHills(TCanvas& c, int horizon) {
    for (int k = 0; k < 8; ++k)
        c.Color(KGround + k, Mix(34, 10, k, 7), Mix(26, 8, k, 7), Mix(46, 18, k, 7));
    for (int x = 0; x < KW; ++x) {
        const double h = 6.0 * std::sin(x * 0.021) + 4.0 * std::sin(x * 0.057 + 1.3);
        const int top = horizon - 8 + static_cast<int>(h);
        for (int y = top; y < KH; ++y)
            c.Set(x, y, static_cast<std::uint8_t>(KGround + std::min(7, (y - top) / 4)));
    }
}

void PaintSun(TCanvas& c, double cx, double cy, double r) {
    c.Color(KSun, 246, 170, 92);
    c.Color(KSun + 1, 250, 196, 116);
    c.Color(KSun + 2, 252, 218, 150);
    c.Color(KSun + 3, 255, 238, 196);
    for (int k = 0; k < 4; ++k)
        FillEllipse(c, cx, cy, r * (1.0 - 0.18 * k), r * (1.0 - 0.18 * k),
                    static_cast<std::uint8_t>(KSun + k));
}

// A hovering kestrel seen from the front: raised pointed wings with dark tips,
// fanned tail. s scales the figure (1.0 spans about 150 pixels).
void PaintKestrel(TCanvas& c, double cx, double cy, double s) {
    c.Color(KRufous, 150, 70, 36);
    c.Color(KRufousLight, 196, 112, 58);
    c.Color(KWingTip, 44, 26, 22);
    c.Color(KEye, 250, 226, 150);
    auto at = [&](double x, double y) { return TPt{cx + x * s, cy + y * s}; };
    for (int side = -1; side <= 1; side += 2) {
        const double m = side;
        // Wing: shoulder, leading edge sweeping up to the tip, fingered trailing edge.
        FillPolygon(c,
                    {at(3 * m, -10), at(24 * m, -26), at(48 * m, -44), at(74 * m, -56),
                     at(66 * m, -45), at(70 * m, -44), at(60 * m, -35), at(63 * m, -33),
                     at(52 * m, -25), at(54 * m, -22), at(40 * m, -14), at(26 * m, -4),
                     at(8 * m, 6)},
                    KRufous);
        // Dark primaries at the outer third.
        FillPolygon(c,
                    {at(50 * m, -45), at(74 * m, -56), at(66 * m, -45), at(70 * m, -44),
                     at(60 * m, -35), at(63 * m, -33), at(52 * m, -25), at(46 * m, -32)},
                    KWingTip);
        // Light covert band along the leading edge.
        FillPolygon(
            c, {at(6 * m, -11), at(26 * m, -25), at(40 * m, -35), at(28 * m, -21), at(10 * m, -5)},
            KRufousLight);
    }
    // Tail: a fan with a dark terminal band.
    FillPolygon(c, {at(-5, 12), at(5, 12), at(13, 44), at(0, 47), at(-13, 44)}, KRufous);
    FillPolygon(c, {at(-12, 40), at(12, 40), at(13, 44), at(0, 47), at(-13, 44)}, KWingTip);
    FillEllipse(c, cx, cy + 2 * s, 8 * s, 17 * s, KRufousLight);
    FillEllipse(c, cx, cy - 19 * s, 6.5 * s, 7 * s, KRufous);
    // Moustache stripes and eyes.
    FillPolygon(c, {at(-4, -18), at(-2.5, -18), at(-2.5, -13), at(-4, -14)}, KWingTip);
    FillPolygon(c, {at(4, -18), at(2.5, -18), at(2.5, -13), at(4, -14)}, KWingTip);
    FillEllipse(c, cx - 2.8 * s, cy - 21 * s, 1.3 * s, 1.3 * s, KEye);
    FillEllipse(c, cx + 2.8 * s, cy - 21 * s, 1.3 * s, 1.3 * s, KEye);
}

// Capitals of the wordmark on a 5 x 7 grid.
const char* LetterArt(char ch) {
    switch (ch) {
    case 'K':
        return "#...##..#.#.#..##...#.#..#..#.#...#";
    case 'E':
        return "######....#....####.#....#....#####";
    case 'S':
        return ".#####....#.....###.....#....#####.";
    case 'T':
        return "#####..#....#....#....#....#....#..";
    case 'R':
        return "####.#...##...#####.#.#..#..#.#...#";
    case 'A':
        return ".###.#...##...#######...##...##...#";
    default:
        return "";
    }
}

// The wordmark "KESTRA", each grid cell a cell x cell block, with a soft
// vertical ramp and a drop shadow.
void PaintWordmark(TCanvas& c, int cy, int cell) {
    for (int k = 0; k < 12; ++k)
        c.Color(KLetter + k, Mix(255, 238, k, 11), Mix(250, 196, k, 11), Mix(240, 150, k, 11));
    c.Color(KLetterShadow, 20, 14, 30);
    const std::string word = "KESTRA";
    const int letterW = 5 * cell, gap = cell * 2;
    const int total =
        static_cast<int>(word.size()) * letterW + (static_cast<int>(word.size()) - 1) * gap;
    const int left = (KW - total) / 2;
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t n = 0; n < word.size(); ++n) {
            std::string_view art = LetterArt(word[n]);
            for (int gy = 0; gy < 7; ++gy)
                for (int gx = 0; gx < 5; ++gx) {
                    const std::size_t at = static_cast<std::size_t>(gy * 5 + gx);
                    if (at >= art.size() || art[at] != '#') continue;
                    const int x0 = left + static_cast<int>(n) * (letterW + gap) + gx * cell;
                    const int y0 = cy + gy * cell;
                    for (int y = 0; y < cell; ++y)
                        for (int x = 0; x < cell; ++x) {
                            if (pass == 0)
                                c.Set(x0 + x + 2, y0 + y + 2, KLetterShadow);
                            else
                                c.Set(
                                    x0 + x, y0 + y,
                                    static_cast<std::uint8_t>(
                                        KLetter + std::min(11, (gy * cell + y) * 12 / (7 * cell))));
                        }
                }
        }
}

void PaintSmallText(TCanvas& c, TGlyphFont& font, int cy, std::string_view text,
                    std::uint8_t index) {
    const int left = (KW - 6 * static_cast<int>(text.size())) / 2;
    for (std::size_t n = 0; n < text.size(); ++n) {
        const TGlyphMask& g = font.Glyph(TFontFace::Gothic, static_cast<std::uint8_t>(text[n]));
        for (int y = 0; y < KGlyphSize; ++y)
            for (int x = 0; x < KGlyphSize; ++x)
                if (g[static_cast<std::size_t>(y * KGlyphSize + x)])
                    c.Set(left + static_cast<int>(n) * 6 + x, cy + y, index);
    }
}

void PaintRule(TCanvas& c, int y, int half) {
    c.Color(KRule, 200, 140, 90);
    for (int x = KW / 2 - half; x < KW / 2 + half; ++x)
        if (std::abs(x - KW / 2) < half - 2 || (x & 1)) c.Set(x, y, KRule);
}

void PaintStars(TCanvas& c, int below) {
    c.Color(KStar, 220, 220, 240);
    std::uint32_t seed = 0x4B455354; // fixed: every build draws the same sky
    for (int k = 0; k < 70; ++k) {
        seed = seed * 134775813u + 1;
        const int x = static_cast<int>((static_cast<std::uint64_t>(seed) * KW) >> 32);
        seed = seed * 134775813u + 1;
        const int y = static_cast<int>(
            (static_cast<std::uint64_t>(seed) * static_cast<std::uint64_t>(below)) >> 32);
        if (c.Get(x, y) < KSky + 20) c.Set(x, y, KStar);
    }
}

void SetTextColors(TCanvas& c) {
    c.Color(KSmallText, 244, 226, 200);
    c.Color(KDimText, 170, 150, 160);
}

TKandelBitmap DrawLogo(int number, TGlyphFont& font) {
    TCanvas c;
    SetTextColors(c);
    switch (number) {
    case 1: // the emblem and the name
        PaintSky(c, 176);
        PaintStars(c, 80);
        PaintSun(c, 160, 150, 38);
        PaintHills(c, 176);
        PaintKestrel(c, 160, 92, 1.25);
        PaintWordmark(c, 170, 4);
        PaintSmallText(c, font, 214, "a player for tile-based role-playing games", KSmallText);
        break;
    case 2: // what it stands on
        PaintSky(c, 330);
        PaintStars(c, 240);
        PaintKestrel(c, 160, 70, 0.6);
        PaintRule(c, 112, 90);
        PaintSmallText(c, font, 124, "KESTRA runs on free software", KSmallText);
        PaintSmallText(c, font, 148, "SDL2  FreeType  FluidSynth  zlib", KDimText);
        PaintSmallText(c, font, 166, "Shinonome and efont bitmap fonts", KDimText);
        PaintRule(c, 190, 90);
        break;
    default: // the hand-over to the game
        PaintSky(c, 200);
        PaintSun(c, 160, 206, 26);
        PaintHills(c, 200);
        PaintKestrel(c, 250, 60, 0.45);
        PaintSmallText(c, font, 100, "The story is about to begin.", KSmallText);
        PaintRule(c, 120, 60);
        break;
    }
    return std::move(c.Bitmap);
}

} // namespace

std::optional<std::vector<std::uint8_t>> ProgramResource(std::string_view name, TGlyphFont& font) {
    for (int n = 1; n <= KLogoCount; ++n)
        if (name == "LOGO" + std::to_string(n)) {
            std::vector<std::uint8_t> bytes;
            WriteXyz(DrawLogo(n, font), bytes);
            return bytes;
        }
    return std::nullopt;
}

} // namespace kestra
