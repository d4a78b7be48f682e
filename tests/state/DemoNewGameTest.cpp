// A new game of the demo: the database and map tree the build packs from demo/.
#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "data/SaveData.h"

#include <gtest/gtest.h>

using namespace kestra;

TEST(DemoGame, NewGameStartsInTheTownWithTheStartingParty) {
    const std::string dir = KESTRA_DEMO_DIR;
    TVezDataBase dataBase;
    dataBase.LoadFromFile(dir + "/KESTRA.ldb");
    TVezMapTree mapTree;
    mapTree.LoadFromFile(dir + "/KESTRA.lmt");

    TLcfgEnvironment env;
    env.DataBase = &dataBase;
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
