// Hit, critical and damage rules of one attack, checked against draws predicted from
// the random formula and damage computed by hand from the attack rules.
#include <gtest/gtest.h>

#include <cmath>

#include "BattleFixture.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct Attacks : ::testing::Test, TBattleFixture {};

// A seed whose first draw of Random(10000) is at least `floor` (an attack that hits
// when the miss chance is below floor / 100 percent).
std::uint32_t SeedHitting(std::int32_t floor) {
    for (std::uint32_t s = 1;; ++s) {
        TShadowRandom r{s};
        if (r.Next(10000) >= floor) return s;
    }
}

} // namespace

TEST_F(Attacks, MonsterOnMonsterFollowsTheDrawOrderForManySeeds) {
    MakeTroop({KSlime, KSlime});
    int misses = 0, hits = 0;
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        auto& a = *Troop.At(0);
        auto& t = *Troop.At(1);
        t.HP = 100;
        Seed(seed);
        Stage.Shown.clear();
        Runner.ResolveAttack(a, t);
        // Equal agility, hit rate 90: miss chance 10 %, so a miss is Random(10000) < 1000.
        if (Shadow.Next(10000) < 1000) {
            ++misses;
            EXPECT_EQ(t.HP, 100);
            ASSERT_FALSE(Stage.Shown.empty());
            EXPECT_EQ(Stage.Shown.back(), "Slime dodges");
        } else {
            ++hits;
            Shadow.Next(10000); // critical test; same side, so never critical
            // 100 / 2 - 40 / 4 = 40; h = 40 x 4 / 10 = 16; 40 + Random(17) - 8.
            std::int32_t d = 40 + Shadow.Next(17) - 8;
            Shadow.Next(100); // hit chance 100
            Shadow.Next(10);  // release chance of held states
            EXPECT_EQ(t.HP, 100 - d) << "seed " << seed;
            EXPECT_EQ(Stage.Shown.back(), "Slime  \x01" + std::to_string(d) + "\x01 damage");
        }
        EXPECT_EQ(Random.Seed, Shadow.Seed) << "draw count differs, seed " << seed;
    }
    EXPECT_GT(misses, 5);
    EXPECT_GT(hits, 150);
}

TEST_F(Attacks, CriticalTriplesAndCancelsAPendingChargeWithoutDoubling) {
    auto& alex = Member(0);
    SetAgility(alex, 20);
    auto& golem = DataBase.Monsters.Get(KGolem);
    golem.Parameters[5] = 20;
    golem.CriticalHits = true;
    golem.CriticalChance = 1; // 100 %
    MakeTroop({KGolem});
    auto& g = *Troop.At(0);
    g.Charged = true;
    alex.HP = alex.MaxHP();
    const std::int32_t hp = alex.HP;
    const std::int32_t base = std::max(0, g.Attack() / 2 - alex.Defence() / 4);
    ASSERT_GT(base, 0);

    Seed(SeedHitting(1000));
    Runner.ResolveAttack(g, alex);
    Shadow.Next(10000);                   // hit
    ASSERT_LT(Shadow.Next(10000), 10000); // critical at 100 %
    std::int32_t d = base * 3;            // tripled, the charge ignored
    std::int32_t h = std::max(1, d * 4 / 10);
    d = d + Shadow.Next(h + 1) - h / 2;
    EXPECT_EQ(alex.HP, std::max(0, hp - std::min(d, 999)));
    EXPECT_FALSE(g.Charged);
    EXPECT_EQ(Stage.Lines[1], "Ouch!"); // the actor-side critical term
}

TEST_F(Attacks, DefendingActorWithStrongDefenceTakesAQuarter) {
    auto& alex = Member(0);
    DataBase.Actors.Get(1).StrongDefence = true;
    SetAgility(alex, 50);
    MakeTroop({KSlime});
    alex.Action.Kind = TLcfgUnitActItem::KBasic;
    alex.Action.SubKind = 2;
    alex.HP = alex.MaxHP();
    const std::int32_t hp = alex.HP;
    Seed(7);
    Runner.ApplyDamage(alex, 203, 0, 100);
    EXPECT_EQ(alex.HP, hp - std::min(hp, 203 / 2 / 2));
}

TEST_F(Attacks, DamageAboveTheCapIsShownAndDealtAs999) {
    DataBase.Monsters.Get(KGolem).Parameters[0] = 5000;
    MakeTroop({KGolem});
    auto& g = *Troop.At(0);
    Runner.ApplyDamage(g, 123456, 0, 100);
    EXPECT_EQ(g.HP, 5000 - 999);
    EXPECT_EQ(Stage.Shown.back(), "Golem  \x01"
                                  "999\x01 damage");
}

TEST_F(Attacks, KillingShowsTheDeathMessageAndFades) {
    MakeTroop({KBat});
    auto& bat = *Troop.At(0);
    Stage.Troop = nullptr; // pauses run no frames, so the fade is seen from its start
    Runner.ApplyDamage(bat, 500, 10, 100);
    EXPECT_EQ(bat.HP, 0);
    EXPECT_TRUE(bat.HasState(KDeathState) > 0);
    EXPECT_EQ(Stage.Shown.back(), "Bat falls");
    EXPECT_EQ(bat.FadeFrames, 36);
    EXPECT_EQ(Troop.AliveCount(), 0);
}

TEST_F(Attacks, MissChanceByAgilityEvasionAndRestraint) {
    auto& alex = Member(0);
    SetAgility(alex, 40);
    DataBase.Monsters.Get(KSlime).Parameters[5] = 40;
    DataBase.Monsters.Get(KBat).Parameters[5] = 80;
    MakeTroop({KSlime, KBat});
    auto& slime = *Troop.At(0);
    auto& bat = *Troop.At(1);
    EXPECT_DOUBLE_EQ(TLcfgActionRunner::MissChance(slime, alex, 90), 10.0);
    // Twice as fast: ((2 - 1) / 2 + 1) x 10.
    EXPECT_DOUBLE_EQ(TLcfgActionRunner::MissChance(slime, bat, 90), 15.0);
    // Raised evasion from the armour adds 25.
    DataBase.Items.Get(KMail).Flags[5] = true;
    ASSERT_TRUE(alex.RaiseEvasion());
    EXPECT_DOUBLE_EQ(TLcfgActionRunner::MissChance(slime, alex, 90), 35.0);
    // A target that cannot act is always hit.
    bat.AddState(KDazed);
    EXPECT_DOUBLE_EQ(TLcfgActionRunner::MissChance(slime, bat, 90), 0.0);
}

TEST_F(Attacks, AgilityHalvedToZeroCountsAsOne) {
    DataBase.Monsters.Get(KGolem).Parameters[5] = 1;
    DataBase.Monsters.Get(KSlime).Parameters[5] = 50;
    MakeTroop({KGolem, KSlime});
    auto& golem = *Troop.At(0);
    golem.AddState(KSlow); // halves agility: 1 / 2 = 0
    ASSERT_EQ(golem.Agility(), 0);
    // ((50 / 1 - 1) / 2 + 1) x 10 = 255; never a division by zero.
    double f = TLcfgActionRunner::MissChance(golem, *Troop.At(1), 90);
    EXPECT_TRUE(std::isfinite(f));
    EXPECT_DOUBLE_EQ(f, 255.0);
    // Against it: ((1 / 50 - 1) / 2 + 1) x 10 = 5.1.
    EXPECT_NEAR(TLcfgActionRunner::MissChance(*Troop.At(1), golem, 90), 5.1, 1e-9);
}

TEST_F(Attacks, ASleepingTargetIsNeverMissed) {
    DataBase.Monsters.Get(KBat).Parameters[5] = 999;
    MakeTroop({KSlime, KBat});
    auto& bat = *Troop.At(1);
    bat.AddState(KDazed);
    for (std::uint32_t seed = 1; seed <= 50; ++seed) {
        bat.HP = 60;
        Seed(seed);
        Runner.ResolveAttack(*Troop.At(0), bat);
        EXPECT_LT(bat.HP, 60) << "seed " << seed;
    }
}
