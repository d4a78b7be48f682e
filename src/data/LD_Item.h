#pragma once
// The items table of the database.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"

namespace kestra {

class TVezItemItem : public TCatalogItem {
public:
    explicit TVezItemItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // Cuts the state and attribute arrays after their last non-zero entry.
    void SaveToStream(TByteWriter& writer, bool terminator = true) const override;

    // True when the item's actor set lets the actor use or equip it; actors beyond the
    // stored entries may. (The usability rules add that any actor may use kind 6.)
    bool UsableBy(std::int32_t actorId) const;
    void SetUsableBy(std::int32_t actorId, bool on);
    // 1 for each state the item deals with; 0 beyond the stored entries.
    std::int32_t State(std::int32_t stateId) const;
    void SetState(std::int32_t stateId, bool on);
    // 1 for each attribute of a weapon's attack; 0 beyond the stored entries.
    std::int32_t Attribute(std::int32_t attribId) const;
    void SetAttribute(std::int32_t attribId, bool on);
    // Equipment slot 0..4 of kinds 1..5, otherwise -1.
    std::int32_t EquipmentSlot() const { return Kind >= 1 && Kind <= 5 ? Kind - 1 : -1; }
    bool IsWeapon() const { return Kind == 1; }
    bool IsArmour() const { return Kind >= 2 && Kind <= 5; }
    bool IsTwoHanded() const { return Kind == 1 && TwoHanded == 1; }
    void LimitSets(std::size_t states, std::size_t attributes) const;

    std::string Name;
    std::string Description;
    // 1..5 equipment (weapon, shield, armour, helmet, accessory); 6..8 usable from the
    // menu; 9 casts SkillId; 10 turns on SwitchId.
    std::uint8_t Kind{};
    std::int32_t Price{};
    std::int32_t Uses{}; // per piece; 0 never used up
    // Added to attack, defence, intelligence, agility while equipped.
    std::array<std::int32_t, 4> Bonuses{};
    std::uint8_t TwoHanded{};
    std::int32_t WeaponValue{};
    std::int32_t HitRate{};
    std::int32_t CriticalBonus{};
    std::int32_t Animation{};
    std::array<bool, 8> Flags{};
    std::uint8_t Scope{};
    std::array<std::int32_t, 4> Recovery{};
    bool NotInBattle{};
    bool Flag10{};
    std::array<std::int32_t, 6> ParameterChanges{};
    std::uint8_t ExtraKind{};
    std::int32_t SkillId{};
    std::int32_t SwitchId{};
    bool FieldUse{};
    bool BattleUse{};
    std::vector<std::uint8_t> Actors;
    mutable std::vector<std::uint8_t> States;
    mutable std::vector<std::uint8_t> Attributes;
    std::int32_t StateChance{};
};

class TVezItem : public TCatalogOf<TVezItemItem> {
public:
    TVezItem() : TCatalogOf("items") {}
};

} // namespace kestra
