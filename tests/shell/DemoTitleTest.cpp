// The demo game from its title screen: the title takes its words and pictures from
// the database, and a new game starts the party in the town.
#include "TempDir.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "shell/GameMain.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace kestra;

TEST(DemoTitle, NewGameFromTheTitleWalksInTheTown) {
    const std::string script = testing::TempDir() + "/demo-title-input.txt";
    {
        std::FILE* f = std::fopen(script.c_str(), "w");
        ASSERT_NE(f, nullptr);
        // New Game, the two pages of the intro dismissed, then walk left.
        std::fputs(
            "0\n99 Decide\n100\n105 Decide\n106\n260 Decide\n261\n360 Decide\n361\n460 Left\n", f);
        std::fclose(f);
    }
    TCommandLine line;
    line.Words = {"TestPlay"}; // no logos
    line.GameDir = KESTRA_DEMO_DIR;
    line.Headless = true;
    line.Frames = 600;
    line.InputScript = script;
    THeadlessPlatform platform{kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie};
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

TEST(DemoTitle, ADirectoryWithoutGameDataIsAnErrorNamingTheMissingFile) {
    kestra::test::TempDir dir;
    dir.Write("KESTRA.ini", "[KESTRA]\nFullPackageFlag=1\n");
    TCommandLine line;
    line.GameDir = dir.Path();
    line.Headless = true;
    line.Frames = 100;
    // The player's start-up: no test pattern, an error naming the database and exit 1.
    struct TMessages : THeadlessPlatform {
        TMessages()
            : THeadlessPlatform(kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie) {}
        void ShowErrorMessage(std::string_view, std::string_view text) override {
            Shown.emplace_back(text);
        }
        std::vector<std::string> Shown;
    } platform;
    EXPECT_EQ(RunGame(line, platform, [](TGameMain& game) { PrepareGame(game); }), 1);
    ASSERT_EQ(platform.Shown.size(), 1u);
    EXPECT_EQ(platform.Shown[0].rfind("KESTRA.ldb: not found in the game directory", 0), 0u)
        << platform.Shown[0];
    // With the database but no map tree, the map tree is named.
    std::filesystem::copy_file(std::filesystem::path(KESTRA_DEMO_DIR) / "KESTRA.ldb",
                               dir.Path() / "KESTRA.ldb");
    platform.Shown.clear();
    EXPECT_EQ(RunGame(line, platform, [](TGameMain& game) { PrepareGame(game); }), 1);
    ASSERT_EQ(platform.Shown.size(), 1u);
    EXPECT_EQ(platform.Shown[0].rfind("KESTRA.lmt: not found", 0), 0u) << platform.Shown[0];
}
