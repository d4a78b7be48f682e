#pragma once
// The actors table of the database. Records get their initial values from Clear,
// which takes them from the chunk descriptions.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"

namespace kestra {

// A skill the actor learns on reaching a level.
class TVezPlayerLearningItem : public TCatalogItem {
public:
    explicit TVezPlayerLearningItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    std::int32_t Level{};
    std::int32_t SkillId{};
};

class TVezPlayerLearning : public TCatalogOf<TVezPlayerLearningItem> {
public:
    TVezPlayerLearning() : TCatalogOf("learned skills") {}
};

inline constexpr int KParameterCount = 6; // max HP, max MP, attack, defence, intelligence, agility
inline constexpr int KCurveLevels = 50;
inline constexpr int KEquipmentSlots = 5; // weapon, shield, armour, helmet, accessory

// The built-in value of parameter p (0..5) at level 1..50, used when an actor stores
// no curves of its own.
std::uint16_t DefaultParameterCurve(int p, int level);

class TVezPlayerItem : public TCatalogItem {
public:
    explicit TVezPlayerItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    void Clear() override;
    // Cuts the rank arrays after their last entry that is not 2 before writing.
    void SaveToStream(TByteWriter& writer, bool terminator = true) const override;

    // Parameter p (0..5) at level 1..50; 0 outside.
    std::int32_t Parameter(int p, int level) const;
    void SetParameter(int p, int level, std::uint16_t value);
    // Item ID of initial equipment slot 0..4; 0 outside.
    std::int32_t Equipment(int slot) const;
    void SetEquipment(int slot, std::uint16_t itemId);
    // Susceptibility rank 0..4 per state ID and resistance rank per attribute ID; 2
    // beyond the stored entries.
    std::int32_t StateRank(std::int32_t stateId) const;
    void SetStateRank(std::int32_t stateId, std::uint8_t rank);
    std::int32_t AttribRank(std::int32_t attribId) const;
    void SetAttribRank(std::int32_t attribId, std::uint8_t rank);
    // Keeps at most as many rank entries as the database has states and attributes;
    // only entries of IDs the database lacks are dropped.
    void LimitSets(std::size_t states, std::size_t attributes) const;

    std::string Name;
    std::string Title;
    std::string Graphic;
    std::int32_t GraphicIndex{};
    bool Transparent{};
    std::int32_t InitialLevel{};
    std::int32_t MaxLevel{};
    bool CriticalHits{};
    std::int32_t CriticalChance{}; // one critical hit in this many
    std::string FaceGraphic;
    std::int32_t FaceIndex{};
    bool TwoWeapons{};
    bool FixedEquipment{};
    bool Automatic{};
    bool StrongDefence{};
    // Parameter p at level L sits at p * 50 + (L - 1).
    std::array<std::uint16_t, KParameterCount * KCurveLevels> Curves{};
    std::int32_t ExpBase{};
    std::int32_t ExpIncrease{};
    std::int32_t ExpCorrection{};
    std::array<std::uint16_t, KEquipmentSlots> InitialEquipment{};
    std::int32_t UnarmedAnimation{};
    TVezPlayerLearning Learning;
    bool OwnSkillCommand{};
    std::string SkillCommandName;
    // Trailing entries equal to the fill carry no information; writing drops them.
    mutable std::vector<std::uint8_t> StateRanks;
    mutable std::vector<std::uint8_t> AttribRanks;
};

class TVezPlayer : public TCatalogOf<TVezPlayerItem> {
public:
    TVezPlayer() : TCatalogOf("actors") {}
};

} // namespace kestra
