#include "battle/LGD_BattleRules.h"

#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "base/Saturate.h"
#include "data/DataBase.h"
#include "state/LGD_Player.h"

namespace kestra {

namespace {

std::int32_t PartyPosition(const TLcfgGameState& game, const TLcfgUnitItem& actor) {
    for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i)
        if (game.PartyInfo.Member(i) == &actor) return i;
    return -1;
}

// The first position holding the largest value (0 for an empty list).
std::int32_t BestPosition(const std::vector<double>& values) {
    std::int32_t best = 0;
    for (std::size_t i = 1; i < values.size(); ++i)
        if (values[i] > values[static_cast<std::size_t>(best)]) best = static_cast<std::int32_t>(i);
    return best;
}

double Fraction(std::int64_t a, std::int64_t b) {
    return b <= 0 ? 0.0 : static_cast<double>(a) / static_cast<double>(b);
}

} // namespace

// ---- an actor's own choice ----

TLcfgActorChoice::TLcfgActorChoice(TLcfgPlayerItem& actor, TLcfgMonster& troop)
    : Actor(actor), Troop(troop), Random(troop.Random) {}

double TLcfgActorChoice::SkillTargetValue(const TVezSkillItem& skill, const TLcfgUnitItem& target) {
    const bool changesHP = skill.EffectFlags[0];
    const std::int32_t maxMP = Actor.MaxMP();
    if (skill.Scope >= 2) {
        if (target.HP > 0) {
            if (!changesHP) return 0;
            std::int64_t a =
                std::min<std::int64_t>(Actor.SkillPower(skill, target, Random),
                                       static_cast<std::int64_t>(target.MaxHP()) - target.HP);
            double v = Fraction(std::max<std::int64_t>(a, 0), target.MaxHP());
            if (maxMP > 0) v = std::max(v - skill.MpCost / static_cast<double>(maxMP) / 8, 0.0);
            return v;
        }
        return skill.StateEffect(KDeathState) != 0 ? skill.BaseEffect / 1000.0 + 1 : 0;
    }
    if (!target.IsAlive() || !changesHP) return 0;
    std::int64_t a = std::min<std::int64_t>(Actor.SkillPower(skill, target, Random), target.HP);
    double v = Fraction(a, target.HP);
    if (v == 1.0) v = 1.5;
    if (maxMP > 0) v = std::max(v - skill.MpCost / static_cast<double>(maxMP) / 4, 0.0);
    if (target.IsMonster() &&
        static_cast<const TLcfgMonsterItem&>(target).TroopIndex() == Troop.FirstAlive())
        v = v * 1.5 + 0.5;
    return v;
}

double TLcfgActorChoice::SkillValue(std::int32_t skillId) {
    SkillTargets.clear();
    const TVezSkillItem* skill = Troop.Game.DataBase().Skills.Find(skillId);
    if (skill == nullptr || skill->SkillKind != 0 || !Actor.CanUseSkill(skillId)) return 0;
    const auto& party = Troop.Game.PartyInfo;
    double v = 0;
    switch (skill->Scope) {
    case 0:
    case 1:
        for (std::int32_t p = 0; p < Troop.Size(); ++p)
            SkillTargets.push_back(SkillTargetValue(*skill, *Troop.At(p)));
        break;
    case 2:
        SkillTargets.push_back(SkillTargetValue(*skill, Actor));
        break;
    default:
        for (std::int32_t i = 0; i < party.MemberCount(); ++i) {
            const auto* m = party.Member(i);
            SkillTargets.push_back(m == nullptr ? 0 : SkillTargetValue(*skill, *m));
        }
        break;
    }
    if (skill->Scope == 1 || skill->Scope == 4) {
        for (double t : SkillTargets) v += t;
    } else {
        for (double t : SkillTargets) v = std::max(v, t);
    }
    if (v > 0) v += Random.Next(100) / 100.0;
    return v;
}

double TLcfgActorChoice::AttackTargetValue(const TLcfgUnitItem& target) {
    if (!target.IsAlive()) return 0;
    std::int64_t a = std::min<std::int64_t>(Actor.AttackDamage(target), target.HP);
    double v = Fraction(a, target.HP);
    if (v == 1.0) v = 1.5;
    if (target.IsMonster() &&
        static_cast<const TLcfgMonsterItem&>(target).TroopIndex() == Troop.FirstAlive())
        v = v * 1.5 + 0.5;
    if (v > 0) v = Random.Next(100) / 100.0 + v * 1.5;
    return v;
}

double TLcfgActorChoice::AttackValue() {
    AttackTargets.clear();
    double best = 0;
    for (std::int32_t p = 0; p < Troop.Size(); ++p) {
        AttackTargets.push_back(AttackTargetValue(*Troop.At(p)));
        best = std::max(best, AttackTargets.back());
    }
    return best;
}

void TLcfgActorChoice::Choose() {
    auto& action = Actor.Action;
    action.Clear();
    if (!Actor.CanAct()) return;
    const auto& game = Troop.Game;
    if (Actor.AttacksEnemiesOnly() || Actor.AttacksAlliesOnly()) {
        action.Kind = TLcfgUnitActItem::KBasic;
        action.SubKind = 0;
        if (Actor.AttacksEnemiesOnly()) {
            action.TargetKind = 3;
            action.TargetIndex = Random.Next(Troop.Size());
        } else {
            action.TargetKind = 1;
            action.TargetIndex = Random.Next(game.PartyInfo.MemberCount());
        }
        return;
    }

    double m = 0;
    std::int32_t bestSkill = 0;
    std::vector<double> bestTargets;
    for (std::uint16_t id : Actor.Skills) {
        double v = SkillValue(id);
        if (v > m) {
            m = v;
            bestSkill = id;
            bestTargets = SkillTargets;
        }
    }
    double w = AttackValue();
    if (m > w && bestSkill != 0) {
        const TVezSkillItem& skill = game.DataBase().Skills.Get(bestSkill);
        action.Kind = TLcfgUnitActItem::KSkill;
        action.SkillId = bestSkill;
        switch (skill.Scope) {
        case 0:
            action.TargetKind = 3;
            action.TargetIndex = BestPosition(bestTargets);
            break;
        case 1:
            action.TargetKind = 4;
            break;
        case 2:
            action.TargetKind = 1;
            action.TargetIndex = std::max(0, PartyPosition(game, Actor));
            break;
        case 3:
            action.TargetKind = 1;
            action.TargetIndex = BestPosition(bestTargets);
            break;
        default:
            action.TargetKind = 2;
            break;
        }
        return;
    }
    action.Kind = TLcfgUnitActItem::KBasic;
    action.SubKind = 0;
    if (Actor.AttackAll()) {
        action.TargetKind = 4;
    } else {
        action.TargetKind = 3;
        action.TargetIndex = BestPosition(AttackTargets);
    }
}

void TLcfgMonster::ChooseActorAction(TLcfgPlayerItem& actor) {
    TLcfgActorChoice(actor, *this).Choose();
}

// ---- targets ----

TLcfgUnitItem* TargetUnit(const TLcfgGameState& game, const TLcfgMonster& troop,
                          const TLcfgUnitActItem& action) {
    if (action.TargetKind == 1) return game.PartyInfo.Member(action.TargetIndex);
    if (action.TargetKind == 3) return troop.At(action.TargetIndex);
    return nullptr;
}

std::vector<TLcfgUnitItem*> TargetUnits(const TLcfgGameState& game, const TLcfgMonster& troop,
                                        const TLcfgUnitActItem& action) {
    std::vector<TLcfgUnitItem*> out;
    switch (action.TargetKind) {
    case 1:
    case 3:
        if (auto* u = TargetUnit(game, troop, action)) out.push_back(u);
        break;
    case 2:
        for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i)
            if (auto* m = game.PartyInfo.Member(i)) out.push_back(m);
        break;
    case 4:
        for (std::int32_t p = 0; p < troop.Size(); ++p)
            if (troop.At(p)->Present) out.push_back(troop.At(p));
        break;
    default:
        break;
    }
    return out;
}

bool Retarget(const TLcfgGameState& game, const TLcfgMonster& troop, TLcfgUnitActItem& action) {
    if (action.TargetKind != 1 && action.TargetKind != 3) return true;
    if (auto* u = TargetUnit(game, troop, action); u != nullptr && u->IsAlive()) return true;
    if (action.TargetKind == 3) {
        std::int32_t p = troop.FirstAlive();
        if (p < 0) return false;
        action.TargetIndex = p;
        return true;
    }
    for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i) {
        if (auto* m = game.PartyInfo.Member(i); m != nullptr && m->IsAlive()) {
            action.TargetIndex = i;
            return true;
        }
    }
    return false;
}

// ---- turn order ----

void BuildTurnOrder(TLcfgGameState& game, TLcfgMonster& troop, std::vector<TLcfgUnitItem*>& order) {
    order.clear();
    for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i)
        if (auto* m = game.PartyInfo.Member(i)) order.push_back(m);
    for (std::int32_t p = 0; p < troop.Size(); ++p)
        if (troop.At(p)->Present) order.push_back(troop.At(p));
    for (auto* u : order)
        if (u->Action.Kind == TLcfgUnitActItem::KAuto) u->ChooseAutoAction();
    for (auto* u : order) u->RollInitiative(troop.Random);
    std::stable_sort(order.begin(), order.end(),
                     [](const TLcfgUnitItem* a, const TLcfgUnitItem* b) {
                         return a->Initiative > b->Initiative;
                     });
}

// ---- escape and rewards ----

bool PartyDefeated(const TLcfgGameState& game) {
    const auto& states = game.DataBase().States;
    for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i) {
        const auto* m = game.PartyInfo.Member(i);
        if (m == nullptr) continue;
        bool held = false;
        for (std::size_t c = 0; c < m->States.size() && !held; ++c) {
            auto id = static_cast<std::int32_t>(c) + 1;
            const auto* s = states.Find(id);
            held =
                s != nullptr && m->HasState(id) > 0 && s->Restriction == 1 && s->TurnRecovery <= 0;
        }
        if (!held) return false;
    }
    return true;
}

std::int32_t PartyAverageAgility(const TLcfgGameState& game) {
    std::int64_t sum = 0, count = 0;
    for (std::int32_t i = 0; i < game.PartyInfo.MemberCount(); ++i) {
        if (const auto* m = game.PartyInfo.Member(i)) {
            sum += m->Agility();
            ++count;
        }
    }
    std::int64_t average = count == 0 ? 0 : sum / count;
    return average == 0 ? 1 : static_cast<std::int32_t>(average);
}

std::int32_t EscapeChance(const TLcfgGameState& game, const TLcfgMonster& troop) {
    double ratio = 100.0 * troop.AverageAgility() / PartyAverageAgility(game);
    double r = std::nearbyint(ratio);
    return static_cast<std::int32_t>(std::clamp(150.0 - r, 0.0, 100.0));
}

TLcfgBattleRewards CollectRewards(const TLcfgGameState& game, const TLcfgMonster& troop) {
    TLcfgBattleRewards out;
    std::int64_t exp = 0, gold = 0;
    for (std::int32_t p = 0; p < troop.Size(); ++p) {
        const auto* m = troop.At(p);
        const auto* rec = m->Record();
        if (!m->Present || rec == nullptr) continue;
        exp = std::clamp<std::int64_t>(exp + rec->Experience, 0, KMaxRewardSum);
        gold = std::clamp<std::int64_t>(gold + rec->Gold, 0, KMaxRewardSum);
        if (rec->DropItem > 0 && rec->DropChance >= troop.Random.Next(100) &&
            game.DataBase().Items.Find(rec->DropItem) != nullptr)
            out.Items.push_back(rec->DropItem);
    }
    out.Experience = static_cast<std::int32_t>(exp);
    out.Gold = static_cast<std::int32_t>(gold);
    return out;
}

} // namespace kestra
