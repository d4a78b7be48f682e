// Record and replay through the real game object over the test game "fieldplay": a
// recorded run replays to the same pictures, saves included; an edited game is caught
// at the frame with both pictures written; an approval takes the new pictures; a bad
// replay is refused with a clear message.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "../TestGame.h"
#include "data/LD_Map.h"
#include "media/RecordingInput.h"
#include "shell/Replay.h"

namespace kestra {
namespace {

namespace fs = std::filesystem;

// New game, then the menu's Save on slot 1 (as the field's tests play it).
const std::string KNewGameAndSave = "0\n60 Decide\n61\n150 Cancel\n151\n200 Down\n201\n"
                                    "205 Down\n206\n210 Down\n211\n220 Decide\n221\n"
                                    "330 Decide\n331\n";
// Continue from slot 1, walk right, save on slot 2.
const std::string KContinueWalkAndSave =
    "0\n60 Down\n61\n70 Decide\n71\n160 Decide\n161\n250 Right\n262\n300 Cancel\n301\n"
    "350 Down\n351\n355 Down\n356\n360 Down\n361\n370 Decide\n371\n470 Down\n471\n"
    "480 Decide\n481\n";

struct TReplayGame {
    test::TTestGame Files{"fieldplay"};
    test::TTestPlatform Platform;
    fs::path ReplayPath = Files.Dir.Path() / "run.krp";
    std::string Errors;

    int Run(TCommandLine line) {
        line.GameDir = Files.Dir.Path();
        testing::internal::CaptureStderr();
        int rc = 1;
        try {
            LoadReplay(line);
            rc = RunGame(line, Platform, [](TGameMain& game) { PrepareGame(game); });
        } catch (const EKestraError& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        Errors = testing::internal::GetCapturedStderr();
        return rc;
    }
    int Record(const std::string& script, std::uint64_t frames) {
        TCommandLine line;
        line.Words = {"TestPlay"};
        line.Headless = true;
        line.Frames = frames;
        line.InputScript = Files.Dir.Write("input.txt", script);
        line.RecordFile = ReplayPath;
        return Run(line);
    }
    int Replay(bool approve = false, bool strict = false) {
        TCommandLine line;
        line.ReplayFile = ReplayPath;
        line.Approve = approve;
        line.Strict = strict;
        return Run(line);
    }
    // Paints the town's top-left tile over with another, as an author's edit would.
    void EditTheTown() {
        TVezMap map;
        map.LoadFromFile((Files.Dir.Path() / "Map0001.lmu").string());
        map.Lower.SetTile(0, 0, map.Lower.TileAt(0, 0) == 5000 ? 4000 : 5000);
        map.SaveToFile((Files.Dir.Path() / "Map0001.lmu").string());
    }
};

TEST(Replay, ARecordedRunWithSavesReplaysToTheSamePicturesAndLeavesTheSavesAlone) {
    TReplayGame game;
    game.Files.Play(KNewGameAndSave, 520);
    ASSERT_TRUE(game.Files.Exists("Save01.lsd"));
    game.Files.Game.reset();

    ASSERT_EQ(game.Record(KContinueWalkAndSave, 700), 0) << game.Errors;
    ASSERT_TRUE(game.Files.Exists("Save02.lsd")) << "the recorded run saved on slot 2";
    const TReplayFile replay = ReadReplayFile(game.ReplayPath);
    EXPECT_EQ(replay.Game, game.Files.Dir.Path().filename().string());
    // No --seed: the clock seeded the run, and the file keeps that seed.
    EXPECT_EQ(replay.Seed, static_cast<std::uint32_t>(KHeadlessEpochMs));
    ASSERT_EQ(replay.Saves.size(), 1u) << "the save the run started from travels with it";
    EXPECT_EQ(replay.Saves[0].first, "Save01.lsd");
    EXPECT_EQ(replay.End.Frame, 700u);
    EXPECT_GE(replay.Checkpoints.size(), 9u);

    // The replay plays from the saves in the file: the folder's own are not read and
    // not written.
    const auto save2 = game.Files.Read("Save02.lsd");
    fs::remove(game.Files.Dir.Path() / "Save01.lsd");
    EXPECT_EQ(game.Replay(), 0) << game.Errors;
    EXPECT_NE(game.Errors.find("checkpoints matched"), std::string::npos) << game.Errors;
    EXPECT_FALSE(game.Files.Exists("Save01.lsd"));
    EXPECT_EQ(game.Files.Read("Save02.lsd"), save2);
}

TEST(Replay, AnEditedGameIsCaughtAtItsFrameAndAnApprovalTakesTheNewPictures) {
    TReplayGame game;
    ASSERT_EQ(game.Record("0\n60 Decide\n61\n170 Right\n182\n", 360), 0) << game.Errors;
    const std::size_t lines = ReadReplayFile(game.ReplayPath).InputLines.size();
    EXPECT_EQ(lines, 5u);
    game.EditTheTown();

    // Strict: the data alone refuses it.
    EXPECT_EQ(game.Replay(false, true), KReplayMismatchExit);
    EXPECT_NE(game.Errors.find("data files differ"), std::string::npos) << game.Errors;

    // Otherwise a warning, then the first checkpoint showing the town.
    EXPECT_EQ(game.Replay(), KReplayMismatchExit);
    EXPECT_NE(game.Errors.find("warning"), std::string::npos) << game.Errors;
    const std::size_t at = game.Errors.find(": frame ");
    ASSERT_NE(at, std::string::npos) << game.Errors;
    const std::uint64_t frame = std::stoull(game.Errors.substr(at + 8));
    EXPECT_GT(frame, 60u) << "the title is the same";
    EXPECT_NE(game.Errors.find("expected board"), std::string::npos);
    const fs::path dir = game.Files.Dir.Path();
    EXPECT_TRUE(fs::exists(dir / ("run.frame" + std::to_string(frame) + ".png")));
    bool matchShot = false;
    for (const auto& entry : fs::directory_iterator(dir))
        matchShot |= entry.path().string().ends_with(".match.png");
    EXPECT_TRUE(matchShot) << "the last checkpoint that matched is drawn too";

    EXPECT_EQ(game.Replay(true), 0) << game.Errors;
    EXPECT_NE(game.Errors.find("approved"), std::string::npos);
    EXPECT_EQ(game.Replay(), 0) << game.Errors;
    // The approved file still holds the same input.
    EXPECT_EQ(ReadReplayFile(game.ReplayPath).InputLines.size(), lines);
}

TEST(Replay, BadReplayFilesAreRefusedWithTheFileAndTheProblem) {
    TReplayGame game;
    ASSERT_EQ(game.Record("0\n60 Decide\n61\n", 200), 0) << game.Errors;
    const std::string good = [&] {
        const auto bytes = game.Files.Read("run.krp");
        return std::string(bytes.begin(), bytes.end());
    }();
    auto refused = [&](const std::string& text, const std::string& expected) {
        std::ofstream(game.ReplayPath, std::ios::binary | std::ios::trunc) << text;
        EXPECT_EQ(game.Replay(), 1) << expected;
        EXPECT_NE(game.Errors.find(expected), std::string::npos) << game.Errors;
        EXPECT_NE(game.Errors.find("run.krp"), std::string::npos) << game.Errors;
    };
    refused(good.substr(0, good.rfind("end ")), "no end line");
    refused(good.substr(0, good.size() / 2) + "\n", ":"); // cut inside a line: its number
    refused("kestra-replay 7\n", "replay format 7");
    refused("PNG\r\n", "not a replay file");
    refused("", "empty");
    std::string otherGame = good;
    otherGame.replace(otherGame.find("\ngame ") + 6, 1, "X");
    // Another game's replay (and these data differ from it).
    game.EditTheTown();
    refused(otherGame, "recorded with the game");
    std::string badLine = good;
    badLine.insert(badLine.find("input\n") + 6, "60 Jump\n");
    refused(badLine, "unknown key 'Jump'");
}

// A live device that gives whatever the test sets, as the window's would.
class TLiveDevice : public IInputDevice {
public:
    TInputSample Next;
    std::uint16_t Down = 0, Pressed = 0;
    TInputSample Sample() override { return Next; }
    bool FunctionKeyDown(int n) const override { return Down >> n & 1u; }
    bool FunctionKeyPressed(int n) const override { return Pressed >> n & 1u; }
};

TEST(Replay, TheRecordedLinesGiveEverySampleAndFunctionKeyTheLiveDeviceGave) {
    auto owned = std::make_unique<TLiveDevice>();
    TLiveDevice& live = *owned;
    std::string lines;
    TRecordingInput recording(std::move(owned),
                              [&](const std::string& line) { lines += line + "\n"; });
    std::mt19937 random(5);
    auto bits = [&](int n) { return static_cast<std::uint32_t>(random()) & ((1u << n) - 1); };
    std::vector<TInputSample> seen;
    std::vector<std::uint32_t> functions;
    for (int i = 0; i < 3000; ++i) {
        // Long holds with now and then a change, a press again, a tap.
        if (random() % 8 == 0) {
            TInputSample s;
            // A key that becomes held went down; others may have gone down again.
            s.KeysDown = bits(25) & ~1u & (random() % 2 ? 0x3Eu : ~0u);
            s.KeysWentDown = (s.KeysDown & ~live.Next.KeysDown) | (s.KeysDown & bits(25));
            s.Shift = random() % 5 == 0;
            s.Ctrl = random() % 7 == 0;
            s.Alt = random() % 9 == 0;
            s.Active = random() % 13 != 0;
            s.MouseDown = static_cast<std::uint8_t>(bits(2));
            s.MouseWentDown =
                static_cast<std::uint8_t>((s.MouseDown & ~live.Next.MouseDown) | bits(2));
            s.JoystickPresent = random() % 3 == 0;
            if (s.JoystickPresent) {
                s.JoystickX = static_cast<int>(random() % 65536) - 32768;
                s.JoystickY = static_cast<int>(random() % 65536) - 32768;
                s.JoystickButtonsDown = bits(12);
                s.JoystickButtonsWentDown =
                    (s.JoystickButtonsDown & ~live.Next.JoystickButtonsDown) | bits(12);
            }
            live.Next = s;
            const std::uint16_t down = static_cast<std::uint16_t>(bits(13) & ~1u);
            live.Pressed = static_cast<std::uint16_t>((down & ~live.Down) | (bits(13) & ~1u));
            live.Down = down;
        } else {
            live.Next.KeysWentDown = random() % 20 == 0 ? bits(25) & ~1u : 0;
            live.Next.MouseWentDown = 0;
            live.Next.JoystickButtonsWentDown = 0;
            live.Pressed = 0;
        }
        const TInputSample got = recording.Sample();
        seen.push_back(got);
        std::uint32_t f = 0;
        for (int n = 1; n <= 12; ++n)
            f |= (recording.FunctionKeyDown(n) ? 1u : 0u) << n |
                 (recording.FunctionKeyPressed(n) ? 1u : 0u) << (n + 16);
        functions.push_back(f);
        // What the game reads is what the device gave (with the modifiers' rule that
        // keys going down under Alt belong to the window).
        ASSERT_EQ(got.KeysDown, live.Next.KeysDown) << i;
        ASSERT_EQ(got.KeysWentDown, live.Next.KeysWentDown) << i;
        ASSERT_EQ(got.JoystickX, live.Next.JoystickPresent ? live.Next.JoystickX : 0) << i;
        ASSERT_EQ(f & 0xFFFF, live.Down) << i;
    }
    TScriptedInput replay = TScriptedInput::FromText(lines, "recording");
    for (std::size_t i = 0; i < seen.size(); ++i) {
        const TInputSample s = replay.Sample();
        const TInputSample& r = seen[i];
        ASSERT_EQ(s.KeysDown, r.KeysDown) << i;
        ASSERT_EQ(s.KeysWentDown, r.KeysWentDown) << i;
        ASSERT_EQ(std::tie(s.Active, s.Shift, s.Ctrl, s.Alt, s.MouseDown, s.MouseWentDown),
                  std::tie(r.Active, r.Shift, r.Ctrl, r.Alt, r.MouseDown, r.MouseWentDown))
            << i;
        ASSERT_EQ(std::tie(s.JoystickPresent, s.JoystickX, s.JoystickY, s.JoystickButtonsDown,
                           s.JoystickButtonsWentDown),
                  std::tie(r.JoystickPresent, r.JoystickX, r.JoystickY, r.JoystickButtonsDown,
                           r.JoystickButtonsWentDown))
            << i;
        std::uint32_t f = 0;
        for (int n = 1; n <= 12; ++n)
            f |= (replay.FunctionKeyDown(n) ? 1u : 0u) << n |
                 (replay.FunctionKeyPressed(n) ? 1u : 0u) << (n + 16);
        ASSERT_EQ(f, functions[i]) << i;
    }
}

} // namespace
} // namespace kestra
