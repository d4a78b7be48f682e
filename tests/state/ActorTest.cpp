#include "state/LGD_Player.h"

#include <gtest/gtest.h>

#include "GameFixture.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct Actors : ::testing::Test, TGameFixture {
    Actors() : State(Env()) { State.Reset(); }
    TLcfgPlayerItem& Actor(std::int32_t id) { return State.Actors.Get(id); }
    TLcfgGameState State;
};

} // namespace

TEST_F(Actors, ExperienceTableWorkedValues) {
    auto& alex = Actor(1);
    EXPECT_EQ(alex.ExpForLevel(1), 0);
    EXPECT_EQ(alex.ExpForLevel(0), 0);
    EXPECT_EQ(alex.ExpForLevel(2), 30);
    EXPECT_EQ(alex.ExpForLevel(3), 84);
    // The growth step depends on the target level, so steps differ between targets:
    // level 4 = 30 + trunc(30 x 1.8) + trunc(54 x e2) with e2 = (4 x 0.002 + 0.8) x 0.8 + 1.
    double e2 = (4 * 0.002 + 0.8) * 0.8 + 1;
    EXPECT_EQ(alex.ExpForLevel(4), 30 + 54 + static_cast<std::int32_t>(54 * e2));
    EXPECT_EQ(alex.ExpForLevel(INT64_MAX), alex.ExpForLevel(KMaxActorLevel + 1));
}

TEST_F(Actors, CurvesThatNeverOrQuicklyPassTheCapStayBounded) {
    auto& rec = DataBase.Actors.Get(3);
    rec.ExpBase = 0;
    rec.ExpCorrection = -5;
    rec.MaxLevel = 1000000; // limited to the level cap
    auto& cid = Actor(3);
    cid.InvalidateExpCache();
    EXPECT_EQ(cid.ExpForLevel(50), 0); // negative sums read as 0
    EXPECT_EQ(cid.FinalLevel(), KMaxActorLevel);
    EXPECT_EQ(cid.MaxReachableLevel(), KMaxActorLevel);

    rec.ExpBase = 2000000000;
    rec.ExpIncrease = 2000000000;
    rec.ExpCorrection = 0;
    rec.MaxLevel = 50;
    cid.InvalidateExpCache();
    EXPECT_EQ(cid.ExpForLevel(3), KMaxExperience + 1);
    EXPECT_EQ(cid.MaxReachableLevel(), 1);

    rec.ExpBase = 300000;
    rec.ExpIncrease = 0;
    cid.InvalidateExpCache();
    cid.Reset();
    ASSERT_LT(cid.MaxReachableLevel(), 50);
    cid.GainExperience(5'000'000'000LL);
    EXPECT_EQ(cid.Experience, KMaxExperience);
    EXPECT_EQ(cid.Level, cid.MaxReachableLevel());
}

TEST_F(Actors, LevelUpLearnsSkillsAndAnnouncesThem) {
    auto& alex = Actor(1);
    EXPECT_EQ(alex.Skills, (std::vector<std::uint16_t>{1})); // learnt at level 1
    std::vector<std::string> lines;
    alex.GainExperience(84, &lines);
    EXPECT_EQ(alex.Level, 3);
    EXPECT_TRUE(alex.KnowsSkill(2));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Alex  Level\x01"
                        "3\x01 rises");
    EXPECT_EQ(lines[1], "Fire learnt");
    EXPECT_EQ(lines[2], "");

    alex.HP = alex.MaxHP();
    alex.LoseExperience(1'000'000'000LL);
    EXPECT_EQ(alex.Level, 1);
    EXPECT_EQ(alex.Experience, 0);
    EXPECT_TRUE(alex.KnowsSkill(2)); // never forgotten
    EXPECT_LE(alex.HP, alex.MaxHP());
}

TEST_F(Actors, ChangeLevelStopsAtTheLimits) {
    auto& bea = Actor(2);
    ASSERT_EQ(bea.Level, 5);
    bea.ChangeLevel(-3);
    EXPECT_EQ(bea.Level, 2);
    EXPECT_EQ(bea.Experience, bea.ExpForLevel(2));
    bea.ChangeLevel(-100);
    EXPECT_EQ(bea.Level, 1);
    bea.ChangeLevel(INT64_MAX / 2);
    EXPECT_EQ(bea.Level, 50);
    bea.ChangeLevel(INT64_MIN / 2);
    EXPECT_EQ(bea.Level, 1);
}

TEST_F(Actors, ResetEquipsWhatTheActorMayWear) {
    auto& rec = DataBase.Actors.Get(2);
    rec.SetEquipment(0, KGreatSword);
    rec.SetEquipment(2, KMail);  // Bea may not wear it
    rec.SetEquipment(3, KSword); // a sword is no helmet
    auto& bea = Actor(2);
    bea.Reset();
    EXPECT_EQ(bea.Equipment[0], KGreatSword);
    EXPECT_EQ(bea.Equipment[2], 0);
    EXPECT_EQ(bea.Equipment[3], 0);
    EXPECT_EQ(bea.HP, bea.MaxHP());
}

TEST_F(Actors, EquipmentRules) {
    auto& alex = Actor(1);
    auto& bea = Actor(2);
    auto& inv = State.PartyInfo;
    EXPECT_TRUE(alex.CanEquip(0, 0));
    EXPECT_FALSE(alex.CanEquip(0, 99));      // beyond the item table
    EXPECT_FALSE(alex.CanEquip(1, KDagger)); // one weapon only
    EXPECT_TRUE(bea.CanEquip(1, KDagger));   // two weapons
    EXPECT_FALSE(bea.CanEquip(2, KMail));    // not in the item's actor list
    EXPECT_FALSE(alex.CanEquip(4, KMail));
    EXPECT_THROW(alex.CanEquip(5, 0), ELookupError);

    std::int32_t attack = alex.BaseAttack();
    inv.GainItem(KGreatSword, 1);
    alex.Equip(0, KGreatSword);
    EXPECT_EQ(alex.Equipment[0], KGreatSword);
    EXPECT_EQ(alex.Equipment[1], 0); // two-handed: the shield goes back
    EXPECT_EQ(inv.ItemAmount(KShield), 1);
    EXPECT_EQ(inv.ItemAmount(KSword), 1);
    EXPECT_EQ(inv.ItemAmount(KGreatSword), 0);
    EXPECT_EQ(alex.BaseAttack(), attack + 20);

    alex.Equip(1, KShield); // equipping slot 1 empties slot 0
    EXPECT_EQ(alex.Equipment[1], KShield);
    EXPECT_EQ(alex.Equipment[0], 0);
    EXPECT_EQ(inv.ItemAmount(KGreatSword), 1);

    EXPECT_EQ(alex.EquipCandidateCount(0), 3); // nothing, the sword, the great sword
    inv.GainItem(KDagger, 1);
    EXPECT_EQ(alex.EquipCandidateCount(0), 4);
    EXPECT_EQ(alex.EquipCandidate(0, 0), KSword);
    EXPECT_EQ(alex.EquipCandidate(0, 2), KDagger);
    EXPECT_EQ(alex.EquipCandidate(0, 3), 0);

    alex.SetEquipmentRaw(0, KGreatSword);
    EXPECT_EQ(alex.Equipment[1], 0);
    EXPECT_EQ(inv.ItemAmount(KShield), 0); // raw: the inventory is untouched
}

TEST_F(Actors, StatesWithPriorities) {
    auto& alex = Actor(1);
    alex.AddState(KPoison); // 50
    alex.AddState(KDazed);  // 51
    alex.AddState(KSlow);   // 60 removes 50 but not 51
    EXPECT_EQ(alex.HasState(KPoison), 0);
    EXPECT_EQ(alex.HasState(KDazed), 1);
    EXPECT_EQ(alex.HasState(KSlow), 1);
    EXPECT_EQ(alex.DominantState(), KSlow);
    EXPECT_EQ(alex.StateText(), "Slow");
    EXPECT_FALSE(alex.CanAct());
    EXPECT_EQ(alex.Agility(), std::max(1, alex.BaseAgility()) / 2);

    DataBase.States.Get(KDazed).Priority = 60; // a tie goes to the higher ID
    EXPECT_EQ(alex.DominantState(), KDazed);

    alex.AddState(99);
    alex.SetStateCounter(-1, 5);
    EXPECT_EQ(alex.HasState(99), 0);
    alex.FullRecovery();
    EXPECT_EQ(alex.DominantState(), 0);
    EXPECT_EQ(alex.StateText(), "Normal");

    alex.AddState(KDeathState);
    EXPECT_EQ(alex.HP, 0);
    EXPECT_FALSE(alex.IsAlive());
    alex.RemoveState(KDeathState);
    EXPECT_EQ(alex.HP, 1);
}

TEST_F(Actors, DamageAndRecoveryRules) {
    auto& alex = Actor(1);
    std::int32_t max = alex.MaxHP();
    EXPECT_EQ(alex.Damage(5, true), 5);
    EXPECT_EQ(alex.ChangeHP(INT64_MAX), 5);
    EXPECT_EQ(alex.HP, max);
    EXPECT_EQ(alex.Damage(INT64_MAX, false), max - 1);
    EXPECT_EQ(alex.HP, 1);
    EXPECT_EQ(alex.HasState(KDeathState), 0);
    EXPECT_EQ(alex.Damage(10, true), 1);
    EXPECT_EQ(alex.HP, 0);
    EXPECT_EQ(alex.HasState(KDeathState), 1);
    EXPECT_EQ(alex.ChangeHP(50), 0); // healing never revives
    EXPECT_EQ(alex.Damage(10, true), 0);
    EXPECT_EQ(alex.HP, 0);

    alex.MP = 0;
    EXPECT_EQ(alex.SpendMP(3), 0);
    EXPECT_EQ(alex.ChangeMP(INT64_MAX), alex.MaxMP());

    std::int32_t base = alex.BaseAttack();
    alex.ChangeModifier(2, INT64_MIN);
    EXPECT_EQ(alex.Attack(), base - base / 2);
    alex.ChangeModifier(2, INT64_MAX);
    EXPECT_EQ(alex.Attack(), 2 * base);
    EXPECT_EQ(alex.ChangeModifier(1, 5), 0); // max MP has no modifier

    alex.ChangeBonus(0, -5000);
    EXPECT_EQ(alex.Bonus[0], -KMaxParameterBonus);
    EXPECT_EQ(alex.MaxHP(), 1);
}

TEST_F(Actors, StepDamageOfStatesLeavesOneHitPoint) {
    auto& alex = Actor(1);
    alex.AddState(KPoison);
    alex.HP = 2;
    EXPECT_FALSE(alex.FieldStateDamage(3));
    EXPECT_TRUE(alex.FieldStateDamage(4));
    EXPECT_EQ(alex.HP, 1);
    EXPECT_TRUE(alex.FieldStateDamage(6));
    EXPECT_EQ(alex.HP, 1);
}

TEST_F(Actors, OverridesOfNameAndGraphicsFallBack) {
    auto& alex = Actor(1);
    alex.SetName("Al");
    EXPECT_EQ(alex.GetName(), "Al");
    alex.SetName("Alex");
    EXPECT_EQ(alex.Name, KDatabaseText);
    alex.SetFace("Other", 3);
    EXPECT_EQ(alex.Face().Name, "Other");
    alex.SetFace("Faces1", 2);
    EXPECT_TRUE(alex.FaceName.empty());
    EXPECT_EQ(alex.Face().Index, 2);
    alex.SetWalkGraphic("Walk", 1, true);
    EXPECT_EQ(alex.WalkGraphic().Transparency, 3);
}
