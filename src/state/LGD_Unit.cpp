#include "state/LGD_Unit.h"

#include <algorithm>

#include "base/Random.h"
#include "base/Saturate.h"
#include "data/DataBase.h"
#include "state/LGD_GameState.h"

namespace kestra {

namespace {} // namespace

std::int32_t TLcfgUnitItem::StateCount() const {
    return static_cast<std::int32_t>(Game->DataBase().States.Count());
}

const TVezStatusItem* TLcfgUnitItem::StateRecord(std::int32_t cond) const {
    return Game->DataBase().States.Find(cond);
}

void TLcfgUnitItem::ForHeldStates(
    const std::function<void(std::int32_t, const TVezStatusItem&)>& f) const {
    std::int32_t n = std::min<std::int32_t>(StateCount(), static_cast<std::int32_t>(States.size()));
    for (std::int32_t id = 1; id <= n; ++id) {
        if (States[static_cast<std::size_t>(id) - 1] <= 0) continue;
        if (const auto* rec = StateRecord(id)) f(id, *rec);
    }
}

std::int32_t TLcfgUnitItem::HasState(std::int32_t cond) const {
    if (cond < 1 || cond > StateCount() || static_cast<std::size_t>(cond) > States.size()) return 0;
    return States[static_cast<std::size_t>(cond) - 1];
}

void TLcfgUnitItem::SetStateCounter(std::int32_t cond, std::int32_t n) {
    if (cond < 1 || cond > StateCount()) return;
    if (static_cast<std::size_t>(cond) > States.size())
        States.resize(static_cast<std::size_t>(StateCount()), 0);
    States[static_cast<std::size_t>(cond) - 1] = static_cast<std::int16_t>(std::clamp(n, 0, 32767));
}

void TLcfgUnitItem::AddState(std::int32_t cond) {
    if (cond < 1 || cond > StateCount()) return;
    SetStateCounter(cond, 1);
    if (cond == KDeathState) HP = 0;
    std::int32_t top = 0;
    bool any = false;
    ForHeldStates([&](std::int32_t, const TVezStatusItem& s) {
        top = any ? std::max(top, s.Priority) : s.Priority;
        any = true;
    });
    std::vector<std::int32_t> weaker;
    ForHeldStates([&](std::int32_t id, const TVezStatusItem& s) {
        if (static_cast<std::int64_t>(s.Priority) <= static_cast<std::int64_t>(top) - 10)
            weaker.push_back(id);
    });
    for (std::int32_t id : weaker) RemoveState(id);

    if (Game->Scene() != KSceneBattle) return;
    if ((AttacksEnemiesOnly() || AttacksAlliesOnly()) && Action.Kind != TLcfgUnitActItem::KAuto) {
        Charged = false;
        ChooseAutoAction();
    }
    if (!CanAct()) {
        Charged = false;
        Action.Kind = TLcfgUnitActItem::KNone;
    }
    if (Action.Kind == TLcfgUnitActItem::KSkill && !CanUseSkill(Action.SkillId)) {
        Charged = false;
        Action.Kind = TLcfgUnitActItem::KNone;
    }
    if (HP == 0) {
        AttackMod = DefenceMod = IntelligenceMod = AgilityMod = 0;
        AttributeShifts.clear();
        Charged = false;
    }
}

void TLcfgUnitItem::RemoveState(std::int32_t cond) {
    if (cond < 1 || cond > StateCount()) return;
    bool compulsive = AttacksEnemiesOnly() || AttacksAlliesOnly();
    SetStateCounter(cond, 0);
    if (cond == KDeathState) HP = std::max(HP, 1);
    if (Game->Scene() == KSceneBattle && compulsive && !AttacksEnemiesOnly() &&
        !AttacksAlliesOnly())
        Action.Kind = TLcfgUnitActItem::KNone;
}

std::int32_t TLcfgUnitItem::DominantState() const {
    std::int32_t best = 0, bestPriority = 0;
    ForHeldStates([&](std::int32_t id, const TVezStatusItem& s) {
        if (best == 0 || s.Priority >= bestPriority) {
            best = id;
            bestPriority = s.Priority;
        }
    });
    return best;
}

std::string TLcfgUnitItem::StateText() const {
    std::int32_t d = DominantState();
    if (d == 0) return Game->DataBase().Vocabulary.Term(0x7E);
    return StateRecord(d)->Name;
}

std::int32_t TLcfgUnitItem::StateColour() const {
    std::int32_t d = DominantState();
    return d == 0 ? 0 : StateRecord(d)->Colour;
}

std::int32_t TLcfgUnitItem::HitRateFactor() const {
    std::int32_t f = 100;
    ForHeldStates([&](std::int32_t, const TVezStatusItem& s) { f = std::min(f, s.HitRate); });
    return f;
}

bool TLcfgUnitItem::CanAct() const {
    bool can = true;
    ForHeldStates([&](std::int32_t, const TVezStatusItem& s) {
        if (s.Restriction == 1) can = false;
    });
    return can;
}

bool TLcfgUnitItem::AttacksEnemiesOnly() const {
    bool yes = false;
    ForHeldStates([&](std::int32_t, const TVezStatusItem& s) {
        if (s.Restriction == 2) yes = true;
    });
    return yes;
}

bool TLcfgUnitItem::AttacksAlliesOnly() const {
    bool yes = false;
    ForHeldStates([&](std::int32_t, const TVezStatusItem& s) {
        if (s.Restriction == 3) yes = true;
    });
    return yes;
}

// ---- parameters ----

std::int32_t TLcfgUnitItem::BaseOf(int param) const {
    switch (param) {
    case 2:
        return BaseAttack();
    case 3:
        return BaseDefence();
    case 4:
        return BaseIntelligence();
    case 5:
        return BaseAgility();
    default:
        return 0;
    }
}

std::int32_t* TLcfgUnitItem::ModifierOf(int param) {
    switch (param) {
    case 2:
        return &AttackMod;
    case 3:
        return &DefenceMod;
    case 4:
        return &IntelligenceMod;
    case 5:
        return &AgilityMod;
    default:
        return nullptr;
    }
}

std::int32_t TLcfgUnitItem::ModifierValue(int param) const {
    switch (param) {
    case 2:
        return AttackMod;
    case 3:
        return DefenceMod;
    case 4:
        return IntelligenceMod;
    case 5:
        return AgilityMod;
    default:
        return 0;
    }
}

std::int32_t TLcfgUnitItem::Effective(int param) const {
    std::int32_t v =
        Clamp32(static_cast<std::int64_t>(BaseOf(param)) + ModifierValue(param), 1, 9999);
    bool halved = false;
    ForHeldStates([&](std::int32_t, const TVezStatusItem& s) {
        if (s.Halve[static_cast<std::size_t>(param - 2)]) halved = true;
    });
    return halved ? v / 2 : v;
}

std::int32_t TLcfgUnitItem::ChangeModifier(int param, std::int64_t delta) {
    std::int32_t* mod = ModifierOf(param);
    if (mod == nullptr) return 0;
    std::int64_t base = BaseOf(param);
    std::int32_t before = *mod;
    *mod = Clamp32(SatAdd(*mod, delta), -(base / 2), base);
    return *mod - before;
}

// ---- hit and magic points ----

std::int32_t TLcfgUnitItem::ChangeHP(std::int64_t delta) {
    if (HP <= 0) return 0;
    std::int32_t before = HP;
    HP = Clamp32(SatAdd(HP, delta), 1, std::max(1, MaxHP()));
    return HP - before;
}

std::int32_t TLcfgUnitItem::Damage(std::int64_t amount, bool mayKill) {
    if (HP <= 0) return 0;
    std::int32_t before = HP;
    HP = Clamp32(SatSub(HP, amount), 0, std::max(0, MaxHP()));
    if (HP == 0) {
        if (mayKill)
            AddState(KDeathState);
        else
            HP = 1;
    }
    return before - HP;
}

std::int32_t TLcfgUnitItem::ChangeMP(std::int64_t delta) {
    std::int32_t before = MP;
    MP = Clamp32(SatAdd(MP, delta), 0, std::max(0, MaxMP()));
    return MP - before;
}

// ---- attributes ----

std::int32_t TLcfgUnitItem::EffectiveAttributeRank(std::int32_t attr) const {
    std::int32_t shift = 0;
    if (attr >= 1 && static_cast<std::size_t>(attr) <= AttributeShifts.size())
        shift = AttributeShifts[static_cast<std::size_t>(attr) - 1] - 1;
    return AttributeRank(attr) + shift;
}

bool TLcfgUnitItem::ShiftAttributeRank(std::int32_t attr, int step) {
    auto count = static_cast<std::int32_t>(Game->DataBase().Attributes.Count());
    if (attr < 1 || attr > count) return false;
    if (static_cast<std::size_t>(attr) > AttributeShifts.size())
        AttributeShifts.resize(static_cast<std::size_t>(count), 1);
    auto& stored = AttributeShifts[static_cast<std::size_t>(attr) - 1];
    std::int32_t shift = stored - 1 + step;
    std::int32_t rank = AttributeRank(attr) + shift;
    if (shift < -1 || shift > 1 || rank < 0 || rank > 4) return false;
    stored = static_cast<std::int16_t>(shift + 1);
    return true;
}

void TLcfgUnitItem::FullRecovery() {
    States.assign(States.size(), 0);
    HP = std::max(0, MaxHP());
    MP = std::max(0, MaxMP());
}

void TLcfgUnitItem::EndOfBattleReset() {
    Action.Clear();
    AttackMod = DefenceMod = IntelligenceMod = AgilityMod = 0;
    std::vector<std::int32_t> ending;
    ForHeldStates([&](std::int32_t id, const TVezStatusItem& s) {
        if (s.StateKind == 0 || s.TurnRecovery > 0) ending.push_back(id);
    });
    for (std::int32_t id : ending) RemoveState(id);
    AttributeShifts.clear();
    Charged = false;
}

void TLcfgUnitItem::RollInitiative(TRandom& random) {
    std::int32_t agility = Agility();
    Initiative = agility + random.Next(agility / 4 + 3);
    if (FirstStrike() && Action.IsPlainAttack()) Initiative += 9999;
}

std::int32_t TLcfgUnitItem::HPColour() const {
    if (HP == 0) return 5;
    return HP <= MaxHP() / 4 ? 4 : 0;
}

std::int32_t TLcfgUnitItem::MPColour() const {
    std::int32_t max = MaxMP();
    return max > 0 && MP <= max / 4 ? 4 : 0;
}

void TLcfgUnitItem::ResetUnit() {
    Present = true;
    Action.Clear();
    AttackMod = DefenceMod = IntelligenceMod = AgilityMod = 0;
    AttributeShifts.clear();
    States.clear();
    Initiative = 0;
    Charged = false;
}

// ---- damage bases ----

std::int64_t
TLcfgUnitItem::ApplyAttributeRates(const TLcfgUnitItem& target, std::int64_t value,
                                   const std::function<bool(std::int32_t)>& carries) const {
    const auto& attributes = Game->DataBase().Attributes;
    for (std::uint8_t kind : {std::uint8_t{0}, std::uint8_t{1}}) {
        bool any = false;
        std::int32_t rate = 0;
        for (std::size_t i = 0; i < attributes.Count(); ++i) {
            const auto& a = attributes.At(i);
            if (a.AttribKind != kind || !carries(a.Id)) continue;
            std::int32_t r = a.Rate(target.EffectiveAttributeRank(a.Id));
            rate = any ? std::max(rate, r) : r;
            any = true;
        }
        if (any) value = value * rate / 100;
    }
    return value;
}

std::int32_t TLcfgUnitItem::AttackDamage(const TLcfgUnitItem& target) const {
    std::int64_t b = std::max(0, Attack() / 2 - target.Defence() / 4);
    b = ApplyAttributeRates(target, b, [this](std::int32_t a) { return AttackHasAttribute(a); });
    return Clamp32(b, INT32_MIN, INT32_MAX);
}

std::int32_t TLcfgUnitItem::SkillPower(const TVezSkillItem& skill, const TLcfgUnitItem& target,
                                       TRandom& random) const {
    std::int64_t v = static_cast<std::int64_t>(skill.BaseEffect) +
                     static_cast<std::int64_t>(Attack()) * skill.AttackInfluence / 20 +
                     static_cast<std::int64_t>(Intelligence()) * skill.IntelligenceInfluence / 40;
    if (skill.Scope <= 1 && !skill.EffectFlags[7])
        v -= static_cast<std::int64_t>(target.Defence()) * skill.AttackInfluence / 40 +
             static_cast<std::int64_t>(target.Intelligence()) * skill.IntelligenceInfluence / 80;
    v = std::max<std::int64_t>(v, 0);
    v = ApplyAttributeRates(target, v,
                            [&skill](std::int32_t a) { return skill.Attribute(a) != 0; });
    if (skill.Variance >= 1) {
        std::int64_t h = std::max<std::int64_t>(1, v * skill.Variance / 10);
        h = std::min<std::int64_t>(h, INT32_MAX - 1);
        v = v - h / 2 + random.Next(static_cast<std::int32_t>(h + 1));
    }
    return Clamp32(v, 0, INT32_MAX);
}

// ---- skills ----

bool TLcfgUnitItem::CanUseSkill(std::int32_t skillId) const {
    const auto& db = Game->DataBase();
    const TVezSkillItem* skill = skillId == 0 ? nullptr : db.Skills.Find(skillId);
    if (skill == nullptr) return false;
    std::int64_t cost = skill->MpCost;
    if (HalfMPCost()) cost = (cost + 1) / 2;
    if (MP < cost) return false;

    std::int32_t c = 11, d = 11;
    ForHeldStates([&](std::int32_t, const TVezStatusItem& s) {
        if (s.Limit1On) c = std::min(c, s.Limit1);
        if (s.Limit2On) d = std::min(d, s.Limit2);
    });
    if (skill->AttackInfluence >= c || skill->IntelligenceInfluence >= d) return false;

    if (IsActor() && !skill->AffectsResistance) {
        for (std::size_t i = 0; i < db.Attributes.Count(); ++i) {
            const auto& a = db.Attributes.At(i);
            if (a.AttribKind == 0 && skill->Attribute(a.Id) != 0 && !AttackHasAttribute(a.Id))
                return false;
        }
    }

    const auto& sys = Game->System;
    if (sys.Scene == KSceneMenu) {
        switch (skill->SkillKind) {
        case 1:
            return sys.TeleportAllowed && Game->Teleport.Count() > 1 && !Game->InAirship();
        case 2:
            return sys.EscapeAllowed && Game->Teleport.Escape().MapId != 0 && !Game->InAirship();
        case 3:
            return skill->FieldUse;
        case 0: {
            if (skill->Scope < 2 || skill->Scope > 4) return false;
            if (skill->EffectFlags[0] || skill->EffectFlags[1]) return true;
            for (std::size_t i = 0; i < db.States.Count(); ++i) {
                const auto& s = db.States.At(i);
                if (s.StateKind == 1 && skill->StateEffect(s.Id) != 0) return true;
            }
            return false;
        }
        default:
            return false;
        }
    }
    if (sys.Scene == KSceneBattle)
        return skill->SkillKind == 0 || (skill->SkillKind == 3 && skill->BattleUse);
    return false;
}

} // namespace kestra
