#pragma once
// The monsters table of the database. Records get their initial values from Clear,
// which takes them from the chunk descriptions.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"

namespace kestra {

// One entry of a monster's action table.
class TVezMonsterActItem : public TCatalogItem {
public:
    explicit TVezMonsterActItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    std::uint8_t ActionKind{};  // 0 basic action, 1 skill, 2 transform
    std::uint8_t BasicAction{}; // 0..6
    std::int32_t SkillId{};
    std::int32_t TransformInto{}; // monster ID
    std::uint8_t ConditionKind{}; // 0 always
    std::int32_t ConditionMin{};
    std::int32_t ConditionMax{};
    std::int32_t ConditionSwitch{};
    bool SetSwitch{}; // turn SwitchOn on after acting
    std::int32_t SwitchOn{};
    bool ClearSwitch{}; // turn SwitchOff off after acting
    std::int32_t SwitchOff{};
    std::int32_t Rating{}; // relative weight when the action is chosen
};

class TVezMonsterAct : public TCatalogOf<TVezMonsterActItem> {
public:
    TVezMonsterAct() : TCatalogOf("monster actions") {}
};

class TVezMonsterItem : public TCatalogItem {
public:
    explicit TVezMonsterItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // A new monster has one default action.
    void Clear() override;
    // Cuts the state ranks after their last entry that is not 1 and the attribute
    // ranks after their last entry that is not 2.
    void SaveToStream(TByteWriter& writer, bool terminator = true) const override;

    // Rank per state ID (1 beyond the stored entries) and attribute ID (2 beyond).
    std::int32_t StateRank(std::int32_t stateId) const;
    void SetStateRank(std::int32_t stateId, std::uint8_t rank);
    std::int32_t AttribRank(std::int32_t attribId) const;
    void SetAttribRank(std::int32_t attribId, std::uint8_t rank);
    void LimitSets(std::size_t states, std::size_t attributes) const;

    std::string Name;
    std::string Graphic; // battler picture in the "Monster" folder
    std::int32_t Hue{};  // degrees
    // Max HP, max MP, attack, defence, intelligence, agility.
    std::array<std::int32_t, 6> Parameters{};
    bool Transparent{};
    std::int32_t Experience{};
    std::int32_t Gold{};
    std::int32_t DropItem{}; // 0 for none
    std::int32_t DropChance{};
    bool CriticalHits{};
    std::int32_t CriticalChance{}; // one critical hit in this many
    bool Miss{};                   // lowers the monster's hit rate
    bool Flag28{};
    mutable std::vector<std::uint8_t> StateRanks;
    mutable std::vector<std::uint8_t> AttribRanks;
    TVezMonsterAct Actions;
};

class TVezMonster : public TCatalogOf<TVezMonsterItem> {
public:
    TVezMonster() : TCatalogOf("monsters") {}
};

} // namespace kestra
