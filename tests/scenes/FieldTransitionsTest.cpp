// The field's own transitions in the real game: a teleport hides and shows the picture
// with the system's teleport transitions (the game state's setting, else the
// database's; 20 is none at all), and a party killed on the field leads to game over
// after the message box has closed, with the game-over music and a slow fade.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "../TestGame.h"
#include "scenes/GameWindowsMessage.h"
#include "shell/FrameRecorder.h"

namespace kestra {
namespace {

// What the player sees at one frame, and where the game stands.
struct TFrame {
    std::uint64_t Hash = 0;
    int Dark = 0; // black pixels
    int Brightness = 0;
    std::uint8_t Scene = 0;
    std::int32_t MapId = 0, X = 0, Y = 0, Step = 0;
    bool BoxPresent = false;
    bool PartyDown = false;
};

// Plays `script` for `frames` frames, recording every frame; `early` runs on the first
// field frame.
std::vector<TFrame> Record(const std::string& name, const std::string& script, int frames,
                           const std::function<void(TGameMain&)>& prepare = {},
                           const std::function<void(TGameMain&)>& early = {}) {
    test::TTestGame files(name);
    TGameMain& game = files.Start(script, static_cast<std::uint64_t>(frames));
    if (prepare) prepare(game);
    std::vector<TFrame> log;
    auto recorder = game.Display->OnFrame;
    bool fieldSeen = false;
    game.Display->OnFrame = [&](std::uint64_t frame) {
        const TLcfgGameState& state = game.Session->Save->State;
        const TKandelBoard& board = game.Display->Board;
        TFrame f;
        f.Hash = BoardHash(board);
        for (int y = 0; y < board.Height(); ++y)
            for (int x = 0; x < board.Width(); ++x) f.Dark += board.ScanLine(y)[x] == 0 ? 1 : 0;
        f.Brightness = board.Brightness;
        f.Scene = state.System.Scene;
        f.MapId = state.Hero.MapId;
        f.X = state.Hero.X;
        f.Y = state.Hero.Y;
        f.Step = state.Hero.StepRemaining;
        f.BoxPresent = game.Session->MessageWindow.Present();
        f.PartyDown = state.PartyInfo.MemberCount() > 0;
        for (std::int32_t i = 0; i < state.PartyInfo.MemberCount(); ++i)
            if (const auto* m = state.PartyInfo.Member(i); m != nullptr && m->IsAlive())
                f.PartyDown = false;
        log.push_back(f);
        if (!fieldSeen && f.Scene == KSceneField && f.MapId != 0 && early) early(game);
        fieldSeen = fieldSeen || (f.Scene == KSceneField && f.MapId != 0);
        recorder(frame);
    };
    try {
        game.Run();
    } catch (const EKandelDrawAbort&) {
        // the frame limit
    }
    game.Display->OnFrame = recorder;
    return log;
}

// New game, then down through the door at (4, 7) of map 1 onto map 2.
constexpr const char* KWalkThroughTheDoor = "0\n60 Decide\n61\n120 Down\n140\n";

// The first frame at which `holds` is true; -1 when never.
int First(const std::vector<TFrame>& log, const std::function<bool(const TFrame&)>& holds) {
    for (std::size_t i = 0; i < log.size(); ++i)
        if (holds(log[i])) return static_cast<int>(i);
    return -1;
}

bool OnTheDoor(const TFrame& f) {
    return f.MapId == 1 && f.X == 4 && f.Y == 7 && f.Step == 0;
}

TEST(FieldTransitions, TeleportsHideAndShowWithTheSystemsTransitions) {
    // The database sets block transitions for teleports.
    const auto blocks = Record("teleport", KWalkThroughTheDoor, 500);
    const int door = First(blocks, OnTheDoor);
    const int arrived = First(blocks, [](const TFrame& f) { return f.MapId == 2; });
    ASSERT_GE(door, 0);
    ASSERT_GT(arrived, door);
    EXPECT_GE(arrived - door, 30) << "the old map is hidden step by step first";
    // Half-way through the hiding: neither the old picture nor black, and darker.
    const TFrame& middle = blocks[static_cast<std::size_t>(door + 20)];
    const TFrame& final = blocks.back();
    EXPECT_EQ(middle.MapId, 1);
    EXPECT_NE(middle.Hash, blocks[static_cast<std::size_t>(door)].Hash);
    EXPECT_NE(middle.Hash, final.Hash);
    EXPECT_GT(middle.Dark, blocks[static_cast<std::size_t>(door)].Dark);
    EXPECT_LT(middle.Dark, 320 * 240);
    EXPECT_EQ(final.MapId, 2);
    EXPECT_EQ(final.X, 4);
    EXPECT_EQ(final.Y, 5);

    // The game state's setting 20 overrides the database's: no transition at all, the
    // map changes at once.
    const auto none = Record("teleport", KWalkThroughTheDoor, 500, {}, [](TGameMain& game) {
        TLcfgSystem& system = game.Session->Save->State.System;
        system.SetTransition(KTransitionTeleportHide, 20);
        system.SetTransition(KTransitionTeleportShow, 20);
    });
    // The frame before the new map still shows the hero stepping onto the door: the
    // step ends and the map changes within one frame.
    const int arrived20 = First(none, [](const TFrame& f) { return f.MapId == 2; });
    ASSERT_GT(arrived20, 0);
    const TFrame& before = none[static_cast<std::size_t>(arrived20 - 1)];
    EXPECT_EQ(before.MapId, 1);
    EXPECT_EQ(before.X, 4);
    EXPECT_EQ(before.Y, 7);
    EXPECT_GT(before.Step, 0);
    EXPECT_EQ(First(none, OnTheDoor), -1) << "no frame shows the hero standing on the door";
    EXPECT_EQ(none.back().MapId, 2);
    EXPECT_EQ(none.back().Hash, final.Hash) << "both runs end on the same picture";
}

TEST(FieldTransitions, ADefeatOnTheFieldClosesTheBoxThenFadesSlowlyToGameOver) {
    // The trap's message is dismissed; the next command kills the whole party.
    const auto log = Record("defeat", "0\n60 Decide\n61\n200 Decide\n201\n", 700);
    const int down = First(log, [](const TFrame& f) { return f.PartyDown; });
    const int over = First(log, [](const TFrame& f) { return f.Scene == KSceneGameOver; });
    ASSERT_GE(down, 0);
    ASSERT_GT(over, down);
    // The box was still closing when the party fell; the field kept running until it was
    // gone, and only then did the scene change.
    EXPECT_TRUE(log[static_cast<std::size_t>(down)].BoxPresent);
    EXPECT_FALSE(log[static_cast<std::size_t>(over)].BoxPresent);
    EXPECT_GE(over - down, 2);
    EXPECT_LE(over - down, 8);
    // Then the field fades out with step 3: more than 30 frames of falling brightness.
    int fading = 0;
    for (std::size_t i = static_cast<std::size_t>(over) + 1;
         i < log.size() && log[i].Brightness < log[i - 1].Brightness; ++i)
        ++fading;
    EXPECT_GE(fading, 30);
    EXPECT_EQ(log.back().Scene, KSceneGameOver);
}

TEST(FieldTransitions, TheGameOverMusicStartsWithTheDefeat) {
    test::TTestGame files("defeat");
    TGameMain& game = files.Play("0\n60 Decide\n61\n200 Decide\n201\n", 400);
    const TLcfgSystem& system = game.Session->Save->State.System;
    EXPECT_EQ(system.Scene, KSceneGameOver);
    EXPECT_EQ(system.CurrentMusic.Name, game.Session->DataBase.System.Music[KMusicGameOver].Name);
}

} // namespace
} // namespace kestra
