// The item and skill windows read the party from the real game's state.
#include "WindowTestHost.h"
#include "data/DataBase.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

// The windows under test with their text drawing recorded.
template <class Base>
class Recording : public Base {
public:
    using Base::Base;
    void DrawText(int x, int y, bool copyNow, int color, std::string_view text) override {
        texts.emplace_back(text);
        Base::DrawText(x, y, copyNow, color, text);
    }
    bool Drew(const std::string& text) const {
        return std::find(texts.begin(), texts.end(), text) != texts.end();
    }
    std::vector<std::string> texts;
};

// The pixels of a rectangle of a window's picture.
std::vector<std::uint8_t> Pixels(const TKandelSheet& sheet, TRect r) {
    std::vector<std::uint8_t> out;
    for (int y = r.Top; y < r.Bottom; ++y)
        out.insert(out.end(), sheet.ScanLine(y) + r.Left, sheet.ScanLine(y) + r.Right);
    return out;
}

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
    Recording<TVezGoldWindow> gold(Host);
    gold.Setup(0, 0, 88, 32, false);
    gold.Refresh();
    EXPECT_TRUE(gold.Drew("   250"));
    EXPECT_TRUE(gold.Drew("G"));
    Recording<TVezItemWindow> list(Host);
    list.SetupForActor(0);
    ASSERT_EQ(list.ItemCount, 2);
    ASSERT_EQ(State.PartyInfo.ItemCount(), 2);
    EXPECT_EQ(list.SelectedItem(), KPotion); // ascending IDs
    EXPECT_TRUE(list.Drew("Potion"));
    EXPECT_TRUE(list.Drew(":  3"));
    EXPECT_TRUE(list.Drew("Bronze Sword"));
    EXPECT_TRUE(list.Drew(":  1"));
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
    // An item the database does not have is listed without a name.
    State.PartyInfo.GainItem(999, 1);
    list.texts.clear();
    list.SetupForActor(0);
    ASSERT_EQ(list.ItemCount, 2);
    EXPECT_EQ(list.texts, (std::vector<std::string>{"Potion", ":  3", "", ":  1"}));
}

TEST_F(PartyWindows, SkillsAndTheStatusLineComeFromTheActor) {
    TLcfgPlayerItem& rowan = State.Actors.Get(1);
    rowan.Skills = {5, 1};
    Host.scene = KSceneMenu;
    Recording<TVezSkillWindow> list(Host);
    list.SetupForActor(1);
    EXPECT_EQ(list.ItemCount, 2);
    EXPECT_EQ(list.SelectedSkill(), 5);
    EXPECT_TRUE(list.Drew("-  7")); // skill 1's cost
    EXPECT_TRUE(list.Status.IsPresent());
    EXPECT_EQ(list.Help.Text(), "A\x01mighty\x01"
                                "blow.");
    // The status line shows the actor's name, level and maximum HP where a window of the
    // game draws them.
    TVezWindow expected(Host);
    expected.Setup(0, 32, 320, 32, false);
    expected.DrawText(8, 8, true, 0, "Rowan");
    expected.DrawText(100, 8, true, 0,
                      rowan.Level < 10 ? " " + std::to_string(rowan.Level)
                                       : std::to_string(rowan.Level));
    char maxHp[16];
    std::snprintf(maxHp, sizeof maxHp, "/%3d", static_cast<int>(rowan.MaxHP()));
    expected.DrawText(222, 8, true, 0, maxHp);
    const TKandelSheet& status = list.Status.WindowImage;
    for (const TRect r : {TRect{8, 8, 80, 20}, TRect{100, 8, 112, 20}, TRect{222, 8, 258, 20}})
        EXPECT_EQ(Pixels(status, r), Pixels(expected.WindowImage, r)) << r.Left;
    // No such actor: no skills, the labels only.
    list.SetupForActor(77);
    EXPECT_EQ(list.ItemCount, 0);
    EXPECT_EQ(list.SelectedSkill(), 0);
}

} // namespace
