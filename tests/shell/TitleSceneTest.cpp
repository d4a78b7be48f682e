// The game's title and game-over scenes driven frame by frame over the basic test game
// with pictures of one colour: the logos, the window's place and size, New Game,
// Continue with and without a save, Quit, a missing picture, and game over.
#include "../TestGame.h"
#include "../scenes/WindowTestHost.h"
#include "base/Errors.h"
#include "data/DataBase.h"
#include "graphics/KandelPng.h"
#include "media/MultiInput.h"
#include "scenes/LS_SaveFile.h"
#include "shell/LS_GameOver.h"
#include "shell/LS_Title.h"

#include <gtest/gtest.h>

using namespace kestra;
using namespace kestra::testing;

namespace {

// A picture of one colour written as a PNG file of the game.
void WritePicture(const kestra::test::TempDir& dir, const std::string& name, std::uint8_t red) {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, 320, 240);
    b.PaletteSize = 256;
    b.Palette[1] = TRgbQuad{red, 40, 80, 0};
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) b.Row(y)[x] = 1;
    std::vector<std::uint8_t> bytes;
    WritePng(b, bytes);
    dir.Write(name, std::string(bytes.begin(), bytes.end()));
}

class TitleTest : public ::testing::Test {
protected:
    TitleTest() {
        WritePicture(files.Dir, "Title/Title.png", 200);
        WritePicture(files.Dir, "GameOver/GameOver.png", 90);
    }
    // The game built with these words (a normal run when empty) and the title's words.
    TGameMain& Start(std::vector<std::string> words = {"TestPlay"},
                     const std::string& script = "0\n",
                     std::array<std::string, 3> commands = {"New Game", "Continue", "Quit"}) {
        game = &files.Start(script, KNoFrameLimit, std::move(words));
        TVezVocabulary& words_ = game->Session->DataBase.Vocabulary;
        words_.Term(114) = commands[0];
        words_.Term(115) = commands[1];
        words_.Term(117) = commands[2];
        game->System().Scene = KSceneTitle;
        game->Board().Brightness = 0; // as the game's reset leaves it
        return *game;
    }
    TVezTitleScene& Title() { return *game->Title; }
    // One frame of the loop with Decide newly pressed (or not).
    void Frame(bool decide = false, std::uint16_t repeat = 0) {
        game->Input->Pressed = decide ? KButtonDecide : 0;
        game->Input->Repeated = repeat;
        Title().Update();
        game->Input->Pressed = game->Input->Repeated = 0;
    }
    void WaitOpen() {
        for (int k = 0; k < 10 && !Title().Window().IsOpen(); ++k) Frame();
    }
    std::uint64_t Frames() const { return game->Display->FramesWaited(); }
    test::TRecordingTonica& Sound() { return files.Sound(); }
    // The sound effects played (their names).
    std::vector<std::string> Sounds() {
        std::vector<std::string> names;
        for (const std::string& path : Sound().Sounds)
            names.push_back(std::filesystem::path(path).stem().string());
        return names;
    }
    int Scene() { return game->System().Scene; }

    test::TTestGame files{"basic"};
    TGameMain* game = nullptr;
};

TEST_F(TitleTest, LogosOnceThenTheTitleWithItsWindow) {
    Start({});
    ASSERT_TRUE(game->Config.ShowLogos);
    Frame();
    // 10 frames, three logos of fade in 10, 20 frames, 60 frames, fade out 10,
    // then the title picture fades in by 3 per frame.
    EXPECT_EQ(Frames(), 10u + 3u * (10u + 20u + 60u + 10u) + 34u);
    EXPECT_FALSE(game->Config.ShowLogos);
    EXPECT_EQ(Sound().MusicStarts, 1);
    EXPECT_TRUE(Sounds().empty());
    TVezWindow& w = Title().Window();
    EXPECT_EQ(w.Y, 148);
    EXPECT_EQ(w.Width, 6 * 8 + 16);
    EXPECT_EQ(w.X, 160 - w.Width / 2);
    EXPECT_EQ(w.Height, 64);
    EXPECT_EQ(w.OpenPhase, 2); // opens with its animation, one step taken
    EXPECT_TRUE(w.CursorActive);
    // The title picture is on the board.
    Title().Draw();
    EXPECT_EQ(game->Board().ScanLine(10)[10] >> 11, 200 >> 3);
}

TEST_F(TitleTest, HoldingDecideCutsEachLogoAfterTwentyFrames) {
    Start({}, "0 Decide\n");
    Frame();
    EXPECT_EQ(Frames(), 10u + 3u * (10u + 20u + 10u) + 34u);
}

TEST_F(TitleTest, TestPlayAndHiddenTitle) {
    Start({"TestPlay", "HideTitle"}, "0\n", {"0123456789", "Go on", "End"});
    Frame();
    EXPECT_EQ(Frames(), 5u);           // no logos, no slow fade: only the quick fade by 20
    EXPECT_EQ(Sound().MusicStarts, 0); // no music
    TVezWindow& w = Title().Window();
    EXPECT_EQ(w.Y, 88);
    EXPECT_EQ(w.Width, 76);
    EXPECT_EQ(w.X, 122);
    EXPECT_TRUE(w.IsOpen());
    // The picture is not drawn: the board shows the system graphic's background colour.
    Title().Draw();
    const TRgbQuad bg = game->SystemGraphic().BackgroundColor();
    EXPECT_EQ(game->Board().ScanLine(10)[10], ColorFromRgb(bg.Red, bg.Green, bg.Blue));
}

TEST_F(TitleTest, NewGameHidesTheTitleAndStartsTheField) {
    Start();
    Frame();
    WaitOpen();
    ASSERT_TRUE(Title().Window().IsOpen());
    EXPECT_EQ(Sound().MusicStarts, 1);
    const std::uint64_t before = Frames();
    const int stops = Sound().MusicStops;
    Frame(true);
    EXPECT_EQ(Sounds(), std::vector<std::string>{"Decide"});
    EXPECT_EQ(Sound().MusicFades, std::vector<std::int32_t>{800});
    EXPECT_GT(Sound().MusicStops, stops);
    EXPECT_NE(game->Session->Field, nullptr); // the new game's field
    EXPECT_EQ(Scene(), KSceneField);
    EXPECT_EQ(Frames() - before, 5u + 48u + 16u); // fade out by 20, then 64 frames
    EXPECT_FALSE(Title().Started());
    EXPECT_FALSE(Title().FirstEntry());
    EXPECT_FALSE(Title().Window().IsPresent());
}

TEST_F(TitleTest, ContinueWithoutASaveBuzzesAndStays) {
    Start();
    Frame();
    WaitOpen();
    EXPECT_FALSE(Title().SaveExists());
    Frame(false, KButtonDown);
    EXPECT_EQ(Title().Window().CursorIndex, 1);
    Frame(true);
    EXPECT_EQ(Sounds(), (std::vector<std::string>{"Cursor", "Buzzer"}));
    EXPECT_TRUE(Title().Started());
    EXPECT_EQ(Scene(), KSceneTitle);
}

TEST_F(TitleTest, ContinueWithASaveOpensTheLoadSceneAndComesBackOpen) {
    Start();
    StartNewGame(*game);
    game->Session->Save->Save(1);
    game->System().Scene = KSceneTitle;
    Frame();
    WaitOpen();
    ASSERT_TRUE(Title().SaveExists());
    Frame(false, KButtonDown);
    Frame(true);
    EXPECT_EQ(Sounds(), (std::vector<std::string>{"Cursor", "Decide"}));
    EXPECT_EQ(Scene(), KSceneSaveFile);
    EXPECT_FALSE(game->SaveFile->SaveMode);
    // Back from the load list without loading: the quick fade only, the window at once.
    game->System().Scene = KSceneTitle;
    const std::uint64_t before = Frames();
    Frame();
    EXPECT_TRUE(Title().Window().IsOpen());
    EXPECT_EQ(Frames() - before, 5u);
}

TEST_F(TitleTest, QuitFadesOutAndClosesTheProgram) {
    Start();
    Frame();
    WaitOpen();
    Frame(false, KButtonUp); // wraps to the last line
    EXPECT_EQ(Title().Window().CursorIndex, 2);
    EXPECT_THROW(Frame(true), EKandelDrawAbort);
    EXPECT_EQ(Sounds(), (std::vector<std::string>{"Cursor", "Decide"}));
    EXPECT_EQ(Sound().MusicFades, std::vector<std::int32_t>{400});
    EXPECT_EQ(game->Board().Brightness, 0);
    EXPECT_TRUE(game->Display->CloseRequested());
}

TEST_F(TitleTest, AMissingTitlePictureIsAnErrorNamingIt) {
    Start();
    game->Session->DataBase.System.TitleGraphic = "gone";
    try {
        Title().Update();
        FAIL();
    } catch (const EFileError& e) {
        EXPECT_NE(std::string(e.what()).find("Title/gone"), std::string::npos);
    }
}

TEST_F(TitleTest, EmptyPictureNamesShowBlackPictures) {
    Start();
    Frame();
    WaitOpen();
    Title().Draw();
    ASSERT_EQ(game->Board().ScanLine(10)[10] >> 11, 200 >> 3); // the title picture
    // Without names nothing is loaded, and nothing of the last picture is left.
    game->Session->DataBase.System.TitleGraphic.clear();
    game->Session->DataBase.System.GameOverGraphic.clear();
    Title().Reset();
    Frame();
    WaitOpen();
    EXPECT_TRUE(Title().Window().IsOpen());
    Title().Draw();
    EXPECT_EQ(game->Board().ScanLine(10)[10], 0);
    EXPECT_EQ(game->Board().ScanLine(239)[319], 0);
    TVezGameOverScene& over = *game->GameOver;
    over.Update();
    ASSERT_TRUE(over.Started());
    over.Draw();
    for (int y : {0, 120, 239}) EXPECT_EQ(game->Board().ScanLine(y)[160], 0) << y;
}

TEST_F(TitleTest, TheTitleMusicIsAFullRequestAndGoesOnAfterTheLoadList) {
    // A save to continue from, made before the title starts.
    {
        TGameMain& first = files.Start("0\n", KNoFrameLimit);
        StartNewGame(first);
        first.Session->Save->Save(1);
    }
    // Decide on Continue, then Cancel on the load list, then the title again.
    game = &files.Start("0\n20 Down\n21\n40 Decide\n41\n90 Cancel\n91\n", 200);
    TVezMusic& music = game->Session->DataBase.System.Music[KMusicTitle];
    music.FadeIn = 1500;
    music.Volume = 70;
    music.Tempo = 120;
    music.Balance = 30;
    TVezSound& decide = game->Session->DataBase.System.Sound[KSoundDecide];
    decide.Volume = 40;
    decide.Tempo = 130;
    decide.Balance = 20;
    TVezSound& cursor = game->Session->DataBase.System.Sound[KSoundCursor];
    cursor.Volume = 90;
    cursor.Balance = 80;
    EXPECT_THROW(game->Run(), EKandelDrawAbort); // the frame limit
    EXPECT_EQ(Scene(), KSceneTitle);
    EXPECT_TRUE(Title().Started());
    // Started once with its own fade-in, volume, tempo and balance.
    EXPECT_EQ(Sound().MusicStarts, 1);
    EXPECT_EQ(std::filesystem::path(Sound().MusicPath).stem(), "Title");
    EXPECT_EQ(Sound().MusicFadeIn, 1500);
    EXPECT_EQ(Sound().MusicVolume, 70);
    EXPECT_EQ(Sound().MusicTempo, 120);
    EXPECT_EQ(Sound().MusicBalance, 30);
    EXPECT_EQ(game->System().CurrentMusic.Name, "Title");
    EXPECT_FALSE(game->System().MusicStopped);
    // The title's sounds with their settings: cursor, decision (Continue), then the load
    // list's cancel.
    std::vector<std::string> names;
    for (const auto& play : Sound().SoundPlays) {
        names.push_back(std::filesystem::path(play.Path).stem().string());
        if (names.back() == "Decide") {
            EXPECT_EQ(play.Volume, 40);
            EXPECT_EQ(play.Tempo, 130);
            EXPECT_EQ(play.Balance, 20);
        }
        if (names.back() == "Cursor") {
            EXPECT_EQ(play.Volume, 90);
            EXPECT_EQ(play.Tempo, 100);
            EXPECT_EQ(play.Balance, 80);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Cursor", "Decide", "Cancel"}));
}

TEST_F(TitleTest, TheBuzzerHasItsOwnSettingsToo) {
    Start();
    TVezSound& buzzer = game->Session->DataBase.System.Sound[KSoundBuzzer];
    buzzer.Volume = 55;
    buzzer.Tempo = 75;
    buzzer.Balance = 65;
    Frame();
    WaitOpen();
    Frame(false, KButtonDown);
    Frame(true); // Continue without a save
    ASSERT_EQ(Sounds(), (std::vector<std::string>{"Cursor", "Buzzer"}));
    const auto& play = Sound().SoundPlays.back();
    EXPECT_EQ(play.Volume, 55);
    EXPECT_EQ(play.Tempo, 75);
    EXPECT_EQ(play.Balance, 65);
}

TEST_F(TitleTest, GameOverFadesInSlowlyAndResetsOnAKey) {
    Start();
    TVezGameOverScene& over = *game->GameOver;
    over.Update();
    EXPECT_TRUE(over.Started());
    EXPECT_EQ(Frames(), 100u);
    over.Draw();
    EXPECT_EQ(game->Board().ScanLine(0)[0] >> 11, 90 >> 3);
    game->Input->Pressed = 0;
    over.Update();
    EXPECT_TRUE(over.Started());
    game->Input->Pressed = KButtonCancel;
    EXPECT_THROW(over.Update(), EKandelDrawReset);
    EXPECT_EQ(Frames(), 200u);
    EXPECT_FALSE(over.Started());
}

} // namespace
