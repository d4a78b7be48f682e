#pragma once
// The execution of one battler's action: the turn processing of its states, attacks
// with their hit, critical and damage rules, skills, items, transforms and the lines
// of the battle message window that report them.
#include <cstdint>
#include <string>

#include "battle/LGD_Monster.h"

namespace kestra {

class TVezItemItem;

// What the battle scene lends to an action: its pauses, the four lines of the battle
// message window and the screen shake.
class IVezBattleStage {
public:
    virtual ~IVezBattleStage() = default;
    // Frames of the scene's update and drawing: at least minFrames, at most maxFrames
    // unless the player holds the battle.
    virtual void Wait(int minFrames, int maxFrames) = 0;
    // One frame of the scene's update and drawing.
    virtual void RunFrame() = 0;
    // Line 0..3 of the battle message window, set as a whole.
    virtual void SetLine(int line, const std::string& text) = 0;
    virtual void ResetMessages() = 0;
    virtual void ShakeScreen(int strength, int speed, int frames) = 0;
    // In the first-strike turn monsters do nothing.
    virtual bool FirstStrikeTurn() const = 0;
};

inline constexpr std::int32_t KMaxShownDamage = 999;
// A battle animation is waited for at most this many frames.
inline constexpr int KMaxAnimationWait = 4000;

class TLcfgActionRunner {
public:
    TLcfgActionRunner(TLcfgGameState& game, TLcfgMonster& troop, IVezBattleStage& stage);

    // The unit's action for this turn, from the silent refusals to the switches it
    // turns afterwards.
    void Execute(TLcfgUnitItem& unit);

    // The parts of an action.
    void TurnStates(TLcfgUnitItem& unit);
    void Attack(TLcfgUnitItem& unit);
    void SelfDestruct(TLcfgMonsterItem& monster);
    // One attack of A on T; false when it missed.
    bool ResolveAttack(TLcfgUnitItem& attacker, TLcfgUnitItem& target);
    // Damage d to T, with a release chance r in tenths and a hit chance p; false when
    // the hit chance failed.
    bool ApplyDamage(TLcfgUnitItem& target, std::int64_t d, std::int32_t release, std::int32_t hit);
    void SkillAction(TLcfgUnitItem& user, std::int32_t skillId, bool fromItem);
    // The effect of a normal skill on its targets (with its animation).
    void SkillEffect(TLcfgUnitItem& user, const TVezSkillItem& skill);
    bool SkillEffectOn(TLcfgUnitItem& user, const TVezSkillItem& skill, TLcfgUnitItem& target);
    void ItemAction(TLcfgUnitItem& user);
    void Transform(TLcfgMonsterItem& monster);
    // Tries state c on T with chance q (percent); true on success or when T already
    // holds it.
    bool TryState(TLcfgUnitItem& target, std::int32_t state, std::int64_t chance);

    // Miss chance in percent of A's attack on T.
    static double MissChance(const TLcfgUnitItem& attacker, const TLcfgUnitItem& target,
                             std::int64_t hitRate);

    // The line the next report goes to (0..3).
    int Line = 0;

private:
    std::string Term(std::int32_t id) const;
    void SetLine(int line, const std::string& text);
    void ClearLinesFrom(int line);
    void Say(const std::string& text); // Wait(4, 4), then the text on the current line
    void NextLine() { Line = std::min(Line + 1, 3); }
    void PlayAndWait(std::int32_t animationId, std::int32_t target);
    void DeathMessage(TLcfgUnitItem& target);
    void SoundOf(int which);
    // Effect steps; each first tests Random(100) < hit.
    bool Heal(TLcfgUnitItem& target, std::int64_t p, std::int64_t hit);
    bool RaiseMP(TLcfgUnitItem& target, std::int64_t p, std::int64_t hit);
    bool ChangeModifier(TLcfgUnitItem& target, int param, std::int64_t p, std::int64_t hit,
                        bool raise);
    bool LowerMP(TLcfgUnitItem& target, std::int64_t p, std::int64_t hit);
    bool AbsorbHP(TLcfgUnitItem& user, TLcfgUnitItem& target, std::int64_t p, std::int64_t hit);
    bool AbsorbMP(TLcfgUnitItem& user, TLcfgUnitItem& target, std::int64_t p, std::int64_t hit);
    bool Cure(TLcfgUnitItem& target, std::int32_t state, std::int64_t hit);
    bool ShiftAttribute(TLcfgUnitItem& target, std::int32_t attr, std::int64_t hit, bool raise);
    void Medicine(const TVezItemItem& item, TLcfgUnitItem& member);
    bool Chance(std::int64_t percent);

    TLcfgGameState& Game;
    TLcfgMonster& Troop;
    IVezBattleStage& Stage;
};

} // namespace kestra
