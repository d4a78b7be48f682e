// The demo's shopkeeper in a new game: up the town road and along it to the shop, a
// word with him, and his wares, of which an empty purse buys nothing.
#include <gtest/gtest.h>

#include <string>

#include "../GoldenPicture.h"
#include "TempDir.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "scenes/LS_Shop.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

// New game, the intro movie skipped, the opening's two pages, four tiles up the road and six right
// to the shopkeeper, facing him; his greeting, then Buy and twice the Potion.
constexpr const char* KToTheShop =
    "0\n99 Decide\n100\n105 Decide\n106\n260 Decide\n261\n360 Decide\n361\n"
    "460 Up\n492\n500 Right\n548\n560 Up\n561\n"
    "580 Decide\n581\n680 Decide\n681\n";
constexpr const char* KBuyAPotion = "770 Decide\n771\n800 Decide\n801\n830 Decide\n831\n";

struct TDemoShop {
    TDemoShop(const std::string& script, std::uint64_t frames) {
        Dir.Write("walk.txt", script);
        TCommandLine line;
        line.Words = {"TestPlay"};
        line.GameDir = KESTRA_DEMO_DIR;
        line.Headless = true;
        line.Frames = frames;
        line.Seed = 7;
        line.InputScript = (Dir.Path() / "walk.txt").string();
        Game = std::make_unique<TGameMain>(line, Platform);
        Session = PrepareGame(*Game);
        EXPECT_THROW(Game->Run(), EKandelDrawAbort); // the frame limit
    }
    test::TempDir Dir;
    THeadlessPlatform Platform{kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie};
    std::unique_ptr<TGameMain> Game;
    std::shared_ptr<TGameSession> Session;
};

TEST(DemoShop, TheShopkeeperShowsHisWaresToAnEmptyPurse) {
    TDemoShop look(KToTheShop, 1000);
    const TLcfgGameState& before = look.Session->Save->State;
    EXPECT_EQ(before.Hero.X, 15);
    EXPECT_EQ(before.Hero.Y, 6);
    ASSERT_EQ(look.Game->System().Scene, KSceneShop);
    const std::int32_t gold = before.PartyInfo.Gold;
    const std::int32_t potions = before.PartyInfo.ItemAmount(1);

    TDemoShop buy(std::string(KToTheShop) + KBuyAPotion, 1150);
    const TLcfgGameState& after = buy.Session->Save->State;
    ASSERT_EQ(buy.Game->System().Scene, KSceneShop);
    EXPECT_EQ(buy.Game->Shop->Screen, TVezShopScene::KScreenBuyList);
    EXPECT_EQ(after.PartyInfo.ItemAmount(1), potions);
    EXPECT_EQ(after.PartyInfo.Gold, gold);
    test::CompareGolden(buy.Game->Board(), "demo_shop.png");
}

} // namespace
} // namespace kestra
