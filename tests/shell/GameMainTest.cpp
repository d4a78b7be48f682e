#include "shell/GameMain.h"
#include "TempDir.h"
#include "base/Cp932.h"
#include "base/Errors.h"
#include "graphics/KandelImage.h"
#include "platform/FfmpegMovie.h"
#include "platform/FileSystem.h"
#include "shell/FrameRecorder.h"
#include "shell/GameSetup.h"
#include "shell/HeadlessPlatform.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

using namespace kestra;

namespace {

// A complete game folder: no runtime package needed.
struct GameDir {
    test::TempDir dir;
    GameDir() { dir.Write("KESTRA.ini", "[KESTRA]\nFullPackageFlag=1\nGameTitle=Probe\n"); }
    std::string Path() const { return dir.Path().string(); }
};

// The headless platform, with the messages kept and, when paced, a display that
// keeps real frame timing over the simulated clock.
class RecordingPlatform : public THeadlessPlatform {
public:
    explicit RecordingPlatform(bool paced = false)
        : THeadlessPlatform(kestra::platform::AtomicWriteFile, platform::OpenFfmpegMovie),
          paced_(paced) {}
    bool Headless() const override { return !paced_; }
    std::unique_ptr<IKandelDrawHost> CreateDisplayHost(const std::string& title,
                                                       bool zoom) override {
        struct ModeHost : THeadlessDrawHost {
            ModeHost(double& clock, std::vector<std::string>& log,
                     std::vector<std::string>& messages, bool messagesToo)
                : THeadlessDrawHost(clock), Log(log), Messages(messages), MessagesToo(messagesToo) {
            }
            void ApplyScreenMode(bool fullScreen, int scale, bool /*fit*/) override {
                Log.push_back(std::string(fullScreen ? "full" : "window") +
                              (" " + std::to_string(scale) + "x"));
                if (MessagesToo) Messages.push_back(Log.back());
            }
            std::vector<std::string>& Log;
            std::vector<std::string>& Messages;
            bool MessagesToo;
        };
        (void)title;
        (void)zoom;
        return std::make_unique<ModeHost>(clock_, Log, Messages, ModesWithMessages);
    }
    void ShowErrorMessage(std::string_view title, std::string_view text) override {
        Messages.push_back("message " + std::string(title) + ": " + std::string(text));
    }
    std::vector<std::string> Log;      // screen modes
    std::vector<std::string> Messages; // error messages
    bool ModesWithMessages = false;    // screen modes go to Messages too

private:
    bool paced_;
    double clock_ = 0.0;
};

TCommandLine Args(const GameDir& game, std::vector<std::string> more) {
    std::vector<std::string> args = {"--game", game.Path()};
    args.insert(args.end(), more.begin(), more.end());
    return ParseCommandLine(args);
}

// A scene that fades out and in on every update and counts what happened.
class FadingScene : public TVezScene {
public:
    using TVezScene::TVezScene;
    void Reset() override {
        TVezScene::Reset();
        ++resets;
        finishedAtLastReset = fadesFinished;
    }
    void Update() override {
        ++fadesStarted;
        FadeOut(10);
        FadeIn(10);
        ++fadesFinished;
    }
    void Draw() override { Host.Board().FillRect(Host.Board().GetBounds(), 200, 100, 50); }
    int resets = 0, fadesStarted = 0, fadesFinished = 0, finishedAtLastReset = -1;
};

// Paints a picture that depends on its update count.
class PaintScene : public TVezScene {
public:
    using TVezScene::TVezScene;
    void Update() override { ++updates; }
    void Draw() override { Paint(Host.Board(), updates); }
    static void Paint(TKandelBoard& board, int n) {
        for (int y = 0; y < board.Height(); ++y)
            for (int x = 0; x < board.Width(); ++x)
                board.ScanLine(y)[x] = static_cast<std::uint16_t>(x * 97 + y * 1021 + n * 7919);
        board.ScanLine(0)[0] = 0xF800; // pure red
        board.ScanLine(0)[1] = 0xFFFF; // white
    }
    int updates = 0;
};

class ThrowingScene : public TVezScene {
public:
    using TVezScene::TVezScene;
    void Update() override { throw EFileError("Title/Missing.png: the file does not exist"); }
    void Draw() override {}
};

std::string WriteScript(const test::TempDir& dir, const std::string& text) {
    return dir.Write("input.txt", text).string();
}

} // namespace

TEST(GameMain, CommandLineReachesConfigurationSeedAndInput) {
    GameDir game;
    std::string script = WriteScript(game.dir, "3 Left\n");
    RecordingPlatform platform;
    TGameMain main(Args(game, {"--headless", "--seed", "77", "--input", script, "BattleTest",
                               "HideTitle", "Window", "12"}),
                   platform);
    EXPECT_TRUE(main.Config.BattleTestMode);
    EXPECT_TRUE(main.Config.TestPlayMode);
    EXPECT_FALSE(main.Config.ShowTitle);
    EXPECT_TRUE(main.Config.WindowMode);
    EXPECT_EQ(main.Config.GameTitle, "Probe");
    EXPECT_EQ(main.RandomGenerator->Seed, 77u);
    ASSERT_NE(main.Script(), nullptr);
    EXPECT_EQ(main.Script()->Changes().size(), 1u);
    EXPECT_EQ(main.Display->FrameRate(), 60);
    EXPECT_EQ(main.Display->MaxLag(), 20);
    EXPECT_TRUE(main.Display->ScreenZoom());
    main.ResetGame();
    EXPECT_EQ(main.System().Scene, KSceneBattle);
    EXPECT_EQ(main.BattleTestTroop, 12);
}

TEST(GameMain, WithoutSeedTheClockSeedsAndModesFollowTheWords) {
    GameDir game;
    RecordingPlatform paced(true);
    TGameMain full(Args(game, {}), paced);
    // Headless seeds from the simulated clock, which starts at a fixed time.
    EXPECT_EQ(full.RandomGenerator->Seed, static_cast<std::uint32_t>(KHeadlessEpochMs));
    EXPECT_TRUE(full.Display->FullScreen());
    RecordingPlatform paced2(true);
    TGameMain window(Args(game, {"", "", "Window"}), paced2);
    EXPECT_FALSE(window.Display->FullScreen());
    ASSERT_FALSE(paced.Log.empty());
    EXPECT_EQ(paced.Log.front(), "full 2x");
    EXPECT_EQ(paced2.Log.front(), "window 2x");
}

TEST(GameMain, ResetHoldsWhileF12IsDownThenTwentyFrames) {
    GameDir game;
    {
        RecordingPlatform platform;
        TGameMain main(Args(game, {"--headless", "--input", WriteScript(game.dir, "0 F12\n31\n")}),
                       platform);
        main.System().Scene = KSceneField;
        main.System().SetSwitch(3, true);
        main.Session->Save->State.Hero.SetPosition(2, 5, 6);
        main.Display->Board.Brightness = 100;
        main.ResetGame();
        // The game state starts over with the game.
        EXPECT_FALSE(main.System().Switch(3));
        EXPECT_EQ(main.Session->Save->State.Hero.MapId, 0);
        // Updates 1..30 see F12; the 31st does not. One frame per held update after the first.
        EXPECT_EQ(main.Script()->SampleCount(), 31u);
        EXPECT_EQ(main.Display->FramesWaited(), 30u + KResetSettleFrames);
        EXPECT_EQ(main.Display->Board.Brightness, 0);
        EXPECT_EQ(BoardHash(main.Display->Board), [] {
            TKandelBoard black;
            black.SetSize(320, 240);
            return BoardHash(black);
        }());
        EXPECT_EQ(main.System().Scene, KSceneTitle);
    }
    {
        RecordingPlatform platform;
        TGameMain main(Args(game, {"--headless"}), platform);
        main.ResetGame();
        EXPECT_EQ(main.Display->FramesWaited(), static_cast<std::uint64_t>(KResetSettleFrames));
    }
}

TEST(GameMain, F12DuringAFadeUnwindsToTheOuterLoopWhichStartsAgain) {
    GameDir game;
    // Update 1 is the reset's, update 2 the first pass: F12 goes down there and
    // acts inside the fade; released at update 4.
    RecordingPlatform platform(true);
    TGameMain main(Args(game, {"", "", "Window", "--frames", "400", "--input",
                               WriteScript(game.dir, "2 F12\n4\n")}),
                   platform);
    auto scene = std::make_unique<FadingScene>(main);
    FadingScene* fading = scene.get();
    main.SetScene(KSceneTitle, std::move(scene));
    EXPECT_THROW(main.Run(), EKandelDrawAbort); // the frame limit
    EXPECT_EQ(fading->resets, 2);
    EXPECT_GE(fading->fadesStarted, 3);
    // The first fade never finished; fades after the reset did.
    EXPECT_EQ(fading->finishedAtLastReset, 0);
    EXPECT_GE(fading->fadesFinished, 1);
    EXPECT_EQ(main.Display->FramesWaited(), 400u);
}

TEST(GameMain, HotKeysActOnlyInsideTheMainLoop) {
    GameDir game;
    RecordingPlatform platform(true);
    TGameMain main(Args(game, {"", "", "Window", "--frames", "60", "--input",
                               WriteScript(game.dir, "1 F4\n2\n")}),
                   platform);
    main.ResetGame(); // outside the loop: F4 is ignored
    EXPECT_FALSE(main.Display->FullScreen());
    RecordingPlatform platform2(true);
    TGameMain looped(Args(game, {"", "", "Window", "--frames", "60", "--input",
                                 WriteScript(game.dir, "2 F4\n3\n")}),
                     platform2);
    EXPECT_THROW(looped.Run(), EKandelDrawAbort);
    EXPECT_TRUE(looped.Display->FullScreen());
    EXPECT_EQ(platform2.Log.back(), "full 2x");
}

TEST(GameMain, ScreenshotsAndHashLogShowTheBoard) {
    GameDir game;
    std::string png = (game.dir.Path() / "shot.png").string();
    std::string log = (game.dir.Path() / "hashes.txt").string();
    RecordingPlatform platform;
    TGameMain main(Args(game, {"--headless", "--frames", "30", "--screenshot", "25:" + png,
                               "--hash-log", log}),
                   platform);
    main.SetScene(KSceneTitle, std::make_unique<PaintScene>(main));
    EXPECT_THROW(main.Run(), EKandelDrawAbort);

    // Frames 1..20 are the reset's black ones; frame 21 shows the first update.
    TKandelBoard expected;
    expected.SetSize(320, 240);
    PaintScene::Paint(expected, 5);
    TKandelBitmap shot;
    ReadImageFile(png, shot);
    ASSERT_EQ(shot.Format, TPixelFormat::Rgb24);
    ASSERT_EQ(shot.Width, 320);
    ASSERT_EQ(shot.Height, 240);
    EXPECT_EQ(shot.Pixels, BoardToBitmap(expected).Pixels);
    EXPECT_EQ(shot.Row(0)[2], 255); // red, stored blue green red
    EXPECT_EQ(shot.Row(0)[0], 0);
    EXPECT_EQ(shot.Row(0)[3], 255); // white
    EXPECT_EQ(shot.Row(0)[4], 255);

    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 30u);
    char want[64];
    std::snprintf(want, sizeof want, "25 %016llx",
                  static_cast<unsigned long long>(BoardHash(expected)));
    EXPECT_EQ(lines[24], want);
    EXPECT_EQ(lines[0].substr(0, 2), "1 ");
}

TEST(GameMain, BoardHashIsFnv1a64OfTheLittleEndianPixels) {
    TKandelBoard board;
    board.SetSize(3, 1);
    // "foobar" as three little-endian pixels.
    board.ScanLine(0)[0] = 'f' | 'o' << 8;
    board.ScanLine(0)[1] = 'o' | 'b' << 8;
    board.ScanLine(0)[2] = 'a' | 'r' << 8;
    EXPECT_EQ(BoardHash(board), 0x85944171f73967e8ull);
}

TEST(TopHandler, ExitCodesAndMessages) {
    GameDir game;
    {
        RecordingPlatform platform;
        EXPECT_EQ(RunGame(Args(game, {"--headless", "--frames", "25"}), platform), 0);
        EXPECT_TRUE(platform.Messages.empty());
    }
    {
        // Cancel (Escape) on the placeholder scene ends the program quietly.
        RecordingPlatform platform;
        EXPECT_EQ(RunGame(Args(game, {"--headless", "--frames", "1000", "--input",
                                      WriteScript(game.dir, "3 Cancel\n")}),
                          platform),
                  0);
        EXPECT_TRUE(platform.Messages.empty());
    }
    {
        RecordingPlatform platform;
        TCommandLine cl = ParseCommandLine({"--game", game.Path() + "/absent", "--headless"});
        EXPECT_EQ(RunGame(cl, platform), 1);
        ASSERT_EQ(platform.Messages.size(), 1u);
        EXPECT_NE(platform.Messages[0].find("absent"), std::string::npos);
    }
    {
        RecordingPlatform platform;
        EXPECT_EQ(RunGame(Args(game, {"--headless", "BattleTest", "", "", "12x"}), platform), 1);
        ASSERT_EQ(platform.Messages.size(), 1u);
        EXPECT_EQ(platform.Messages[0].rfind("message Probe: ", 0), 0u);
    }
}

TEST(TopHandler, AnErrorInASceneLeavesFullScreenBeforeTheMessage) {
    GameDir game;
    RecordingPlatform platform(true);
    platform.ModesWithMessages = true;
    int code = RunGame(Args(game, {}), platform, [](TGameMain& main) {
        main.SetScene(KSceneTitle, std::make_unique<ThrowingScene>(main));
    });
    EXPECT_EQ(code, 1);
    ASSERT_EQ(platform.Messages.size(), 3u);
    EXPECT_EQ(platform.Messages[0], "full 2x");
    EXPECT_EQ(platform.Messages[1], "window 2x");
    EXPECT_EQ(platform.Messages[2], "message Probe: Title/Missing.png: the file does not exist");
}

TEST(TopHandler, MessagesAreShownAsUtf8) {
    EXPECT_TRUE(IsValidUtf8("Title/Missing.png"));
    EXPECT_TRUE(IsValidUtf8("\xE3\x82\xBF\xE3\x82\xA4\xE3\x83\x88\xE3\x83\xAB")); // katakana
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\x83\x5E\x83\x43\x83\x67\x83\x8B")); // the same word in CP932
    EXPECT_FALSE(IsValidUtf8("\xE3\x82"));                         // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));                         // overlong "/"
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));                     // surrogate
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));                 // past U+10FFFF
}
