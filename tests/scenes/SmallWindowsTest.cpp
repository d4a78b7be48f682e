#include "WindowTestHost.h"
#include "data/DataBase.h"
#include "scenes/GameWindows.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

// Items 1 (medicine, not in battle), 2 (a switch item for battles only) and 3 (no
// description) named "ItemN", described "About item N"; skills 3, 4 and 9 named
// "SkillN" costing 3 x N, where skill 3 cannot be used from the menu; actor 1 wears
// armour that halves MP costs when `halfCost`.
void SetUpParty(TTestWindowHost& host, bool halfCost) {
    TVezDataBase& db = host.game.Session->DataBase;
    db.Vocabulary.Term(0x5F) = "GP";
    for (std::int32_t id = 1; id <= 3; ++id) {
        auto& item = db.Items.Obtain(id);
        item.Name = "Item" + std::to_string(id);
        item.Description = id == 3 ? "" : "About item " + std::to_string(id);
    }
    db.Items.Get(1).Kind = 6;
    db.Items.Get(1).NotInBattle = true;
    db.Items.Get(2).Kind = 10;
    db.Items.Get(2).BattleUse = true;
    db.Items.Get(2).FieldUse = false;
    db.Items.Get(3).Kind = 6;
    for (std::int32_t id : {3, 4, 9}) {
        auto& skill = db.Skills.Obtain(id);
        skill.Name = "Skill" + std::to_string(id);
        skill.Description = "Does " + std::to_string(id);
        skill.MpCost = id * 3;
        skill.SkillKind = 3;
        skill.FieldUse = id != 3;
    }
    auto& charm = db.Items.Obtain(20);
    charm.Kind = 3;
    charm.Flags[6] = halfCost;
    TLcfgPlayerItem& alex = host.State().Actors.Get(1);
    alex.Equipment[2] = 20;
    alex.Skills = {4, 3, 9};
    alex.MP = 99;
    host.State().PartyInfo.Gold = 1234;
}

void GiveItems(TTestWindowHost& host, std::vector<std::pair<std::int32_t, std::int32_t>> items) {
    TLcfgPartyInfo& party = host.State().PartyInfo;
    for (std::int32_t id = 1; id <= 3; ++id) party.LoseItem(id, 99);
    for (auto [id, count] : items) party.GainItem(id, count);
}

struct TTextCall {
    int X, Y, Color;
    std::string Text;
    bool operator==(const TTextCall&) const = default;
};

// The windows under test with their text drawing recorded.
template <class Base>
class Recording : public Base {
public:
    using Base::Base;
    void DrawText(int x, int y, bool copyNow, int color, std::string_view text) override {
        calls.push_back({x, y, color, std::string(text)});
        Base::DrawText(x, y, copyNow, color, text);
    }
    std::vector<TTextCall> calls;
};

class SmallWindowsTest : public ::testing::Test {
protected:
    TTestWindowHost host;
};

TEST_F(SmallWindowsTest, GoldAppearsWhenTheOpeningEnds) {
    SetUpParty(host, false);
    Recording<TVezGoldWindow> gold(host);
    gold.Setup(232, 0, 88, 32, true);
    gold.Refresh();
    EXPECT_TRUE(gold.calls.empty());
    for (int k = 0; k < 6; ++k) gold.Update();
    EXPECT_TRUE(gold.calls.empty());
    gold.Update();
    ASSERT_TRUE(gold.IsOpen());
    EXPECT_EQ(gold.calls,
              (std::vector<TTextCall>{{88 - 12 - 44, 8, 0, "  1234"}, {88 - 12 - 8, 8, 1, "GP"}}));
}

TEST_F(SmallWindowsTest, HelpTextUsesHalfSpacesOutsideDoubleByteCharacters) {
    TVezHelpWindow help(host);
    help.Setup(0, 0, 320, 32, false);
    help.SetText("a b  c");
    EXPECT_EQ(help.Text(), "a\x01"
                           "b\x01\x01"
                           "c");
    // 0x20 as the second byte of a double-byte character stays.
    help.SetText("\x81\x20 x");
    EXPECT_EQ(help.Text(), "\x81\x20\x01x");
    help.Hide();
    EXPECT_EQ(help.Text(), "");
}

TEST_F(SmallWindowsTest, ItemListLayoutColoursAndHelp) {
    SetUpParty(host, false);
    GiveItems(host, {{1, 5}, {2, 12}, {3, 1}});
    Recording<TVezItemWindow> list(host);
    host.scene = KSceneMenu;
    list.SetupForActor(0);
    EXPECT_EQ(list.Y, 32);
    EXPECT_EQ(list.Height, 208);
    EXPECT_EQ(list.Columns, 2);
    EXPECT_EQ(list.ItemCount, 3);
    EXPECT_TRUE(list.CursorActive);
    EXPECT_EQ(list.Help.Y, 0);
    EXPECT_EQ(list.Help.Text(), "About\x01item\x01"
                                "1");
    // Party usability in the menu: the medicine (colour 0), not the battle item (3).
    EXPECT_EQ(list.calls[0], (TTextCall{8, 8, 0, "Item1"}));
    EXPECT_EQ(list.calls[1], (TTextCall{128, 8, 0, ":  5"}));
    EXPECT_EQ(list.calls[2], (TTextCall{168, 8, 3, "Item2"}));
    EXPECT_EQ(list.calls[3], (TTextCall{288, 8, 3, ": 12"}));

    host.keys = 0x004;
    list.Update();
    EXPECT_EQ(list.SelectedItem(), 2);
    EXPECT_EQ(list.Help.Text(), "About\x01item\x01"
                                "2");
    list.Update();
    EXPECT_EQ(list.CursorIndex, 2);
    EXPECT_EQ(list.Help.Text(), ""); // item 3 has no description

    // With an actor, the actor's test decides (in battle the battle item, not the
    // medicine); outside the menu the list is low.
    host.scene = KSceneBattle;
    list.calls.clear();
    list.SetupForActor(1);
    EXPECT_EQ(list.Y, 160);
    EXPECT_EQ(list.Height, 80);
    EXPECT_EQ(list.calls[0].Color, 3);
    EXPECT_EQ(list.calls[2].Color, 0);

    GiveItems(host, {});
    list.SetupForActor(0);
    EXPECT_EQ(list.ItemCount, 0);
    EXPECT_EQ(list.SelectedItem(), 0);
    for (int k = 0; k < 5; ++k) list.Update();
    EXPECT_EQ(list.Help.Text(), "");
    list.Hide();
    EXPECT_FALSE(list.Help.IsPresent());
}

TEST_F(SmallWindowsTest, SkillListCostsStatusLineAndSelection) {
    SetUpParty(host, true);
    Recording<TVezSkillWindow> list(host);
    host.scene = KSceneMenu;
    list.SetupForActor(1);
    EXPECT_EQ(list.Y, 64);
    EXPECT_EQ(list.Height, 176);
    EXPECT_TRUE(list.Status.IsPresent());
    // Costs 12, 9, 27 halved upward: 6, 5, 14; skill 3 cannot be used.
    EXPECT_EQ(list.calls[1], (TTextCall{128, 8, 0, "-  6"}));
    EXPECT_EQ(list.calls[2], (TTextCall{168, 8, 3, "Skill3"}));
    EXPECT_EQ(list.calls[3], (TTextCall{288, 8, 3, "-  5"}));
    EXPECT_EQ(list.calls[5], (TTextCall{128, 24, 0, "- 14"}));
    EXPECT_EQ(list.Help.Text(), "Does\x01"
                                "4");

    list.SelectSkill(9);
    EXPECT_EQ(list.CursorIndex, 2);
    EXPECT_EQ(list.SelectedSkill(), 9);
    list.SelectSkill(77); // absent: no change
    EXPECT_EQ(list.CursorIndex, 2);
    list.Update();
    EXPECT_EQ(list.Help.Text(), "Does\x01"
                                "9");

    host.scene = KSceneBattle;
    list.SetupForActor(1);
    EXPECT_EQ(list.Y, 160);
    EXPECT_FALSE(list.Status.IsPresent());
    list.Hide();
    EXPECT_FALSE(list.IsPresent());
    EXPECT_FALSE(list.Help.IsPresent());
}

} // namespace
