// A new game of the demo: the database and map tree the build packs from demo/.
#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "data/SaveData.h"
#include "media/Tonica.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

using namespace kestra;

TEST(DemoGame, NewGameStartsInTheTownWithTheStartingParty) {
    const std::string dir = KESTRA_DEMO_DIR;
    TVezDataBase dataBase;
    dataBase.LoadFromFile(dir + "/KESTRA.ldb");
    TVezMapTree mapTree;
    mapTree.LoadFromFile(dir + "/KESTRA.lmt");

    TNullTonica silence;
    TLcfgEnvironment env(dataBase, silence, NoAssetFile, [] {});
    env.MapTree = &mapTree;
    TLcfgSaveData save(env, "", {}, [] { return 0.0; });
    TLcfgPlace place = save.NewGame();

    // The map tree's party start: the town of Willowmere.
    EXPECT_EQ(place.MapId, 1);
    EXPECT_EQ(place.X, 9);
    EXPECT_EQ(place.Y, 10);
    EXPECT_EQ(mapTree.Get(place.MapId).Name, "Willowmere");
    // One runtime actor per database actor, the database's starting party.
    EXPECT_EQ(save.State.Actors.Count(), dataBase.Actors.Count());
    ASSERT_FALSE(save.State.PartyInfo.Members.empty());
    EXPECT_EQ(save.State.PartyInfo.Members[0], dataBase.System.PartyMember(0));
    const auto& hero = save.State.Actors.Get(save.State.PartyInfo.Members[0]);
    EXPECT_GE(hero.Level, 1);
    EXPECT_GT(hero.MaxHP(), 0);
    EXPECT_EQ(hero.HP, hero.MaxHP());
}

TEST(DemoGame, ASaveDumpsAndPacksBackByteForByte) {
    const std::string dir = KESTRA_DEMO_DIR;
    TVezDataBase dataBase;
    dataBase.LoadFromFile(dir + "/KESTRA.ldb");
    TVezMapTree mapTree;
    mapTree.LoadFromFile(dir + "/KESTRA.lmt");
    TNullTonica silence;
    TLcfgEnvironment env(dataBase, silence, NoAssetFile, [] {});
    env.MapTree = &mapTree;
    TLcfgSaveData save(env, "", {}, [] { return 45000.5; });
    save.NewGame();
    save.State.PartyInfo.GainGold(1234);
    save.State.System.SetSwitch(3, true);
    save.State.System.SetVariable(2, -77);

    const auto work = std::filesystem::temp_directory_path() / "kestra-save-dump";
    std::filesystem::create_directories(work);
    const auto original = work / "Save01.lsd", json = work / "save.json",
               packed = work / "back.lsd";
    const std::vector<std::uint8_t> bytes = save.SaveToBytes();
    WriteWholeFile(original.string(), bytes);
    const std::string tool = KESTRA_DATA_TOOL;
    ASSERT_EQ(std::system((tool + " dump " + original.string() + " > " + json.string()).c_str()),
              0);
    ASSERT_EQ(std::system((tool + " pack " + json.string() + " " + packed.string()).c_str()), 0);
    EXPECT_EQ(ReadWholeFile(packed.string()), bytes);
    std::filesystem::remove_all(work);
}
