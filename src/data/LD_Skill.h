#pragma once
// The skills table of the database.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "data/LD_System.h"

namespace kestra {

class TVezSkillItem : public TCatalogItem {
public:
    explicit TVezSkillItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // Cuts the state and attribute arrays after their last non-zero entry.
    void SaveToStream(TByteWriter& writer, bool terminator = true) const override;

    // 1 when the skill changes the state, 0 otherwise (also beyond the stored entries).
    std::int32_t StateEffect(std::int32_t stateId) const;
    void SetStateEffect(std::int32_t stateId, bool on);
    // 1 when the skill carries the attribute.
    std::int32_t Attribute(std::int32_t attribId) const;
    void SetAttribute(std::int32_t attribId, bool on);
    void LimitSets(std::size_t states, std::size_t attributes) const;

    std::string Name;
    std::string Description;
    std::string UseMessage1;
    std::string UseMessage2;
    std::int32_t FailureMessage{}; // vocabulary 24..27
    std::uint8_t SkillKind{};      // 0 normal, 1 teleport, 2 escape, 3 switch
    std::int32_t MpCost{};
    std::uint8_t Scope{}; // 0 one monster, 1 all monsters, 2 user, 3 one actor, 4 all actors
    std::int32_t SwitchId{};
    std::int32_t Animation{};
    TVezSound Sound;
    bool FieldUse{};
    bool BattleUse{};
    std::int32_t AttackInfluence{};
    std::int32_t IntelligenceInfluence{};
    std::int32_t Variance{};
    std::int32_t BaseEffect{};
    std::int32_t SuccessRate{};
    // Flags 1..6: changes HP, MP, attack, defence, intelligence, agility.
    std::array<bool, 8> EffectFlags{};
    mutable std::vector<std::uint8_t> StateEffects;
    mutable std::vector<std::uint8_t> Attributes;
    bool AffectsResistance{};
};

class TVezSkill : public TCatalogOf<TVezSkillItem> {
public:
    TVezSkill() : TCatalogOf("skills") {}
};

} // namespace kestra
