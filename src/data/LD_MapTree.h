#pragma once
// The map tree file "KESTRA.lmt": every map with its parent and the settings a map can
// inherit, areas of maps with their own encounters, and the start positions.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "data/LD_System.h"

namespace kestra {

inline constexpr const char* KMapTreeFile = "KESTRA.lmt";
inline constexpr const char* KMapTreeMagic = "VezMapTree";

class TVezEncountItem : public TCatalogItem {
public:
    explicit TVezEncountItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    // The troop's write default equals its initial value 1, so a troop of 0 survives a
    // write and a read.
    void DescribeChunks(TChunkVisitor& v) override { v.Int(1, Troop, 1); }

    std::int32_t Troop;
};

class TVezEncount : public TCatalogOf<TVezEncountItem> {
public:
    TVezEncount() : TCatalogOf("encounters") {}
};

class TVezMapTreeItem : public TCatalogItem {
public:
    enum : std::uint8_t { KKindArea = 2 };

    explicit TVezMapTreeItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    bool IsArea() const { return Kind == KKindArea; }
    // left <= x < right and top <= y < bottom.
    bool AreaContains(std::int32_t x, std::int32_t y) const {
        return x >= Area[0] && x < Area[2] && y >= Area[1] && y < Area[3];
    }

    std::string Name;
    std::int32_t Parent;
    std::int32_t Editor3;
    std::uint8_t Kind;
    std::int32_t Editor5, Editor6;
    bool Editor7;
    std::uint8_t MusicKind; // 0 inherit, 1 keep the playing music, 2 play Music
    TVezMusic Music;
    std::uint8_t BackdropKind; // 0 inherit, 2 use Backdrop, otherwise the terrain's
    std::string Backdrop;
    std::uint8_t Teleport, Escape, Save; // 0 inherit, 1 allowed, otherwise forbidden
    TVezEncount Encounters;
    std::int32_t EncounterSteps;
    std::array<std::int32_t, 4> Area; // left, top, right, bottom in tiles
};

class TVezMapStartPosition : public TCatalogBaseItem {
public:
    TVezMapStartPosition() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    struct TPlace {
        std::int32_t MapId, X, Y; // map 0: no start position
    };
    // 0 the party, 1 boat, 2 ship, 3 airship.
    std::array<TPlace, 4> Places;
};

class TVezMapTree : public TCatalogOf<TVezMapTreeItem> {
public:
    TVezMapTree() : TCatalogOf("maps") {}

    // Header, entries, display order, selected ID, start positions. A display order
    // naming an absent entry raises EStreamReadError. Errors name the file.
    void LoadFromFile(const std::string& path);
    void LoadFromBytes(std::span<const std::uint8_t> bytes, const std::string& name);
    std::vector<std::uint8_t> SaveToBytes() const;

    // Inherited settings of the entry `mapId`. The walk follows parents while the setting
    // is 0, takes at most Count() steps (a parent cycle ends it) and treats an absent
    // parent as the root. An absent map answers the default.
    std::uint8_t MusicKind(std::int32_t mapId, const TVezMusic** music = nullptr) const;
    // The backdrop picture when the found kind is 2, otherwise empty.
    std::string Backdrop(std::int32_t mapId) const;
    bool CanTeleport(std::int32_t mapId) const {
        return Permission(mapId, &TVezMapTreeItem::Teleport);
    }
    bool CanEscape(std::int32_t mapId) const { return Permission(mapId, &TVezMapTreeItem::Escape); }
    bool CanSave(std::int32_t mapId) const { return Permission(mapId, &TVezMapTreeItem::Save); }
    // The troops of the map entry plus those of its areas that contain the tile.
    std::vector<std::int32_t> EncounterTroops(std::int32_t mapId, std::int32_t x,
                                              std::int32_t y) const;

    std::vector<std::int32_t> DisplayOrder; // entry IDs
    std::int32_t SelectedId = 0;
    TVezMapStartPosition Start;
    // The file the tree was last loaded from ("KESTRA.lmt" before any load), for the
    // errors of the data it holds.
    std::string FileName = "KESTRA.lmt";

private:
    // The first entry from mapId upward whose field is not 0, or null.
    const TVezMapTreeItem* FindSetting(std::int32_t mapId,
                                       std::uint8_t TVezMapTreeItem::*field) const;
    bool Permission(std::int32_t mapId, std::uint8_t TVezMapTreeItem::*field) const;
};

} // namespace kestra
