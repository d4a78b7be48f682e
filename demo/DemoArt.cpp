// Generates the demo game's pictures and sounds into a game directory. Everything is
// drawn from code with one fixed palette and a fixed-seed hash, so every run writes the
// same bytes.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/Catalog.h"
#include "graphics/KandelBitmap.h"
#include "graphics/KandelPng.h"
#include "platform/FfmpegMovie.h"

namespace {

using kestra::TKandelBitmap;
using kestra::TPixelFormat;

// Palette indexes. 0 is the transparent key of chip sets, character sets and monsters.
constexpr std::uint8_t Key = 0;
constexpr std::uint8_t Black = 1;
constexpr std::uint8_t White = 2;
constexpr std::uint8_t Grey = 3;
constexpr std::uint8_t DarkGrey = 4;
constexpr std::uint8_t LightGrey = 5;
constexpr std::uint8_t Grass = 6;
constexpr std::uint8_t GrassDark = 7;
constexpr std::uint8_t GrassLight = 8;
constexpr std::uint8_t Leaf = 9;
constexpr std::uint8_t LeafDark = 10;
constexpr std::uint8_t Trunk = 11;
constexpr std::uint8_t Water = 12;
constexpr std::uint8_t WaterDark = 13;
constexpr std::uint8_t WaterLight = 14;
constexpr std::uint8_t Sand = 15;
constexpr std::uint8_t Dirt = 16;
constexpr std::uint8_t DirtDark = 17;
constexpr std::uint8_t Stone = 18;
constexpr std::uint8_t StoneDark = 19;
constexpr std::uint8_t StoneLight = 20;
constexpr std::uint8_t Brick = 21;
constexpr std::uint8_t BrickDark = 22;
constexpr std::uint8_t Roof = 23;
constexpr std::uint8_t RoofDark = 24;
constexpr std::uint8_t Wood = 25;
constexpr std::uint8_t WoodDark = 26;
constexpr std::uint8_t Skin = 27;
constexpr std::uint8_t SkinDark = 28;
constexpr std::uint8_t Hair = 29;
constexpr std::uint8_t HairBlond = 30;
constexpr std::uint8_t Red = 31;
constexpr std::uint8_t RedDark = 32;
constexpr std::uint8_t Blue = 33;
constexpr std::uint8_t BlueDark = 34;
constexpr std::uint8_t Green = 35;
constexpr std::uint8_t Yellow = 36;
constexpr std::uint8_t Gold = 37;
constexpr std::uint8_t Purple = 38;
constexpr std::uint8_t PurpleDark = 39;
constexpr std::uint8_t Orange = 40;
constexpr std::uint8_t Sky = 41;
constexpr std::uint8_t SkyLight = 42;
constexpr std::uint8_t Night = 43;
constexpr std::uint8_t WindowBlue = 44;
constexpr std::uint8_t WindowDeep = 45;
constexpr std::uint8_t Cave = 46;
constexpr std::uint8_t CaveDark = 47;
constexpr std::uint8_t Lava = 48;
constexpr std::uint8_t Snow = 49;
constexpr std::uint8_t Pink = 50;
constexpr std::uint8_t Teal = 51;
constexpr std::uint8_t Shadow = 52;
constexpr std::uint8_t KColourCount = 53;

constexpr std::array<std::array<std::uint8_t, 3>, KColourCount> KPalette = {{
    {255, 0, 255},   {16, 16, 24},    {248, 248, 248}, {144, 144, 152}, {72, 72, 84},
    {200, 200, 208}, {88, 168, 72},   {56, 128, 56},   {136, 200, 96},  {48, 136, 64},
    {24, 88, 48},    {120, 80, 40},   {56, 112, 200},  {32, 72, 152},   {128, 184, 240},
    {232, 208, 144}, {176, 136, 88},  {128, 96, 64},   {152, 152, 160}, {96, 96, 112},
    {200, 200, 208}, {184, 96, 72},   {128, 56, 48},   {200, 64, 48},   {136, 40, 40},
    {176, 120, 64},  {112, 72, 40},   {248, 200, 160}, {216, 160, 120}, {96, 56, 32},
    {240, 208, 96},  {224, 48, 48},   {144, 24, 32},   {64, 96, 224},   {32, 48, 136},
    {64, 184, 88},   {248, 232, 72},  {232, 176, 40},  {152, 88, 200},  {88, 48, 128},
    {240, 136, 40},  {112, 168, 240}, {184, 216, 248}, {24, 24, 64},    {40, 72, 160},
    {16, 24, 88},    {88, 72, 72},    {48, 40, 44},    {248, 96, 24},   {232, 240, 248},
    {248, 152, 184}, {48, 176, 168},  {40, 40, 48},
}};

struct TCanvas {
    int W, H;
    std::vector<std::uint8_t> Px;
    TCanvas(int w, int h, std::uint8_t fill = Key)
        : W(w), H(h), Px(static_cast<std::size_t>(w) * h, fill) {}

    void Put(int x, int y, std::uint8_t c) {
        if (x >= 0 && y >= 0 && x < W && y < H) Px[static_cast<std::size_t>(y) * W + x] = c;
    }
    std::uint8_t At(int x, int y) const {
        return x >= 0 && y >= 0 && x < W && y < H ? Px[static_cast<std::size_t>(y) * W + x] : Key;
    }
    void Rect(int x, int y, int w, int h, std::uint8_t c) {
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i) Put(x + i, y + j, c);
    }
    void Frame(int x, int y, int w, int h, std::uint8_t c) {
        Rect(x, y, w, 1, c);
        Rect(x, y + h - 1, w, 1, c);
        Rect(x, y, 1, h, c);
        Rect(x + w - 1, y, 1, h, c);
    }
    void Disc(int cx, int cy, int r, std::uint8_t c) { Ellipse(cx, cy, r, r, c); }
    void Ellipse(int cx, int cy, int rx, int ry, std::uint8_t c) {
        for (int j = -ry; j <= ry; ++j)
            for (int i = -rx; i <= rx; ++i)
                if (i * i * ry * ry + j * j * rx * rx <= rx * rx * ry * ry) Put(cx + i, cy + j, c);
    }
    void Line(int x0, int y0, int x1, int y1, std::uint8_t c) {
        int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1, err = dx + dy;
        for (;;) {
            Put(x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            int e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x0 += sx;
            }
            if (e2 <= dx) {
                err += dx;
                y0 += sy;
            }
        }
    }
    void Triangle(int x0, int y0, int x1, int y1, int x2, int y2, std::uint8_t c) {
        int minY = std::min({y0, y1, y2}), maxY = std::max({y0, y1, y2});
        int minX = std::min({x0, x1, x2}), maxX = std::max({x0, x1, x2});
        for (int y = minY; y <= maxY; ++y)
            for (int x = minX; x <= maxX; ++x) {
                int a = (x1 - x0) * (y - y0) - (y1 - y0) * (x - x0);
                int b = (x2 - x1) * (y - y1) - (y2 - y1) * (x - x1);
                int d = (x0 - x2) * (y - y2) - (y0 - y2) * (x - x2);
                if ((a >= 0 && b >= 0 && d >= 0) || (a <= 0 && b <= 0 && d <= 0)) Put(x, y, c);
            }
    }
};

// A fixed hash for texture speckles.
std::uint32_t Hash(int x, int y, int seed) {
    auto h = static_cast<std::uint32_t>(x) * 374761393u +
             static_cast<std::uint32_t>(y) * 668265263u +
             static_cast<std::uint32_t>(seed) * 982451653u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return h ^ (h >> 16);
}

void Speckle(TCanvas& c, int x, int y, int w, int h, std::uint8_t base, std::uint8_t dots,
             int per256, int seed) {
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            c.Put(x + i, y + j, static_cast<int>(Hash(i, j, seed) & 255) < per256 ? dots : base);
}

// With `dusk` every colour of the palette is darkened and turned towards blue: the
// same picture by evening light.
void Save(const TCanvas& c, const std::filesystem::path& path, bool dusk = false) {
    TKandelBitmap bmp;
    bmp.Reset(TPixelFormat::Indexed8, c.W, c.H);
    bmp.PaletteSize = KColourCount;
    for (int i = 0; i < KColourCount; ++i) {
        const int r = KPalette[i][0], g = KPalette[i][1], b = KPalette[i][2];
        bmp.Palette[i].Red = static_cast<std::uint8_t>(dusk ? r * 45 / 100 : r);
        bmp.Palette[i].Green = static_cast<std::uint8_t>(dusk ? g * 50 / 100 : g);
        bmp.Palette[i].Blue =
            static_cast<std::uint8_t>(dusk ? std::min(255, b * 70 / 100 + 40) : b);
    }
    for (int y = 0; y < c.H; ++y)
        for (int x = 0; x < c.W; ++x) bmp.Row(y)[x] = c.At(x, y);
    std::vector<std::uint8_t> bytes;
    kestra::WritePng(bmp, bytes);
    std::filesystem::create_directories(path.parent_path());
    kestra::WriteWholeFile(path.string(), bytes);
}

// ---- system graphic ----

void Digit(TCanvas& c, int x, int y, int d, std::uint8_t col) {
    // Seven segments in an 8 x 16 cell: a top, b upper right, c lower right, d bottom,
    // e lower left, f upper left, g middle.
    static constexpr std::uint8_t KSeg[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                              0x6D, 0x7D, 0x07, 0x7F, 0x6F};
    std::uint8_t s = KSeg[d];
    if (s & 1) c.Rect(x + 2, y + 1, 4, 2, col);
    if (s & 2) c.Rect(x + 6, y + 2, 2, 6, col);
    if (s & 4) c.Rect(x + 6, y + 8, 2, 6, col);
    if (s & 8) c.Rect(x + 2, y + 13, 4, 2, col);
    if (s & 16) c.Rect(x, y + 8, 2, 6, col);
    if (s & 32) c.Rect(x, y + 2, 2, 6, col);
    if (s & 64) c.Rect(x + 2, y + 7, 4, 2, col);
}

void SystemGraphic(const std::filesystem::path& dir) {
    TCanvas c(160, 80, Black);
    for (int y = 0; y < 32; ++y) c.Rect(0, y, 32, 1, y < 16 ? WindowBlue : WindowDeep);
    // Frame: a light border with rounded corners.
    c.Frame(32, 0, 32, 32, LightGrey);
    c.Frame(33, 1, 30, 30, White);
    c.Frame(34, 2, 28, 28, Grey);
    c.Rect(36, 4, 24, 24, Key);
    c.Put(32, 0, Key);
    c.Put(63, 0, Key);
    c.Put(32, 31, Key);
    c.Put(63, 31, Key);
    // Arrows inside the frame block.
    c.Rect(40, 8, 16, 16, Key);
    c.Triangle(44, 14, 48, 9, 52, 14, White);
    c.Triangle(44, 17, 48, 22, 52, 17, White);
    // Cursor, two frames.
    for (int f = 0; f < 2; ++f) {
        int x = 64 + 32 * f;
        c.Rect(x, 0, 32, 32, Key);
        c.Frame(x + 1, 1, 30, 30, f ? Yellow : Gold);
        c.Frame(x + 2, 2, 28, 28, f ? Gold : Yellow);
        c.Rect(x + 3, 3, 26, 26, f ? Orange : Gold);
        c.Rect(x + 4, 4, 24, 24, Key);
    }
    // Gauge pieces: frame, empty and full bars.
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) {
            int x = 128 + 8 * k, y = 8 * r;
            static constexpr std::uint8_t KFill[4] = {Red, Blue, Green, Yellow};
            c.Rect(x, y, 8, 8, k == 0 ? DarkGrey : KFill[r]);
            c.Rect(x, y, 8, 1, LightGrey);
            c.Rect(x, y + 7, 8, 1, Black);
        }
    c.Put(0, 32, Black);
    c.Put(16, 32, Shadow);
    for (int d = 0; d < 10; ++d) Digit(c, 32 + 8 * d, 32, d, White);
    c.Rect(115, 36, 2, 2, White);
    c.Rect(115, 42, 2, 2, White);
    // Battle pointer: a hand-like arrow and its outline layer.
    c.Rect(128, 32, 32, 16, Key);
    c.Triangle(130, 34, 142, 40, 130, 46, Yellow);
    c.Triangle(146, 34, 158, 40, 146, 46, Black);
    c.Triangle(147, 36, 155, 40, 147, 44, Key);
    // Twenty text colours.
    static constexpr std::uint8_t KText[20] = {
        White, SkyLight, Orange,    Grey, Green,      Red,        Yellow, Pink, Teal, Gold,
        Blue,  Purple,   LightGrey, Sand, GrassLight, WaterLight, Roof,   Leaf, Lava, Snow};
    for (int k = 0; k < 20; ++k) {
        int x = 16 * (k % 10), y = 48 + 16 * (k / 10);
        c.Rect(x, y, 16, 16, KText[k]);
        c.Rect(x + 2, y + 8, 12, 6, KText[k] == White ? LightGrey : KText[k]);
    }
    Save(c, dir / "System" / "Skin.png");
}

// ---- chip set ----

void Tree(TCanvas& c, int x, int y) {
    c.Rect(x + 6, y + 10, 4, 6, Trunk);
    c.Disc(x + 8, y + 7, 6, LeafDark);
    c.Disc(x + 7, y + 6, 5, Leaf);
    c.Put(x + 5, y + 4, GrassLight);
    c.Put(x + 9, y + 7, GrassLight);
}

void ChipSet(const std::filesystem::path& dir) {
    TCanvas c(480, 256, Key);
    // Water A, B, C: three frames 16 pixels apart, deeper to the right.
    for (int x = 0; x < 96; ++x)
        for (int y = 0; y < 64; ++y) {
            int frame = (x / 16) % 3;
            bool crest = ((x + y * 2 + frame * 3) % 12) == 0;
            c.Put(x, y, crest ? WaterLight : (x < 48 ? Water : WaterDark));
        }
    for (int x = 0; x < 48; ++x)
        for (int y = 64; y < 128; ++y) c.Put(x, y, ((x + y) % 9) == 0 ? WaterLight : Water);
    // Animated tiles: flowers, torch flame, lava; four frames down each column.
    for (int f = 0; f < 4; ++f) {
        int y = 64 + 16 * f;
        Speckle(c, 48, y, 16, 16, Grass, GrassLight, 20, 3);
        c.Disc(56, y + 8 - (f % 2), 2, f % 2 ? Yellow : Pink);
        c.Rect(64, y, 16, 16, StoneDark);
        c.Rect(71, y + 8, 2, 8, Wood);
        c.Ellipse(72, y + 6, 2 + (f % 2), 3 + (f == 2), f % 2 ? Yellow : Orange);
        Speckle(c, 80, y, 16, 16, Lava, (f % 2) ? Yellow : Orange, 40 + 10 * f, 9 + f);
    }
    // Twelve autotile blocks, each one ground texture.
    static constexpr int KBlocks[12][2] = {{0, 128},  {48, 128},  {0, 192},  {48, 192},
                                           {96, 0},   {144, 0},   {96, 64},  {144, 64},
                                           {96, 128}, {144, 128}, {96, 192}, {144, 192}};
    struct TTexture {
        std::uint8_t Base, Dots;
        int Density;
    };
    static constexpr TTexture KTex[12] = {
        {Grass, GrassLight, 24}, {GrassDark, Grass, 30},  {Dirt, DirtDark, 30},
        {Sand, Dirt, 14},        {Stone, StoneLight, 40}, {LeafDark, Leaf, 80},
        {WaterLight, Water, 40}, {Cave, CaveDark, 50},    {StoneDark, Stone, 60},
        {Snow, LightGrey, 20},   {Brick, BrickDark, 50},  {Lava, Orange, 60}};
    for (int a = 0; a < 12; ++a)
        Speckle(c, KBlocks[a][0], KBlocks[a][1], 48, 64, KTex[a].Base, KTex[a].Dots,
                KTex[a].Density, a + 20);
    // Lower tiles.
    auto lower = [&](int k) {
        return std::pair{192 + 16 * (k % 6) + 96 * (k / 96), 16 * ((k % 96) / 6)};
    };
    auto [gx, gy] = lower(0);
    Speckle(c, gx, gy, 16, 16, Grass, GrassLight, 24, 40); // 0 grass
    auto [fx, fy] = lower(1);
    Speckle(c, fx, fy, 16, 16, Grass, GrassLight, 24, 41); // 1 flowers
    c.Disc(fx + 4, fy + 5, 1, Pink);
    c.Disc(fx + 11, fy + 9, 1, Yellow);
    c.Disc(fx + 6, fy + 12, 1, White);
    auto [px, py] = lower(2);
    Speckle(c, px, py, 16, 16, Dirt, Sand, 40, 42); // 2 path
    auto [wx, wy] = lower(3);                       // 3 wooden floor
    for (int j = 0; j < 16; ++j) c.Rect(wx, wy + j, 16, 1, (j % 4) == 3 ? WoodDark : Wood);
    auto [sx, sy] = lower(4);
    Speckle(c, sx, sy, 16, 16, Stone, StoneDark, 30, 43); // 4 stone floor
    c.Frame(sx, sy, 16, 16, StoneDark);
    auto [cx, cy] = lower(5);
    Speckle(c, cx, cy, 16, 16, Cave, CaveDark, 60, 44); // 5 cave floor
    auto [bx, by] = lower(6);                           // 6 brick wall (blocks)
    c.Rect(bx, by, 16, 16, Brick);
    for (int j = 0; j < 16; j += 4) {
        c.Rect(bx, by + j, 16, 1, BrickDark);
        for (int i = (j / 4) % 2 * 4; i < 16; i += 8) c.Rect(bx + i, by + j, 1, 4, BrickDark);
    }
    auto [hx, hy] = lower(7); // 7 house wall
    c.Rect(hx, hy, 16, 16, Sand);
    c.Rect(hx, hy + 15, 16, 1, Dirt);
    c.Rect(hx + 7, hy, 2, 16, WoodDark);
    auto [rx, ry] = lower(8); // 8 red roof
    for (int j = 0; j < 16; ++j) c.Rect(rx, ry + j, 16, 1, (j % 4) == 3 ? RoofDark : Roof);
    auto [r2x, r2y] = lower(9); // 9 blue roof
    for (int j = 0; j < 16; ++j) c.Rect(r2x, r2y + j, 16, 1, (j % 4) == 3 ? BlueDark : Blue);
    auto [dx, dy] = lower(10); // 10 house window
    c.Rect(dx, dy, 16, 16, Sand);
    c.Rect(dx + 3, dy + 3, 10, 8, WindowBlue);
    c.Frame(dx + 3, dy + 3, 10, 8, WoodDark);
    c.Rect(dx + 7, dy + 3, 1, 8, WoodDark);
    auto [tx, ty] = lower(11); // 11 stairs down (dark opening)
    c.Rect(tx, ty, 16, 16, StoneDark);
    for (int j = 0; j < 4; ++j)
        c.Rect(tx + 2 + j, ty + 2 + 3 * j, 12 - 2 * j, 3, j % 2 ? Black : CaveDark);
    auto [ux, uy] = lower(12); // 12 stairs up
    c.Rect(ux, uy, 16, 16, Cave);
    for (int j = 0; j < 4; ++j) c.Rect(ux + 1, uy + 1 + 4 * j, 14, 3, j % 2 ? StoneLight : Stone);
    auto [qx, qy] = lower(13); // 13 wooden bridge
    c.Rect(qx, qy, 16, 16, Water);
    for (int i = 0; i < 16; i += 4) c.Rect(qx + i, qy, 3, 16, Wood);
    auto [kx, ky] = lower(14); // 14 cave wall
    Speckle(c, kx, ky, 16, 16, CaveDark, Black, 50, 45);
    c.Rect(kx, ky + 13, 16, 3, Cave);
    auto [mx, my] = lower(15); // 15 mountain
    Speckle(c, mx, my, 16, 16, Grass, GrassLight, 24, 46);
    c.Triangle(mx, my + 15, mx + 8, my + 1, mx + 15, my + 15, StoneDark);
    c.Triangle(mx + 5, my + 6, mx + 8, my + 1, mx + 11, my + 6, Snow);
    auto [ex, ey] = lower(16); // 16 town sign on grass (town entrance)
    Speckle(c, ex, ey, 16, 16, Grass, GrassLight, 24, 47);
    c.Rect(ex + 2, ey + 3, 12, 12, RoofDark);
    c.Triangle(ex, ey + 5, ex + 8, ey, ex + 15, ey + 5, Roof);
    c.Rect(ex + 6, ey + 9, 4, 6, WoodDark);
    auto [cvx, cvy] = lower(17); // 17 cave entrance on grass
    Speckle(c, cvx, cvy, 16, 16, Grass, GrassLight, 24, 48);
    c.Ellipse(cvx + 8, cvy + 10, 7, 7, StoneDark);
    c.Ellipse(cvx + 8, cvy + 12, 4, 5, Black);
    auto [skx, sky] = lower(18); // 18 cliff edge: open to the sky (the panorama) above
    for (int x = 0; x < 16; ++x) {
        const int top = 9 + static_cast<int>(Hash(x, 18, 3) % 3);
        c.Rect(skx + x, sky + top, 1, 16 - top, x % 5 == 0 ? StoneDark : Stone);
    }
    // Upper tiles: 0 stays empty.
    auto upper = [&](int k) {
        int m = k + 48;
        return std::pair{288 + 16 * (k % 6) + 96 * (m / 96), 16 * ((m % 96) / 6)};
    };
    auto [t1x, t1y] = upper(1);
    Tree(c, t1x, t1y);
    auto [t2x, t2y] = upper(2); // bush
    c.Ellipse(t2x + 8, t2y + 11, 7, 4, LeafDark);
    c.Ellipse(t2x + 7, t2y + 10, 5, 3, Leaf);
    auto [t3x, t3y] = upper(3); // fence
    c.Rect(t3x, t3y + 6, 16, 2, Wood);
    c.Rect(t3x, t3y + 11, 16, 2, Wood);
    c.Rect(t3x + 2, t3y + 3, 2, 12, WoodDark);
    c.Rect(t3x + 12, t3y + 3, 2, 12, WoodDark);
    auto [t4x, t4y] = upper(4); // sign post
    c.Rect(t4x + 7, t4y + 8, 2, 8, WoodDark);
    c.Rect(t4x + 2, t4y + 2, 12, 7, Wood);
    c.Rect(t4x + 4, t4y + 4, 8, 1, WoodDark);
    c.Rect(t4x + 4, t4y + 6, 6, 1, WoodDark);
    auto [t5x, t5y] = upper(5); // table
    c.Rect(t5x + 1, t5y + 4, 14, 7, Wood);
    c.Rect(t5x + 1, t5y + 10, 14, 1, WoodDark);
    c.Rect(t5x + 2, t5y + 11, 2, 4, WoodDark);
    c.Rect(t5x + 12, t5y + 11, 2, 4, WoodDark);
    auto [t6x, t6y] = upper(6); // bed
    c.Rect(t6x + 2, t6y, 12, 16, WoodDark);
    c.Rect(t6x + 3, t6y + 1, 10, 4, White);
    c.Rect(t6x + 3, t6y + 5, 10, 10, Blue);
    auto [t7x, t7y] = upper(7); // shelf
    c.Rect(t7x + 1, t7y, 14, 16, WoodDark);
    for (int j = 0; j < 3; ++j) {
        c.Rect(t7x + 2, t7y + 1 + 5 * j, 12, 4, Wood);
        c.Rect(t7x + 3 + 3 * j, t7y + 1 + 5 * j, 2, 4, j == 1 ? Red : Blue);
    }
    auto [t8x, t8y] = upper(8); // pot
    c.Ellipse(t8x + 8, t8y + 10, 5, 5, Dirt);
    c.Rect(t8x + 5, t8y + 3, 6, 3, DirtDark);
    auto [t9x, t9y] = upper(9); // counter
    c.Rect(t9x, t9y + 4, 16, 12, Wood);
    c.Rect(t9x, t9y + 4, 16, 2, Gold);
    auto [tax, tay] = upper(10); // rock
    c.Ellipse(tax + 8, tay + 10, 6, 5, StoneDark);
    c.Ellipse(tax + 7, tay + 9, 4, 3, Stone);
    auto [tbx, tby] = upper(11); // tree top (drawn above characters)
    c.Disc(tbx + 8, tby + 8, 7, LeafDark);
    c.Disc(tbx + 7, tby + 7, 6, Leaf);
    Save(c, dir / "ChipSet" / "World.png");
    Save(c, dir / "ChipSet" / "Dusk.png", true);
}

// ---- characters ----

struct TLook {
    std::uint8_t Hair, Shirt, Legs, Skin;
    bool Hat;
};

void Person(TCanvas& c, int x, int y, int dir, int frame, const TLook& l) {
    // A 24 x 32 cell; the figure stands on the bottom 16 x 24.
    int step = frame == 0 ? -1 : frame == 2 ? 1 : 0;
    int bx = x + 12;
    c.Ellipse(bx, y + 30, 6, 2, Shadow);
    // legs
    c.Rect(bx - 4, y + 23, 3, 6 + (step < 0 ? 1 : 0), l.Legs);
    c.Rect(bx + 1, y + 23, 3, 6 + (step > 0 ? 1 : 0), l.Legs);
    // body
    c.Rect(bx - 5, y + 14, 10, 10, l.Shirt);
    c.Rect(bx - 7, y + 15 + step, 2, 7, l.Shirt);
    c.Rect(bx + 5, y + 15 - step, 2, 7, l.Shirt);
    c.Rect(bx - 5, y + 22, 10, 1, Black);
    // head
    c.Disc(bx, y + 9, 6, l.Skin);
    if (dir == 0) {
        c.Disc(bx, y + 8, 6, l.Hair);
    } else {
        c.Rect(bx - 6, y + 3, 13, 4, l.Hair);
        if (dir == 1) c.Rect(bx - 6, y + 3, 4, 9, l.Hair);
        if (dir == 3) c.Rect(bx + 3, y + 3, 4, 9, l.Hair);
        if (dir == 2) {
            c.Put(bx - 2, y + 10, Black);
            c.Put(bx + 2, y + 10, Black);
        } else {
            c.Put(dir == 1 ? bx + 3 : bx - 3, y + 10, Black);
        }
    }
    if (l.Hat) {
        c.Rect(bx - 7, y + 3, 15, 2, l.Shirt);
        c.Rect(bx - 4, y, 9, 4, l.Shirt);
    }
}

void Chest(TCanvas& c, int x, int y, bool open) {
    c.Ellipse(x + 12, y + 29, 9, 2, Shadow);
    c.Rect(x + 3, y + 16, 18, 12, Wood);
    c.Frame(x + 3, y + 16, 18, 12, WoodDark);
    if (open) {
        c.Rect(x + 3, y + 10, 18, 6, WoodDark);
        c.Rect(x + 5, y + 16, 14, 3, Gold);
    } else {
        c.Rect(x + 3, y + 13, 18, 5, Wood);
        c.Frame(x + 3, y + 13, 18, 5, WoodDark);
        c.Rect(x + 11, y + 17, 3, 4, Gold);
    }
}

void Door(TCanvas& c, int x, int y, int stage) {
    // stage 0 closed .. 3 open
    c.Rect(x + 4, y + 8, 16, 24, stage == 3 ? Black : WoodDark);
    if (stage < 3) {
        c.Rect(x + 5 + 4 * stage, y + 9, 14 - 4 * stage, 22, Wood);
        c.Put(x + 16, y + 20, Gold);
    }
}

void Boat(TCanvas& c, int x, int y, int dir) {
    bool side = dir == 1 || dir == 3;
    if (side) {
        c.Ellipse(x + 12, y + 24, 11, 5, WoodDark);
        c.Rect(x + 2, y + 19, 20, 3, Wood);
    } else {
        c.Ellipse(x + 12, y + 22, 6, 9, WoodDark);
        c.Ellipse(x + 12, y + 22, 4, 7, Wood);
    }
    c.Rect(x + 11, y + 4, 2, 16, WoodDark);
    c.Triangle(x + 13, y + 5, x + 13, y + 17, x + 21, y + 17, White);
}

void Ship(TCanvas& c, int x, int y, int dir, int frame) {
    // A two-masted ship that rocks on the swell.
    const int bob = frame == 1 ? 1 : 0;
    const bool side = dir == 1 || dir == 3;
    if (side) {
        c.Ellipse(x + 12, y + 25 + bob, 11, 5, BrickDark);
        c.Rect(x + 1, y + 20 + bob, 22, 4, Wood);
        c.Rect(x + 1, y + 23 + bob, 22, 1, Gold);
    } else {
        c.Ellipse(x + 12, y + 23 + bob, 8, 8, BrickDark);
        c.Ellipse(x + 12, y + 23 + bob, 6, 6, Wood);
    }
    for (int mast : {7, 16}) {
        c.Rect(x + mast, y + 2 + bob, 2, 19, WoodDark);
        c.Rect(x + mast - 4, y + 5 + bob, 10, 8, White);
        c.Rect(x + mast - 4, y + 12 + bob, 10, 1, LightGrey);
    }
    c.Rect(x + 16, y + 1 + bob, 4, 2, Red);
}

void Airship(TCanvas& c, int x, int y, int dir, int frame) {
    // A gas bag over a gondola; the propeller turns.
    c.Ellipse(x + 12, y + 9, 11, 7, Red);
    c.Ellipse(x + 12, y + 7, 8, 3, Orange);
    c.Rect(x + 1, y + 9, 22, 1, RedDark);
    c.Line(x + 6, y + 14, x + 8, y + 21, DarkGrey);
    c.Line(x + 18, y + 14, x + 16, y + 21, DarkGrey);
    c.Rect(x + 6, y + 21, 12, 6, Wood);
    c.Rect(x + 6, y + 21, 12, 1, Gold);
    c.Rect(x + 8, y + 23, 2, 2, SkyLight);
    c.Rect(x + 14, y + 23, 2, 2, SkyLight);
    const int px = dir == 3 ? x + 20 : dir == 1 ? x + 3 : x + 11;
    const int spin = frame == 1 ? 0 : frame == 0 ? -1 : 1;
    c.Rect(px, y + 20 + spin, 2, 5 - 2 * (spin != 0), Grey);
    c.Rect(px - 1 + spin, y + 22, 4, 1, LightGrey);
}

void CharSets(const std::filesystem::path& dir) {
    TCanvas people(288, 256, Key);
    static constexpr TLook KLooks[8] = {
        {Hair, Blue, BlueDark, Skin, false},       // hero
        {HairBlond, Red, DarkGrey, Skin, false},   // fighter
        {Purple, Purple, PurpleDark, Skin, true},  // mage
        {LightGrey, Green, Dirt, SkinDark, false}, // elder
        {HairBlond, Pink, Red, Skin, false},       // villager woman
        {Hair, Orange, WoodDark, SkinDark, false}, // child / merchant
        {DarkGrey, Teal, DarkGrey, Skin, true},    // innkeeper
        {Grey, Stone, StoneDark, Skin, true},      // guard
    };
    for (int ch = 0; ch < 8; ++ch)
        for (int d = 0; d < 4; ++d)
            for (int f = 0; f < 3; ++f)
                Person(people, (ch % 4) * 72 + f * 24, (ch / 4) * 128 + d * 32, d, f, KLooks[ch]);
    Save(people, dir / "CharSet" / "People.png");

    TCanvas objects(288, 256, Key);
    for (int d = 0; d < 4; ++d)
        for (int f = 0; f < 3; ++f) {
            Chest(objects, f * 24, d * 32, d > 0);  // 0 chest: facing up closed
            Door(objects, 72 + f * 24, d * 32, d);  // 1 door: four stages
            Boat(objects, 144 + f * 24, d * 32, d); // 2 boat
            // 3 a glowing crystal (save point)
            objects.Ellipse(216 + f * 24 + 12, d * 32 + 28, 7, 2, Shadow);
            objects.Triangle(216 + f * 24 + 12, d * 32 + 6 - f, 216 + f * 24 + 5, d * 32 + 18,
                             216 + f * 24 + 19, d * 32 + 18, f == 1 ? WaterLight : Teal);
            objects.Triangle(216 + f * 24 + 5, d * 32 + 18, 216 + f * 24 + 19, d * 32 + 18,
                             216 + f * 24 + 12, d * 32 + 28, Blue);
        }
    // 4 the boss: a dark knight, twice as menacing
    for (int d = 0; d < 4; ++d)
        for (int f = 0; f < 3; ++f)
            Person(objects, f * 24, 128 + d * 32, d, f, {Black, PurpleDark, Black, Grey, true});
    // 5 the airship, 6 the ship
    for (int d = 0; d < 4; ++d)
        for (int f = 0; f < 3; ++f) {
            Airship(objects, 72 + f * 24, 128 + d * 32, d, f);
            Ship(objects, 144 + f * 24, 128 + d * 32, d, f);
        }
    Save(objects, dir / "CharSet" / "Objects.png");
}

void Faces(const std::filesystem::path& dir) {
    TCanvas c(192, 192, Key);
    static constexpr std::uint8_t KHair[8] = {Hair,      HairBlond, Purple,   LightGrey,
                                              HairBlond, Hair,      DarkGrey, Grey};
    static constexpr std::uint8_t KBack[8] = {SkyLight, Pink,   Purple, Green,
                                              Yellow,   Orange, Teal,   Stone};
    for (int k = 0; k < 8; ++k) {
        int x = (k % 4) * 48, y = (k / 4) * 48;
        c.Rect(x, y, 48, 48, KBack[k]);
        c.Rect(x + 12, y + 36, 24, 12, KBack[(k + 3) % 8]);
        c.Ellipse(x + 24, y + 24, 14, 16, k == 3 || k == 5 ? SkinDark : Skin);
        c.Ellipse(x + 24, y + 12, 15, 8, KHair[k]);
        c.Rect(x + 17, y + 22, 3, 4, Black);
        c.Rect(x + 28, y + 22, 3, 4, Black);
        c.Rect(x + 20, y + 32, 8, 2, RedDark);
        if (k == 3) c.Ellipse(x + 24, y + 36, 8, 6, LightGrey); // beard
    }
    Save(c, dir / "FaceSet" / "Faces.png");
}

// ---- full pictures ----

void Hills(TCanvas& c, int base, std::uint8_t col, int amp, int period, int seed) {
    for (int x = 0; x < c.W; ++x) {
        double v = std::sin((x + seed * 37) * 6.2831853 / period) * amp +
                   std::sin((x + seed * 11) * 6.2831853 / (period / 2.7)) * amp / 3.0;
        int top = base - static_cast<int>(v);
        c.Rect(x, top, 1, c.H - top, col);
    }
}

void FillSky(TCanvas& c, std::uint8_t top, std::uint8_t bottom, int split) {
    c.Rect(0, 0, c.W, split, top);
    c.Rect(0, split, c.W, c.H - split, bottom);
}

// Capital letters of a 5 x 7 pixel font, one row per byte (bit 4 is the left column).
void BlockText(TCanvas& c, int x, int y, std::string_view text, int scale, std::uint8_t col) {
    struct TGlyph {
        char Letter;
        std::uint8_t Rows[7];
    };
    static constexpr TGlyph KGlyphs[] = {
        {'A', {0x0E, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
        {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}},
        {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}},
        {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
        {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}},
        {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    };
    for (char ch : text) {
        for (const auto& g : KGlyphs) {
            if (g.Letter != ch) continue;
            for (int row = 0; row < 7; ++row)
                for (int col2 = 0; col2 < 5; ++col2)
                    if (g.Rows[row] & (0x10 >> col2))
                        c.Rect(x + col2 * scale, y + row * scale, scale, scale, col);
        }
        x += 6 * scale;
    }
}

void Pictures(const std::filesystem::path& dir) {
    {
        TCanvas t(320, 240, Sky);
        FillSky(t, Sky, SkyLight, 110);
        t.Disc(250, 60, 22, Yellow);
        Hills(t, 170, StoneDark, 30, 260, 1);
        Hills(t, 190, GrassDark, 14, 180, 2);
        Hills(t, 210, Grass, 8, 140, 3);
        // A castle on the hill.
        t.Rect(120, 120, 80, 60, StoneLight);
        for (int i = 0; i < 80; i += 10) t.Rect(120 + i, 114, 6, 6, StoneLight);
        t.Rect(108, 100, 20, 80, Stone);
        t.Rect(192, 100, 20, 80, Stone);
        t.Triangle(104, 100, 118, 78, 132, 100, Roof);
        t.Triangle(188, 100, 202, 78, 216, 100, Roof);
        t.Rect(150, 150, 20, 30, WoodDark);
        t.Ellipse(160, 150, 10, 8, WoodDark);
        // A kestrel over the castle.
        t.Triangle(150, 50, 160, 58, 170, 50, DirtDark);
        t.Triangle(132, 44, 160, 56, 150, 58, Dirt);
        t.Triangle(188, 44, 160, 56, 170, 58, Dirt);
        // Title banner.
        t.Rect(60, 14, 200, 24, WindowDeep);
        t.Frame(60, 14, 200, 24, Gold);
        BlockText(t, 109, 16, "KESTRA", 3, Gold);
        Save(t, dir / "Title" / "Title.png");
    }
    {
        TCanvas g(320, 240, Black);
        for (int y = 0; y < 240; ++y)
            g.Rect(0, y, 320, 1, y < 120 ? Black : (y % 8 < 4 ? RedDark : Black));
        g.Disc(160, 100, 40, LightGrey);
        g.Rect(140, 130, 40, 20, LightGrey);
        g.Disc(145, 95, 10, Black);
        g.Disc(175, 95, 10, Black);
        g.Triangle(160, 108, 154, 120, 166, 120, Black);
        for (int i = 0; i < 4; ++i) g.Rect(143 + 10 * i, 140, 4, 10, Black);
        Save(g, dir / "GameOver" / "GameOver.png");
    }
    {
        TCanvas f(320, 160);
        FillSky(f, Sky, SkyLight, 70);
        Hills(f, 100, GrassDark, 12, 200, 4);
        f.Rect(0, 110, 320, 50, Grass);
        Speckle(f, 0, 120, 320, 40, Grass, GrassLight, 20, 5);
        Save(f, dir / "Backdrop" / "Field.png");
        TCanvas k(320, 160, CaveDark);
        Speckle(k, 0, 0, 320, 100, CaveDark, Black, 40, 6);
        for (int i = 0; i < 320; i += 40)
            k.Triangle(i, 0, i + 20, 30 + (i % 3) * 10, i + 40, 0, Black);
        k.Rect(0, 110, 320, 50, Cave);
        Speckle(k, 0, 110, 320, 50, Cave, StoneDark, 30, 7);
        Save(k, dir / "Backdrop" / "Cave.png");
    }
    {
        TCanvas p(640, 480, Sky);
        for (int y = 0; y < 480; ++y) p.Rect(0, y, 640, 1, y < 200 ? Sky : SkyLight);
        for (int i = 0; i < 12; ++i) {
            int cx = static_cast<int>(Hash(i, 1, 8) % 640),
                cy = static_cast<int>(Hash(i, 2, 8) % 400);
            p.Ellipse(cx, cy, 40, 12, White);
            p.Ellipse(cx + 20, cy - 8, 24, 12, White);
        }
        Save(p, dir / "Panorama" / "Sky.png");
    }
    {
        TCanvas m(160, 120, Key);
        m.Rect(0, 0, 160, 120, Sand);
        m.Frame(0, 0, 160, 120, WoodDark);
        m.Ellipse(50, 60, 30, 20, Grass);
        m.Ellipse(110, 70, 24, 30, Grass);
        m.Line(50, 60, 110, 70, RedDark);
        m.Disc(110, 70, 3, Red);
        Save(m, dir / "Picture" / "Map.png");
    }
}

void Monsters(const std::filesystem::path& dir) {
    TCanvas slime(64, 48, Key);
    slime.Ellipse(32, 32, 26, 15, BlueDark);
    slime.Ellipse(32, 30, 24, 14, Blue);
    slime.Ellipse(24, 24, 6, 4, WaterLight);
    slime.Disc(24, 30, 3, White);
    slime.Disc(40, 30, 3, White);
    slime.Disc(25, 31, 1, Black);
    slime.Disc(41, 31, 1, Black);
    Save(slime, dir / "Monster" / "Slime.png");

    TCanvas bat(80, 48, Key);
    bat.Triangle(40, 24, 4, 8, 14, 36, PurpleDark);
    bat.Triangle(40, 24, 76, 8, 66, 36, PurpleDark);
    bat.Ellipse(40, 26, 10, 12, Purple);
    bat.Put(36, 22, Red);
    bat.Put(44, 22, Red);
    bat.Triangle(34, 16, 36, 8, 38, 16, Purple);
    bat.Triangle(42, 16, 44, 8, 46, 16, Purple);
    Save(bat, dir / "Monster" / "Bat.png");

    TCanvas gob(64, 80, Key);
    gob.Rect(22, 40, 20, 26, Dirt);
    gob.Rect(22, 66, 7, 12, DirtDark);
    gob.Rect(35, 66, 7, 12, DirtDark);
    gob.Disc(32, 28, 14, Green);
    gob.Triangle(18, 26, 4, 16, 20, 34, Green);
    gob.Triangle(46, 26, 60, 16, 44, 34, Green);
    gob.Disc(27, 26, 2, Yellow);
    gob.Disc(37, 26, 2, Yellow);
    gob.Rect(26, 34, 12, 2, Black);
    gob.Rect(46, 30, 3, 36, WoodDark);
    Save(gob, dir / "Monster" / "Goblin.png");

    TCanvas knight(120, 140, Key);
    knight.Triangle(20, 130, 60, 40, 100, 130, PurpleDark);
    knight.Rect(40, 50, 40, 50, DarkGrey);
    knight.Disc(60, 36, 18, Grey);
    knight.Rect(46, 32, 28, 5, Black);
    knight.Put(52, 34, Red);
    knight.Put(68, 34, Red);
    knight.Triangle(44, 22, 50, 4, 54, 22, Grey);
    knight.Triangle(66, 22, 70, 4, 76, 22, Grey);
    knight.Rect(96, 20, 4, 100, LightGrey);
    knight.Rect(88, 100, 20, 4, Gold);
    Save(knight, dir / "Monster" / "DarkKnight.png");
}

void BattleAnimation(const std::filesystem::path& dir) {
    // 96 x 96 cells, five to a row: a slash in cells 0..4, a fire burst in 5..9.
    TCanvas c(480, 192, Key);
    for (int k = 0; k < 5; ++k) {
        int x = 96 * k;
        int reach = 20 + 15 * k;
        for (int t = -2; t <= 2; ++t)
            c.Line(x + 48 - reach + t, 48 - reach, x + 48 + reach / 2 + t, 48 + reach / 2,
                   k < 3 ? White : LightGrey);
        int y = 96;
        c.Disc(x + 48, y + 48, 8 + 8 * k, k < 4 ? Orange : RedDark);
        c.Disc(x + 48, y + 48, 4 + 6 * k, k < 3 ? Yellow : Orange);
        c.Disc(x + 48, y + 48, 2 + 3 * k, White);
    }
    Save(c, dir / "Battle" / "Effects.png");
}

// ---- sound ----

void Put16(std::vector<std::uint8_t>& v, std::uint32_t x) {
    v.push_back(static_cast<std::uint8_t>(x));
    v.push_back(static_cast<std::uint8_t>(x >> 8));
}
void Put32(std::vector<std::uint8_t>& v, std::uint32_t x) {
    Put16(v, x & 0xFFFF);
    Put16(v, x >> 16);
}
void Put32Be(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int s = 24; s >= 0; s -= 8) v.push_back(static_cast<std::uint8_t>(x >> s));
}

struct TTone {
    double Freq0, Freq1, Seconds;
    int Shape; // 0 square, 1 sine, 2 noise
};

void Wave(const std::filesystem::path& path, const std::vector<TTone>& tones) {
    constexpr int KRate = 22050;
    std::vector<std::uint8_t> samples;
    std::uint32_t noise = 12345;
    for (const auto& t : tones) {
        int n = static_cast<int>(t.Seconds * KRate);
        double phase = 0.0;
        for (int i = 0; i < n; ++i) {
            double f = t.Freq0 + (t.Freq1 - t.Freq0) * i / n;
            phase += f / KRate;
            double env = 1.0 - static_cast<double>(i) / n;
            double s;
            if (t.Shape == 0)
                s = std::fmod(phase, 1.0) < 0.5 ? 0.5 : -0.5;
            else if (t.Shape == 1)
                s = std::sin(phase * 6.2831853);
            else {
                noise = noise * 1103515245u + 12345u;
                s = static_cast<double>((noise >> 16) & 0x7FFF) / 16384.0 - 1.0;
            }
            samples.push_back(static_cast<std::uint8_t>(128 + static_cast<int>(s * env * 90)));
        }
    }
    std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
    Put32(out, static_cast<std::uint32_t>(36 + samples.size()));
    for (char ch : std::string("WAVEfmt ")) out.push_back(static_cast<std::uint8_t>(ch));
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 1);
    Put32(out, KRate);
    Put32(out, KRate);
    Put16(out, 1);
    Put16(out, 8);
    for (char ch : std::string("data")) out.push_back(static_cast<std::uint8_t>(ch));
    Put32(out, static_cast<std::uint32_t>(samples.size()));
    out.insert(out.end(), samples.begin(), samples.end());
    std::filesystem::create_directories(path.parent_path());
    kestra::WriteWholeFile(path.string(), out);
}

void VarLen(std::vector<std::uint8_t>& v, std::uint32_t x) {
    std::uint8_t buf[5];
    int n = 0;
    do {
        buf[n++] = static_cast<std::uint8_t>(x & 0x7F);
        x >>= 7;
    } while (x != 0);
    while (n-- > 0) v.push_back(static_cast<std::uint8_t>(buf[n] | (n > 0 ? 0x80 : 0)));
}

// A one-track tune: melody on channel 0, a bass note per bar on channel 1. Notes are
// MIDI numbers (0 a rest), each `ticks` long at 96 ticks per quarter.
void Midi(const std::filesystem::path& path, int program, int bassProgram, int tempoBpm,
          const std::vector<int>& melody, const std::vector<int>& bass, int ticks) {
    std::vector<std::uint8_t> track;
    auto event = [&](std::uint32_t delta, std::initializer_list<int> bytes) {
        VarLen(track, delta);
        for (int b : bytes) track.push_back(static_cast<std::uint8_t>(b));
    };
    std::uint32_t usPerQuarter = 60000000u / static_cast<std::uint32_t>(tempoBpm);
    event(0, {0xFF, 0x51, 3, static_cast<int>(usPerQuarter >> 16),
              static_cast<int>((usPerQuarter >> 8) & 255), static_cast<int>(usPerQuarter & 255)});
    event(0, {0xC0, program});
    event(0, {0xC1, bassProgram});
    std::size_t perBar = melody.size() / std::max<std::size_t>(bass.size(), 1);
    std::uint32_t pending = 0;
    for (std::size_t i = 0; i < melody.size(); ++i) {
        bool barStart = perBar > 0 && i % perBar == 0 && i / perBar < bass.size();
        if (barStart) {
            if (i > 0) {
                event(pending, {0x81, bass[i / perBar - 1], 0});
                pending = 0;
            }
            event(pending, {0x91, bass[i / perBar], 70});
            pending = 0;
        }
        if (melody[i] > 0) {
            event(pending, {0x90, melody[i], 96});
            event(static_cast<std::uint32_t>(ticks - 8), {0x80, melody[i], 0});
            pending = 8;
        } else {
            pending += static_cast<std::uint32_t>(ticks);
        }
    }
    if (!bass.empty()) event(pending, {0x81, bass.back(), 0});
    event(0, {0xFF, 0x2F, 0});
    std::vector<std::uint8_t> out{'M', 'T', 'h', 'd'};
    Put32Be(out, 6);
    out.insert(out.end(), {0, 0, 0, 1, 0, 96});
    for (char ch : std::string("MTrk")) out.push_back(static_cast<std::uint8_t>(ch));
    Put32Be(out, static_cast<std::uint32_t>(track.size()));
    out.insert(out.end(), track.begin(), track.end());
    std::filesystem::create_directories(path.parent_path());
    kestra::WriteWholeFile(path.string(), out);
}

void Sounds(const std::filesystem::path& dir) {
    auto s = dir / "Sound";
    Wave(s / "Cursor.wav", {{880, 880, 0.04, 0}});
    Wave(s / "Decide.wav", {{660, 660, 0.05, 0}, {990, 990, 0.08, 0}});
    Wave(s / "Cancel.wav", {{660, 330, 0.1, 0}});
    Wave(s / "Buzzer.wav", {{110, 110, 0.2, 0}});
    Wave(s / "Attack.wav", {{0, 0, 0.12, 2}});
    Wave(s / "Damage.wav", {{300, 80, 0.18, 0}});
    Wave(s / "Heal.wav", {{500, 1200, 0.3, 1}});
    Wave(s / "Fire.wav", {{0, 0, 0.35, 2}, {200, 60, 0.1, 0}});
    Wave(s / "BattleStart.wav", {{220, 880, 0.3, 0}});
    Wave(s / "Escape.wav", {{800, 200, 0.25, 1}});
    Wave(s / "Defeat.wav", {{400, 50, 0.4, 0}});
    Wave(s / "Item.wav", {{1000, 1000, 0.06, 1}, {1500, 1500, 0.1, 1}});
    Wave(s / "Chest.wav", {{523, 523, 0.08, 1}, {659, 659, 0.08, 1}, {784, 784, 0.16, 1}});
    Wave(s / "Door.wav", {{120, 90, 0.15, 2}});

    auto m = dir / "Music";
    // C major / A minor tunes; 0 rests.
    Midi(m / "Title.mid", 48, 32, 90,
         {72, 76, 79, 84, 83, 79, 76, 79, 77, 81, 84, 81, 79, 0,  76, 0,
          74, 77, 81, 77, 76, 72, 74, 76, 72, 0,  0,  0,  67, 72, 0,  0},
         {48, 53, 50, 48}, 96);
    Midi(m / "Field.mid", 73, 33, 120,
         {67, 69, 72, 74, 76, 74, 72, 69, 67, 69, 72, 67, 69, 0, 0, 0,
          72, 74, 76, 79, 81, 79, 76, 74, 72, 74, 76, 72, 67, 0, 0, 0},
         {48, 45, 53, 43}, 48);
    Midi(m / "Battle.mid", 30, 38, 160,
         {69, 69, 72, 69, 74, 72, 69, 67, 69, 69, 72, 69, 76, 74, 72, 71,
          69, 69, 72, 69, 74, 72, 69, 67, 64, 65, 67, 68, 69, 0,  69, 0},
         {45, 45, 41, 40}, 48);
    Midi(m / "Victory.mid", 56, 33, 140, {72, 72, 72, 72, 68, 70, 72, 0, 70, 72, 0, 0},
         {48, 44, 48}, 48);
    Midi(m / "Inn.mid", 11, 32, 100, {72, 76, 79, 76, 77, 74, 71, 0}, {48, 43}, 96);
    Midi(m / "Dungeon.mid", 19, 32, 70, {57, 0, 60, 59, 57, 0, 52, 0, 53, 0, 57, 55, 52, 0, 0, 0},
         {33, 29, 28, 33}, 96);
    Midi(m / "Town.mid", 24, 32, 110,
         {64, 67, 72, 67, 65, 69, 72, 69, 64, 67, 72, 76, 74, 72, 71, 0}, {48, 53, 48, 43}, 48);
}

// ---- the intro movie ----

// Four seconds at 25 pictures a second: a kestrel carries the crown across a night
// sky over the castle; the title appears; a short tune plays along.
void IntroMovie(const std::filesystem::path& dir) {
    constexpr int KFrames = 100, KRate = 44100;
    std::vector<std::vector<std::uint8_t>> pictures;
    for (int n = 0; n < KFrames; ++n) {
        TCanvas c(320, 240, Night);
        FillSky(c, Night, WindowDeep, 150);
        for (int i = 0; i < 40; ++i) {
            const int x = static_cast<int>(Hash(i, 3, 9) % 320),
                      y = static_cast<int>(Hash(i, 4, 9) % 140);
            // Stars twinkle: each is dimmed on a few of the pictures.
            c.Put(x, y, (Hash(i, n / 4, 10) & 7) == 0 ? Grey : White);
        }
        c.Disc(60, 50, 14, Snow);
        c.Disc(66, 46, 12, Night);
        Hills(c, 180, StoneDark, 24, 260, 1);
        Hills(c, 205, CaveDark, 10, 170, 2);
        // The castle's silhouette with lit windows.
        c.Rect(130, 140, 60, 50, Shadow);
        c.Rect(120, 124, 16, 66, Shadow);
        c.Rect(184, 124, 16, 66, Shadow);
        c.Triangle(116, 124, 128, 106, 140, 124, Shadow);
        c.Triangle(180, 124, 192, 106, 204, 124, Shadow);
        c.Rect(126, 136, 4, 6, Yellow);
        c.Rect(190, 136, 4, 6, Yellow);
        c.Rect(156, 156, 8, 8, Orange);
        // The kestrel, flapping every four pictures, with the crown in its talons.
        const int bx = -40 + n * 4, by = 80 + static_cast<int>(std::sin(n * 0.2) * 10);
        const int wing = (n / 4) % 2 == 0 ? -12 : 6;
        c.Triangle(bx - 10, by, bx, by + 8, bx + 10, by, DirtDark);
        c.Triangle(bx - 28, by + wing, bx, by + 6, bx - 8, by + 8, Dirt);
        c.Triangle(bx + 28, by + wing, bx, by + 6, bx + 8, by + 8, Dirt);
        c.Rect(bx - 5, by + 10, 10, 4, Gold);
        for (int k = 0; k < 3; ++k)
            c.Triangle(bx - 5 + 4 * k, by + 10, bx - 3 + 4 * k, by + 6, bx - 1 + 4 * k, by + 10,
                       Gold);
        if (n >= 60) {
            // The title, drawn in from the left over the last second and a half.
            const int width = std::min(200, (n - 60) * 8);
            c.Rect(60, 196, width, 24, WindowDeep);
            c.Frame(60, 196, width, 24, Gold);
            if (n >= 85) BlockText(c, 109, 198, "KESTRA", 3, Gold);
        }
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(c.W) * c.H * 3);
        for (std::size_t i = 0; i < c.Px.size(); ++i)
            for (int k = 0; k < 3; ++k)
                rgb[3 * i + static_cast<std::size_t>(k)] =
                    KPalette[c.Px[i]][static_cast<std::size_t>(k)];
        pictures.push_back(std::move(rgb));
    }
    // The tune: eight notes of half a second, a soft tone with a falling envelope.
    const int notes[8] = {72, 76, 79, 84, 83, 79, 76, 72};
    std::vector<std::int16_t> sound;
    const int perNote = KRate / 2;
    for (int note : notes) {
        const double hz = 440.0 * std::pow(2.0, (note - 69) / 12.0);
        for (int i = 0; i < perNote; ++i) {
            const double t = static_cast<double>(i) / KRate;
            const double envelope = std::exp(-3.0 * t) * std::min(1.0, i / 200.0);
            const double v =
                (std::sin(6.2831853 * hz * t) + 0.3 * std::sin(6.2831853 * hz * 2 * t)) * envelope;
            const auto sample = static_cast<std::int16_t>(std::lround(v * 9000.0));
            sound.push_back(sample);
            sound.push_back(sample);
        }
    }
    kestra::platform::TMovieWriterOptions o;
    o.Container = "mpeg";
    o.VideoCodec = "mpeg1video";
    o.AudioCodec = "mp2";
    o.Width = 320;
    o.Height = 240;
    o.FramesPerSecond = 25;
    o.SampleRate = KRate;
    std::filesystem::create_directories(dir / "Movie");
    kestra::platform::WriteMovieFile((dir / "Movie" / "Intro.mpg").string(), o, pictures, sound);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestra-demo-art GAMEDIR\n");
        return 1;
    }
    try {
        std::filesystem::path dir = argv[1];
        SystemGraphic(dir);
        ChipSet(dir);
        CharSets(dir);
        Faces(dir);
        Pictures(dir);
        Monsters(dir);
        BattleAnimation(dir);
        Sounds(dir);
        IntroMovie(dir);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestra-demo-art: %s\n", e.what());
        return 1;
    }
    return 0;
}
