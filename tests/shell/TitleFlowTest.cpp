// The title scenes in the real frame loop, headless, on a small game folder.
#include "../graphics/TestSystemGraphic.h"
#include "TempDir.h"
#include "base/Errors.h"
#include "graphics/KandelPng.h"
#include "shell/GameMain.h"
#include "shell/GameTitleLink.h"
#include "shell/HeadlessPlatform.h"
#include "shell/LS_Title.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

std::string Png(const TKandelBitmap& b) {
    std::vector<std::uint8_t> bytes;
    WritePng(b, bytes);
    return std::string(bytes.begin(), bytes.end());
}

TKandelBitmap Plain(std::uint8_t red) {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, 320, 240);
    b.PaletteSize = 256;
    b.Palette[1] = TRgbQuad{red, 60, 90, 0};
    std::fill(b.Pixels.begin(), b.Pixels.end(), 1);
    return b;
}

class TitleFlow : public ::testing::Test {
protected:
    TitleFlow() {
        dir.Write("KESTRA.ini", "[KESTRA]\nFullPackageFlag=1\n");
        dir.Write("Title/Title1.png", Png(Plain(200)));
        dir.Write("GameOver/Over.png", Png(Plain(80)));
        dir.Write("System/Skin.png", Png(kestra::testing::CodedSystemBitmap()));
    }
    // Runs the game until the frame limit or the end; answers the frames waited.
    std::uint64_t Run(std::vector<std::string> words, const std::string& script) {
        TCommandLine line;
        line.Words = std::move(words);
        line.GameDir = dir.Path();
        line.Headless = true;
        line.Frames = 400;
        line.InputScript = dir.Write("input.txt", script);
        game = std::make_unique<TGameMain>(line, platform);
        TVezTitleSettings settings;
        settings.SystemGraphic = "Skin";
        settings.TitlePicture = "Title1";
        settings.GameOverPicture = "Over";
        settings.NewGame = [this] { ++newGames; };
        InstallTitleScenes(*game, settings);
        EXPECT_THROW(game->Run(), EKandelDrawAbort);
        return game->Display->FramesWaited();
    }
    TVezTitleScene& Title() { return static_cast<TVezTitleScene&>(game->SceneFor(KSceneTitle)); }

    kestra::test::TempDir dir;
    THeadlessPlatform platform;
    std::unique_ptr<TGameMain> game;
    int newGames = 0;
};

TEST_F(TitleFlow, NewGameInTestPlayReachesTheField) {
    const std::uint64_t frames = Run({"TestPlay"}, "0\n100 Decide\n101\n");
    EXPECT_EQ(frames, 400u); // ended by the frame limit
    EXPECT_EQ(game->System().Scene, KSceneField);
    EXPECT_EQ(newGames, 1);
    EXPECT_FALSE(game->Config.ShowLogos);
    EXPECT_FALSE(Title().FirstEntry());
}

TEST_F(TitleFlow, HiddenTitlePlacesTheWindowHigher) {
    Run({"TestPlay", "HideTitle"}, "0\n");
    EXPECT_EQ(game->System().Scene, KSceneTitle);
    EXPECT_EQ(Title().Window().Y, 88);
    EXPECT_TRUE(Title().Window().IsOpen());
    EXPECT_EQ(newGames, 0);
}

TEST_F(TitleFlow, QuitEndsTheProgramBeforeTheFrameLimit) {
    const std::uint64_t frames = Run({"TestPlay"}, "0\n90 Up\n91\n120 Decide\n121\n");
    EXPECT_LT(frames, 400u);
    EXPECT_EQ(game->System().Scene, KSceneTitle);
    EXPECT_EQ(newGames, 0);
}

TEST_F(TitleFlow, ANormalRunShowsTheLogosFirst) {
    Run({}, "0\n");
    // Three logos of 100 frames each and more take the whole run.
    EXPECT_FALSE(game->Config.ShowLogos);
    EXPECT_EQ(game->System().Scene, KSceneTitle);
}

} // namespace
