// The item and skill windows read the party from the real game's state.
#include "WindowTestHost.h"
#include "data/DataBase.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

// Items of the test game: 1 Potion ("Restores a little HP."), 3 Bronze Sword.
constexpr std::int32_t KPotion = 1, KSword = 3;

struct PartyWindows : ::testing::Test {
    PartyWindows() {
        TVezDataBase& db = Host.game.Session->DataBase;
        db.Skills.Get(1).MpCost = 7;
        db.Vocabulary.Term(0x5F) = "G";
        State.PartyInfo.LoseItem(KPotion, 99);
        State.PartyInfo.LoseItem(KSword, 99);
        State.PartyInfo.Gold = 0;
    }
    TTestWindowHost Host{true};
    TLcfgGameState& State = Host.State();
};

TEST_F(PartyWindows, InventoryAndGoldComeFromTheState) {
    State.PartyInfo.GainItem(KSword, 1);
    State.PartyInfo.GainItem(KPotion, 3);
    State.PartyInfo.GainGold(250);
    TVezGoldWindow gold(Host);
    gold.Setup(0, 0, 88, 32, false);
    gold.Refresh();
    TVezItemWindow list(Host);
    list.SetupForActor(0);
    ASSERT_EQ(list.ItemCount, 2);
    ASSERT_EQ(State.PartyInfo.ItemCount(), 2);
    EXPECT_EQ(list.SelectedItem(), KPotion); // ascending IDs
    EXPECT_EQ(list.Help.Text(), "Restores\x01"
                                "a\x01"
                                "little\x01HP.");
    Host.keys = 0x004;
    list.Update();
    Host.keys = 0;
    EXPECT_EQ(list.SelectedItem(), KSword);
    EXPECT_EQ(list.Help.Text(), "A\x01trusty\x01"
                                "blade.");
    // The last entry used up: the cursor is past the inventory and nothing is selected.
    State.PartyInfo.LoseItem(KSword, 1);
    EXPECT_EQ(list.SelectedItem(), 0);
}

TEST_F(PartyWindows, SkillsAndTheStatusLineComeFromTheActor) {
    TLcfgPlayerItem& rowan = State.Actors.Get(1);
    rowan.Skills = {5, 1};
    Host.scene = KSceneMenu;
    TVezSkillWindow list(Host);
    list.SetupForActor(1);
    EXPECT_EQ(list.ItemCount, 2);
    EXPECT_EQ(list.SelectedSkill(), 5);
    EXPECT_TRUE(list.Status.IsPresent());
    EXPECT_EQ(list.Help.Text(), "A\x01mighty\x01"
                                "blow.");
    // No such actor: no skills, the labels only.
    list.SetupForActor(77);
    EXPECT_EQ(list.ItemCount, 0);
    EXPECT_EQ(list.SelectedSkill(), 0);
}

} // namespace
