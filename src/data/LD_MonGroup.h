#pragma once
// The troops table of the database: monster groups with their battle events.
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "data/LD_Event.h"

namespace kestra {

class TVezMonGroupMonsterItem : public TCatalogItem {
public:
    explicit TVezMonGroupMonsterItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    std::int32_t MonsterId{};
    std::int32_t X{}; // battler position on the screen
    std::int32_t Y{};
    bool Hidden{}; // starts the battle invisible
};

class TVezMonGroupMonster : public TCatalogOf<TVezMonGroupMonsterItem> {
public:
    TVezMonGroupMonster() : TCatalogOf("troop members") {}
};

// The condition of a battle event page. A page whose flags are all clear never runs.
class TVezBattleEventTrigger : public TCatalogBaseItem {
public:
    TVezBattleEventTrigger() { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    enum : std::uint8_t {
        KSwitchA = 0x01,
        KSwitchB = 0x02,
        KVariable = 0x04,
        KTurn = 0x08,
        KFatigue = 0x10,
        KMonsterHp = 0x20,
        KActorHp = 0x40,
    };

    // A page with no condition flag never runs, whatever its values.
    bool HasConditions() const { return Flags != 0; }

    std::uint8_t Flags{};
    std::int32_t SwitchA{};
    std::int32_t SwitchB{};
    std::int32_t Variable{};
    std::int32_t Value{}; // the variable must be at least this
    std::int32_t TurnA{};
    std::int32_t TurnB{};
    std::int32_t FatigueMin{}; // inclusive range of the party's fatigue
    std::int32_t FatigueMax{};
    std::int32_t Monster{};    // 0-based index in the troop
    std::int32_t MonsterMin{}; // percent of max HP, inclusive range
    std::int32_t MonsterMax{};
    std::int32_t Actor{}; // actor ID
    std::int32_t ActorMin{};
    std::int32_t ActorMax{};
};

// A battle event page: its trigger and its command list.
class TVezBattleEventPageItem : public TVezBaseEventPageItem {
public:
    explicit TVezBattleEventPageItem(std::int32_t id = 0) : TVezBaseEventPageItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    TVezBattleEventTrigger Trigger;
};

class TVezBattleEventPage : public TCatalogOf<TVezBattleEventPageItem> {
public:
    TVezBattleEventPage() : TCatalogOf("battle event pages") {}
};

class TVezMonGroupItem : public TCatalogItem {
public:
    explicit TVezMonGroupItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // A new troop has one default battle event page.
    void Clear() override;

    // True when the troop can be met on the terrain; terrains beyond the stored
    // entries allow it.
    bool TerrainAllowed(std::int32_t terrainId) const;
    void SetTerrainAllowed(std::int32_t terrainId, bool on);

    std::string Name;
    TVezMonGroupMonster Members;
    std::vector<std::uint8_t> Terrain;
    TVezBattleEventPage Pages; // tested in ID order
};

class TVezMonGroup : public TCatalogOf<TVezMonGroupItem> {
public:
    TVezMonGroup() : TCatalogOf("troops") {}
};

} // namespace kestra
