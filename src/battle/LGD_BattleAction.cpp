#include "battle/LGD_BattleAction.h"

#include <algorithm>
#include <cmath>

#include "base/Random.h"
#include "base/Saturate.h"
#include "battle/LGD_BattleRules.h"
#include "data/DataBase.h"
#include "state/LGD_Player.h"

namespace kestra {

namespace {

bool IsDefending(const TLcfgUnitItem& unit) {
    return unit.Action.Kind == TLcfgUnitActItem::KBasic && unit.Action.SubKind == 2;
}

std::string Amount(const std::string& name, std::int64_t d, const std::string& term) {
    return name + "  \x01" + std::to_string(d) + "\x01" + term;
}

std::string AmountOf(const std::string& name, const std::string& what, const char* joint,
                     std::int64_t d, const std::string& term) {
    return name + "  " + what + joint + "\x01" + std::to_string(d) + "\x01" + term;
}

std::int64_t Limit(std::int64_t p) {
    return std::clamp<std::int64_t>(p, 0, KMaxShownDamage);
}

std::int32_t ParameterTerm(int param) {
    return 0x84 + (param - 2);
}

std::int32_t AnimationTargetOf(const TLcfgUnitActItem& action) {
    if (action.TargetKind == 4) return KAnimateAllMonsters;
    if (action.TargetKind == 3) return action.TargetIndex;
    return KAnimateScreen;
}

} // namespace

TLcfgActionRunner::TLcfgActionRunner(TLcfgGameState& game, TLcfgMonster& troop,
                                     IVezBattleStage& stage)
    : Game(game), Troop(troop), Stage(stage) {}

std::string TLcfgActionRunner::Term(std::int32_t id) const {
    return Game.DataBase().Vocabulary.Term(id);
}

void TLcfgActionRunner::SetLine(int line, const std::string& text) {
    Stage.SetLine(std::clamp(line, 0, 3), text);
}

void TLcfgActionRunner::ClearLinesFrom(int line) {
    for (int i = std::max(line, 0); i < 4; ++i) Stage.SetLine(i, std::string());
}

void TLcfgActionRunner::Say(const std::string& text) {
    Stage.Wait(4, 4);
    SetLine(Line, text);
}

void TLcfgActionRunner::SoundOf(int which) {
    Game.System.PlaySystemSound(which);
}

bool TLcfgActionRunner::Chance(std::int64_t percent) {
    return Troop.Random.Next(100) < percent;
}

void TLcfgActionRunner::PlayAndWait(std::int32_t animationId, std::int32_t target) {
    Troop.PlayAnimation(animationId, target);
    Stage.Wait(20, 40);
    for (int n = 0; n < KMaxAnimationWait && Troop.IsAnimationPlaying(); ++n) Stage.RunFrame();
}

// ---- the action of one unit ----

void TLcfgActionRunner::Execute(TLcfgUnitItem& unit) {
    auto& act = unit.Action;
    const auto& db = Game.DataBase();
    const auto& party = Game.PartyInfo;
    if (unit.IsMonster() && (Stage.FirstStrikeTurn() || !unit.Present)) return;
    if (unit.IsActor() && !party.Contains(unit.Id)) return;
    if (act.Kind == TLcfgUnitActItem::KSkill && !unit.CanUseSkill(act.SkillId)) return;
    if (act.Kind == TLcfgUnitActItem::KItem && party.ItemAmount(act.ItemId) <= 0) return;
    if (act.TargetKind == 1 && (act.TargetIndex < 0 || act.TargetIndex >= party.MemberCount()))
        return;
    if (unit.IsMonster() && act.Kind == TLcfgUnitActItem::KSkill && act.TargetKind == 3) {
        const auto* skill = db.Skills.Find(act.SkillId);
        const auto* target = Troop.At(act.TargetIndex);
        if (skill == nullptr || target == nullptr || !SkillAffects(*target, *skill)) return;
    }

    if (act.Kind == TLcfgUnitActItem::KAuto || unit.AttacksEnemiesOnly() ||
        unit.AttacksAlliesOnly())
        unit.ChooseAutoAction();
    auto* monster = unit.IsMonster() ? static_cast<TLcfgMonsterItem*>(&unit) : nullptr;
    if (monster != nullptr) monster->StartFlash(31, 31, 10, 10, 31);

    TurnStates(unit);

    if (act.Kind == TLcfgUnitActItem::KNone) {
        if (monster != nullptr) monster->StopFlash();
        return;
    }
    Stage.ResetMessages();
    Line = 0;
    Stage.Wait(4, 4);
    const std::int32_t switchOn = act.SwitchOn, switchOff = act.SwitchOff;
    switch (act.Kind) {
    case TLcfgUnitActItem::KBasic:
        switch (act.SubKind) {
        case 0:
        case 1:
            Attack(unit);
            break;
        case 2:
            SetLine(0, unit.GetName() + Term(0x0E));
            Stage.Wait(20, 60);
            break;
        case 3:
            SetLine(0, unit.GetName() + Term(0x0F));
            Stage.Wait(20, 60);
            break;
        case 4:
            SetLine(0, unit.GetName() + Term(0x10));
            Stage.Wait(20, 60);
            unit.Charged = true;
            break;
        case 5:
            if (monster != nullptr) SelfDestruct(*monster);
            break;
        case 6:
            if (monster != nullptr) {
                SetLine(0, unit.GetName() + Term(0x12));
                monster->Present = false;
                SoundOf(KSoundEscape);
                monster->StartFade(36);
                Stage.Wait(36, 60);
            }
            break;
        default:
            break;
        }
        break;
    case TLcfgUnitActItem::KSkill:
        SkillAction(unit, act.SkillId, false);
        break;
    case TLcfgUnitActItem::KItem:
        ItemAction(unit);
        break;
    case TLcfgUnitActItem::KTransform:
        if (monster != nullptr) Transform(*monster);
        break;
    default:
        break;
    }
    if (switchOn > 0) Game.System.SetSwitch(switchOn, true);
    if (switchOff > 0) Game.System.SetSwitch(switchOff, false);
}

void TLcfgActionRunner::TurnStates(TLcfgUnitItem& unit) {
    const std::int32_t dominant = unit.DominantState();
    const auto& states = Game.DataBase().States;
    auto show = [&](const std::string& text) {
        ClearLinesFrom(1);
        Stage.Wait(4, 4);
        SetLine(0, unit.GetName() + text);
        Stage.Wait(20, 60);
    };
    std::vector<std::int32_t> held;
    for (std::size_t i = 0; i < unit.States.size(); ++i)
        if (unit.HasState(static_cast<std::int32_t>(i) + 1) > 0)
            held.push_back(static_cast<std::int32_t>(i) + 1);
    for (std::int32_t c : held) {
        const TVezStatusItem* s = states.Find(c);
        if (s == nullptr || unit.HasState(c) == 0) continue;
        std::int32_t counter = unit.HasState(c);
        if (counter > s->MinTurns && Chance(s->TurnRecovery)) {
            unit.RemoveState(c);
            if (c == dominant) show(s->MessageEnded);
            continue;
        }
        unit.SetStateCounter(c, counter + 1);
        unit.Damage(static_cast<std::int64_t>(unit.MaxHP()) * s->HpTurnPercent / 100 + s->HpTurn,
                    false);
        unit.SpendMP(static_cast<std::int64_t>(unit.MaxMP()) * s->MpTurnPercent / 100 + s->MpTurn);
    }
    if (dominant != 0 && unit.HasState(dominant) > 0) {
        const TVezStatusItem* s = states.Find(dominant);
        if (s != nullptr && !s->MessageTurn.empty()) show(s->MessageTurn);
    }
}

// ---- attacks ----

void TLcfgActionRunner::Attack(TLcfgUnitItem& unit) {
    auto& act = unit.Action;
    if (!Retarget(Game, Troop, act)) return;
    SetLine(0, unit.GetName() + Term(0x0B));
    std::int64_t cost = unit.AttackMPCost();
    if (unit.HalfMPCost()) cost = (cost + 1) / 2;
    if (cost > 0) unit.SpendMP(cost);
    if (unit.IsMonster()) {
        PlayAndWait(0, KAnimateScreen);
    } else {
        const auto& actor = static_cast<const TLcfgPlayerItem&>(unit);
        PlayAndWait(actor.AttackAnimation(), AnimationTargetOf(act));
        if (std::int32_t second = actor.SecondAttackAnimation(); second != 0)
            PlayAndWait(second, AnimationTargetOf(act));
    }
    const bool twice = unit.DoubleAttack() || act.SubKind == 1;
    for (TLcfgUnitItem* target : TargetUnits(Game, Troop, act)) {
        if (!target->IsAlive()) continue;
        ResolveAttack(unit, *target);
        if (twice && target->IsAlive() && unit.Action.Kind != TLcfgUnitActItem::KNone)
            ResolveAttack(unit, *target);
    }
}

double TLcfgActionRunner::MissChance(const TLcfgUnitItem& attacker, const TLcfgUnitItem& target,
                                     std::int64_t hitRate) {
    double f = 100.0 - static_cast<double>(hitRate * attacker.HitRateFactor() / 100);
    if (!attacker.IgnoreEvasion()) {
        // Halving can bring an agility to 0; it then counts as 1.
        double ratio = static_cast<double>(std::max(target.Agility(), 1)) /
                       static_cast<double>(std::max(attacker.Agility(), 1));
        f = ((ratio - 1) / 2 + 1) * f;
        if (target.RaiseEvasion()) f += 25;
    }
    if (!target.CanAct()) f = 0;
    return f;
}

bool TLcfgActionRunner::ResolveAttack(TLcfgUnitItem& attacker, TLcfgUnitItem& target) {
    ClearLinesFrom(1);
    Line = 1;
    Stage.Wait(4, 4);
    double f = MissChance(attacker, target, attacker.HitRate());
    if (Troop.Random.Next(10000) < f * 100) {
        ClearLinesFrom(Line);
        Say(target.GetName() + Term(0x1B));
        SoundOf(KSoundEvade);
        Stage.Wait(20, 60);
        return false;
    }
    double c = attacker.CriticalChance();
    if (target.PreventCritical() || attacker.IsSameKind(target)) c = 0;
    const bool critical = Troop.Random.Next(10000) < c * 100;
    if (critical) {
        SetLine(1, Term(target.IsActor() ? 0x0D : 0x0C));
        Line = 2;
        Stage.Wait(10, 10);
    }
    std::int64_t d = attacker.AttackDamage(target);
    if (critical)
        d *= 3;
    else if (attacker.Charged)
        d *= 2;
    attacker.Charged = false;
    std::int64_t h = std::max<std::int64_t>(1, d * 4 / 10);
    h = std::min<std::int64_t>(h, INT32_MAX - 1);
    d = d + Troop.Random.Next(static_cast<std::int32_t>(h + 1)) - h / 2;
    ApplyDamage(target, d, 10, 100);
    if (target.HP > 0) {
        const auto count = static_cast<std::int32_t>(Game.DataBase().States.Count());
        for (std::int32_t c2 = 1; c2 <= count; ++c2) {
            std::int32_t chance = attacker.InflictChance(c2);
            if (chance >= 1 && target.HasState(c2) == 0) TryState(target, c2, chance);
        }
    }
    return true;
}

bool TLcfgActionRunner::ApplyDamage(TLcfgUnitItem& target, std::int64_t d, std::int32_t release,
                                    std::int32_t hit) {
    if (Troop.Random.Next(100) >= hit) return false;
    ClearLinesFrom(Line);
    if (IsDefending(target)) {
        d /= 2;
        if (target.StrongDefence()) d /= 2;
    }
    d = std::min<std::int64_t>(KMaxShownDamage, d);
    const std::string name = target.GetName();
    if (target.IsMonster()) {
        Say(d < 1 ? name + Term(0x15) : Amount(name, d, Term(0x14)));
        SoundOf(KSoundEnemyDamaged);
        static_cast<TLcfgMonsterItem&>(target).StartBlink(20);
    } else {
        Say(d < 1 ? name + Term(0x17) : Amount(name, d, Term(0x16)));
        SoundOf(KSoundActorDamaged);
        if (d > 0) Stage.ShakeScreen(3, 5, 8);
    }
    Stage.Wait(20, 40);
    target.Damage(std::max<std::int64_t>(d, 0), true);
    if (target.HP <= 0) {
        DeathMessage(target);
    } else if (Troop.Random.Next(10) < release) {
        const auto& states = Game.DataBase().States;
        for (std::size_t i = 0; i < target.States.size(); ++i) {
            auto c = static_cast<std::int32_t>(i) + 1;
            const TVezStatusItem* s = states.Find(c);
            if (s == nullptr || target.HasState(c) == 0 || s->HitRecovery <= 0) continue;
            if (!Chance(s->HitRecovery)) continue;
            target.RemoveState(c);
            NextLine();
            ClearLinesFrom(Line);
            Say(name + s->MessageEnded);
            Stage.Wait(20, 40);
        }
    }
    Stage.Wait(0, 20);
    return true;
}

void TLcfgActionRunner::DeathMessage(TLcfgUnitItem& target) {
    const TVezStatusItem* death = Game.DataBase().States.Find(KDeathState);
    std::string message;
    if (death != nullptr)
        message = target.IsMonster() ? death->MessageMonster : death->MessageActor;
    NextLine();
    SetLine(Line, target.GetName() + message);
    if (target.IsMonster()) {
        SoundOf(KSoundEnemyDies);
        static_cast<TLcfgMonsterItem&>(target).StartFade(36);
    }
    Stage.Wait(36, 40);
}

void TLcfgActionRunner::SelfDestruct(TLcfgMonsterItem& monster) {
    SetLine(0, monster.GetName() + Term(0x11));
    monster.Present = false;
    SoundOf(KSoundEnemyDies);
    monster.StartBurst(20);
    Stage.Wait(20, 40);
    for (TLcfgPlayerItem* member : LivingMembers(Game)) {
        if (!member->IsAlive()) continue;
        std::int64_t d = std::max(0, monster.Attack() - member->Defence() / 2);
        std::int64_t h = std::max<std::int64_t>(1, d * 4 / 10);
        d = d + Troop.Random.Next(static_cast<std::int32_t>(h + 1)) - h / 2;
        Line = 1;
        ApplyDamage(*member, d, 10, 100);
    }
}

// ---- states ----

bool TLcfgActionRunner::TryState(TLcfgUnitItem& target, std::int32_t state, std::int64_t q) {
    const TVezStatusItem* s = Game.DataBase().States.Find(state);
    if (s == nullptr) return false;
    const std::string name = target.GetName();
    if (target.HasState(state) > 0) {
        if (!s->MessageAlready.empty()) {
            Say(name + s->MessageAlready);
            Stage.Wait(20, 60);
        }
        return true;
    }
    q = q * s->Chance(target.StateRank(state)) / 100;
    if (Troop.Random.Next(100) >= q * (100 - target.ResistChance(state)) / 100) return false;
    target.AddState(state);
    if (target.HasState(state) == 0) return false;
    ClearLinesFrom(Line);
    if (target.HP <= 0) {
        --Line;
        DeathMessage(target);
        return true;
    }
    Say(name + (target.IsMonster() ? s->MessageMonster : s->MessageActor));
    Stage.Wait(20, 60);
    return true;
}

// ---- skills ----

void TLcfgActionRunner::SkillAction(TLcfgUnitItem& user, std::int32_t skillId, bool fromItem) {
    const TVezSkillItem* skill = Game.DataBase().Skills.Find(skillId);
    if (skill == nullptr) return;
    SetLine(0, user.GetName() + skill->UseMessage1);
    Line = 1;
    if (!skill->UseMessage2.empty()) {
        Stage.Wait(20, 40);
        SetLine(1, skill->UseMessage2);
        Line = 2;
    }
    if (!fromItem) {
        std::int64_t cost = skill->MpCost;
        if (user.HalfMPCost()) cost = (cost + 1) / 2;
        if (cost > 0) user.SpendMP(cost);
    }
    if (skill->SkillKind == 0) {
        SkillEffect(user, *skill);
    } else if (skill->SkillKind == 3) {
        Game.System.PlaySound(skill->Sound);
        if (skill->SwitchId > 0) Game.System.SetSwitch(skill->SwitchId, true);
        Stage.Wait(20, 60);
    }
}

void TLcfgActionRunner::SkillEffect(TLcfgUnitItem& user, const TVezSkillItem& skill) {
    auto& act = user.Action;
    const bool revives = skill.Scope >= 2 && skill.StateEffect(KDeathState) != 0;
    if (!revives && !Retarget(Game, Troop, act)) return;
    PlayAndWait(skill.Animation, AnimationTargetOf(act));
    const int line = Line;
    for (TLcfgUnitItem* target : TargetUnits(Game, Troop, act)) {
        if (!target->Present) continue;
        Line = line;
        SkillEffectOn(user, skill, *target);
    }
}

bool TLcfgActionRunner::SkillEffectOn(TLcfgUnitItem& user, const TVezSkillItem& skill,
                                      TLcfgUnitItem& target) {
    const auto& flags = skill.EffectFlags;
    const bool absorb = flags[6];
    std::int64_t p = Limit(user.SkillPower(skill, target, Troop.Random));
    std::int64_t q = skill.SuccessRate;
    if (skill.FailureMessage == 3 && skill.Scope <= 1) {
        std::int64_t c = static_cast<std::int64_t>(user.HitRateFactor()) * q / 100;
        double f = 100.0 - static_cast<double>(c);
        if (!user.IgnoreEvasion()) {
            double ratio = static_cast<double>(std::max(target.Agility(), 1)) /
                           static_cast<double>(std::max(user.Agility(), 1));
            f = ((ratio - 1) / 2 + 1) * f;
            if (target.RaiseEvasion()) f += 25;
        }
        if (!target.CanAct()) f = 0;
        q = 100 - static_cast<std::int64_t>(std::trunc(std::clamp(f, -1e9, 1e9)));
    }
    const auto stateCount = static_cast<std::int32_t>(Game.DataBase().States.Count());
    const auto attrCount = static_cast<std::int32_t>(Game.DataBase().Attributes.Count());
    bool success = false;

    if (skill.Scope >= 2) {
        const bool wasFallen = target.HP <= 0;
        if (wasFallen && skill.StateEffect(KDeathState) == 0) return false;
        if (flags[0]) success |= Heal(target, p, q);
        if (flags[1]) success |= RaiseMP(target, p, q);
        for (int param = 2; param <= 5; ++param)
            if (flags[static_cast<std::size_t>(param)])
                success |= ChangeModifier(target, param, p, q, true);
        for (std::int32_t c = 1; c <= stateCount; ++c)
            if (skill.StateEffect(c) != 0) success |= Cure(target, c, q);
        if (skill.AffectsResistance)
            for (std::int32_t a = 1; a <= attrCount; ++a)
                if (skill.Attribute(a) != 0) success |= ShiftAttribute(target, a, q, true);
        if (wasFallen && target.HP > 0) {
            if (flags[0])
                target.ChangeHP(p - 1);
            else
                target.ChangeHP(p * target.MaxHP() / 100 - 1);
        }
    } else {
        if (!target.IsAlive()) return false;
        if (flags[0] && absorb) success |= AbsorbHP(user, target, p, q);
        if (target.HP > 0 && flags[1] && absorb) success |= AbsorbMP(user, target, p, q);
        if (target.HP > 0 && flags[0] && !absorb)
            success |=
                ApplyDamage(target, p, skill.AttackInfluence,
                            static_cast<std::int32_t>(std::clamp<std::int64_t>(q, -1, 1000)));
        if (target.HP > 0 && flags[1] && !absorb) success |= LowerMP(target, p, q);
        if (target.HP > 0 && (success || (!flags[0] && !flags[1]))) {
            for (int param = 2; param <= 5 && target.HP > 0; ++param)
                if (flags[static_cast<std::size_t>(param)])
                    success |= ChangeModifier(target, param, p, q, false);
            for (std::int32_t c = 1; c <= stateCount && target.HP > 0; ++c)
                if (skill.StateEffect(c) != 0) success |= TryState(target, c, q);
            if (skill.AffectsResistance)
                for (std::int32_t a = 1; a <= attrCount && target.HP > 0; ++a)
                    if (skill.Attribute(a) != 0) success |= ShiftAttribute(target, a, q, false);
        }
    }
    if (!success) {
        ClearLinesFrom(Line);
        std::int32_t kind = std::clamp(skill.FailureMessage, 0, 3);
        Say(target.GetName() + Term(0x18 + kind));
        if (kind == 3) SoundOf(KSoundEvade);
        Stage.Wait(20, 60);
    }
    return success;
}

bool TLcfgActionRunner::Heal(TLcfgUnitItem& target, std::int64_t p, std::int64_t hit) {
    if (!Chance(hit)) return false;
    p = Limit(p);
    if (target.HP <= 0 || p == 0) return false;
    std::int32_t d = target.ChangeHP(p);
    Say(AmountOf(target.GetName(), Term(0x7C), "- ", d, Term(0x1D)));
    Stage.Wait(20, 60);
    return true;
}

bool TLcfgActionRunner::RaiseMP(TLcfgUnitItem& target, std::int64_t p, std::int64_t hit) {
    if (!Chance(hit)) return false;
    std::int32_t d = target.ChangeMP(Limit(p));
    Say(AmountOf(target.GetName(), Term(0x7D), "- ", d, Term(0x1D)));
    Stage.Wait(20, 60);
    return true;
}

bool TLcfgActionRunner::ChangeModifier(TLcfgUnitItem& target, int param, std::int64_t p,
                                       std::int64_t hit, bool raise) {
    if (!Chance(hit)) return false;
    p = Limit(p);
    std::int32_t d = target.ChangeModifier(param, raise ? p : -p);
    if (d == 0) return false;
    Say(AmountOf(target.GetName(), Term(ParameterTerm(param)), "- ", raise ? d : -d,
                 Term(raise ? 0x1E : 0x1F)));
    Stage.Wait(20, 60);
    return true;
}

bool TLcfgActionRunner::LowerMP(TLcfgUnitItem& target, std::int64_t p, std::int64_t hit) {
    if (!Chance(hit)) return false;
    std::int32_t d = -target.SpendMP(Limit(p));
    if (d == 0) return false;
    Say(AmountOf(target.GetName(), Term(0x7D), "- ", d, Term(0x1F)));
    Stage.Wait(20, 60);
    return true;
}

bool TLcfgActionRunner::AbsorbHP(TLcfgUnitItem& user, TLcfgUnitItem& target, std::int64_t p,
                                 std::int64_t hit) {
    if (!Chance(hit)) return false;
    p = Limit(p);
    if (IsDefending(target)) {
        p /= 2;
        if (target.StrongDefence()) p /= 2;
    }
    std::int64_t d = std::min<std::int64_t>(target.HP, p);
    if (d <= 0) return false;
    Say(AmountOf(target.GetName(), Term(0x7C), " ?", d, Term(target.IsMonster() ? 0x20 : 0x21)));
    Stage.Wait(20, 40);
    target.Damage(d, true);
    user.ChangeHP(d);
    if (target.HP <= 0) DeathMessage(target);
    Stage.Wait(0, 20);
    return true;
}

bool TLcfgActionRunner::AbsorbMP(TLcfgUnitItem& user, TLcfgUnitItem& target, std::int64_t p,
                                 std::int64_t hit) {
    if (!Chance(hit)) return false;
    std::int64_t d = std::min<std::int64_t>(target.MP, Limit(p));
    if (d <= 0) return false;
    target.SpendMP(d);
    user.ChangeMP(d);
    Say(AmountOf(target.GetName(), Term(0x7D), " ?", d, Term(target.IsMonster() ? 0x20 : 0x21)));
    Stage.Wait(20, 60);
    return true;
}

bool TLcfgActionRunner::Cure(TLcfgUnitItem& target, std::int32_t state, std::int64_t hit) {
    if (!Chance(hit)) return false;
    if (target.HasState(state) == 0) return false;
    target.RemoveState(state);
    const TVezStatusItem* s = Game.DataBase().States.Find(state);
    Say(target.GetName() + (s != nullptr ? s->MessageEnded : std::string()));
    Stage.Wait(20, 60);
    return true;
}

bool TLcfgActionRunner::ShiftAttribute(TLcfgUnitItem& target, std::int32_t attr, std::int64_t hit,
                                       bool raise) {
    if (!Chance(hit)) return false;
    if (!(raise ? target.RaiseAttributeRank(attr) : target.LowerAttributeRank(attr))) return false;
    const TVezAttribItem* a = Game.DataBase().Attributes.Find(attr);
    Say(target.GetName() + "--" + (a != nullptr ? a->Name : std::string()) +
        Term(raise ? 0x22 : 0x23));
    Stage.Wait(20, 60);
    return true;
}

// ---- items and transforms ----

void TLcfgActionRunner::ItemAction(TLcfgUnitItem& user) {
    const TVezItemItem* item = Game.DataBase().Items.Find(user.Action.ItemId);
    if (item == nullptr) return;
    Game.PartyInfo.UseItem(item->Id);
    const bool skillMessages = item->Kind == 9 && item->ExtraKind != 0;
    if (!skillMessages) {
        SetLine(0, user.GetName() + "  " + item->Name + Term(0x1C));
        Line = 1;
    }
    switch (item->Kind) {
    case 6: {
        SoundOf(KSoundItemUse);
        Stage.Wait(20, 60);
        const int line = Line;
        for (TLcfgUnitItem* member : TargetUnits(Game, Troop, user.Action)) {
            if (!member->IsActor()) continue;
            Line = line;
            Medicine(*item, *member);
        }
        break;
    }
    case 9:
        if (skillMessages) {
            SkillAction(user, item->SkillId, true);
        } else if (const auto* skill = Game.DataBase().Skills.Find(item->SkillId)) {
            if (skill->SkillKind == 0) {
                SkillEffect(user, *skill);
            } else if (skill->SkillKind == 3) {
                // A switch skill works without its messages as well.
                Game.System.PlaySound(skill->Sound);
                if (skill->SwitchId > 0) Game.System.SetSwitch(skill->SwitchId, true);
                Stage.Wait(20, 60);
            }
        }
        break;
    case 10:
        SoundOf(KSoundItemUse);
        if (item->SwitchId > 0) Game.System.SetSwitch(item->SwitchId, true);
        Stage.Wait(20, 60);
        break;
    default:
        break;
    }
}

void TLcfgActionRunner::Medicine(const TVezItemItem& item, TLcfgUnitItem& member) {
    // Flag 10 of an item: only for fallen members.
    if (!item.UsableBy(member.Id) || (item.Flag10 && member.HP > 0)) return;
    const bool wasFallen = member.HP <= 0;
    const std::int64_t hp =
        static_cast<std::int64_t>(member.MaxHP()) * item.Recovery[0] / 100 + item.Recovery[1];
    const std::int64_t mp =
        static_cast<std::int64_t>(member.MaxMP()) * item.Recovery[2] / 100 + item.Recovery[3];
    if (hp != 0) Heal(member, hp, 100);
    if (mp != 0) RaiseMP(member, mp, 100);
    const auto stateCount = static_cast<std::int32_t>(Game.DataBase().States.Count());
    for (std::int32_t c = 1; c <= stateCount; ++c)
        if (item.State(c) != 0) Cure(member, c, 100);
    if (wasFallen && member.HP > 0) member.ChangeHP(std::max<std::int64_t>(0, hp - 1));
}

void TLcfgActionRunner::Transform(TLcfgMonsterItem& monster) {
    const std::int32_t into = monster.Action.TransformTo;
    if (Game.DataBase().Monsters.Find(into) == nullptr) return;
    ClearLinesFrom(0);
    Stage.Wait(4, 4);
    SetLine(0, monster.GetName() + Term(0x13));
    monster.MonsterId = into;
    monster.Bind(monster.Sprite != nullptr);
    monster.HP = std::min(monster.HP, std::max(0, monster.MaxHP()));
    monster.MP = std::max(monster.MP, monster.MaxMP());
    monster.StartFlash(31, 31, 20, 31, 31);
    Stage.Wait(20, 60);
}

} // namespace kestra
