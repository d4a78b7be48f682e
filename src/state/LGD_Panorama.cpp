#include "state/LGD_Panorama.h"

#include <algorithm>

namespace kestra {

namespace {

std::int32_t PositiveMod(std::int64_t v, std::int64_t m) {
    if (m <= 0) return 0;
    return static_cast<std::int32_t>(((v % m) + m) % m);
}

// Sync of one axis: the panorama crosses at most its overhang while the view crosses
// the map's scroll range. Maps no larger than the view have no range, and stay at 0.
std::int32_t Follow(std::int32_t scroll, std::int32_t tiles, std::int32_t viewTiles,
                    std::int32_t size, std::int32_t viewPixels) {
    const std::int64_t r = static_cast<std::int64_t>(tiles - viewTiles) * 16;
    if (r <= 0) return 0;
    const std::int64_t c = std::min<std::int64_t>(r, std::max(0, size - viewPixels));
    return static_cast<std::int32_t>(c * scroll * 2 / r);
}

} // namespace

void TLcfgPanorama::DescribeChunks(TChunkVisitor& v) {
    v.Int(1, X);
    v.Int(2, Y);
}

void TLcfgPanorama::Unload() {
    Image.Clear();
    Width = Height = 0;
    X = Y = 0;
    Blank = true;
}

void TLcfgPanorama::LoadBlank() {
    Unload();
    Width = Height = 16;
}

void TLcfgPanorama::Load(const TKandelBitmap& picture) {
    Unload();
    if (picture.Width <= 0 || picture.Height <= 0) return LoadBlank();
    Width = picture.Width;
    Height = picture.Height;
    Image.AutoSize = false;
    Image.SetSize(Width + 16, Height + 16);
    // The picture at the origin, then its first columns and rows once more (as often
    // as needed for pictures narrower than a tile).
    for (int oy = 0; oy < Height + 16; oy += Height)
        for (int ox = 0; ox < Width + 16; ox += Width) Image.LoadFromBitmap(picture, -ox, -oy);
    Image.Transparent = false;
    Blank = false;
}

void TLcfgPanorama::Wrap() {
    X = PositiveMod(X, static_cast<std::int64_t>(Width) * 32);
    Y = PositiveMod(Y, static_cast<std::int64_t>(Height) * 32);
}

void TLcfgPanorama::Sync(std::int32_t scrollX, std::int32_t scrollY, std::int32_t mapWidth,
                         std::int32_t mapHeight, bool loopsX, bool loopsY) {
    MapWidth = mapWidth;
    MapHeight = mapHeight;
    LoopsX = loopsX;
    LoopsY = loopsY;
    LastScrollX = scrollX;
    LastScrollY = scrollY;
    if (!Settings.HScroll && !loopsX) X = Follow(scrollX, mapWidth, 20, Width, 320);
    if (!Settings.VScroll && !loopsY) Y = Follow(scrollY, mapHeight, 15, Height, 240);
    Wrap();
}

void TLcfgPanorama::Scrolled(int direction, std::int32_t amount) {
    const bool horizontal = direction == 1 || direction == 3;
    const int sign = direction == 1 || direction == 2 ? 1 : -1;
    if (horizontal) {
        LastScrollX += sign * amount;
        if (Settings.HScroll) X += sign * amount;
    } else {
        LastScrollY += sign * amount;
        if (Settings.VScroll) Y += sign * amount;
    }
    if ((horizontal && !Settings.HScroll) || (!horizontal && !Settings.VScroll))
        Sync(LastScrollX, LastScrollY, MapWidth, MapHeight, LoopsX, LoopsY);
    Wrap();
}

void TLcfgPanorama::Update() {
    if (Settings.HScroll && Settings.HAuto && Settings.HSpeed != 0) {
        const std::int32_t s = std::clamp(Settings.HSpeed, -64, 64);
        X += s > 0 ? -s * s : s * s;
    }
    if (Settings.VScroll && Settings.VAuto && Settings.VSpeed != 0) {
        const std::int32_t s = std::clamp(Settings.VSpeed, -64, 64);
        Y += s > 0 ? -s * s : s * s;
    }
    Wrap();
}

void TLcfgPanorama::DrawPiece(TKandelBoard& board, int sx, int sy, int shakeX, int shakeY) {
    if (!HasImage()) return;
    const int srcX = PositiveMod(static_cast<std::int64_t>(X / 32) + Width + sx - shakeX, Width);
    const int srcY = PositiveMod(static_cast<std::int64_t>(Y / 32) + Height + sy - shakeY, Height);
    board.DrawSheet(sx, sy, TRect{srcX, srcY, srcX + 16, srcY + 16}, Image);
}

} // namespace kestra
