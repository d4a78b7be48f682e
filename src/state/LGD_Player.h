#pragma once
// The playable characters: one run-time actor per actor record of the database,
// whether or not it is in the party.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "data/Catalog.h"
#include "state/LGD_Unit.h"

namespace kestra {

class TVezPlayerItem;
class TVezItemItem;

// Levels beyond this are never reached, whatever an actor record's final level says;
// it bounds the experience table.
inline constexpr std::int32_t KMaxActorLevel = 99;
inline constexpr std::int32_t KMaxExperience = 999999;
inline constexpr std::int32_t KMaxParameterBonus = 999;
// Name and title value meaning "the database's text".
inline constexpr const char* KDatabaseText = "\x01";

class TLcfgPlayerItem : public TLcfgUnitItem {
public:
    // Items made by the generic list code get no game state; TLcfgPlayer supplies it.
    explicit TLcfgPlayerItem(std::int32_t id = 0, TLcfgGameState* game = nullptr)
        : TLcfgUnitItem(id, game) {
        Clear();
    }
    void DescribeChunks(TChunkVisitor& v) override;
    void Clear() override;
    void LoadFromStream(TByteReader& reader) override;

    // The actor record; a missing one raises ELookupError.
    const TVezPlayerItem& Record() const;

    std::string GetName() const override;
    std::int32_t MaxHP() const override;
    std::int32_t MaxMP() const override;
    std::int32_t BaseAttack() const override { return BaseParameter(2); }
    std::int32_t BaseDefence() const override { return BaseParameter(3); }
    std::int32_t BaseIntelligence() const override { return BaseParameter(4); }
    std::int32_t BaseAgility() const override { return BaseParameter(5); }
    std::int32_t AttributeRank(std::int32_t attr) const override;
    std::int32_t StateRank(std::int32_t cond) const override;
    bool AttackHasAttribute(std::int32_t attr) const override;
    std::int32_t InflictChance(std::int32_t cond) const override;
    std::int32_t ResistChance(std::int32_t cond) const override;
    double CriticalChance() const override;
    std::int32_t HitRate() const override;
    bool StrongDefence() const override;
    bool FirstStrike() const override { return WeaponFlag(0); }
    bool DoubleAttack() const override { return WeaponFlag(1); }
    bool AttackAll() const override { return WeaponFlag(2); }
    bool IgnoreEvasion() const override { return WeaponFlag(3); }
    bool PreventCritical() const override { return ArmourFlag(4); }
    bool RaiseEvasion() const override { return ArmourFlag(5); }
    bool HalfMPCost() const override { return ArmourFlag(6); }
    bool NoTerrainDamage() const override { return ArmourFlag(7); }
    std::int32_t AttackMPCost() const override;
    bool IsSameKind(const TLcfgUnitItem& unit) const override { return unit.IsActor(); }
    bool IsActor() const override { return true; }
    bool IsMonster() const override { return false; }
    bool CanUseItem(std::int32_t item) const override;
    // Clears the action; while a battle side exists it chooses the action.
    void ChooseAutoAction() override;

    // The initial state from the actor record.
    void Reset();

    // Experience: the total needed for a level, computed once per actor and level.
    std::int32_t ExpForLevel(std::int64_t level) const;
    std::int32_t ExpForNextLevel() const {
        return ExpForLevel(static_cast<std::int64_t>(Level) + 1);
    }
    // The final level of the record, limited to 1..KMaxActorLevel.
    std::int32_t FinalLevel() const;
    std::int32_t MaxReachableLevel() const;
    // With `announce`, the level-up and skill lines (and the closing empty line) are
    // appended to it.
    void GainExperience(std::int64_t amount, std::vector<std::string>* announce = nullptr);
    void LoseExperience(std::int64_t amount);
    void ChangeLevel(std::int64_t n, std::vector<std::string>* announce = nullptr);
    void ChangeBonus(int param, std::int64_t delta);
    // Forgets the cached experience table (after the database changed).
    void InvalidateExpCache() const { ExpCacheValid = false; }

    void LearnSkill(std::int32_t skill);
    void ForgetSkill(std::int32_t skill);
    bool KnowsSkill(std::int32_t skill) const;
    std::int32_t SkillAt(std::int32_t index) const;

    // Equipment: slot 0 weapon, 1 shield (or a second weapon), 2 armour, 3 helmet,
    // 4 accessory. A slot outside 0..4 raises ELookupError.
    bool CanEquip(int slot, std::int32_t item) const;
    void Equip(int slot, std::int32_t item);
    void SetEquipmentRaw(int slot, std::int32_t item);
    std::int32_t EquipCandidateCount(int slot) const;
    std::int32_t EquipCandidate(int slot, std::int32_t n) const;
    bool TwoWeapons() const;
    bool EquipmentLocked() const;
    bool AutoBattle() const;
    bool ControlledByPlayer() const { return ActsNormally() && !AutoBattle(); }
    std::int32_t AttackAnimation() const;
    std::int32_t SecondAttackAnimation() const;
    std::string SkillCommandName() const;

    void SetName(const std::string& name);
    void SetTitle(const std::string& title);
    std::string GetTitle() const;
    struct TGraphic {
        std::string Name;
        std::int32_t Index = 0;
        std::int32_t Transparency = 0; // 0 or 3
    };
    TGraphic WalkGraphic() const;
    void SetWalkGraphic(const std::string& name, std::int32_t index, bool transparent);
    TGraphic Face() const;
    void SetFace(const std::string& name, std::int32_t index);

    // Step damage of the held states on the party's step counter; true when the screen
    // should flash.
    bool FieldStateDamage(std::int32_t steps);

    std::string Name, Title;
    std::string WalkName;
    std::int32_t WalkIndex = 0, WalkTransparency = 0;
    std::string FaceName;
    std::int32_t FaceIndex = 0;
    std::int32_t Level = 1, Experience = 0;
    // Max HP, max MP, attack, defence, intelligence, agility.
    std::array<std::int32_t, 6> Bonus{};
    std::vector<std::uint16_t> Skills;
    std::array<std::uint16_t, 5> Equipment{};

private:
    std::int32_t Curve(int param) const;
    std::int32_t BaseParameter(int param) const;
    const TVezItemItem* EquippedItem(int slot) const;
    bool WeaponFlag(int flag) const;
    bool ArmourFlag(int flag) const;
    void LowerPointsToMaxima();
    void LearnUpTo(std::int32_t fromExclusive, std::int32_t to, std::vector<std::string>* announce);
    void ApplyTwoHandedRule(int slot, bool useInventory);
    void CheckSlot(int slot) const;

    mutable std::array<std::int32_t, KMaxActorLevel + 2> ExpCache{};
    mutable bool ExpCacheValid = false;
};

class TLcfgPlayer : public TCatalogOf<TLcfgPlayerItem> {
public:
    explicit TLcfgPlayer(TLcfgGameState& game) : TCatalogOf("run-time actors"), Game(game) {}
    // One actor per actor record of the database, each set up by Reset.
    void Rebuild();

protected:
    std::unique_ptr<TCatalogItem> NewItem(std::int32_t id) const override {
        return std::make_unique<TLcfgPlayerItem>(id, &Game);
    }

private:
    TLcfgGameState& Game;
};

} // namespace kestra
