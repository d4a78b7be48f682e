#pragma once
// Map unit files ("Map%.4d.lmu", magic "VezMapUnit"): a map's size, chip set,
// wrapping, panorama, two tile layers and its events.
#include "base/AssetLookup.h"
#include "data/Catalog.h"
#include "data/LD_ChipSet.h"
#include "data/LD_Event.h"
#include "graphics/GR_CharSet.h"
#include "graphics/GR_ChipSet.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kestra {

inline constexpr const char* KMapUnitMagic = "VezMapUnit";
// No map may hold more cells than this; real maps stay far below (500 x 500).
inline constexpr std::int64_t KMaxMapCells = std::int64_t{1} << 20;

// One tile layer: width x height 16-bit tile IDs, row-major.
class TVezMapLayer {
public:
    explicit TVezMapLayer(std::uint16_t fill) : FillValue(fill) { Reset(); }

    int Width() const { return Width_; }
    int Height() const { return Height_; }
    std::uint16_t Fill() const { return FillValue; }
    bool HorizontalWrap = false;
    bool VerticalWrap = false;

    // The tile at (x, y); wrapping layers bring x or y back into range, and a
    // position still outside answers -1.
    int TileAt(int x, int y) const;
    // Out-of-range positions are ignored.
    void SetTile(int x, int y, std::uint16_t tile);
    // New cells take the fill value; cells inside both sizes are kept. Sizes
    // below 1, or more than KMaxMapCells cells, raise EKestraError.
    void Resize(int width, int height);
    void FillAll();
    // 20 x 15, filled.
    void Reset();

    std::vector<std::uint16_t>& Tiles() { return Cells; }
    const std::vector<std::uint16_t>& Tiles() const { return Cells; }

private:
    std::uint16_t FillValue;
    int Width_ = 0;
    int Height_ = 0;
    std::vector<std::uint16_t> Cells;
};

class TVezBaseMapUnit : public TCatalogItem {
public:
    using TCatalogItem::TCatalogItem;
    // Not stored; cleared after a save.
    bool Modified = false;

    virtual void LoadFromFile(const std::string& path) = 0;
    virtual void SaveToFile(const std::string& path) = 0;
};

class TVezMap : public TVezBaseMapUnit {
public:
    explicit TVezMap(std::int32_t id = 0) : TVezBaseMapUnit(id) { Clear(); }

    std::int32_t ChipSet = 1;
    std::int32_t Width = 20;
    std::int32_t Height = 15;
    // 0 none, 1 vertical, 2 horizontal, 3 both.
    std::uint8_t Wrapping = 0;
    bool PanoramaOn = false;
    std::string Panorama;
    bool PanoramaHorizontalScroll = false;
    bool PanoramaVerticalScroll = false;
    bool HorizontalAutoScroll = false;
    std::int32_t HorizontalSpeed = 0;
    bool VerticalAutoScroll = false;
    std::int32_t VerticalSpeed = 0;
    TVezMapLayer Lower{0};
    TVezMapLayer Upper{10000};
    TVezEvent Events;
    std::int32_t SaveCount = 0;

    void DescribeChunks(TChunkVisitor& visitor) override;
    void Clear() override;

    // Reads a whole map unit: the magic, one record, then the layers' wrap flags
    // from the wrapping value. A missing file raises EFileError; a wrong magic,
    // broken chunks or a size of less than 1 x 1 or more than KMaxMapCells cells
    // raise EStreamReadError naming the file.
    void LoadFromFile(const std::string& path) override;
    void LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name);
    // Increments the save count, writes the file and clears Modified.
    void SaveToFile(const std::string& path) override;
    std::vector<std::uint8_t> SaveToBytes();

    // The map's tile renderer and character-set cache, made on first use.
    TVezChipSetGraphic& ChipSetGraphic();
    TVezCharSetGraphic& CharSetGraphic();
    // After a load: hands the chip set record of the map's chip set ID to the tile
    // renderer (an ID not in the table raises ELookupError), then refreshes the
    // character-set cache with the graphic of every page of every event. A page
    // naming a missing or broken character set raises an error naming it.
    void AttachGraphics(const TVezChipSet& chipSets);

private:
    void DescribeLayer(TChunkVisitor& visitor, std::int32_t id, TVezMapLayer& layer);

    std::unique_ptr<TVezChipSetGraphic> ChipSetGraphic_;
    std::unique_ptr<TVezCharSetGraphic> CharSetGraphic_;
};

// "Map0012.lmu" for 12; at least four digits.
std::string MapFileName(std::int32_t mapId);

// Loads map N from the game directory (the name in any case: "MAP0001.LMU" answers
// for "Map0001.lmu") and gives it ID N. A missing file raises EFileError naming the
// expected file.
void LoadMapFromGameDir(TVezMap& map, TAssetLookup& assets, std::int32_t mapId);

} // namespace kestra
