#pragma once
// The destinations offered by teleport skills, and the escape destination (item 0).
// Saved as chunk 110 of a save file.
#include <cstdint>

#include "data/Catalog.h"

namespace kestra {

class TVezMapTree;

class TLcfgTeleportItem : public TCatalogItem {
public:
    explicit TLcfgTeleportItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override {
        v.Int(1, MapId);
        v.Int(2, X);
        v.Int(3, Y);
        v.Bool(4, SetSwitch);
        v.Int(5, SwitchId);
    }

    std::int32_t MapId, X, Y;
    bool SetSwitch;
    std::int32_t SwitchId;
};

// Where going to a destination takes the party: an area's parent map.
struct TLcfgPlace {
    std::int32_t MapId = 0, X = 0, Y = 0;
};

// Destinations are found by their map-ID field and removed without renumbering the
// others, so every destination stays under its own map.
class TLcfgTeleport : public TCatalogOf<TLcfgTeleportItem> {
public:
    TLcfgTeleport() : TCatalogOf("teleport destinations") { Obtain(0); }
    // Only the empty escape destination.
    void NewGame();
    // Re-creates the escape destination when the data lack it.
    void LoadFromStream(TByteReader& reader) override;

    TLcfgTeleportItem& Escape() { return Obtain(0); }
    const TLcfgTeleportItem& Escape() const;
    // The destination at a list index (the escape destination is index 0); absent
    // raises ELookupError.
    const TLcfgTeleportItem& Destination(std::size_t index) const { return At(index); }
    // The teleport destination of a map, or null. Never the escape destination.
    TLcfgTeleportItem* FindByMap(std::int32_t mapId) const;
    void AddDestination(std::int32_t mapId, std::int32_t x, std::int32_t y, bool setSwitch,
                        std::int32_t switchId);
    void RemoveDestination(std::int32_t mapId);
    // The map and tile a destination leads to.
    static TLcfgPlace Target(const TLcfgTeleportItem& item, const TVezMapTree& tree);
};

} // namespace kestra
