// The title scenes in the real frame loop, headless, on the test game.
#include "../TestGame.h"
#include "shell/LS_GameOver.h"
#include "shell/LS_Title.h"

#include <gtest/gtest.h>

using namespace kestra;

namespace {

class TitleFlow : public ::testing::Test {
protected:
    // Runs the game until the frame limit or the end; answers the frames waited.
    std::uint64_t Run(std::vector<std::string> words, const std::string& script) {
        game = &basic.Play(script, 400, std::move(words));
        return game->Display->FramesWaited();
    }
    TVezTitleScene& Title() { return *game->Title; }
    // A new game has installed the field.
    bool NewGameStarted() const { return game->Session->Field != nullptr; }

    test::TTestGame basic{"basic"};
    TGameMain* game = nullptr;
};

TEST_F(TitleFlow, NewGameInTestPlayReachesTheField) {
    const std::uint64_t frames = Run({"TestPlay"}, "0\n100 Decide\n101\n");
    EXPECT_EQ(frames, 400u); // ended by the frame limit
    EXPECT_EQ(game->System().Scene, KSceneField);
    EXPECT_TRUE(NewGameStarted());
    EXPECT_FALSE(game->Config.ShowLogos);
    EXPECT_FALSE(Title().FirstEntry());
}

TEST_F(TitleFlow, HiddenTitlePlacesTheWindowHigher) {
    Run({"TestPlay", "HideTitle"}, "0\n");
    EXPECT_EQ(game->System().Scene, KSceneTitle);
    EXPECT_EQ(Title().Window().Y, 88);
    EXPECT_TRUE(Title().Window().IsOpen());
    EXPECT_FALSE(NewGameStarted());
}

TEST_F(TitleFlow, QuitEndsTheProgramBeforeTheFrameLimit) {
    const std::uint64_t frames = Run({"TestPlay"}, "0\n90 Up\n91\n120 Decide\n121\n");
    EXPECT_LT(frames, 400u);
    EXPECT_EQ(game->System().Scene, KSceneTitle);
    EXPECT_FALSE(NewGameStarted());
}

TEST_F(TitleFlow, ANormalRunShowsTheLogosFirst) {
    Run({}, "0\n");
    // Three logos of 100 frames each and more take the whole run.
    EXPECT_FALSE(game->Config.ShowLogos);
    EXPECT_EQ(game->System().Scene, KSceneTitle);
}

// Game over: Decide fades out and the game starts over from the title.
TEST_F(TitleFlow, GameOverGoesBackToTheTitle) {
    TGameMain& g = basic.Start("0\n120 Decide\n", 1000);
    g.ResetGame();
    g.System().Scene = KSceneGameOver;
    EXPECT_THROW(
        for (;;) {
            g.Input->Update();
            g.SceneFor(g.System().Scene).Update();
            g.Display->WaitFrame();
        },
        EKandelDrawReset);
    EXPECT_FALSE(g.GameOver->Started());
}

} // namespace
