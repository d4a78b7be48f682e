// The demo game from its title screen: the title takes its words and pictures from
// the database, and a new game starts the party in the town.
#include "TempDir.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"

#include <gtest/gtest.h>

using namespace kestra;

TEST(DemoTitle, NewGameFromTheTitleWalksInTheTown) {
    const std::string script = testing::TempDir() + "/demo-title-input.txt";
    {
        std::FILE* f = std::fopen(script.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("0\n100 Decide\n101\n200 Left\n", f); // New Game, then walk left
        std::fclose(f);
    }
    TCommandLine line;
    line.Words = {"TestPlay"}; // no logos
    line.GameDir = KESTRA_DEMO_DIR;
    line.Headless = true;
    line.Frames = 600;
    line.InputScript = script;
    THeadlessPlatform platform;
    TGameMain game(line, platform);
    std::shared_ptr<TGameSession> session = PrepareGame(game);
    ASSERT_NE(session, nullptr);
    EXPECT_THROW(game.Run(), EKandelDrawAbort); // the frame limit
    EXPECT_EQ(game.System().Scene, KSceneField);
    EXPECT_EQ(session->StartPlace.MapId, 1);
    EXPECT_EQ(session->StartPlace.X, 9);
    EXPECT_FALSE(session->Save->State.PartyInfo.Members.empty());
    // The field scene runs the town and the hero walked from the start.
    EXPECT_EQ(session->Save->State.Hero.MapId, 1);
    EXPECT_LT(session->Save->State.Hero.X, 9);
    EXPECT_EQ(session->Save->State.Hero.Y, 10);
    EXPECT_FALSE(session->Save->State.Hero.SpriteName.empty());
}

TEST(DemoTitle, ADirectoryWithoutGameDataKeepsThePlaceholder) {
    kestra::test::TempDir dir;
    dir.Write("KESTRA.ini", "[KESTRA]\nFullPackageFlag=1\n");
    TCommandLine line;
    line.GameDir = dir.Path();
    line.Headless = true;
    THeadlessPlatform platform;
    TGameMain game(line, platform);
    EXPECT_EQ(PrepareGame(game), nullptr);
}
