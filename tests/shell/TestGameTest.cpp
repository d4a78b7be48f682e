// The test-game harness itself: a packed game starts from its title, a new game puts
// the hero on the start tile, and a walk through the door teleports to the next map.
#include <gtest/gtest.h>

#include "../TestGame.h"

using namespace kestra;

TEST(TestGame, ANewGameWalksThroughTheDoorOntoTheNextMap) {
    test::TTestGame basic("basic");
    TGameMain& game = basic.Play("0\n60 Decide\n61\n120 Down\n140\n", 400);
    ASSERT_EQ(game.System().Scene, KSceneField);
    const TLcfgParty& hero = game.Session->Save->State.Hero;
    EXPECT_EQ(hero.MapId, 2);
    EXPECT_EQ(hero.X, 4);
    EXPECT_EQ(hero.Y, 5);
}
