// The item and skill windows over a real game state.
#include "scenes/WindowPartyView.h"
#include "../state/GameFixture.h"
#include "WindowTestHost.h"
#include "state/LGD_GameState.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

struct PartyWindows : ::testing::Test, kestra::test::TGameFixture {
    PartyWindows() : State(Env()), View(State) {
        DataBase.Items.Get(kestra::test::KPotion).Description = "Heals a little";
        DataBase.Skills.Get(1).MpCost = 7;
        DataBase.Skills.Get(1).Description = "Heals";
        DataBase.Vocabulary.Term(0x5F) = "G";
        State.Reset();
    }
    TLcfgGameState State;
    TLcfgWindowPartyView View;
    kestra::testing::TTestWindowHost Host;
};

TEST_F(PartyWindows, InventoryAndGoldComeFromTheState) {
    State.PartyInfo.GainItem(kestra::test::KPotion, 3);
    State.PartyInfo.GainItem(kestra::test::KSword, 1);
    State.PartyInfo.GainGold(250);
    EXPECT_EQ(View.Gold(), 250);
    EXPECT_EQ(View.Term(0x5F), "G");
    ASSERT_EQ(View.InventorySize(), 2);
    EXPECT_EQ(View.InventoryEntry(0).ItemId, kestra::test::KSword); // ascending IDs
    EXPECT_EQ(View.InventoryEntry(1).Count, 3);
    EXPECT_EQ(View.ItemName(kestra::test::KSword), "Sword");
    EXPECT_EQ(View.ItemName(999), "");

    TVezItemWindow list(Host, View);
    list.SetupForActor(0);
    EXPECT_EQ(list.ItemCount, 2);
    EXPECT_EQ(list.SelectedItem(), kestra::test::KSword);
    Host.keys = 0x004;
    list.Update();
    EXPECT_EQ(list.SelectedItem(), kestra::test::KPotion);
    EXPECT_EQ(list.Help.Text(), "Heals\x01"
                                "a\x01"
                                "little");
}

TEST_F(PartyWindows, SkillsAndTheStatusLineComeFromTheActor) {
    TLcfgPlayerItem& alex = State.Actors.Get(1);
    ASSERT_FALSE(alex.Skills.empty());
    const std::int32_t first = alex.Skills.front();
    EXPECT_EQ(View.ActorSkills(1).front(), first);
    EXPECT_EQ(View.SkillMpCost(1), 7);
    const TVezActorLine line = View.ActorLine(1);
    EXPECT_EQ(line.Name, "Alex");
    EXPECT_EQ(line.Level, alex.Level);
    EXPECT_EQ(line.MaxHp, alex.MaxHP());
    EXPECT_EQ(View.ActorLine(77).Name, ""); // no such actor
    EXPECT_TRUE(View.ActorSkills(77).empty());

    Host.scene = KSceneMenu;
    TVezSkillWindow list(Host, View);
    list.SetupForActor(1);
    EXPECT_EQ(list.ItemCount, static_cast<std::int32_t>(alex.Skills.size()));
    EXPECT_EQ(list.SelectedSkill(), first);
    EXPECT_TRUE(list.Status.IsPresent());
}

} // namespace
