// The automatic choice of actions: monster rating weights and preconditions, random
// targets that must terminate, retargeting, and an actor's own choice of target.
#include <gtest/gtest.h>

#include <algorithm>

#include "BattleFixture.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct Choices : ::testing::Test, TBattleFixture {
    // Replaces the monster's action table; each entry is (basic action, rating).
    void SetActions(std::int32_t monster, const std::vector<std::pair<int, int>>& acts) {
        auto& table = DataBase.Monsters.Get(monster).Actions;
        table.Clear();
        for (std::size_t i = 0; i < acts.size(); ++i) {
            auto& a = table.Obtain(static_cast<std::int32_t>(i) + 1);
            a.ActionKind = 0;
            a.BasicAction = static_cast<std::uint8_t>(acts[i].first);
            a.Rating = acts[i].second;
        }
    }
    void KillParty() {
        for (std::int32_t i = 0; i < Game.PartyInfo.MemberCount(); ++i)
            Member(i).AddState(KDeathState);
    }
};

} // namespace

TEST_F(Choices, RatingsFiftyFortyFiveThirtyWeighTenFiveZero) {
    // Defend, observe and charge draw no target, so each choice draws Random(15) once.
    SetActions(KSlime, {{2, 50}, {3, 45}, {4, 30}});
    MakeTroop({KSlime});
    auto& slime = *Troop.At(0);
    Seed(4242);
    int first = 0, second = 0, third = 0;
    for (int n = 0; n < 3000; ++n) {
        slime.ChooseAutoAction();
        ASSERT_EQ(slime.Action.Kind, TLcfgUnitActItem::KBasic);
        int expected = Shadow.Next(15) < 10 ? 2 : 3;
        ASSERT_EQ(slime.Action.SubKind, expected) << "choice " << n;
        (slime.Action.SubKind == 2 ? first : slime.Action.SubKind == 3 ? second : third)++;
    }
    EXPECT_EQ(third, 0);
    EXPECT_NEAR(first / 3000.0, 2.0 / 3.0, 0.03);
}

TEST_F(Choices, PreconditionsGateTheActions) {
    SetActions(KSlime, {{2, 50}, {3, 50}});
    auto& gated = DataBase.Monsters.Get(KSlime).Actions.Get(1);
    MakeTroop({KSlime, KHollow});
    auto& slime = *Troop.At(0);
    auto only = [&](int subKind) {
        for (int n = 0; n < 40; ++n) {
            slime.ChooseAutoAction();
            if (slime.Action.SubKind != subKind) return false;
        }
        return true;
    };
    gated.ConditionKind = 1; // switch 5
    gated.ConditionSwitch = 5;
    EXPECT_TRUE(only(3));
    Game.System.SetSwitch(5, true);
    EXPECT_FALSE(only(3));

    gated.ConditionKind = 4; // HP 0..50 %
    gated.ConditionMin = 0;
    gated.ConditionMax = 50;
    slime.HP = 60;
    EXPECT_TRUE(only(3));
    slime.HP = 50;
    EXPECT_FALSE(only(3));

    gated.ConditionKind = 2; // turn 3, then every 2 turns
    gated.ConditionMin = 2;
    gated.ConditionMax = 3;
    Game.PartyInfo.Turns = 2;
    EXPECT_TRUE(only(3));
    Game.PartyInfo.Turns = 5;
    EXPECT_FALSE(only(3));

    gated.ConditionKind = 3; // 2..8 living monsters; the hollow one never lives
    gated.ConditionMin = 2;
    gated.ConditionMax = 8;
    EXPECT_TRUE(only(3));

    // A monster with max HP 0 reads its HP as 0 %, without dividing by zero.
    SetActions(KHollow, {{2, 50}});
    DataBase.Monsters.Get(KHollow).Actions.Get(1).ConditionKind = 4;
    Troop.SetupTroop(1, false);
    ASSERT_GT(Troop.At(1)->HasState(KDeathState), 0);          // fallen from the start ...
    Troop.At(1)->States.assign(Troop.At(1)->States.size(), 0); // ... unless revived
    Troop.At(1)->ChooseAutoAction();
    EXPECT_EQ(Troop.At(1)->Action.SubKind, 2);
}

TEST_F(Choices, RandomTargetsSkipTheFallenAndStopWhenNobodyLives) {
    SetActions(KSlime, {{0, 50}});
    MakeTroop({KSlime});
    auto& slime = *Troop.At(0);
    Member(0).AddState(KDeathState);
    for (int n = 0; n < 50; ++n) {
        slime.ChooseAutoAction();
        ASSERT_EQ(slime.Action.TargetKind, 1);
        ASSERT_EQ(slime.Action.TargetIndex, 1);
    }
    KillParty();
    slime.ChooseAutoAction();
    EXPECT_EQ(slime.Action.Kind, TLcfgUnitActItem::KNone);
    // A confused monster with nobody to hit does nothing either (and returns).
    slime.Charged = true;
    slime.ChooseAutoAction();
    EXPECT_EQ(slime.Action.Kind, TLcfgUnitActItem::KNone);
}

TEST_F(Choices, AllySkillTargetsGiveUpAfterBoundedDraws) {
    auto& table = DataBase.Monsters.Get(KSlime).Actions;
    table.Clear();
    auto& heal = table.Obtain(1);
    heal.ActionKind = 1;
    heal.SkillId = KCure;
    MakeTroop({KSlime, KSlime});
    // Nobody is hurt, but a normal ally skill that changes HP affects every living
    // monster; the chosen target must be a living troop position.
    Troop.At(0)->ChooseAutoAction();
    EXPECT_EQ(Troop.At(0)->Action.Kind, TLcfgUnitActItem::KSkill);
    EXPECT_EQ(Troop.At(0)->Action.TargetKind, 3);
    // With every ally fallen and no cure of death the skill affects nobody: no action.
    Troop.At(1)->AddState(KDeathState);
    Troop.At(0)->States.assign(Troop.At(0)->States.size(), 0);
    Troop.At(0)->HP = 0;
    Troop.At(0)->ChooseAutoAction();
    EXPECT_EQ(Troop.At(0)->Action.Kind, TLcfgUnitActItem::KNone);
}

TEST_F(Choices, RetargetMovesToTheLowestLivingPosition) {
    MakeTroop({KSlime, KBat, KSlime});
    TLcfgUnitActItem act;
    act.Kind = TLcfgUnitActItem::KBasic;
    act.TargetKind = 3;
    act.TargetIndex = 2;
    Troop.At(2)->AddState(KDeathState);
    Troop.At(0)->AddState(KDeathState);
    ASSERT_TRUE(Retarget(Game, Troop, act));
    EXPECT_EQ(act.TargetIndex, 1);
    Troop.At(1)->AddState(KDeathState);
    EXPECT_FALSE(Retarget(Game, Troop, act));

    act.TargetKind = 1;
    act.TargetIndex = 0;
    Member(0).AddState(KDeathState);
    ASSERT_TRUE(Retarget(Game, Troop, act));
    EXPECT_EQ(act.TargetIndex, 1);
    act.TargetIndex = 7; // beyond the party
    ASSERT_TRUE(Retarget(Game, Troop, act));
    EXPECT_EQ(act.TargetIndex, 1);
}

TEST_F(Choices, AnActorOnItsOwnWeighsTheFrontMonsterHigher) {
    MakeTroop({KBat, KBat});
    auto& alex = Member(0);
    alex.Skills.clear();
    const std::int32_t a = std::min(alex.AttackDamage(*Troop.At(0)), 60);
    ASSERT_GT(a, 0);
    int front = 0;
    for (std::uint32_t seed = 1; seed <= 100; ++seed) {
        Seed(seed);
        alex.ChooseAutoAction();
        ASSERT_EQ(alex.Action.Kind, TLcfgUnitActItem::KBasic);
        ASSERT_EQ(alex.Action.TargetKind, 3);
        // v = a / HP; the living monster of lowest position gets v x 1.5 + 0.5; then
        // Random(100) / 100 + v x 1.5, drawn in troop order.
        double v = a / 60.0;
        double v0 = Shadow.Next(100) / 100.0 + (v * 1.5 + 0.5) * 1.5;
        double v1 = Shadow.Next(100) / 100.0 + v * 1.5;
        ASSERT_EQ(alex.Action.TargetIndex, v1 > v0 ? 1 : 0) << "seed " << seed;
        front += alex.Action.TargetIndex == 0;
    }
    EXPECT_GT(front, 60);
    Troop.At(0)->AddState(KDeathState);
    alex.ChooseAutoAction();
    EXPECT_EQ(alex.Action.TargetIndex, 1);
    // With a weapon that hits all, every monster is the target.
    DataBase.Items.Get(KSword).Flags[2] = true;
    alex.ChooseAutoAction();
    EXPECT_EQ(alex.Action.TargetKind, 4);
    // Confused: attack a random monster position.
    alex.Action.Clear();
    DataBase.States.Get(KDazed).Restriction = 2;
    alex.AddState(KDazed);
    EXPECT_EQ(alex.Action.Kind, TLcfgUnitActItem::KBasic);
    EXPECT_EQ(alex.Action.TargetKind, 3);
    EXPECT_LT(alex.Action.TargetIndex, 2);
}

TEST_F(Choices, SkillAffectsAsTheAutomaticChoicesNeedIt) {
    MakeTroop({KSlime});
    auto& slime = *Troop.At(0);
    const auto& cure = DataBase.Skills.Get(KCure);
    const auto& bolt = DataBase.Skills.Get(KBolt);
    EXPECT_TRUE(SkillAffects(slime, cure));
    EXPECT_TRUE(SkillAffects(slime, bolt));
    slime.AddState(KDeathState);
    EXPECT_FALSE(SkillAffects(slime, cure));
    EXPECT_FALSE(SkillAffects(slime, bolt));
    DataBase.Skills.Get(KCure).SetStateEffect(KDeathState, true);
    EXPECT_TRUE(SkillAffects(slime, cure));
}
