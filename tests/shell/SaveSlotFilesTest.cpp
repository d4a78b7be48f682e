// Save slots whose file exists in two letter cases (a game copied from a system whose
// names ignore case): the newest save that reads is the slot's, whatever its name's case,
// and the game writes the slot under its own name.
#include "../TestGame.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

// New game, the menu's Save, Decide on slot 1.
constexpr const char* KNewGameSavedToSlotOne = "0\n60 Decide\n61\n"
                                               "200 Cancel\n201\n"
                                               "300 Down\n301\n320 Down\n321\n340 Down\n341\n"
                                               "400 Decide\n401\n500 Decide\n501\n";
// Continue and the latest slot loaded: the field from about update 200 on.
constexpr const char* KContinue = "0\n60 Down\n61\n80 Decide\n81\n160 Decide\n161\n";

std::vector<std::string> FileNames(const test::TTestGame& game) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(game.Dir.Path()))
        if (entry.path().extension() == ".lsd" || entry.path().extension() == ".LSD")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A save of a new game of `game` standing at (x, y) of the start map, stamped `time`,
// written into slot 1 and then renamed to `name`.
void SaveAt(test::TTestGame& game, int x, int y, double time, const std::string& name) {
    TGameMain& g = game.Start("0\n", 10);
    StartNewGame(g);
    g.Session->Save->State.Hero.SetPosition(1, x, y);
    g.Session->Save->SetClock([time] { return time; });
    g.Session->Save->Save(1);
    if (name != "Save01.lsd")
        std::filesystem::rename(game.Dir.Path() / "Save01.lsd", game.Dir.Path() / name);
}

} // namespace

TEST(SaveSlotFiles, ABrokenTwinInCapitalsHidesNoSaveAndTheGameWritesItsOwnName) {
    test::TTestGame basic("basic");
    basic.Play(KNewGameSavedToSlotOne, 1500);
    ASSERT_EQ(FileNames(basic), std::vector<std::string>{"Save01.lsd"});
    const std::string garbage = "not a save";
    basic.Dir.Write("SAVE01.LSD", garbage);

    // Continue finds the save, loads it, and the menu saves the loaded game again.
    TGameMain& game = basic.Play(std::string(KContinue) + "300 Cancel\n301\n400 Down\n401\n"
                                                          "420 Down\n421\n440 Down\n441\n"
                                                          "500 Decide\n501\n600 Decide\n601\n",
                                 1500);
    EXPECT_EQ(game.System().Scene, KSceneMenu);
    EXPECT_EQ(game.System().SaveCount, 2); // the loaded game's one save, and this one
    EXPECT_EQ(FileNames(basic), (std::vector<std::string>{"SAVE01.LSD", "Save01.lsd"}));
    const auto twin = basic.Read("SAVE01.LSD");
    EXPECT_EQ(std::string(twin.begin(), twin.end()), garbage);
    const auto header = game.Session->Save->ReadHeader(1);
    ASSERT_TRUE(header.has_value());
    EXPECT_EQ(game.Session->Save->SlotFile(1)->filename(), "Save01.lsd");
}

TEST(SaveSlotFiles, OfTwoGoodTwinsTheNewerSaveIsLoadedWhateverTheCase) {
    for (const bool capitalsNewer : {true, false}) {
        test::TTestGame basic("basic");
        SaveAt(basic, 5, 6, capitalsNewer ? 40000.5 : 39000.5, "SAVE01.LSD");
        // (The start map is 10 x 8: a party must stand on it to be loaded.)
        SaveAt(basic, 7, 7, capitalsNewer ? 39000.5 : 40000.5, "Save01.lsd");
        ASSERT_EQ(FileNames(basic), (std::vector<std::string>{"SAVE01.LSD", "Save01.lsd"}));
        TGameMain& game = basic.Play(KContinue, 300);
        ASSERT_EQ(game.System().Scene, KSceneField) << capitalsNewer;
        const TLcfgParty& hero = game.Session->Save->State.Hero;
        EXPECT_EQ(hero.X, capitalsNewer ? 5 : 7);
        EXPECT_EQ(hero.Y, capitalsNewer ? 6 : 7);
    }
}
