// The shop, the inn and name input played through the real game over the test game
// "shop": what the player bought, sold and typed is checked in the save file the menu
// writes afterwards; refused purchases and a refused inn stay leave money and items
// alone; the scenes are compared with golden pictures.
//
// The market (map 1): the hero starts at (4, 4). Below him the shopkeeper (buy and sell:
// Sword 30, Plate 500 (Alex only), Herb 1, Token 0, Shield 20), to his right the
// innkeeper (50 a night), to his left the namer (actor 1, empty start), above him the
// coin dealer (fills the purse to the limit, then sells only Coins at -50). An
// auto-start event gives 100 money, 3 Potions and 99 Herbs and hurts everybody by 20.
// Variables 1 (shop), 2 (inn) and 4 (coin shop) receive 1 for a trade or a stay and 2
// otherwise; variable 3 becomes 1 after naming.
#include <gtest/gtest.h>

#include <string>

#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "scenes/LS_Name.h"
#include "scenes/LS_Shop.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

const std::string KNewGame = "0\n60 Decide\n61\n";

// One press of `key` at input update `at`.
std::string Press(int at, const char* key) {
    return std::to_string(at) + " " + key + "\n" + std::to_string(at + 1) + "\n";
}

// The menu's Save command into slot 1, from update `at` on the field.
std::string SaveFromMenu(int at) {
    return Press(at, "Cancel") + Press(at + 60, "Down") + Press(at + 80, "Down") +
           Press(at + 100, "Down") + Press(at + 140, "Decide") + Press(at + 220, "Decide");
}

// To the shopkeeper, buy 2 Swords (100 -> 40), try the Plate (too dear) and the Herb
// (99 held), back to the choice, sell 2 Potions (40 -> 50) and leave.
std::string BuyAndSell() {
    return Press(300, "Down") + Press(320, "Decide") +                         // the shop opens
           Press(380, "Decide") +                                              // Buy
           Press(410, "Decide") +                                              // Sword: how many?
           Press(430, "Right") +                                               // 2
           Press(450, "Decide") +                                              // bought
           Press(500, "Down") + Press(520, "Decide") +                         // Plate: the buzzer
           Press(540, "Down") + Press(560, "Decide") +                         // Herb: the buzzer
           Press(580, "Cancel") +                                              // back to the choice
           Press(600, "Down") + Press(620, "Decide") +                         // Sell
           Press(640, "Right") +                                               // Potion
           Press(660, "Decide") + Press(680, "Right") + Press(700, "Decide") + // 2 sold
           Press(760, "Cancel") + Press(780, "Cancel");                        // leave
}

const TLcfgGameState& State(TGameMain& game) {
    return game.Session->Save->State;
}

TEST(ShopScene, APurchaseAndASaleReachTheSaveAndRefusedWaresCostNothing) {
    test::TTestGame files("shop");
    const std::string script = KNewGame + BuyAndSell() + SaveFromMenu(900);
    TGameMain& game = files.Play(script, 1500);
    const int buzzers = files.Sound().Count("Buzzer");
    ASSERT_TRUE(files.Exists("Save01.lsd"));
    EXPECT_EQ(game.System().Scene, KSceneMenu);

    ASSERT_TRUE(LoadSavedGame(game, 1));
    const TLcfgGameState& saved = State(game);
    EXPECT_EQ(saved.PartyInfo.Gold, 50);
    EXPECT_EQ(saved.PartyInfo.ItemAmount(2), 2);  // Swords bought
    EXPECT_EQ(saved.PartyInfo.ItemAmount(5), 1);  // 2 of 3 Potions sold
    EXPECT_EQ(saved.PartyInfo.ItemAmount(6), 99); // no 100th Herb
    EXPECT_EQ(saved.PartyInfo.ItemAmount(4), 0);  // no Plate
    EXPECT_EQ(saved.System.Variable(1), 1);       // the traded branch ran
    EXPECT_EQ(buzzers, 2);
}

TEST(ShopScene, LeavingWithoutATradeRunsTheOtherBranch) {
    test::TTestGame files("shop");
    TGameMain& game = files.Play(
        KNewGame + Press(300, "Down") + Press(320, "Decide") + Press(380, "Cancel"), 600);
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_EQ(State(game).System.Variable(1), 2);
    EXPECT_EQ(State(game).PartyInfo.Gold, 100);
}

TEST(ShopScene, ANegativePriceNeverPushesMoneyPastTheLimit) {
    test::TTestGame files("shop");
    // The coin dealer fills the purse, then 11 Coins are "bought" at -50 each; the
    // buy-only shop leaves at once on cancel.
    const std::string script = KNewGame + Press(300, "Up") + Press(320, "Decide") +
                               Press(380, "Decide") + Press(400, "Up") + Press(420, "Decide") +
                               Press(480, "Cancel");
    TGameMain& game = files.Play(script, 700);
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_EQ(State(game).PartyInfo.Gold, KMaxGold);
    EXPECT_EQ(State(game).PartyInfo.ItemAmount(8), 11);
    EXPECT_EQ(State(game).System.Variable(4), 1);
}

TEST(ShopScene, QuantitiesAndTotalsFollowThePrice) {
    EXPECT_EQ(ShopBuyMaximum(30, 100, 0), 3);
    EXPECT_EQ(ShopBuyMaximum(30, 100, 98), 1);
    EXPECT_EQ(ShopBuyMaximum(1, 100, 99), 0);
    // A ware costing 0 (or less) can be had up to the cap.
    EXPECT_EQ(ShopBuyMaximum(0, 0, 10), 89);
    EXPECT_EQ(ShopBuyMaximum(-50, 0, 0), 99);
    EXPECT_EQ(ShopTextTerm(0, KShopGreeting), 0x29);
    EXPECT_EQ(ShopTextTerm(2, KShopSold), 0x4D);
    EXPECT_EQ(ShopTextTerm(3, KShopGreeting), 0);
}

TEST(ShopScene, TheBuyListWithThePartyPanelMatchesItsGolden) {
    test::TTestGame files("shop");
    // The cursor on the Plate: Alex may wear it (and would be stronger), Bea may not.
    const std::string script = KNewGame + Press(300, "Down") + Press(320, "Decide") +
                               Press(380, "Decide") + Press(410, "Down");
    TGameMain& game = files.Play(script, 640);
    ASSERT_EQ(game.System().Scene, KSceneShop);
    EXPECT_EQ(game.Shop->Screen, TVezShopScene::KScreenBuyList);
    EXPECT_EQ(game.Shop->BuyList.Selected(), 4);
    TLcfgPlayerItem* alex = game.Session->Save->State.PartyInfo.Member(0);
    TLcfgPlayerItem* bea = game.Session->Save->State.PartyInfo.Member(1);
    const TVezItemItem& plate = game.Session->DataBase.Items.Get(4);
    const TVezItemItem& sword = game.Session->DataBase.Items.Get(2);
    ASSERT_NE(alex, nullptr);
    ASSERT_NE(bea, nullptr);
    EXPECT_EQ(game.Shop->EquipMarker(*alex, plate), 0);
    EXPECT_EQ(game.Shop->EquipMarker(*bea, plate), -1);
    // A second hand: Bea (two weapons) would hold the Sword in either.
    EXPECT_EQ(game.Shop->EquipMarker(*bea, sword), 0);
    // The preview leaves the equipment as it was.
    EXPECT_EQ(alex->Equipment[0], 1);
    EXPECT_EQ(alex->Equipment[2], 0);
    test::CompareGolden(game.Board(), "shop_buy.png");
}

// ---- the inn

TEST(InnScene, APaidStayHealsThePartyAndTheMoneyIsTaken) {
    test::TTestGame files("shop");
    const std::string script =
        KNewGame + Press(300, "Right") + Press(320, "Decide") + Press(400, "Decide");
    TGameMain& game = files.Play(script, 1000);
    const TLcfgGameState& state = State(game);
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_EQ(state.PartyInfo.Gold, 50);
    EXPECT_EQ(state.System.Variable(2), 1);
    for (std::int32_t i = 0; i < state.PartyInfo.MemberCount(); ++i) {
        const TLcfgPlayerItem* member = state.PartyInfo.Member(i);
        ASSERT_NE(member, nullptr);
        EXPECT_EQ(member->HP, member->MaxHP());
    }
    // The music faded out for the rest.
    ASSERT_FALSE(files.Sound().MusicFades.empty());
    EXPECT_EQ(files.Sound().MusicFades.front(), 800);
}

TEST(InnScene, TooLittleMoneyRefusesTheStayAndCancelLeaves) {
    test::TTestGame files("shop");
    // Two Swords leave 40, less than the inn's 50: Stay gives the buzzer and keeps the
    // box, cancel answers Leave.
    const std::string shop = Press(300, "Down") + Press(320, "Decide") + Press(380, "Decide") +
                             Press(410, "Decide") + Press(430, "Right") + Press(450, "Decide") +
                             Press(520, "Cancel") + Press(540, "Cancel");
    const std::string inn =
        Press(640, "Right") + Press(660, "Decide") + Press(740, "Decide") + Press(780, "Cancel");
    TGameMain& game = files.Play(KNewGame + shop + inn + SaveFromMenu(900), 1500);
    EXPECT_EQ(files.Sound().Count("Buzzer"), 1);
    ASSERT_TRUE(files.Exists("Save01.lsd"));
    ASSERT_TRUE(LoadSavedGame(game, 1));
    const TLcfgGameState& saved = State(game);
    EXPECT_EQ(saved.PartyInfo.Gold, 40);
    EXPECT_EQ(saved.System.Variable(2), 2);
    const TLcfgPlayerItem* alex = saved.PartyInfo.Member(0);
    ASSERT_NE(alex, nullptr);
    EXPECT_LT(alex->HP, alex->MaxHP());
}

TEST(InnScene, TheOfferMatchesItsGolden) {
    test::TTestGame files("shop");
    TGameMain& game = files.Play(KNewGame + Press(300, "Right") + Press(320, "Decide"), 560);
    ASSERT_EQ(game.System().Scene, KSceneField);
    EXPECT_TRUE(game.Session->MessageWindow.PriceCheck());
    test::CompareGolden(game.Board(), "inn_offer.png");
}

// ---- name input

// To the namer; six times the first character (the cursor then jumps to Done), a
// seventh refused on the cell above Done, one taken back, "=" typed (Done again).
std::string TypeName() {
    std::string s = Press(300, "Left") + Press(320, "Decide");
    for (int i = 0; i < 6; ++i) s += Press(380 + 20 * i, "Decide");
    s += Press(520, "Up") + Press(540, "Decide") + // full: the buzzer
         Press(560, "Cancel") +                    // one character less
         Press(580, "Decide");                     // "=" fills the name again
    return s;
}

TEST(NameScene, ATypedNameBecomesTheActorsNameInTheSave) {
    test::TTestGame files("shop");
    const std::string script = KNewGame + TypeName() + Press(620, "Decide") + SaveFromMenu(720);
    TGameMain& game = files.Play(script, 1300);
    EXPECT_EQ(files.Sound().Count("Buzzer"), 1);
    ASSERT_TRUE(files.Exists("Save01.lsd"));
    const std::string hiraganaA = "\x82\xa0";
    const std::string expected =
        hiraganaA + hiraganaA + hiraganaA + hiraganaA + hiraganaA + "\x81\x81";
    const auto header = game.Session->Save->ReadHeader(1);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->LeaderName, expected);
    ASSERT_TRUE(LoadSavedGame(game, 1));
    EXPECT_EQ(State(game).Actors.Get(1).GetName(), expected);
    EXPECT_EQ(State(game).System.Variable(3), 1);
}

TEST(NameScene, TheGridSkipsEmptyCellsAndMatchesItsGolden) {
    test::TTestGame files("shop");
    // The full name moved the cursor onto Done; right from there passes the empty
    // last cell and wraps to the first column.
    TGameMain& game = files.Play(KNewGame + TypeName() + Press(600, "Right"), 820);
    ASSERT_EQ(game.System().Scene, KSceneName);
    TVezNameScene& scene = *game.Name;
    EXPECT_EQ(scene.NameView.Name().size(), KMaxNameBytes);
    EXPECT_EQ(scene.Grid.Column, 0);
    EXPECT_EQ(scene.Grid.Row, KNameCommandRow);
    test::CompareGolden(game.Board(), "name_input.png");
}

TEST(NameScene, TheTableHoldsDoubleByteCharactersAndCommands) {
    for (int page = 0; page < KNamePages; ++page)
        for (int row = 0; row < KNameRows; ++row)
            for (int column = 0; column < KNameColumns; ++column) {
                const std::string_view entry = NameEntry(page, column, row);
                const bool command = row == KNameCommandRow && column >= KNamePageColumn;
                if (command)
                    EXPECT_TRUE(entry.empty() || (entry.size() == 6 && entry[0] == '<'));
                else
                    EXPECT_EQ(entry.size(), 2u) << page << " " << column << " " << row;
            }
    EXPECT_TRUE(NameEntry(0, 7, 8).empty());
    EXPECT_TRUE(NameEntry(1, 9, 8).empty());
    EXPECT_TRUE(NameEntry(2, 0, 0).empty());
    // A name is cut at its first single-byte character and after six characters.
    const TCodePage japanese{932, {}};
    EXPECT_EQ(NameOfDoubleBytes("\x82\xa0\x82\xa2"
                                "A\x82\xa4",
                                japanese),
              "\x82\xa0\x82\xa2");
    EXPECT_EQ(NameOfDoubleBytes("Alex", japanese), "");
    EXPECT_EQ(NameOfDoubleBytes(std::string(16, '\x82'), japanese), std::string(12, '\x82'));
    // Korean's lead bytes reach to 0xFE; code page 1252 has none.
    EXPECT_EQ(NameOfDoubleBytes("\xFD\xA1", TCodePage(949, {})), "\xFD\xA1");
    EXPECT_EQ(NameOfDoubleBytes("\x82\xa0", TCodePage(1252, {})), "");
}

} // namespace
} // namespace kestra
