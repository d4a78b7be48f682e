#pragma once
// The rules of a battle that concern both sides: the automatic choice of an actor's
// action with its values, targets and retargeting, the turn order, the chance to
// escape and the rewards of a victory.
#include <cstdint>
#include <vector>

#include "battle/LGD_Monster.h"

namespace kestra {

class TLcfgPlayerItem;
class TRandom;

// The values by which an actor battling on its own weighs its options (higher is
// better). Each call may draw from the random generator, in the order of the calls.
class TLcfgActorChoice {
public:
    TLcfgActorChoice(TLcfgPlayerItem& actor, TLcfgMonster& troop);

    double SkillTargetValue(const TVezSkillItem& skill, const TLcfgUnitItem& target);
    double SkillValue(std::int32_t skillId);
    double AttackTargetValue(const TLcfgUnitItem& target);
    double AttackValue();
    // Sets the actor's action: the best skill when it beats the best attack.
    void Choose();

private:
    TLcfgPlayerItem& Actor;
    TLcfgMonster& Troop;
    TRandom& Random;
    // The target values of the last SkillValue / AttackValue call, by position.
    std::vector<double> SkillTargets, AttackTargets;
};

// The unit a one-unit target names, or null: TargetKind 1 a party position, 3 a troop
// position.
TLcfgUnitItem* TargetUnit(const TLcfgGameState& game, const TLcfgMonster& troop,
                          const TLcfgUnitActItem& action);
// Every unit the action aims at: one, the party (2) or the present monsters (4).
std::vector<TLcfgUnitItem*> TargetUnits(const TLcfgGameState& game, const TLcfgMonster& troop,
                                        const TLcfgUnitActItem& action);
// A one-unit target that is no longer alive moves to the living unit of the lowest
// position on that side. False when that side has nobody alive.
bool Retarget(const TLcfgGameState& game, const TLcfgMonster& troop, TLcfgUnitActItem& action);

// The party in party order, then the present monsters in troop order; units whose
// action is automatic choose it, every unit rolls its initiative, and the list is
// sorted by initiative, highest first (equal initiatives keep the list order).
void BuildTurnOrder(TLcfgGameState& game, TLcfgMonster& troop, std::vector<TLcfgUnitItem*>& order);

// The battle is lost when every member holds a state that prevents acting and has no
// turn recovery chance (death included); an empty party has lost.
bool PartyDefeated(const TLcfgGameState& game);

// Integer average of the party's effective agility; 1 when it comes out as 0.
std::int32_t PartyAverageAgility(const TLcfgGameState& game);
// clamp(150 - round(100 x monster average / party average), 0, 100), the rounding
// taking halves to the even neighbour.
std::int32_t EscapeChance(const TLcfgGameState& game, const TLcfgMonster& troop);

struct TLcfgBattleRewards {
    std::int32_t Experience = 0;
    std::int32_t Gold = 0;
    std::vector<std::int32_t> Items; // one entry per item won, in troop order
};
// Experience and money of the present monsters and the items they drop (a drop chance
// c wins when c >= Random(100)); sums are kept within 0..KMaxRewardSum.
inline constexpr std::int32_t KMaxRewardSum = 9999999;
TLcfgBattleRewards CollectRewards(const TLcfgGameState& game, const TLcfgMonster& troop);

} // namespace kestra
