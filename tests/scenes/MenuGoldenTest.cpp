// The main menu over the demo's starting party, compared pixel for pixel with
// tests/golden/menu_main.png (KESTRA_UPDATE_GOLDEN=1 writes it anew), and the menu
// opened by the hero's cancel key in the running demo.
#include "../GoldenPicture.h"
#include "base/AssetLookup.h"
#include "data/DataBase.h"
#include "data/LD_MapTree.h"
#include "graphics/KandelImage.h"
#include "graphics/KandelPng.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "scenes/LS_Menu.h"
#include "shell/FrameRecorder.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

using namespace kestra;

namespace {

// The demo run headless for a number of frames on an input script.
struct TDemoRun {
    TDemoRun(const std::string& script, std::uint64_t frames) {
        const std::string file = ::testing::TempDir() + "/menu-demo-input.txt";
        if (std::FILE* f = std::fopen(file.c_str(), "w")) {
            std::fputs(script.c_str(), f);
            std::fclose(f);
        }
        TCommandLine line;
        line.Words = {"TestPlay"}; // no logos
        line.GameDir = KESTRA_DEMO_DIR;
        line.Headless = true;
        line.Frames = frames;
        line.InputScript = file;
        Game = std::make_unique<TGameMain>(line, Platform);
        Session = PrepareGame(*Game);
    }
    TLcfgGameState& State() { return Session->Save->State; }

    THeadlessPlatform Platform{kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie};
    std::unique_ptr<TGameMain> Game;
    std::shared_ptr<TGameSession> Session;
};

TEST(MenuGolden, MainMenuOverTheDemoParty) {
    // A new game of the demo, the menu opened at once on its own.
    TDemoRun run("0\n", 1'000'000);
    ASSERT_NE(run.Session, nullptr);
    TGameMain& game = *run.Game;
    StartNewGame(game);
    TLcfgGameState& state = run.State();
    const TVezDataBase& dataBase = run.Session->DataBase;
    ASSERT_GE(state.PartyInfo.MemberCount(), 1);
    // The companions the story adds: all three actors of the demo, one of them hurt
    // and poisoned, with some money.
    for (std::int32_t id = 1; id <= static_cast<std::int32_t>(dataBase.Actors.Count()); ++id)
        state.PartyInfo.AddMember(id);
    ASSERT_EQ(state.PartyInfo.MemberCount(), 3);
    TLcfgPlayerItem& second = *state.PartyInfo.Member(1);
    second.HP = second.MaxHP() / 5;
    if (dataBase.States.Count() >= 2) second.AddState(dataBase.States.At(1).Id);
    state.PartyInfo.Gold = 0;
    state.PartyInfo.GainGold(250);

    state.System.Scene = KSceneMenu;
    game.Board().Brightness = 0;
    TVezMenuScene& menu = *game.Menu;
    menu.Update();
    ASSERT_TRUE(menu.Shown);
    menu.Draw();
    test::CompareGolden(game.Board(), "menu_main.png");
}

TEST(MenuGolden, TheHerosCancelKeyOpensTheMenuAndCancelClosesIt) {
    // New game at input update 99, the intro movie skipped at 105, the two pages of the opening
    // message dismissed at 260 and 360, the menu key at 460.
    const std::string start =
        "0\n99 Decide\n100\n105 Decide\n106\n260 Decide\n261\n360 Decide\n361\n";
    {
        TDemoRun open(start + "460 Cancel\n461\n", 660);
        ASSERT_NE(open.Session, nullptr);
        EXPECT_THROW(open.Game->Run(), EKandelDrawAbort); // the frame limit
        EXPECT_EQ(open.State().System.Scene, KSceneMenu);
        auto* menu = dynamic_cast<TVezMenuScene*>(&open.Game->SceneFor(KSceneMenu));
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->Shown);
        EXPECT_TRUE(menu->Commands.IsOpen());
        EXPECT_EQ(menu->PartyList.ItemCount, open.State().PartyInfo.MemberCount());
    }
    {
        TDemoRun closed(start + "460 Cancel\n461\n560 Cancel\n561\n", 760);
        ASSERT_NE(closed.Session, nullptr);
        EXPECT_THROW(closed.Game->Run(), EKandelDrawAbort);
        EXPECT_EQ(closed.State().System.Scene, KSceneField);
        EXPECT_EQ(closed.Game->Board().Brightness, 100);
    }
}

} // namespace
