#pragma once
// Chip sets: the terrain and passability of every tile entry, and the water animation.
#include <array>
#include <cstdint>
#include <string>

#include "data/Catalog.h"

namespace kestra {

// Passability bits: the four directions (15), drawn above characters (16), and a
// further movement flag of lower tiles (32).
enum : std::uint8_t { KPassDirections = 15, KPassAbove = 16, KPassFlag32 = 32 };

class TVezChipSetItem : public TCatalogItem {
public:
    enum { KLowerEntries = 162, KUpperEntries = 144 };

    explicit TVezChipSetItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    // By entry; 0 outside the table.
    std::int32_t TerrainOf(std::int32_t entry) const {
        return entry >= 0 && entry < KLowerEntries ? Terrain[entry] : 0;
    }
    std::int32_t LowerFlags(std::int32_t entry) const {
        return entry >= 0 && entry < KLowerEntries ? Lower[entry] : 0;
    }
    std::int32_t UpperFlags(std::int32_t entry) const {
        return entry >= 0 && entry < KUpperEntries ? Upper[entry] : 0;
    }

    std::string Name, Graphic;
    std::array<std::uint16_t, KLowerEntries> Terrain;
    std::array<std::uint8_t, KLowerEntries> Lower;
    std::array<std::uint8_t, KUpperEntries> Upper;
    std::int32_t WaterSequence; // 0: frames 1-2-3-2, otherwise 1-2-3
    std::int32_t WaterSpeed;    // 0: 24 frames per water frame, otherwise 12
};

class TVezChipSet : public TCatalogOf<TVezChipSetItem> {
public:
    TVezChipSet() : TCatalogOf("chip sets") {}
};

} // namespace kestra
