#pragma once
// The battler base shared by actors and monsters: hit and magic points, states with
// their turn counters, battle modifiers, attribute-rank shifts and the action of the
// turn. Parameters are numbered 0 max HP, 1 max MP, 2 attack, 3 defence,
// 4 intelligence, 5 agility.
#include <climits>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/Catalog.h"

namespace kestra {

class TLcfgGameState;
class TRandom;
class TVezStatusItem;
class TVezSkillItem;

inline constexpr std::int32_t KDeathState = 1;

// The action of one battler for the current turn.
struct TLcfgUnitActItem {
    enum : std::uint8_t {
        KBasic = 0,
        KSkill = 1,
        KTransform = 2,
        KItem = 3,
        KNone = 4,
        KAuto = 5,
    };
    std::uint8_t Kind = KNone;
    std::uint8_t SubKind = 0; // basic: 0 attack, 1 double, 2 defend, 3 observe, 4 charge, ...
    std::int32_t SkillId = 0, TransformTo = 0, ItemId = 0, SkillListTop = 0;
    std::int32_t SwitchOn = 0, SwitchOff = 0;
    std::uint8_t TargetKind = 0;
    std::int32_t TargetIndex = 0;

    void Clear() { *this = TLcfgUnitActItem(); }
    bool IsPlainAttack() const { return Kind == KBasic && SubKind == 0; }
};

class TLcfgUnitItem : public TCatalogItem {
public:
    TLcfgUnitItem(std::int32_t id, TLcfgGameState* game) : TCatalogItem(id), Game(game) {}

    // ---- supplied by actors and monsters ----
    virtual std::string GetName() const = 0;
    virtual std::int32_t MaxHP() const = 0;
    virtual std::int32_t MaxMP() const = 0;
    virtual std::int32_t BaseAttack() const = 0;
    virtual std::int32_t BaseDefence() const = 0;
    virtual std::int32_t BaseIntelligence() const = 0;
    virtual std::int32_t BaseAgility() const = 0;
    virtual std::int32_t AttributeRank(std::int32_t attr) const = 0;
    virtual std::int32_t StateRank(std::int32_t cond) const = 0;
    virtual bool AttackHasAttribute(std::int32_t) const { return false; }
    virtual std::int32_t InflictChance(std::int32_t) const { return 0; }
    virtual std::int32_t ResistChance(std::int32_t) const { return 0; }
    virtual double CriticalChance() const = 0;
    virtual std::int32_t HitRate() const = 0;
    virtual bool StrongDefence() const { return false; }
    virtual bool FirstStrike() const { return false; }
    virtual bool DoubleAttack() const { return false; }
    virtual bool AttackAll() const { return false; }
    virtual bool IgnoreEvasion() const { return false; }
    virtual bool PreventCritical() const { return false; }
    virtual bool RaiseEvasion() const { return false; }
    virtual bool HalfMPCost() const { return false; }
    virtual bool NoTerrainDamage() const { return false; }
    virtual std::int32_t AttackMPCost() const { return 0; }
    virtual bool IsSameKind(const TLcfgUnitItem& unit) const = 0;
    virtual bool IsActor() const = 0;
    virtual bool IsMonster() const = 0;
    virtual bool CanUseItem(std::int32_t) const { return false; }
    virtual bool CanUseSkill(std::int32_t skill) const;
    virtual void ChooseAutoAction() = 0;

    // ---- shared rules ----
    // Effective parameters: clamp(base + modifier, 1, 9999), halved while a held state
    // halves that parameter.
    std::int32_t Attack() const { return Effective(2); }
    std::int32_t Defence() const { return Effective(3); }
    std::int32_t Intelligence() const { return Effective(4); }
    std::int32_t Agility() const { return Effective(5); }
    bool IsAlive() const { return Present && HP > 0; }

    // States: IDs outside 1..number of states of the database read as 0 and are not
    // written.
    std::int32_t HasState(std::int32_t cond) const;
    void SetStateCounter(std::int32_t cond, std::int32_t n);
    void AddState(std::int32_t cond);
    void RemoveState(std::int32_t cond);
    // Highest priority, the higher ID on a tie; 0 when none is held.
    std::int32_t DominantState() const;
    std::string StateText() const;
    std::int32_t StateColour() const;
    std::int32_t HitRateFactor() const;
    bool CanAct() const;
    bool AttacksEnemiesOnly() const;
    bool AttacksAlliesOnly() const;
    bool ActsNormally() const { return CanAct() && !AttacksEnemiesOnly() && !AttacksAlliesOnly(); }

    // Hit and magic points. ChangeHP never revives and never kills; Damage kills only
    // with mayKill (else it leaves 1 HP). Both return the change.
    std::int32_t ChangeHP(std::int64_t delta);
    std::int32_t Damage(std::int64_t amount, bool mayKill);
    std::int32_t ChangeMP(std::int64_t delta);
    std::int32_t SpendMP(std::int64_t amount) {
        return ChangeMP(amount == INT64_MIN ? INT64_MAX : -amount);
    }
    // Battle modifier of parameter 2..5, kept so that the effective value stays between
    // half and double the base. Returns the change.
    std::int32_t ChangeModifier(int param, std::int64_t delta);
    std::int32_t EffectiveAttributeRank(std::int32_t attr) const;
    bool LowerAttributeRank(std::int32_t attr) { return ShiftAttributeRank(attr, -1); }
    bool RaiseAttributeRank(std::int32_t attr) { return ShiftAttributeRank(attr, +1); }
    void FullRecovery();
    void EndOfBattleReset();
    void RollInitiative(TRandom& random);
    std::int32_t HPColour() const;
    std::int32_t MPColour() const;

    // The base figure of a normal attack and a skill's effect size on the target.
    std::int32_t AttackDamage(const TLcfgUnitItem& target) const;
    std::int32_t SkillPower(const TVezSkillItem& skill, const TLcfgUnitItem& target,
                            TRandom& random) const;

    bool Present = true;
    TLcfgUnitActItem Action;
    std::int32_t HP = 0, MP = 0;
    std::int32_t AttackMod = 0, DefenceMod = 0, IntelligenceMod = 0, AgilityMod = 0;
    // Shift + 1 per attribute ID - 1 (1 = no shift).
    std::vector<std::int16_t> AttributeShifts;
    // Turn counter per state ID - 1; 0 = not held.
    std::vector<std::int16_t> States;
    std::int32_t Initiative = 0;
    bool Charged = false;

protected:
    // The unit part of a reset: present, no action, no modifiers, shifts or states.
    void ResetUnit();
    std::int32_t StateCount() const;
    const TVezStatusItem* StateRecord(std::int32_t cond) const;
    // Calls f(id, record) for every held state.
    void ForHeldStates(const std::function<void(std::int32_t, const TVezStatusItem&)>& f) const;
    std::int32_t Effective(int param) const;
    std::int32_t BaseOf(int param) const;
    std::int32_t* ModifierOf(int param);
    bool ShiftAttributeRank(std::int32_t attr, int step);
    // value x the largest rate at the target's rank of the carried attributes of each
    // kind (physical, then magical), each applied only when such an attribute exists.
    std::int64_t ApplyAttributeRates(const TLcfgUnitItem& target, std::int64_t value,
                                     const std::function<bool(std::int32_t)>& carries) const;

    TLcfgGameState* Game;
};

} // namespace kestra
