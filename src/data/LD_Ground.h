#pragma once
// The terrain table of the database.
#include <cstdint>
#include <string>

#include "data/Catalog.h"

namespace kestra {

class TVezGroundItem : public TCatalogItem {
public:
    explicit TVezGroundItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    std::string Name;
    // Hit points every party member loses per step onto the terrain; negative heals.
    std::int32_t Damage{};
    std::int32_t EncounterRate{}; // weight of a step in the encounter test
    std::string Background;       // battle background when the map tree gives none
    bool BoatPasses{};
    bool ShipPasses{};
    bool AirshipPasses{};
    bool AirshipLands{};
    std::uint8_t BushDepth{};
};

class TVezGround : public TCatalogOf<TVezGroundItem> {
public:
    TVezGround() : TCatalogOf("terrain") {}
};

} // namespace kestra
