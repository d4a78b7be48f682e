// The menu's Save command played through the real game: the save list always opens in
// save mode, whether the game was started anew or continued from a save, and a save or
// a cancel there goes back to the menu with its cursor on Save.
#include <gtest/gtest.h>

#include "../TestGame.h"
#include "scenes/LS_Menu.h"
#include "scenes/LS_SaveFile.h"

using namespace kestra;

namespace {

// New game from the title, then the menu opened on the field with its cursor moved down
// to Save and Decide: the save list is open from update 500 on.
constexpr const char* KNewGameToSaveList = "0\n60 Decide\n61\n"
                                           "200 Cancel\n201\n"
                                           "300 Down\n301\n320 Down\n321\n340 Down\n341\n"
                                           "400 Decide\n401\n";

// Continue on the title and the latest slot loaded, then the same way to the save list.
constexpr const char* KContinueToSaveList = "0\n60 Down\n61\n80 Decide\n81\n"
                                            "160 Decide\n161\n"
                                            "300 Cancel\n301\n"
                                            "400 Down\n401\n420 Down\n421\n440 Down\n441\n"
                                            "500 Decide\n501\n";

TVezMenuScene& Menu(TGameMain& game) {
    return *game.Menu;
}

} // namespace

TEST(MenuSave, ASaveFromTheMenuGoesBackToTheMenuOnItsSaveCommand) {
    test::TTestGame basic("basic");
    TGameMain& game = basic.Play(std::string(KNewGameToSaveList) + "500 Decide\n501\n", 1500);
    ASSERT_TRUE(basic.Exists("Save01.lsd"));
    EXPECT_EQ(game.System().Scene, KSceneMenu);
    EXPECT_TRUE(Menu(game).Shown);
    EXPECT_EQ(Menu(game).Commands.CursorIndex, TVezMenuScene::KCommandSave);
    EXPECT_EQ(game.System().LastSaveSlot, 1);
}

TEST(MenuSave, CancelInTheSaveListGoesBackToTheMenuOnItsSaveCommand) {
    test::TTestGame basic("basic");
    TGameMain& game = basic.Play(std::string(KNewGameToSaveList) + "500 Cancel\n501\n", 1500);
    EXPECT_FALSE(basic.Exists("Save01.lsd"));
    EXPECT_EQ(game.System().Scene, KSceneMenu);
    EXPECT_TRUE(Menu(game).Shown);
    EXPECT_EQ(Menu(game).Commands.CursorIndex, TVezMenuScene::KCommandSave);
    // Cancel on the menu then closes it towards the field.
    TGameMain& again =
        basic.Play(std::string(KNewGameToSaveList) + "500 Cancel\n501\n600 Cancel\n601\n", 1500);
    EXPECT_EQ(again.System().Scene, KSceneField);
}

TEST(MenuSave, AfterContinueTheMenuStillSavesIntoAnotherSlot) {
    test::TTestGame basic("basic");
    basic.Play(std::string(KNewGameToSaveList) + "500 Decide\n501\n", 1500);
    ASSERT_TRUE(basic.Exists("Save01.lsd"));
    ASSERT_FALSE(basic.Exists("Save02.lsd"));

    // The list opens on the last slot saved to (1); Down picks slot 2.
    TGameMain& game =
        basic.Play(std::string(KContinueToSaveList) + "600 Down\n601\n700 Decide\n701\n", 1500);
    ASSERT_TRUE(basic.Exists("Save02.lsd"));
    EXPECT_EQ(game.System().Scene, KSceneMenu);
    EXPECT_EQ(Menu(game).Commands.CursorIndex, TVezMenuScene::KCommandSave);
    EXPECT_TRUE(game.SaveFile->SaveMode);
    EXPECT_EQ(game.System().LastSaveSlot, 2);

    // Slot 2 holds the running game: its leader, and the party where it stands.
    const auto header = game.Session->Save->ReadHeader(2);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(header->LeaderName, "Rowan");
    const TLcfgParty& hero = game.Session->Save->State.Hero;
    const TLcfgPlace place{hero.MapId, hero.X, hero.Y};
    const std::int32_t saves = game.System().SaveCount;
    ASSERT_TRUE(LoadSavedGame(game, 2));
    EXPECT_EQ(hero.MapId, place.MapId);
    EXPECT_EQ(hero.X, place.X);
    EXPECT_EQ(hero.Y, place.Y);
    EXPECT_EQ(game.System().SaveCount, saves);
}
