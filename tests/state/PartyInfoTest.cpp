#include "state/LGD_PartyInfo.h"

#include <gtest/gtest.h>

#include "GameFixture.h"
#include "state/LGD_Party.h"

using namespace kestra;
using namespace kestra::test;

namespace {

struct Party : ::testing::Test, TGameFixture {
    Party() : State(Env()) { State.Reset(); }
    TLcfgGameState State;
    TLcfgPartyInfo& Info = State.PartyInfo;
};

} // namespace

TEST_F(Party, NewGameTakesTheStartingPartyOfActorsThatExist) {
    DataBase.System.Party = {2, 9, 1, 2};
    State.Reset();
    EXPECT_EQ(Info.Members, (std::vector<std::uint16_t>{2, 1}));
    EXPECT_EQ(Info.Member(0)->GetName(), "Bea");
    EXPECT_EQ(Info.Member(2), nullptr);
}

TEST_F(Party, MembersAreAtMostFourAndNeverTwice) {
    for (std::int32_t id = 1; id <= 5; ++id) Info.AddMember(id);
    EXPECT_EQ(Info.Members, (std::vector<std::uint16_t>{1, 2, 3, 4}));
    Info.RemoveMember(2);
    EXPECT_EQ(Info.Members, (std::vector<std::uint16_t>{1, 3, 4}));
    Info.AddMember(1);
    EXPECT_EQ(Info.MemberCount(), 3);
}

TEST_F(Party, ItemAmountsStopAt99AndEmptyEntriesGo) {
    Info.GainItem(KPotion, 60);
    Info.GainItem(KPotion, 50);
    EXPECT_EQ(Info.ItemAmount(KPotion), 99);
    Info.GainItem(KShield, INT64_MAX);
    EXPECT_EQ(Info.ItemAmount(KShield), 99);
    Info.GainItem(KSword, 3);
    EXPECT_EQ(Info.ItemIdAt(0), KSword); // ascending IDs
    EXPECT_EQ(Info.ItemIdAt(1), KShield);
    Info.LoseItem(KSword, 5);
    EXPECT_EQ(Info.ItemAmount(KSword), 0);
    EXPECT_EQ(Info.ItemCount(), 2);
    Info.GainItem(0, 5);
    Info.GainItem(KMail, -1);
    EXPECT_EQ(Info.ItemCount(), 2);
}

TEST_F(Party, AnItemWithThreeUsesLosesOnePieceEveryThirdUse) {
    Info.GainItem(KPotion, 2);
    Info.UseItem(KPotion);
    Info.UseItem(KPotion);
    EXPECT_EQ(Info.ItemAmount(KPotion), 2);
    Info.UseItem(KPotion);
    EXPECT_EQ(Info.ItemAmount(KPotion), 1);
    Info.UseItem(KPotion);
    EXPECT_EQ(Info.ItemAmount(KPotion), 1);
    EXPECT_EQ(Info.ItemUses[0], 1);
}

TEST_F(Party, EquippedItemsCountTowardsHolding) {
    EXPECT_EQ(Info.Equipped(KSword), 1); // Alex starts with it
    EXPECT_TRUE(Info.Holds(KSword));
    EXPECT_FALSE(Info.Holds(KGreatSword));
}

TEST_F(Party, GoldAndTimerStayInTheirRanges) {
    Info.GainGold(INT64_MAX / 2);
    EXPECT_EQ(Info.Gold, KMaxGold);
    Info.LoseGold(INT64_MAX / 2);
    EXPECT_EQ(Info.Gold, 0);
    Info.GainGold(-5);
    EXPECT_EQ(Info.Gold, 0);

    Info.SetTimer(0);
    EXPECT_EQ(Info.Timer, 59);
    Info.SetTimer(10000);
    EXPECT_EQ(Info.Timer, KMaxTimerFrames);
    Info.SetTimer(INT64_MAX);
    EXPECT_EQ(Info.Timer, KMaxTimerFrames);
    Info.SetTimer(-3);
    EXPECT_EQ(Info.Timer, 0);

    Info.SetTimer(1); // 119 frames
    Info.StartTimer(true, false);
    int refreshes = 0, frames = 0;
    while (Info.TimerRunning && frames < 1000) {
        refreshes += Info.TickTimer() ? 1 : 0;
        ++frames;
    }
    EXPECT_EQ(frames, 60); // stops when the whole seconds reach 0
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(Info.TimerShown);
}

TEST_F(Party, TurnTestAndCounters) {
    for (std::int32_t turn = 0; turn <= 9; ++turn) {
        Info.Turns = turn;
        EXPECT_EQ(Info.TurnTest(3, 2), turn == 2 || turn == 5 || turn == 8) << turn;
        EXPECT_EQ(Info.TurnTest(0, 2), turn == 2) << turn;
    }
    Info.Turns = INT32_MAX;
    TLcfgPartyInfo::Increment(Info.Turns);
    EXPECT_EQ(Info.Turns, INT32_MAX);
    EXPECT_TRUE(Info.TurnTest(-1, INT32_MIN)); // computed without overflow
}

TEST_F(Party, AverageLevelAndFatigueAreDefinedForAnEmptyParty) {
    Info.Members.clear();
    EXPECT_EQ(Info.AverageLevel(), 1);
    EXPECT_EQ(Info.Fatigue(), 0);
    Info.AddMember(1);
    Info.AddMember(2);
    EXPECT_EQ(Info.AverageLevel(), 3); // levels 1 and 5
    EXPECT_EQ(Info.Fatigue(), 0);
    auto& alex = *Info.Member(0);
    alex.HP = alex.MaxHP() / 2;
    EXPECT_GT(Info.Fatigue(), 0);
    EXPECT_LT(Info.Fatigue(), 100);
}

TEST_F(Party, TerrainDamageWoundsWithoutKillingAndNegativeHeals) {
    DataBase.Terrain.Obtain(1).Damage = 100000;
    auto& alex = *Info.Member(0);
    EXPECT_TRUE(TerrainDamage(State, 1));
    EXPECT_EQ(alex.HP, 1);
    DataBase.Terrain.Obtain(1).Damage = -5;
    EXPECT_FALSE(TerrainDamage(State, 1));
    EXPECT_EQ(alex.HP, 6);
}

TEST_F(Party, TeleportRemovalKeepsDestinationsUnderTheirMaps) {
    auto& tp = State.Teleport;
    EXPECT_EQ(tp.Count(), 1u);
    tp.AddDestination(4, 1, 1, false, 0);
    tp.AddDestination(7, 2, 2, true, 12);
    tp.AddDestination(9, 3, 3, false, 0);
    tp.RemoveDestination(4);
    tp.AddDestination(9, 8, 8, false, 0); // replaces, does not add
    tp.AddDestination(4, 5, 5, false, 0);
    ASSERT_EQ(tp.Count(), 4u);
    for (std::int32_t map : {4, 7, 9}) {
        ASSERT_NE(tp.FindByMap(map), nullptr);
        EXPECT_EQ(tp.FindByMap(map)->Id, map);
    }
    EXPECT_EQ(tp.FindByMap(9)->X, 8);
    EXPECT_EQ(tp.FindByMap(7)->SwitchId, 12);
    tp.RemoveDestination(0); // the escape destination is not a teleport destination
    EXPECT_NE(tp.Find(0), nullptr);

    // Destinations in areas lead to the area's parent map.
    auto& area = MapTree.Obtain(9);
    area.Kind = TVezMapTreeItem::KKindArea;
    area.Parent = 2;
    auto place = TLcfgTeleport::Target(*tp.FindByMap(9), MapTree);
    EXPECT_EQ(place.MapId, 2);
    EXPECT_EQ(place.X, 8);
    EXPECT_EQ(TLcfgTeleport::Target(*tp.FindByMap(7), MapTree).MapId, 7);
}

TEST_F(Party, TheEscapeDestinationIsRecreatedWhenAFileLacksIt) {
    TLcfgTeleport tp;
    const std::vector<std::uint8_t> none = {0};
    TByteReader r(none, "teleport");
    tp.LoadFromStream(r);
    EXPECT_EQ(tp.Count(), 1u);
    EXPECT_EQ(tp.Escape().MapId, 0);
}
