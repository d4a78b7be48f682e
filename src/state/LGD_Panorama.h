#pragma once
// The parallax background drawn behind lower-layer tiles that are not fully opaque.
// Offsets are in 1/32 pixel, so the panorama follows the map at half its speed.
#include <cstdint>

#include "data/Catalog.h"
#include "graphics/KandelBitmap.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelSheet.h"

namespace kestra {

// The panorama's own scroll settings (the map unit's or the overriding ones).
struct TLcfgPanoramaSettings {
    bool HScroll = false;
    bool VScroll = false;
    bool HAuto = false;
    std::int32_t HSpeed = 0;
    bool VAuto = false;
    std::int32_t VSpeed = 0;
};

// Saved: only the offsets, which auto-scrolling moves away from anything the map's
// scroll could rebuild; the picture and settings come from the map on entry.
class TLcfgPanorama : public TCatalogBaseItem {
public:
    TLcfgPanorama() = default;
    TLcfgPanorama(const TLcfgPanorama&) = delete;
    TLcfgPanorama& operator=(const TLcfgPanorama&) = delete;
    void DescribeChunks(TChunkVisitor& v) override;

    // No panorama: 0 x 0, nothing drawn.
    void Unload();
    // A panorama without a picture: a blank, transparent 16 x 16.
    void LoadBlank();
    // The picture padded with its first 16 columns and rows repeated at the right and
    // bottom, so any 16 x 16 piece is cut without wrapping.
    void Load(const TKandelBitmap& picture);

    // Follows the map's scroll on each axis that neither scrolls by itself nor loops.
    void Sync(std::int32_t scrollX, std::int32_t scrollY, std::int32_t mapWidth,
              std::int32_t mapHeight, bool loopsX, bool loopsY);
    // The view moved by `amount` (1/256 tile) in a straight direction (0 up .. 3 left).
    void Scrolled(int direction, std::int32_t amount);
    // One frame of auto-scroll.
    void Update();
    // Draws the 16 x 16 piece behind screen cell position (sx, sy) in pixels.
    void DrawPiece(TKandelBoard& board, int sx, int sy, int shakeX, int shakeY);

    bool HasImage() const { return Width > 0 && Height > 0 && !Blank; }

    TLcfgPanoramaSettings Settings;
    std::int32_t X = 0, Y = 0;
    std::int32_t Width = 0, Height = 0;
    TKandelSheet Image;

    // Kept for Sync when the view scrolls on an axis without panorama scrolling.
    std::int32_t MapWidth = 20, MapHeight = 15;
    bool LoopsX = false, LoopsY = false;
    std::int32_t LastScrollX = 0, LastScrollY = 0;

private:
    void Wrap();
    bool Blank = true;
};

} // namespace kestra
