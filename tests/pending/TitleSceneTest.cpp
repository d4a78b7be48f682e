#include "../scenes/WindowTestHost.h"
#include "TempDir.h"
#include "base/Errors.h"
#include "graphics/KandelPng.h"
#include "media/MultiInput.h"
#include "media/ScriptedInput.h"
#include "shell/LS_GameOver.h"
#include "shell/LS_Title.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

class FakeSceneHost : public TSceneHost {
public:
    explicit FakeSceneHost(TKandelBoard& board, TMultiInput& input)
        : board_(board), input_(input) {}
    TKandelBoard& Board() override { return board_; }
    bool CanDraw() override { return true; }
    void Present() override { ++presents; }
    void WaitFrame() override { ++frames; }
    void FlushInput() override { input_.Flush(); }
    TRandom& Random() override { return random_; }
    int frames = 0, presents = 0;

private:
    TKandelBoard& board_;
    TMultiInput& input_;
    TRandom random_{1};
};

// A picture of one colour written as a PNG file.
std::string WritePicture(const kestra::test::TempDir& dir, const std::string& name,
                         std::uint8_t red) {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, 320, 240);
    b.PaletteSize = 256;
    b.Palette[1] = TRgbQuad{red, 40, 80, 0};
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) b.Row(y)[x] = 1;
    std::vector<std::uint8_t> bytes;
    WritePng(b, bytes);
    return dir.Write(name, std::string(bytes.begin(), bytes.end())).string();
}

class FakeGame : public IVezTitleGame {
public:
    FakeGame(TTestWindowHost& windows, TMultiInput& input, const kestra::test::TempDir& dir)
        : windows_(windows), input_(input) {
        title = WritePicture(dir, "Title/title.png", 200);
        gameOver = WritePicture(dir, "GameOver/over.png", 90);
    }
    IVezWindowHost& WindowHost() override { return windows_; }
    TMultiInput& Input() override { return input_; }
    bool& ShowLogos() override { return showLogos; }
    bool ShowTitle() override { return showTitle; }
    std::array<std::string, 3> TitleCommands() override { return commands; }
    std::string TitlePictureName() override { return "title"; }
    std::string GameOverPictureName() override { return "over"; }
    std::optional<std::string> FindPicture(const std::string& name,
                                           const std::string& folder) override {
        if (folder == "Title" && name == "title") return title;
        if (folder == "GameOver" && name == "over") return gameOver;
        return std::nullopt;
    }
    bool AnySaveExists() override { return saveExists; }
    void PlayTitleMusic() override { log += "music;"; }
    void FadeOutMusic(int ms) override { log += "fade" + std::to_string(ms) + ";"; }
    void StopMusic() override { log += "stop;"; }
    void PlayDecisionSound() override { log += "decide;"; }
    void PlayBuzzerSound() override { log += "buzzer;"; }
    void ResetTiming() override {}
    void SetScene(int s) override { scene = s; }
    void StartNewGame() override { log += "newgame;"; }
    void OpenLoadScene() override { log += "load;"; }
    [[noreturn]] void CloseMainForm() override { throw EKandelDrawAbort(); }
    [[noreturn]] void RequestReset() override { throw EKandelDrawReset(); }

    bool showLogos = false, showTitle = true, saveExists = false;
    std::array<std::string, 3> commands{"New Game", "Continue", "Quit"};
    std::string log;
    int scene = KSceneTitle;

private:
    TTestWindowHost& windows_;
    TMultiInput& input_;
    std::string title, gameOver;
};

class TitleTest : public ::testing::Test {
protected:
    TitleTest()
        : input(device), host(windows.board, input), game(windows, input, dir), title(host, game) {
        windows.board.Brightness = 0; // as the game's reset leaves it
    }
    // One frame of the loop with Decide newly pressed (or not).
    void Frame(bool decide = false, std::uint16_t repeat = 0) {
        input.Pressed = decide ? KButtonDecide : 0;
        windows.keys = repeat;
        title.Update();
        windows.keys = 0;
    }
    void WaitOpen() {
        for (int k = 0; k < 10 && !title.Window().IsOpen(); ++k) Frame();
    }

    kestra::test::TempDir dir;
    TScriptedInput device;
    TMultiInput input;
    TTestWindowHost windows;
    FakeSceneHost host;
    FakeGame game;
    TVezTitleScene title;
};

TEST_F(TitleTest, LogosOnceThenTheTitleWithItsWindow) {
    game.showLogos = true;
    title.Reset();
    Frame();
    // 10 frames, three logos of fade in 10, 20 frames, 60 frames, fade out 10,
    // then the title picture fades in by 3 per frame.
    EXPECT_EQ(host.frames, 10 + 3 * (10 + 20 + 60 + 10) + 34);
    EXPECT_FALSE(game.showLogos);
    EXPECT_EQ(game.log, "music;");
    TVezWindow& w = title.Window();
    EXPECT_EQ(w.Y, 148);
    EXPECT_EQ(w.Width, 6 * 8 + 16);
    EXPECT_EQ(w.X, 160 - w.Width / 2);
    EXPECT_EQ(w.Height, 64);
    EXPECT_EQ(w.OpenPhase, 2); // opens with its animation, one step taken
    EXPECT_TRUE(w.CursorActive);
    // The title picture is on the board.
    title.Draw();
    EXPECT_EQ(windows.board.ScanLine(10)[10] >> 11, 200 >> 3);
}

TEST_F(TitleTest, HoldingDecideCutsEachLogoAfterTwentyFrames) {
    device = TScriptedInput::FromText("0 Decide\n", "script");
    game.showLogos = true;
    Frame();
    EXPECT_EQ(host.frames, 10 + 3 * (10 + 20 + 10) + 34);
}

TEST_F(TitleTest, TestPlayAndHiddenTitle) {
    game.showTitle = false;
    game.commands = {"0123456789", "Go on", "End"};
    Frame();
    EXPECT_EQ(host.frames, 5); // no logos, no slow fade: only the quick fade by 20
    EXPECT_EQ(game.log, "");   // no music
    TVezWindow& w = title.Window();
    EXPECT_EQ(w.Y, 88);
    EXPECT_EQ(w.Width, 76);
    EXPECT_EQ(w.X, 122);
    EXPECT_TRUE(w.IsOpen());
    // The picture is not drawn: the board shows the system graphic's background colour.
    title.Draw();
    const TRgbQuad bg = windows.system.BackgroundColor();
    EXPECT_EQ(windows.board.ScanLine(10)[10], ColorFromRgb(bg.Red, bg.Green, bg.Blue));
}

TEST_F(TitleTest, NewGameHidesTheTitleAndStartsTheField) {
    Frame();
    WaitOpen();
    ASSERT_TRUE(title.Window().IsOpen());
    const int before = host.frames;
    Frame(true);
    EXPECT_EQ(game.log, "music;decide;fade800;stop;newgame;");
    EXPECT_EQ(game.scene, KSceneField);
    EXPECT_EQ(host.frames - before, 5 + 48 + 16); // fade out by 20, then 64 frames
    EXPECT_FALSE(title.Started());
    EXPECT_FALSE(title.FirstEntry());
    EXPECT_FALSE(title.Window().IsPresent());
}

TEST_F(TitleTest, ContinueWithoutASaveBuzzesAndStays) {
    Frame();
    WaitOpen();
    EXPECT_FALSE(title.SaveExists());
    Frame(false, KButtonDown);
    EXPECT_EQ(title.Window().CursorIndex, 1);
    Frame(true);
    EXPECT_EQ(game.log, "music;buzzer;");
    EXPECT_TRUE(title.Started());
    EXPECT_EQ(game.scene, KSceneTitle);
}

TEST_F(TitleTest, ContinueWithASaveOpensTheLoadSceneAndComesBackOpen) {
    game.saveExists = true;
    Frame();
    WaitOpen();
    Frame(false, KButtonDown);
    Frame(true);
    EXPECT_EQ(game.log, "music;decide;load;");
    // Back from the load list without loading: the quick fade only, the window at once.
    const int before = host.frames;
    Frame();
    EXPECT_TRUE(title.Window().IsOpen());
    EXPECT_EQ(host.frames - before, 5);
}

TEST_F(TitleTest, QuitFadesOutAndClosesTheProgram) {
    Frame();
    WaitOpen();
    Frame(false, KButtonUp); // wraps to the last line
    EXPECT_EQ(title.Window().CursorIndex, 2);
    EXPECT_THROW(Frame(true), EKandelDrawAbort);
    EXPECT_EQ(game.log, "music;decide;fade400;");
    EXPECT_EQ(windows.board.Brightness, 0);
}

TEST_F(TitleTest, AMissingTitlePictureIsAnErrorNamingIt) {
    game.commands = {"a", "b", "c"};
    struct Missing : FakeGame {
        using FakeGame::FakeGame;
        std::string TitlePictureName() override { return "gone"; }
    } missing(windows, input, dir);
    TVezTitleScene scene(host, missing);
    try {
        scene.Update();
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Title/gone"), std::string::npos);
    }
}

TEST_F(TitleTest, GameOverFadesInSlowlyAndResetsOnAKey) {
    TVezGameOverScene over(host, game);
    over.Update();
    EXPECT_TRUE(over.Started());
    EXPECT_EQ(host.frames, 100);
    over.Draw();
    EXPECT_EQ(windows.board.ScanLine(0)[0] >> 11, 90 >> 3);
    input.Pressed = 0;
    over.Update();
    EXPECT_TRUE(over.Started());
    input.Pressed = KButtonCancel;
    EXPECT_THROW(over.Update(), EKandelDrawReset);
    EXPECT_EQ(host.frames, 200);
    EXPECT_FALSE(over.Started());
}

} // namespace
