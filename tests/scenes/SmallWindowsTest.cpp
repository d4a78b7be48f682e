#include "WindowTestHost.h"
#include "scenes/GameWindows.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

class FakeParty : public IVezPartyView {
public:
    std::int32_t Gold() override { return gold; }
    std::string Term(int chunk) override {
        switch (chunk) {
        case 0x5F:
            return "GP";
        case 0x80:
            return "L";
        case 0x81:
            return "H";
        case 0x82:
            return "M";
        default:
            return "";
        }
    }
    int InventorySize() override { return static_cast<int>(items.size()); }
    TVezInventoryEntry InventoryEntry(int index) override {
        return index >= 0 && index < InventorySize() ? items[static_cast<std::size_t>(index)]
                                                     : TVezInventoryEntry{};
    }
    std::string ItemName(std::int32_t id) override { return "Item" + std::to_string(id); }
    std::string ItemDescription(std::int32_t id) override {
        return "About item " + std::to_string(id);
    }
    bool PartyCanUseItem(std::int32_t id) override { return id % 2 == 1; }
    bool ActorCanUseItem(std::int32_t actor, std::int32_t id) override {
        return actor == 1 && id == 2;
    }
    TVezActorLine ActorLine(std::int32_t) override {
        TVezActorLine a;
        a.Name = "Alex";
        a.Level = 7;
        a.StateText = "Normal";
        a.Hp = 45, a.MaxHp = 60, a.HpColor = 0, a.Mp = 3, a.MaxMp = 20, a.MpColor = 4;
        return a;
    }
    std::vector<std::int32_t> ActorSkills(std::int32_t) override { return skills; }
    bool ActorHalvesMpCost(std::int32_t) override { return halfCost; }
    bool ActorCanUseSkill(std::int32_t, std::int32_t skill) override { return skill != 3; }
    std::string SkillName(std::int32_t id) override { return "Skill" + std::to_string(id); }
    std::string SkillDescription(std::int32_t id) override { return "Does " + std::to_string(id); }
    std::int32_t SkillMpCost(std::int32_t id) override { return id * 3; }

    std::int32_t gold = 1234;
    std::vector<TVezInventoryEntry> items;
    std::vector<std::int32_t> skills;
    bool halfCost = false;
};

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
    FakeParty party;
};

TEST_F(SmallWindowsTest, GoldAppearsWhenTheOpeningEnds) {
    Recording<TVezGoldWindow> gold(host, party);
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
    party.items = {{1, 5}, {2, 12}, {0, 1}};
    Recording<TVezItemWindow> list(host, party);
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
    // Party usability: odd IDs are usable (colour 0), even ones not (colour 3).
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
    EXPECT_EQ(list.Help.Text(), ""); // an entry of item 0 has no description

    // With an actor, the actor's test decides; outside the menu the list is low.
    host.scene = KSceneBattle;
    list.calls.clear();
    list.SetupForActor(1);
    EXPECT_EQ(list.Y, 160);
    EXPECT_EQ(list.Height, 80);
    EXPECT_EQ(list.calls[0].Color, 3);
    EXPECT_EQ(list.calls[2].Color, 0);

    party.items.clear();
    list.SetupForActor(0);
    EXPECT_EQ(list.ItemCount, 0);
    EXPECT_EQ(list.SelectedItem(), 0);
    for (int k = 0; k < 5; ++k) list.Update();
    EXPECT_EQ(list.Help.Text(), "");
    list.Hide();
    EXPECT_FALSE(list.Help.IsPresent());
}

TEST_F(SmallWindowsTest, SkillListCostsStatusLineAndSelection) {
    party.skills = {4, 3, 9};
    party.halfCost = true;
    Recording<TVezSkillWindow> list(host, party);
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
