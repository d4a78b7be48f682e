// The player's keys beside the game's buttons, played through the real game object on
// the headless platform: a gamepad in the input script walks the hero, decides and
// opens the menu; the screenshot key writes the picture of its frame into the pictures
// folder; the fast-forward key runs four game frames per frame shown; and started in a
// folder of games, the chooser lists them and plays the one chosen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "media/RecordingInput.h"
#include "shell/FrameRecorder.h"
#include "shell/GameChooser.h"
#include "shell/Screenshot.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

namespace fs = std::filesystem;

// New game from the title of "fieldplay" with the pad's south button; the hero starts
// at (5, 7) and the field takes input well before update 150.
const std::string KPadNewGame = "0\n60 GamepadSouth\n61 Gamepad:0,0\n";
constexpr std::uint64_t KTitleFrames = 200;

TGameMain& Play(test::TTestGame& files, const std::string& script, std::uint64_t frames) {
    return files.Play(script, frames);
}

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(Gamepad, TheDpadAndStickWalkSouthDecidesAndStartOpensTheMenu) {
    test::TTestGame files("fieldplay");
    // One step down on the D-pad, one step right on the stick, then Start.
    TGameMain& game = Play(files,
                           KPadNewGame + "150 GamepadDown\n152 Gamepad:0,0\n190 Gamepad:32000,0\n"
                                         "192 Gamepad:0,0\n250 GamepadStart\n251 Gamepad:0,0\n",
                           260 + KTitleFrames);
    const TLcfgGameState& state = game.State();
    EXPECT_EQ(state.Hero.X, 6);
    EXPECT_EQ(state.Hero.Y, 8);
    EXPECT_EQ(state.System.Scene, KSceneMenu);

    // A stick within the dead zone and West and North do nothing; East cancels too.
    test::TTestGame still("fieldplay");
    TGameMain& idle = Play(still,
                           KPadNewGame + "150 Gamepad:8000,-8000 GamepadWest GamepadNorth\n"
                                         "250 GamepadEast\n251\n",
                           260 + KTitleFrames);
    EXPECT_EQ(idle.State().Hero.X, 5);
    EXPECT_EQ(idle.State().Hero.Y, 7);
    EXPECT_EQ(idle.State().System.Scene, KSceneMenu);
}

TEST(Gamepad, ScriptsAndRecordingsCarryThePad) {
    const TScriptedInput script =
        TScriptedInput::FromText("3 Gamepad:-200,300 GamepadStart +GamepadSouth Tab\n", "pad.txt");
    ASSERT_EQ(script.Changes().size(), 1u);
    const auto& s = script.Changes()[0].State;
    EXPECT_TRUE(s.Pad);
    EXPECT_EQ(s.PadX, -200);
    EXPECT_EQ(s.PadY, 300);
    EXPECT_EQ(s.PadButtons, PadBit(TPadButton::Start));
    EXPECT_EQ(s.PadTaps, PadBit(TPadButton::South));
    EXPECT_EQ(s.Keys, KeyBit(TKeyCode::Tab));
    EXPECT_EQ(TScriptedInput::FormatLine(script.Changes()[0]),
              "3 Tab Gamepad:-200,300 +GamepadSouth GamepadStart");
    EXPECT_THROW(TScriptedInput::FromText("1 Gamepad:40000,0\n", "x"), EInputScriptError);
    EXPECT_THROW(TScriptedInput::FromText("1 +Gamepad:1,1\n", "x"), EInputScriptError);

    // A pad button pressed and released between two samples is recorded as a tap, one
    // held is not, and a replay of the line gives the same sample.
    TInputSample live;
    live.PadPresent = true;
    live.PadStickY = -32768;
    live.PadButtonsDown = PadBit(TPadButton::DpadLeft);
    live.PadButtonsWentDown = PadBit(TPadButton::DpadLeft) | PadBit(TPadButton::South);
    const TScriptedInput::TState state = TRecordingInput::StateOf(live, {}, 0, 0);
    EXPECT_EQ(state.PadTaps, PadBit(TPadButton::South));
    TScriptedInput replay;
    replay.Append({1, state});
    const TInputSample again = replay.Sample();
    EXPECT_TRUE(again.PadPresent);
    EXPECT_EQ(again.PadStickY, -32768);
    EXPECT_EQ(again.PadButtonsDown, live.PadButtonsDown);
    EXPECT_EQ(again.PadButtonsWentDown, live.PadButtonsWentDown);
}

// The frames counted while the run goes on: the game's frame counter and the pictures
// the headless window was given, at two input updates.
struct TFrameCounts {
    std::int32_t GameFrames = 0;
    int Shown = 0;
};

TEST(FastForward, HoldingTabRunsFourGameFramesPerFrameShown) {
    test::TTestGame files("fieldplay");
    // The field from about update 200; Tab held from 250 to 450.
    TGameMain& game = files.Start("0\n60 Decide\n61\n250 Tab\n450\n", 1000);
    auto& host = dynamic_cast<THeadlessDrawHost&>(game.DisplayHost->Inner());
    std::map<std::uint64_t, TFrameCounts> at;
    auto recorder = game.Display->OnFrame;
    game.Display->OnFrame = [&](std::uint64_t frame) {
        const std::uint64_t update = game.Script()->SampleCount();
        if (!at.count(update)) at[update] = {game.System().FrameCount, host.Presents};
        recorder(frame);
    };
    try {
        game.Run();
    } catch (const EKandelDrawAbort&) {
    }
    ASSERT_TRUE(at.count(300) && at.count(400) && at.count(500) && at.count(600));
    EXPECT_EQ(at[400].GameFrames - at[300].GameFrames, 100);
    EXPECT_EQ(at[400].Shown - at[300].Shown, 25);
    // Released: one frame shown per game frame again.
    EXPECT_EQ(at[600].GameFrames - at[500].GameFrames, 100);
    EXPECT_EQ(at[600].Shown - at[500].Shown, 100);
    // The game itself ran the same frames as without the key.
    test::TTestGame plain("fieldplay");
    TGameMain& normal = plain.Play("0\n60 Decide\n61\n", 1000);
    EXPECT_EQ(normal.System().FrameCount, game.System().FrameCount);
    EXPECT_EQ(BoardHash(normal.Board()), BoardHash(game.Board()));
}

TEST(Screenshot, TheKeyWritesThePictureOfItsFrameNamedByGameAndTime) {
    test::TempDir pictures;
    setenv("XDG_PICTURES_DIR", pictures.Path().c_str(), 1);
    test::TTestGame files("fieldplay");
    // F8 twice on the field in the same second, then on again.
    TGameMain& game = files.Start("0\n60 Decide\n61\n250 F8\n251\n256 F8\n257\n", 500);
    const fs::path folder = pictures.Path() / "kestra";
    std::vector<std::vector<std::uint8_t>> expected;
    auto recorder = game.Display->OnFrame;
    game.Display->OnFrame = [&](std::uint64_t frame) {
        const std::size_t before = expected.size();
        std::size_t written = 0;
        recorder(frame);
        std::error_code ec;
        for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator();
             ++it)
            ++written;
        if (written > before) {
            // The board as it is now, written the way --screenshot writes it.
            const fs::path reference = pictures.Path() / ("frame" + std::to_string(frame));
            WriteBoardPng(game.Board(), reference);
            expected.push_back(FileBytes(reference));
        }
    };
    testing::internal::CaptureStderr();
    try {
        game.Run();
    } catch (const EKandelDrawAbort&) {
    }
    const std::string err = testing::internal::GetCapturedStderr();
    // The simulated clock starts at 2000-01-01 00:00 UTC; update 250 is 6 s later.
    const std::string name = game.Config.GameFolderName + "-2000-01-01-000006";
    const fs::path first = folder / (name + ".png");
    const fs::path second = folder / (name + "-2.png");
    ASSERT_EQ(expected.size(), 2u) << err;
    EXPECT_EQ(FileBytes(first), expected[0]);
    EXPECT_EQ(FileBytes(second), expected[1]);
    EXPECT_NE(err.find("kestra: screenshot " + first.string() + "\n"), std::string::npos) << err;

    // A folder that cannot be made is one line, and the game plays on.
    setenv("XDG_PICTURES_DIR", "/proc/kestra-none", 1);
    test::TTestGame blocked("fieldplay");
    testing::internal::CaptureStderr();
    TGameMain& on = blocked.Play("0\n60 Decide\n61\n250 F8\n251\n", 500);
    const std::string why = testing::internal::GetCapturedStderr();
    EXPECT_NE(why.find("kestra: no screenshot: /proc/kestra-none/kestra: cannot create"),
              std::string::npos)
        << why;
    EXPECT_EQ(on.Display->FramesWaited(), 500u);
    unsetenv("XDG_PICTURES_DIR");
}

TEST(Screenshot, FolderAndNameFollowTheDesktopsSettings) {
    test::TempDir home;
    auto env = [&](std::map<std::string, std::string> vars) -> TEnvLookup {
        return [vars](const std::string& name) -> std::optional<std::string> {
            auto it = vars.find(name);
            return it == vars.end() ? std::nullopt : std::optional(it->second);
        };
    };
    const std::string h = home.Path().string();
    EXPECT_EQ(ScreenshotFolder(env({{"HOME", h}})), home.Path() / "Pictures" / "kestra");
    EXPECT_EQ(ScreenshotFolder(env({{"HOME", h}, {"XDG_PICTURES_DIR", "/srv/shots"}})),
              fs::path("/srv/shots/kestra"));
    fs::create_directories(home.Path() / ".config");
    std::ofstream(home.Path() / ".config" / "user-dirs.dirs")
        << "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
           "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n";
    EXPECT_EQ(ScreenshotFolder(env({{"HOME", h}})), home.Path() / "Bilder" / "kestra");
    EXPECT_TRUE(ScreenshotFolder(env({})).empty());
    EXPECT_EQ(PicturesDirFromUserDirs("  XDG_PICTURES_DIR=\"$HOME/P\"", "/h"), fs::path("/h/P"));
    EXPECT_TRUE(PicturesDirFromUserDirs("XDG_PICTURES_DIR=\"Pictures\"\n", "/h").empty());
    EXPECT_TRUE(PicturesDirFromUserDirs("XDG_PICTURES_DIR=\"$HOME/P\n", "/h").empty());
    EXPECT_TRUE(PicturesDirFromUserDirs("XDG_PICTURES_DIR=\"$HOME/P\"", "").empty());
    // 2026-12-09 07:05:12 as a save time stamp.
    const double day = 46365.0 + (7 * 3600 + 5 * 60 + 12) / 86400.0;
    EXPECT_EQ(ScreenshotBaseName("demo", day), "demo-2026-12-09-070512");
    EXPECT_EQ(ScreenshotBaseName("x", 36526.0), "x-2000-01-01-000000");
}

TEST(GameChooser, AFolderOfGamesListsThemAndPlaysTheOneChosen) {
    test::TempDir dir;
    fs::copy(fs::path(KESTRA_GAMES_DIR) / "basic", dir.Path() / "alpha",
             fs::copy_options::recursive);
    fs::copy(fs::path(KESTRA_GAMES_DIR) / "fieldplay", dir.Path() / "beta",
             fs::copy_options::recursive);
    std::ofstream(dir.Path() / "beta" / "KESTRA.ini")
        << "[KESTRA]\nFullPackageFlag=1\nGameTitle=The Second Game\n";
    fs::create_directory(dir.Path() / "photos");
    auto script = dir.Path() / "input.txt";
    // Down to the second game, Decide; the title's New Game follows.
    std::ofstream(script) << "0\n40 Down\n41\n60 Decide\n61\n";

    test::TTestPlatform platform;
    TCommandLine line;
    line.GameDir = dir.Path();
    line.Headless = true;
    line.Seed = 1;
    line.Frames = 400;
    line.InputScript = script;
    testing::internal::CaptureStderr();
    TGameMain game(line, platform);
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Games in this folder: alpha, beta"), std::string::npos) << said;
    ASSERT_TRUE(game.ChoosingGame());
    PrepareGame(game); // the player's start: nothing to load yet
    TKandelBoard chooser;
    chooser.SetSize(320, 240);
    auto recorder = game.Display->OnFrame;
    game.Display->OnFrame = [&](std::uint64_t frame) {
        if (game.Script()->SampleCount() == 50)
            chooser.CopyBoard(0, 0, game.Board().GetBounds(), game.Board());
        recorder(frame);
    };
    try {
        game.Run();
    } catch (const EKandelDrawAbort&) {
    }
    test::CompareGolden(chooser, "game_chooser.png");
    EXPECT_FALSE(game.ChoosingGame());
    EXPECT_EQ(game.Config.GameDir, (dir.Path() / "beta").string() + "/");
    EXPECT_EQ(game.Config.GameTitle, "The Second Game");
    EXPECT_TRUE(game.Session->GameLoaded);
    EXPECT_EQ(game.System().Scene, KSceneTitle);
    // The title of the second game (the choice's Decide does not reach it).
    test::CompareGolden(game.Board(), "game_chooser_title.png");

    const auto choices = ReadGameChoices(dir.Path().string() + "/", {"alpha", "beta"});
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].Title, "Test game basic");
    EXPECT_EQ(choices[1].Title, "The Second Game");
}

} // namespace
} // namespace kestra
