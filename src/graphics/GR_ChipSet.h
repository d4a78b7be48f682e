#pragma once
// The chip set renderer: the current chip set picture, its per-tile flags, and the
// drawing of any tile ID (water, animated tiles, autotiles, lower and upper tiles)
// at any size onto a board.
#include "base/AssetLookup.h"
#include "data/LD_ChipSet.h"
#include "graphics/GR_ChipSetTiles.h"
#include "graphics/KandelBitmap.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelSheet.h"

#include <array>
#include <functional>
#include <string>

namespace kestra {

// The path of a picture by name in an asset folder ("ChipSet", "CharSet"), or empty
// when there is none. The owner supplies the game's asset lookup.
using TAssetFinder = std::function<std::string(const std::string& name, const std::string& folder)>;
// A finder over the game's asset folders with the picture extensions; the lookup
// must outlive it.
TAssetFinder PictureFinder(TAssetLookup& assets);

class TVezChipSetGraphic {
public:
    TVezChipSetGraphic();

    TAssetFinder FindAsset;

    // Stores the record's water animation and loads its picture (LoadChipSet).
    void SetChipSet(const TVezChipSetItem& record);
    // Water animation settings of the chip set record in use.
    void SetWaterAnimation(int sequence, int speed);
    int WaterSequence() const { return WaterSequence_; }
    int WaterSpeed() const { return WaterSpeed_; }

    // Loads the picture of that name from the "ChipSet" folder, errors raised (EFileError
    // when no file is found). Nothing happens when the name is the loaded one; an empty
    // name leaves a blank picture that draws nothing.
    void LoadChipSet(const std::string& name);
    // Adopts a picture held in memory under a name (tests, tools).
    void LoadChipSetBitmap(const TKandelBitmap& bitmap, const std::string& name);
    const std::string& PictureName() const { return Name; }

    void SetTransparent(bool transparent) { Picture.Transparent = transparent; }
    // Opacity 255 - 30 level, level clamped to 0..8.
    void SetTranslucency(int level);

    // Opaque flag of a lower-layer ID's entry; false for every other ID.
    bool IsTileOpaque(int tileId) const;
    bool IsLowerEntryEmpty(int entry) const;
    bool IsUpperEntryEmpty(int entry) const;

    // Draws the tile with its top-left at (x, y) scaled to size x size; counter is the
    // caller's animation counter in frames. IDs no chip set holds draw nothing.
    void DrawTile(TKandelBoard& board, int x, int y, int tileId, int counter, int size = KTileSize);

    TKandelSheet& Sheet() { return Picture; }

    // Solid 16 x 16 tiles wholly on the board are copied by the renderer itself;
    // false sends every tile through the board's general scaled drawing. Both give
    // the same pixels.
    bool DirectCopy = true;

private:
    void ComputeFlags();
    bool DrawDirect(TKandelBoard& board, int x, int y, const TTilePieces& pieces, bool opaque);

    TKandelSheet Picture;
    std::string Name;
    int WaterSequence_ = 0;
    int WaterSpeed_ = 0;
    std::array<bool, KLowerEntryCount> LowerOpaque{};
    std::array<bool, KLowerEntryCount> LowerEmpty{};
    std::array<bool, KUpperEntryCount> UpperEmpty{};
    std::array<bool, KUpperEntryCount> UpperOpaque{};
};

} // namespace kestra
