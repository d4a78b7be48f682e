// Skill and item actions: damage and healing from the skill's power, revival to an
// exact HP, absorbing, state tries with rank chances, and medicines.
#include <gtest/gtest.h>

#include "BattleFixture.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct Skills : ::testing::Test, TBattleFixture {
    Skills() {
        DataBase.Skills.Get(KBolt).UseMessage1 = " casts Bolt";
        DataBase.Vocabulary.Term(0x18) = " is unaffected";
        DataBase.Vocabulary.Term(0x1C) = " is used";
    }
    void Aim(TLcfgUnitItem& user, std::uint8_t kind, std::int32_t id, std::uint8_t targetKind,
             std::int32_t index) {
        user.Action.Clear();
        user.Action.Kind = kind;
        user.Action.SkillId = id;
        user.Action.ItemId = id;
        user.Action.TargetKind = targetKind;
        user.Action.TargetIndex = index;
    }
};

} // namespace

TEST_F(Skills, EnemySkillDealsItsPowerAfterDefence) {
    MakeTroop({KSlime});
    auto& alex = Member(0);
    Aim(alex, TLcfgUnitActItem::KSkill, KBolt, 3, 0);
    Runner.Execute(alex);
    // 50 + intelligence x 3 div 40 - (defence x 0 div 40 + 10 x 3 div 80 = 0); no variance.
    const std::int32_t p = 50 + alex.Intelligence() * 3 / 40;
    EXPECT_EQ(Troop.At(0)->HP, 100 - p);
    EXPECT_EQ(Stage.Shown.front(), "Alex casts Bolt");
}

TEST_F(Skills, ReviveHealsToExactlyThePower) {
    MakeTroop({KSlime});
    DataBase.Skills.Get(KCure).SetStateEffect(KDeathState, true);
    auto& alex = Member(0);
    auto& bea = Member(1);
    bea.AddState(KDeathState);
    ASSERT_EQ(bea.HP, 0);
    Aim(alex, TLcfgUnitActItem::KSkill, KCure, 1, 1);
    Runner.Execute(alex);
    // Healing a fallen member does nothing; curing death leaves 1 HP; then p - 1 more.
    const std::int32_t p = 30 + alex.Intelligence() * 3 / 40;
    EXPECT_EQ(bea.HasState(KDeathState), 0);
    EXPECT_EQ(bea.HP, std::min(p, bea.MaxHP()));
}

TEST_F(Skills, AbsorbMovesHitPointsFromTargetToUser) {
    auto& drain = DataBase.Skills.Obtain(5);
    drain.Scope = 0;
    drain.EffectFlags[0] = true;
    drain.EffectFlags[6] = true; // absorb
    drain.BaseEffect = 30;
    drain.Variance = 0;
    MakeTroop({KSlime});
    auto& alex = Member(0);
    alex.HP = 10;
    const std::int32_t p = 30 + alex.Intelligence() * 3 / 40; // slime's 10 x 3 div 80 = 0
    Runner.SkillEffectOn(alex, drain, *Troop.At(0));
    EXPECT_EQ(Troop.At(0)->HP, 100 - p);
    EXPECT_EQ(alex.HP, std::min(10 + p, alex.MaxHP()));
}

TEST_F(Skills, StateTriesUseTheRankChanceAndReportFailure) {
    auto& sleep = DataBase.Skills.Obtain(6);
    sleep.Scope = 0;
    sleep.SetStateEffect(KDazed, true);
    sleep.Variance = 0;
    DataBase.States.Get(KDazed).MessageMonster = " falls asleep";
    MakeTroop({KSlime});
    auto& slime = *Troop.At(0);
    auto& alex = Member(0);
    int held = 0;
    for (std::uint32_t seed = 1; seed <= 100; ++seed) {
        slime.RemoveState(KDazed);
        Stage.Shown.clear();
        Seed(seed);
        bool ok = Runner.SkillEffectOn(alex, sleep, slime);
        // A monster's state rank is 1 by default: 100 x 80 div 100 = 80 %.
        bool expected = Shadow.Next(100) < 80;
        ASSERT_EQ(ok, expected) << "seed " << seed;
        ASSERT_EQ(slime.HasState(KDazed) > 0, expected);
        EXPECT_EQ(Stage.Shown.back(), expected ? "Slime falls asleep" : "Slime is unaffected");
        held += expected;
    }
    EXPECT_GT(held, 60);
    // Rank E (4) gives a chance of 0: never.
    DataBase.Monsters.Get(KSlime).SetStateRank(KDazed, 4);
    slime.RemoveState(KDazed);
    for (int n = 0; n < 30; ++n) EXPECT_FALSE(Runner.SkillEffectOn(alex, sleep, slime));
}

TEST_F(Skills, MedicineRevivesWithExactHPAndIsUsedUp) {
    auto& potion = DataBase.Items.Get(KPotion);
    potion.Recovery = {0, 50, 0, 0};
    potion.SetState(KDeathState, true);
    potion.Uses = 1;
    Game.PartyInfo.GainItem(KPotion, 2);
    MakeTroop({KSlime});
    auto& alex = Member(0);
    auto& bea = Member(1);
    ASSERT_GE(bea.MaxHP(), 50);
    bea.AddState(KDeathState);
    Aim(alex, TLcfgUnitActItem::KItem, KPotion, 1, 1);
    Runner.Execute(alex);
    EXPECT_EQ(bea.HP, 50);
    EXPECT_EQ(Game.PartyInfo.ItemAmount(KPotion), 1);
    EXPECT_EQ(Stage.Shown.front(), "Alex  Potion is used");

    // Only for the fallen: a living member is left alone.
    potion.Flag10 = true;
    bea.HP = 10;
    Aim(alex, TLcfgUnitActItem::KItem, KPotion, 1, 1);
    Runner.Execute(alex);
    EXPECT_EQ(bea.HP, 10);
    EXPECT_EQ(Game.PartyInfo.ItemAmount(KPotion), 0);
}

TEST_F(Skills, ASpecialItemCastingASwitchSkillTurnsTheSwitchOnWithOrWithoutMessages) {
    constexpr std::int32_t KCharm = 40, KBell = 41;
    auto& bell = DataBase.Skills.Obtain(KBell);
    bell.Name = "Bell";
    bell.SkillKind = 3;
    bell.SwitchId = 12;
    auto& charm = DataBase.Items.Obtain(KCharm);
    charm.Name = "Charm";
    charm.Kind = 9;
    charm.SkillId = KBell;
    Game.PartyInfo.GainItem(KCharm, 2);
    MakeTroop({KSlime});
    auto& alex = Member(0);
    for (int messages : {0, 1}) {
        charm.ExtraKind = static_cast<std::uint8_t>(messages);
        Game.System.SetSwitch(12, false);
        Aim(alex, TLcfgUnitActItem::KItem, KCharm, 0, 0);
        Runner.Execute(alex);
        EXPECT_TRUE(Game.System.Switch(12)) << messages;
    }
    EXPECT_EQ(Game.PartyInfo.ItemAmount(KCharm), 0);
}
