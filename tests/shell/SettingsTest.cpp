// The player's settings as a player meets them: the settings file read at start, the
// settings screen (F1) changing them in a scripted run of the real game, the file written
// back with the user's own lines kept, remapped keys acting through the input layer, bad
// values warned about, the command line's settings for one run only.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "base/IniFile.h"
#include "platform/FileSystem.h"
#include "scenes/LS_Settings.h"
#include "shell/SceneNumbers.h"
#include "shell/Settings.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

// An input script built tap by tap: each key is held for one update, 8 updates apart
// (the list scrolls in four frames, during which its cursor does not move).
struct TScript {
    std::uint64_t At = 0;
    std::string Text = "0\n";
    TScript& Tap(const std::string& key, std::uint64_t gap = 8) {
        At += gap;
        Text += std::to_string(At) + " " + key + "\n" + std::to_string(At + 1) + "\n";
        return *this;
    }
    TScript& Repeat(const std::string& key, int times) {
        for (int i = 0; i < times; ++i) Tap(key);
        return *this;
    }
};

TGameMain& PlayToTheLimit(test::TTestGame& files, const std::string& script, std::uint64_t frames) {
    return files.Play(script, frames);
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(Settings, TheSettingsScreenChangesTheFileAndKeepsTheUsersLines) {
    test::TTestGame files("basic");
    files.WriteSettings("; my own notes\r\n"
                        "[Kestra]\r\n"
                        "MyOwnKey = keep me\r\n"
                        "MusicVolume=80\r\n"
                        "\r\n"
                        "[Game:basic]\r\n"
                        "Encoding=1252\r\n");
    TScript s;
    s.At = 96;
    s.Tap("F1")            // the screen opens over the title
        .Repeat("Down", 3) // Music volume
        .Tap("Right")      // 80 -> 90
        .Tap("Down")       // Sound volume
        .Tap("Left")       // 100 -> 90
        .Repeat("Up", 3)   // Window size
        .Tap("Right")      // 2x -> 3x
        .Repeat("Down", 8) // Key: Decide
        .Tap("Decide")     // waits for a key
        .Tap("A")          // Decide is A alone now
        .Repeat("Down", 8) // Key: FastForward
        .Tap("Return")     // Return decides no more: nothing happens
        .Tap("A")          // waits
        .Tap("Q")          // FastForward is Q
        .Tap("Cancel");    // back to the title
    TGameMain& game = PlayToTheLimit(files, s.Text, s.At + 60);
    EXPECT_FALSE(game.SettingsScreen->Open());
    EXPECT_EQ(game.System().Scene, KSceneTitle) << "the game goes on where it stopped";

    // At once: the window, the mixer's volumes, the input's keys.
    EXPECT_EQ(game.Display->WindowScale(), 3);
    EXPECT_EQ(files.Sound().PlayerMusicVolume, 90);
    EXPECT_EQ(files.Sound().PlayerSoundVolume, 90);
    EXPECT_EQ(game.Input->KeyTable[4][0], TKeyCode::A);
    EXPECT_EQ(game.Input->KeyTable[4][1], TKeyCode::None);
    EXPECT_EQ(game.Input->HotKeys[static_cast<int>(THotKey::FastForward)], TableKey(TKeyCode::Q));

    const std::string text = files.ReadSettings();
    EXPECT_TRUE(text.starts_with("; my own notes\r\n[Kestra]\r\nMyOwnKey = keep me\r\n"
                                 "MusicVolume=90\r\n"))
        << text;
    for (const char* line :
         {"SoundVolume=90\r\n", "Scale=3\r\n", "[Game:basic]\r\nEncoding=1252\r\n",
          "[Keys]\r\nDecide=A\r\n", "[HotKeys]\r\nFastForward=Q\r\n"})
        EXPECT_TRUE(Contains(text, line)) << line << " in\n" << text;
    // Only what the player changed is written.
    EXPECT_FALSE(Contains(text, "Down=")) << text;
    EXPECT_FALSE(Contains(text, "Screen=")) << text;

    // Read again, the file gives the settings the game ended with.
    TCommandLine none;
    TSettingsStore again(files.SettingsFile(), none, platform::AtomicWriteFile);
    EXPECT_TRUE(again.Warnings().empty());
    EXPECT_EQ(again.Current(), game.Settings->Current());
}

TEST(Settings, TheScreenIsDrawnWithTheGamesWindows) {
    test::TTestGame files("basic");
    TScript s;
    s.At = 96;
    s.Tap("F1").Repeat("Down", 10).Tap("Decide"); // waiting for the key of Cancel
    TGameMain& game = PlayToTheLimit(files, s.Text, s.At + 80);
    ASSERT_TRUE(game.SettingsScreen->Open());
    EXPECT_EQ(game.SettingsScreen->Waiting(), KLineFirstButton + 5);
    EXPECT_EQ(game.SettingsScreen->List().ValueText(KLineFirstHotKey), "F4");
    EXPECT_EQ(game.SettingsScreen->List().ValueText(KLineFirstHotKey + 6), "Tab");
    test::CompareGolden(game.Display->Board, "settings_screen.png");
}

// Fieldplay's hero starts at (5, 7) facing down; the title's New Game is the first line.
TEST(Settings, RemappedKeysPlayTheGameAndTheOldKeysNoLonger) {
    test::TTestGame files("fieldplay");
    files.WriteSettings("[Keys]\nDecide=E\nDown=S Digit2\n[HotKeys]\nZoom=Tab\n"
                        "[Gamepad]\nCancel=5\n");
    const std::string script = "0\n"
                               "60 Decide\n61\n"     // Space decides no more: still the title
                               "100 E\n101\n"        // New Game
                               "120 Tab\n121\n"      // the zoom, now on Tab
                               "130 F5\n131\n"       // F5 zooms no more
                               "250 Down\n270\n"     // the arrow no longer walks
                               "300 S\n316\n"        // S walks down
                               "350 Button1\n351\n"  // the old cancel button: no menu
                               "380 Button5\n381\n"; // the menu
    int sceneAt90 = -1, yAfterArrow = -1;
    files.Start(script, 560);
    TGameMain& game = *files.Game;
    auto recorder = game.Display->OnFrame;
    game.Display->OnFrame = [&, recorder](std::uint64_t frame) {
        const std::uint64_t update = game.Script()->SampleCount();
        if (update >= 90 && sceneAt90 < 0) sceneAt90 = game.System().Scene;
        if (update >= 290 && yAfterArrow < 0) yAfterArrow = game.State().Hero.Y;
        recorder(frame);
    };
    try {
        game.Run();
    } catch (const EKandelDrawAbort&) {
    }
    EXPECT_TRUE(game.Settings->Warnings().empty());
    EXPECT_EQ(sceneAt90, KSceneTitle) << "Space must not start the game";
    EXPECT_EQ(game.State().Hero.MapId, 1);
    EXPECT_EQ(yAfterArrow, 7) << "the Down arrow must not walk";
    EXPECT_GT(game.State().Hero.Y, 7) << "S walks down";
    EXPECT_FALSE(game.Display->ScreenZoom()) << "Tab zooms, F5 does not";
    EXPECT_EQ(game.System().Scene, KSceneMenu) << "button 5 cancels (opens the menu)";
}

TEST(Settings, BadValuesAreWarnedAboutByFileLineAndKeyAndTheDefaultIsUsed) {
    test::TTestGame files("basic");
    files.WriteSettings("[Kestra]\n"
                        "Scale=7\n"
                        "MusicVolume=loud\n"
                        "Screen=big\n"
                        "SoundVolume=55\n"
                        "[Keys]\n"
                        "Decide=Space Banana\n"
                        "[HotKeys]\n"
                        "Reset=F13\n"
                        "[Gamepad]\n"
                        "Cancel=40\n");
    TGameMain& game = PlayToTheLimit(files, "0\n", 30);
    const std::string file = files.SettingsFile().string();
    const std::vector<std::string> expected = {
        file + ":2: Scale: '7' is not a whole number from 1 to 4; using 2",
        file + ":3: MusicVolume: 'loud' is not a whole number from 0 to 100; using 100",
        file + ":7: Decide: 'Space Banana' is not key names such as Space Z Down Pad2 "
               "Digit1 Tab; using Space Return PadEnter Z",
        file + ":9: Reset: 'F13' is not one key name such as F4, Tab or None; using F12",
        file + ":11: Cancel: '40' is not button numbers from 0 to 31; using 1",
        file + ":4: Screen: 'big' is not 'window' or 'fullscreen'; using full screen unless "
               "the word Window is given"};
    EXPECT_EQ(game.Settings->Warnings(), expected);
    // The good line counts; the bad ones keep their defaults; the game runs.
    EXPECT_EQ(files.Sound().PlayerSoundVolume, 55);
    EXPECT_EQ(game.Display->WindowScale(), 2);
    EXPECT_EQ(game.Input->KeyTable[4], KDefaultKeyTable[4]);
    EXPECT_GE(game.Display->FramesWaited(), 30u);

    // A directory where the file should be: one warning, the defaults, nothing written.
    test::TTestGame blocked("basic");
    std::filesystem::create_directories(blocked.SettingsFile());
    TGameMain& second = PlayToTheLimit(blocked, "0\n", 10);
    ASSERT_EQ(second.Settings->Warnings().size(), 1u);
    EXPECT_TRUE(Contains(second.Settings->Warnings()[0], blocked.SettingsFile().string()));
    TSettings louder = second.Settings->Current();
    louder.MusicVolume = 10;
    EXPECT_FALSE(second.Settings->Change(louder));
    EXPECT_TRUE(std::filesystem::is_directory(blocked.SettingsFile()));
}

TEST(Settings, CommandLineSettingsOverrideTheFileForOneRunOnly) {
    test::TempDir home;
    const std::filesystem::path path = home.Write("kestra/config.ini", "[Kestra]\nScale=1\n");
    const TCommandLine line =
        ParseCommandLine({"--scale", "3", "--bind", "Decide=E,W", "--volume-music=20", "--window",
                          "--gamepad", "Decide=4", "--bind", "Screenshot=F7", "--scaling", "fit"});
    TSettingsStore store(path, line, platform::AtomicWriteFile);
    const TSettings& s = store.Current();
    EXPECT_EQ(s.Scale, 3);
    EXPECT_TRUE(s.Fit);
    EXPECT_EQ(s.MusicVolume, 20);
    EXPECT_EQ(s.FullScreen, std::optional<bool>(false));
    EXPECT_EQ(s.Keys[4][0], TKeyCode::E);
    EXPECT_EQ(s.Keys[4][1], TKeyCode::W);
    EXPECT_EQ(s.Gamepad.Decide, 1u << 4);
    EXPECT_EQ(s.HotKeys[static_cast<int>(THotKey::Screenshot)], FunctionKey(7));

    // A change by the player is saved; the command line's values are not.
    TSettings changed = s;
    changed.SoundVolume = 40;
    ASSERT_TRUE(store.Change(changed));
    std::ifstream in(path);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    EXPECT_EQ(text, "[Kestra]\nScale=1\nSoundVolume=40\n");

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--scale", "9"},
                                                {"--bind", "Jump=Z"},
                                                {"--bind", "Decide=F4"},
                                                {"--gamepad", "Decide=x"},
                                                {"--volume-sound", "101"},
                                                {"--scaling", "smooth"},
                                                {"--bind", "Z"}})
        EXPECT_THROW(ParseCommandLine(bad), ECommandLineError) << bad[0] << " " << bad[1];
    const std::string help = CommandLineHelp("kestra", path.string());
    EXPECT_TRUE(Contains(help, path.string()));
    EXPECT_TRUE(Contains(help, "--volume-music N"));
    EXPECT_TRUE(Contains(help, "[HotKeys]"));
}

// The file keeps what it had: comments, other sections, keys before any section, line ends.
TEST(Settings, TheDocumentChangesOnlyTheLinesItSets) {
    TIniDocument doc("RuntimePackagePath=/rtp\n[Kestra]\n;c\nScale = 2 ; two\n\n[Other]\nA=1");
    EXPECT_EQ(doc.Find("kestra", "scale")->Value, "2 ; two");
    EXPECT_EQ(doc.Find("Kestra", "Scale")->Line, 4u);
    doc.Set("Kestra", "scale", "3");
    doc.Set("Kestra", "Fit", "1");
    doc.Set("Keys", "Decide", "A");
    doc.Set("Other", "B", "2");
    EXPECT_EQ(doc.Text(), "RuntimePackagePath=/rtp\n[Kestra]\n;c\nScale =3\nFit=1\n\n[Other]\nA=1\n"
                          "B=2\n\n[Keys]\nDecide=A");
    const TIniDocument again(doc.Text());
    EXPECT_EQ(again.Find("Keys", "Decide")->Value, "A");
    EXPECT_EQ(again.Find("", "RuntimePackagePath")->Value, "/rtp");
}

} // namespace
} // namespace kestra
