#pragma once
// The attributes table of the database (elements and weapon kinds).
#include <array>
#include <cstdint>
#include <string>

#include "data/Catalog.h"

namespace kestra {

inline constexpr int KRankCount = 5; // ranks 0..4, shown as A..E

class TVezAttribItem : public TCatalogItem {
public:
    explicit TVezAttribItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    // Percent of damage for rank 0..4; 0 for any other rank.
    std::int32_t Rate(std::int32_t rank) const {
        return rank >= 0 && rank < KRankCount ? Rates[static_cast<std::size_t>(rank)] : 0;
    }

    std::string Name;
    std::uint8_t AttribKind{}; // physical or magical
    std::array<std::int32_t, KRankCount> Rates{};
};

class TVezAttrib : public TCatalogOf<TVezAttribItem> {
public:
    TVezAttrib() : TCatalogOf("attributes") {}
};

} // namespace kestra
