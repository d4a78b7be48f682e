// Setting up a troop, turn order, escape chance, rewards, executing whole actions, and
// troops built from hostile data.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "BattleFixture.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct Troops : ::testing::Test, TBattleFixture {};

} // namespace

TEST_F(Troops, SetupTakesPositionsPointsAndHiddenMembers) {
    MakeTroop({KSlime, KBat});
    DataBase.Troops.Get(1).Members.Get(2).Hidden = true;
    Troop.SetupTroop(1, false);
    ASSERT_EQ(Troop.Size(), 2);
    auto& slime = *Troop.At(0);
    EXPECT_EQ(slime.Id, 1);
    EXPECT_EQ(slime.GetName(), "Slime");
    EXPECT_EQ(slime.HP, 100);
    EXPECT_EQ(slime.MP, 20);
    EXPECT_EQ(slime.X, 80);
    EXPECT_TRUE(slime.Present);
    EXPECT_FALSE(Troop.At(1)->Present);
    EXPECT_EQ(Troop.AliveCount(), 1);
    EXPECT_EQ(Troop.At(2), nullptr);
    EXPECT_EQ(Troop.At(-1), nullptr);
    // The hidden bat still counts towards the average agility: (50 + 100) / 2.
    EXPECT_EQ(Troop.AverageAgility(), 75);
}

TEST_F(Troops, TurnOrderRollsInListOrderAndSortsStably) {
    DataBase.Monsters.Get(KGolem).Parameters[5] = 1;
    MakeTroop({KSlime, KGolem, KBat});
    Troop.At(1)->AddState(KSlow); // agility 1 halved to 0
    SetAgility(Member(0), 30);
    SetAgility(Member(1), 30);
    for (std::uint32_t seed : {1u, 99u, 12345u}) {
        Seed(seed);
        std::vector<TLcfgUnitItem*> order;
        BuildTurnOrder(Game, Troop, order);
        ASSERT_EQ(order.size(), 5u);
        // Party in party order, then the monsters: agility + Random(agility / 4 + 3).
        std::vector<TLcfgUnitItem*> listed = {&Member(0), &Member(1), Troop.At(0), Troop.At(1),
                                              Troop.At(2)};
        for (auto* u : listed)
            EXPECT_EQ(u->Initiative, u->Agility() + Shadow.Next(u->Agility() / 4 + 3));
        EXPECT_LE(Troop.At(1)->Initiative, 2);
        for (std::size_t i = 1; i < order.size(); ++i) {
            ASSERT_GE(order[i - 1]->Initiative, order[i]->Initiative);
            if (order[i - 1]->Initiative == order[i]->Initiative) {
                auto pos = [&](TLcfgUnitItem* u) {
                    return std::find(listed.begin(), listed.end(), u) - listed.begin();
                };
                EXPECT_LT(pos(order[i - 1]), pos(order[i]));
            }
        }
    }
}

TEST_F(Troops, EscapeChanceRoundsHalvesToEven) {
    SetAgility(Member(0), 8);
    SetAgility(Member(1), 8);
    auto withMonsterAgility = [&](std::int32_t agility) {
        DataBase.Monsters.Get(KSlime).Parameters[5] = agility;
        MakeTroop({KSlime, KSlime});
        return EscapeChance(Game, Troop);
    };
    // 100 x 5 / 8 = 62.5 -> 62 (even), 150 - 62 = 88; rounding half up would give 87.
    EXPECT_EQ(withMonsterAgility(5), 88);
    // 100 x 7 / 8 = 87.5 -> 88, 150 - 88 = 62.
    EXPECT_EQ(withMonsterAgility(7), 62);
    EXPECT_EQ(withMonsterAgility(8), 50);
    EXPECT_EQ(withMonsterAgility(4), 100); // 150 - 50, capped
    EXPECT_EQ(withMonsterAgility(16), 0);  // 150 - 200, floored
    // An average of 0 counts as 1: empty party against agility 8 gives 150 - 800.
    Game.PartyInfo.Members.clear();
    EXPECT_EQ(PartyAverageAgility(Game), 1);
    EXPECT_EQ(withMonsterAgility(8), 0);
}

TEST_F(Troops, RewardsCountPresentMonstersAndDropChanceZeroStillWinsSometimes) {
    auto& slime = DataBase.Monsters.Get(KSlime);
    slime.DropItem = KPotion;
    slime.DropChance = 0;
    MakeTroop({KSlime, KSlime, KSlime});
    DataBase.Troops.Get(1).Members.Get(3).Hidden = true;
    Troop.SetupTroop(1, false);
    int wins = 0;
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        Seed(seed);
        auto rewards = CollectRewards(Game, Troop);
        EXPECT_EQ(rewards.Experience, 14);
        EXPECT_EQ(rewards.Gold, 22);
        std::size_t expected = 0;
        for (int m = 0; m < 2; ++m)
            if (0 >= Shadow.Next(100)) ++expected;
        ASSERT_EQ(rewards.Items.size(), expected);
        wins += static_cast<int>(expected);
    }
    EXPECT_GT(wins, 0);
    EXPECT_LT(wins, 30);
}

TEST_F(Troops, TransformLowersHPAndRaisesMP) {
    MakeTroop({KSlime});
    auto& m = *Troop.At(0);
    m.MP = 5;
    m.Action.Kind = TLcfgUnitActItem::KTransform;
    m.Action.TransformTo = KGolem;
    Runner.Execute(m);
    EXPECT_EQ(m.MonsterId, KGolem);
    EXPECT_EQ(m.GetName(), "Golem");
    EXPECT_EQ(m.HP, 40); // min(100, 40)
    EXPECT_EQ(m.MP, 50); // raised to the new max MP
    EXPECT_EQ(Stage.Lines[0], "Slime changes");
    // Into a monster the database lacks: nothing changes.
    m.Action.Kind = TLcfgUnitActItem::KTransform;
    m.Action.TransformTo = 77;
    Runner.Execute(m);
    EXPECT_EQ(m.MonsterId, KGolem);
}

TEST_F(Troops, SelfDestructLeavesEvenWhenEveryTargetSurvives) {
    DataBase.Monsters.Get(KBat).Parameters[2] = 1;
    MakeTroop({KBat, KSlime});
    auto& bat = *Troop.At(0);
    bat.Action.Kind = TLcfgUnitActItem::KBasic;
    bat.Action.SubKind = 5;
    bat.Action.TargetKind = 2;
    Runner.Execute(bat);
    EXPECT_FALSE(bat.Present);
    EXPECT_FALSE(bat.IsAlive());
    EXPECT_TRUE(Member(0).IsAlive());
    EXPECT_TRUE(Member(1).IsAlive());
    EXPECT_EQ(Troop.AliveCount(), 1);
    EXPECT_EQ(Stage.Shown.front(), "Bat explodes");
}

TEST_F(Troops, FirstStrikeTurnAndRefusedActionsDoNothingSilently) {
    MakeTroop({KSlime});
    auto& slime = *Troop.At(0);
    slime.Action.Kind = TLcfgUnitActItem::KBasic;
    slime.Action.TargetKind = 1;
    slime.Action.TargetIndex = 0;
    Stage.FirstStrike = true;
    const auto seed = Random.Seed;
    Runner.Execute(slime);
    EXPECT_TRUE(Stage.Shown.empty());
    EXPECT_EQ(Random.Seed, seed);
    Stage.FirstStrike = false;
    slime.Action.TargetIndex = 9; // beyond the party
    Runner.Execute(slime);
    EXPECT_TRUE(Stage.Shown.empty());
    auto& alex = Member(0);
    alex.Action.Kind = TLcfgUnitActItem::KItem;
    alex.Action.ItemId = KPotion; // none in the inventory
    Runner.Execute(alex);
    EXPECT_TRUE(Stage.Shown.empty());
}

TEST_F(Troops, StatesHurtEachTurnButNeverKillAndEndWithTheirMessage) {
    auto& poison = DataBase.States.Get(KPoison);
    poison.HpTurn = 30;
    poison.MessageTurn = " is poisoned";
    poison.MessageEnded = " recovers";
    MakeTroop({KBat});
    auto& bat = *Troop.At(0);
    bat.AddState(KPoison);
    bat.HP = 50;
    Runner.TurnStates(bat);
    EXPECT_EQ(bat.HP, 20);
    EXPECT_EQ(bat.HasState(KPoison), 2);
    EXPECT_EQ(Stage.Lines[0], "Bat is poisoned");
    Runner.TurnStates(bat);
    EXPECT_EQ(bat.HP, 1); // damage from a state leaves 1 HP
    poison.TurnRecovery = 100;
    Runner.TurnStates(bat);
    EXPECT_EQ(bat.HasState(KPoison), 0);
    EXPECT_EQ(Stage.Lines[0], "Bat recovers");
}

TEST_F(Troops, EmptyAndUnknownTroopsAndAllDeadGroups) {
    Troop.SetupTroop(42, false);
    EXPECT_EQ(Troop.Size(), 0);
    EXPECT_EQ(Troop.AliveCount(), 0);
    EXPECT_EQ(Troop.AverageAgility(), 1);
    EXPECT_EQ(Troop.FirstAlive(), -1);
    Troop.ChooseActions();
    std::vector<TLcfgUnitItem*> order;
    BuildTurnOrder(Game, Troop, order);
    EXPECT_EQ(order.size(), 2u);
    EXPECT_TRUE(CollectRewards(Game, Troop).Items.empty());
    // The party attacks nobody: retargeting finds no monster and the attack does nothing.
    auto& alex = Member(0);
    alex.Action.Kind = TLcfgUnitActItem::KBasic;
    alex.Action.TargetKind = 3;
    Runner.Execute(alex);
    EXPECT_TRUE(Stage.Shown.empty());

    MakeTroop({KSlime, KBat});
    for (std::int32_t p = 0; p < 2; ++p) Troop.At(p)->AddState(KDeathState);
    Troop.ChooseActions();
    EXPECT_EQ(Troop.At(0)->Action.Kind, TLcfgUnitActItem::KNone);
    alex.ChooseAutoAction();
    Runner.Execute(alex);
    EXPECT_EQ(Troop.AliveCount(), 0);
}

TEST_F(Troops, HostileTroopDataNeitherCrashesNorHangs) {
    auto& huge = DataBase.Monsters.Obtain(9);
    huge.Name = "Huge";
    huge.Parameters = {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX};
    huge.Experience = INT32_MAX;
    huge.Gold = INT32_MAX;
    huge.CriticalHits = true;
    huge.CriticalChance = 0; // no division by zero: no critical hits
    auto& negative = DataBase.Monsters.Obtain(10);
    negative.Parameters = {-5, -5, INT32_MIN, INT32_MIN, -1, INT32_MIN};
    negative.Experience = INT32_MIN;
    MakeTroop({99, KHollow, 9, 10, 9, 9, 9, 9});
    ASSERT_EQ(Troop.Size(), 8);
    EXPECT_FALSE(Troop.At(0)->Present); // missing monster 99
    EXPECT_EQ(Troop.At(0)->GetName(), "");
    EXPECT_FALSE(Troop.At(1)->IsAlive()); // max HP 0
    EXPECT_FALSE(Troop.At(3)->IsAlive()); // max HP below 0
    EXPECT_EQ(Troop.At(2)->HP, INT32_MAX);
    EXPECT_EQ(Troop.At(2)->Attack(), 9999);
    EXPECT_DOUBLE_EQ(Troop.At(2)->CriticalChance(), 0.0);
    EXPECT_GE(Troop.AverageAgility(), 1);
    EXPECT_EQ(EscapeChance(Game, Troop), 0);
    auto rewards = CollectRewards(Game, Troop);
    EXPECT_EQ(rewards.Experience, KMaxRewardSum);
    EXPECT_EQ(rewards.Gold, KMaxRewardSum);

    for (int turn = 0; turn < 5; ++turn) {
        Game.PartyInfo.Turns = turn + 1;
        Troop.ChooseActions();
        std::vector<TLcfgUnitItem*> order;
        BuildTurnOrder(Game, Troop, order);
        for (auto* u : order) Runner.Execute(*u);
    }
    // Every hit of a 9999-attack monster is dealt as at most 999.
    for (const auto& line : Stage.Shown)
        EXPECT_EQ(line.find("\x01"
                            "1000"),
                  std::string::npos)
            << line;
}

TEST_F(Troops, DefeatNeedsEveryMemberHeldWithoutRecovery) {
    EXPECT_FALSE(PartyDefeated(Game));
    Member(0).AddState(KDeathState);
    EXPECT_FALSE(PartyDefeated(Game));
    Member(1).AddState(KDazed); // cannot act, no recovery chance
    EXPECT_TRUE(PartyDefeated(Game));
    DataBase.States.Get(KDazed).TurnRecovery = 10; // may wake up: not lost yet
    EXPECT_FALSE(PartyDefeated(Game));
    Game.PartyInfo.Members.clear();
    EXPECT_TRUE(PartyDefeated(Game));
}
