// The screen commands in the running game: a new game of "screen" whose automatic
// common event runs the commands of a test while the frame loop plays, and what the
// player sees at each checkpoint (variable 1 set by the list): tint, flash, shake,
// weather, the screen hidden and shown, pictures shown, moved, turned and erased,
// pictures and weather scrolling with the map, another map ending the flash and the
// pictures, and a save that holds all of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

#include "../GoldenPicture.h"
#include "../TestGame.h"
#include "../interpreter/ScriptWorld.h"
#include "data/DataBase.h"
#include "data/SaveData.h"
#include "scenes/GameWindowsMessage.h"
#include "shell/FrameRecorder.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

using test::Cmd;

// New game from the title; the field starts at about frame 80.
constexpr const char* KNewGame = "0\n60 Decide\n61\n";

// Checkpoint: variable 1 := n.
TVezEventScriptLine Mark(int n) {
    return Cmd(10220, {0, 1, 1, 0, 0, n});
}
// One frame's wait, so the checkpoint's frame shows what came before it; the list
// goes on two frames later.
TVezEventScriptLine Hold() {
    return Cmd(11410, {0});
}
TVezEventScriptLine WaitTenths(int tenths) {
    return Cmd(11410, {tenths});
}
// Show picture n: file, centre, scrolls, magnification, transparency, effect, strength.
TVezEventScriptLine Show(int n, const std::string& file, int x, int y, int scrolls, int zoom,
                         int transparency, int effect, int strength) {
    return Cmd(11110,
               {n, 0, x, y, scrolls, zoom, transparency, 1, 100, 100, 100, 100, effect, strength},
               0, file);
}
// Move picture n to (x, y) with magnification, transparency, effect and strength over
// `tenths`, waiting when asked.
TVezEventScriptLine Move(int n, int x, int y, int zoom, int transparency, int effect, int strength,
                         int tenths, int wait) {
    return Cmd(11120, {n, 0, x, y, 0, zoom, transparency, 0, 100, 100, 100, 100, effect, strength,
                       tenths, wait});
}

struct TFrameInfo {
    int Mark = 0;
    std::uint64_t Hash = 0;
    int Brightness = 0;
    TScreenColors Colors;
    int ShakeX = 0;
    std::int32_t WeatherOffsetX = 0, ScrollX = 0;
    double PictureX = 0, PictureY = 0, Magnification = 0, EffectStrength = 0;
    int Angle = 0;
    bool BoxPresent = false;
    bool AnimationPlaying = false;
    double GuardFlash = 0;
};

// Plays the list as the game's automatic common event for `frames` frames and keeps
// what every frame showed; the board of the first frame of each checkpoint is kept.
class TScreenPlay {
public:
    TScreenPlay(std::vector<TVezEventScriptLine> commands, int frames) {
        commands.push_back(WaitTenths(100000)); // the event never starts again
        TGameMain& game = Files.Start(KNewGame, static_cast<std::uint64_t>(frames));
        TVezCommonEventItem& event = game.Session->DataBase.CommonEvents.Obtain(1);
        event.Trigger = TVezCommonEventItem::KTriggerAuto;
        event.Commands = test::List(std::move(commands));
        auto recorder = game.Display->OnFrame;
        game.Display->OnFrame = [&](std::uint64_t frame) {
            Record(game);
            recorder(frame);
        };
        try {
            game.Run();
        } catch (const EKandelDrawAbort&) {
            // the frame limit
        }
        game.Display->OnFrame = recorder;
    }
    TGameMain& Game() { return *Files.Game; }
    TLcfgGameState& State() { return Files.Game->Session->Save->State; }
    // The first frame of a checkpoint; fails the test when it never came.
    int At(int mark) const {
        for (std::size_t i = 0; i < Log.size(); ++i)
            if (Log[i].Mark == mark) return static_cast<int>(i);
        ADD_FAILURE() << "checkpoint " << mark << " never reached";
        return 0;
    }
    const TKandelBoard& Shot(int mark) {
        auto& board = Shots[mark];
        if (!board) {
            ADD_FAILURE() << "no picture at checkpoint " << mark;
            board = std::make_unique<TKandelBoard>();
            board->SetSize(320, 240);
        }
        return *board;
    }

    std::vector<TFrameInfo> Log;

private:
    void Record(TGameMain& game) {
        const TLcfgGameState& s = game.Session->Save->State;
        const TKandelBoard& board = game.Display->Board;
        TFrameInfo f;
        f.Mark = s.System.Variable(1);
        f.Hash = BoardHash(board);
        f.Brightness = board.Brightness;
        f.Colors = s.Screen.Colors();
        f.ShakeX = s.Screen.ShakeX;
        f.WeatherOffsetX = s.Screen.WeatherOffsetX;
        f.ScrollX = s.Map.ScrollX;
        const TLcfgPictureItem& p = *s.Pictures.Picture(1);
        f.PictureX = p.X;
        f.PictureY = p.Y;
        f.Magnification = p.Magnification;
        f.EffectStrength = p.EffectStrength;
        f.Angle = p.DrawnAngle();
        f.BoxPresent = game.Session->MessageWindow.Present();
        f.AnimationPlaying = s.Screen.AnimationPlaying;
        if (const TLcfgEventItem* guard = s.Map.Events.Find(1)) f.GuardFlash = guard->FlashStrength;
        if (!Shots.contains(f.Mark)) {
            auto copy = std::make_unique<TKandelBoard>();
            copy->SetSize(board.Width(), board.Height());
            copy->CopyBoard(0, 0, board.GetBounds(), board);
            Shots[f.Mark] = std::move(copy);
        }
        Log.push_back(f);
    }

    test::TTestGame Files{"screen"};
    std::map<int, std::unique_ptr<TKandelBoard>> Shots;
};

std::uint16_t Pixel(const TKandelBoard& b, int x, int y) {
    return b.ScanLine(y)[x];
}

int Differing(const TKandelBoard& a, const TKandelBoard& b) {
    int n = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) n += Pixel(a, x, y) != Pixel(b, x, y) ? 1 : 0;
    return n;
}

} // namespace

// How the frames fall: a checkpoint's frame runs the Hold after it, whose one frame
// of waiting is spent in the same frame, so the next command runs one frame later. A
// command waiting n frames spends one of them in its own frame and the list goes on
// n frames after it. The field updates the screen before the interpreter runs, so an
// effect begun in frame c first moves in frame c + 1, and a waited effect arrives in
// the frame in which the list goes on.
TEST(ScreenCommands, TintApproachesLinearlyWaitsForItselfAndColoursTheWholeMap) {
    TScreenPlay play(
        {
            Mark(1),
            Hold(),
            Cmd(11030, {100, 100, 100, 0, 10, 1}), // grey over 60 frames, waiting
            Mark(2),
            Hold(),
            Cmd(11030, {130, 90, 70, 60, 0, 1}), // an evening at once, still one frame
            Mark(3),
            Hold(),
            Cmd(11030, {100, 100, 100, 100, 0, 0}),
            Mark(4),
            Hold(),
        },
        260);
    // The tint moves in frames start..grey: 60 steps, the last one in the checkpoint's.
    const int start = play.At(1) + 2, grey = play.At(2);
    EXPECT_EQ(grey - start, 59);
    EXPECT_EQ(play.Log[static_cast<std::size_t>(start - 1)].Colors.Saturation, 100);
    EXPECT_EQ(play.Log[static_cast<std::size_t>(grey)].Colors.Saturation, 0);
    EXPECT_GT(play.Log[static_cast<std::size_t>(grey - 1)].Colors.Saturation, 0);
    for (int f = start + 1; f <= grey; ++f)
        EXPECT_LE(play.Log[static_cast<std::size_t>(f)].Colors.Saturation,
                  play.Log[static_cast<std::size_t>(f - 1)].Colors.Saturation);
    // Linear: halfway after 30 of the 60 steps.
    EXPECT_EQ(play.Log[static_cast<std::size_t>(start + 29)].Colors.Saturation, 50);
    // Full grey on every pixel: tiles, the hero and the guard (5-6-5 grey has green
    // twice red, blue equal to red).
    const TKandelBoard& g = play.Shot(2);
    int coloured = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const std::uint16_t p = Pixel(g, x, y);
            const int r = p >> 11, gr = (p >> 5) & 63, b = p & 31;
            coloured += (gr != 2 * r || b != r) ? 1 : 0;
        }
    EXPECT_EQ(coloured, 0);
    EXPECT_GT(Differing(g, play.Shot(1)), 50000);
    // Duration 0 with the wait flag waits one frame, spent in its own: the hold's
    // frame and the command's.
    EXPECT_EQ(play.At(3) - grey, 2);
    test::CompareGolden(play.Shot(3), "screen_tint.png");
    // Back to 100 everywhere: the picture before the tint.
    EXPECT_EQ(Differing(play.Shot(4), play.Shot(1)), 0);
}

TEST(ScreenCommands, FlashFadesAwayAndShakeMovesTheWholeMapSideways) {
    TScreenPlay play(
        {
            Mark(1),
            Hold(),
            Cmd(11040, {31, 31, 31, 31, 5, 1}), // white over 30 frames, waiting
            Mark(2),
            Hold(),
            Cmd(11050, {9, 9, 10, 1}), // strongest shake for 60 frames, waiting
            Mark(3),
            Hold(),
            Cmd(11040, {99, -3, 12, 900, 0, 0}), // out of range: clamped, gone at once
            Mark(4),
            WaitTenths(1),
            Mark(5),
            Hold(),
        },
        320);
    // Set in frame `flash` at full strength, faded in the 30 frames after it.
    const int flash = play.At(1) + 1, after = play.At(2);
    EXPECT_EQ(after - flash, 30);
    EXPECT_EQ(play.Log[static_cast<std::size_t>(flash)].Colors.FlashStrength, 31);
    for (int f = flash + 1; f <= after; ++f)
        EXPECT_LE(play.Log[static_cast<std::size_t>(f)].Colors.FlashStrength,
                  play.Log[static_cast<std::size_t>(f - 1)].Colors.FlashStrength);
    EXPECT_GT(play.Log[static_cast<std::size_t>(after - 1)].Colors.FlashStrength, 0);
    EXPECT_EQ(play.Log[static_cast<std::size_t>(after)].Colors.FlashStrength, 0);
    EXPECT_NE(play.Log[static_cast<std::size_t>(flash)].Hash,
              play.Log[static_cast<std::size_t>(flash - 1)].Hash);
    // Faded out: exactly the picture before it.
    EXPECT_EQ(Differing(play.Shot(2), play.Shot(1)), 0);

    // Every shaken frame is the still picture moved by the shake offset.
    const TKandelBoard& still = play.Shot(1);
    const int shakeStart = play.At(2) + 2, shakeEnd = play.At(3);
    EXPECT_EQ(shakeEnd - shakeStart, 59);
    int moved = 0, widest = 0;
    for (int f = shakeStart + 1; f < shakeEnd; ++f) {
        const int d = play.Log[static_cast<std::size_t>(f)].ShakeX;
        widest = std::max(widest, std::abs(d));
        moved += d != 0 ? 1 : 0;
        EXPECT_LE(std::abs(d), 19);
    }
    EXPECT_GT(moved, 30);
    EXPECT_GE(widest, 10);
    EXPECT_EQ(play.Log[static_cast<std::size_t>(shakeEnd)].ShakeX, 0);
    EXPECT_EQ(Differing(play.Shot(3), still), 0);

    // Clamped parameters reach the colour control in range; strength 32 of 32nds
    // shows the flash colour alone.
    const TFrameInfo& wild = play.Log[static_cast<std::size_t>(play.At(4))];
    EXPECT_EQ(wild.Colors.FlashRed, 31);
    EXPECT_EQ(wild.Colors.FlashGreen, 0);
    EXPECT_EQ(wild.Colors.FlashBlue, 12);
    EXPECT_EQ(wild.Colors.FlashStrength, 32);
    const TKandelBoard& red = play.Shot(4);
    EXPECT_EQ(Pixel(red, 100, 100), PackRgb565(31, 0, 12));
    EXPECT_EQ(Pixel(red, 5, 200), PackRgb565(31, 0, 12));
    EXPECT_EQ(Differing(play.Shot(5), still), 0);
}

// One shaken frame: replays the shake and compares the board of one frame with the
// still board moved by its offset.
TEST(ScreenCommands, AShakenFrameIsTheStillFrameMovedByTheOffset) {
    test::TTestGame files("screen");
    TGameMain& game = files.Start(KNewGame, 400);
    TVezCommonEventItem& event = game.Session->DataBase.CommonEvents.Obtain(1);
    event.Trigger = TVezCommonEventItem::KTriggerAuto;
    event.Commands = test::List(
        {Mark(1), WaitTenths(2), Mark(2), Cmd(11050, {7, 6, 20, 1}), Mark(3), WaitTenths(100000)});
    TKandelBoard still;
    still.SetSize(320, 240);
    int compared = 0;
    auto recorder = game.Display->OnFrame;
    game.Display->OnFrame = [&](std::uint64_t frame) {
        const TLcfgGameState& s = game.Session->Save->State;
        const TKandelBoard& board = game.Display->Board;
        if (s.System.Variable(1) == 1) still.CopyBoard(0, 0, board.GetBounds(), board);
        const int d = s.Screen.ShakeX;
        if (s.System.Variable(1) == 2 && d != 0) {
            int differing = 0;
            for (int y = 0; y < 240; ++y)
                for (int x = std::max(0, d); x < 320 + std::min(0, d); ++x)
                    differing += board.ScanLine(y)[x] != still.ScanLine(y)[x - d] ? 1 : 0;
            EXPECT_EQ(differing, 0) << "shake " << d;
            ++compared;
        }
        recorder(frame);
    };
    try {
        game.Run();
    } catch (const EKandelDrawAbort&) {
    }
    game.Display->OnFrame = recorder;
    EXPECT_GT(compared, 60);
}

TEST(ScreenCommands, RainFallsOverTheMapAndScrollsWithItAsPicturesDo) {
    TScreenPlay play(
        {
            Cmd(11070, {1, 9}), // rain, strength above 2 is 2
            WaitTenths(10),
            Mark(1),
            Hold(),
            Show(1, "Map", 160, 120, 1, 50, 0, 0, 0),                   // scrolls with the map
            Show(2, "Map", 60, 50, 0, 50, 0, 0, 0),                     // stays on the screen
            Cmd(11330, {10001, 8, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}), // ten steps right
            Cmd(11340),
            Mark(2),
            Hold(),
            Cmd(11070, {2, 0}), // weak snow
            WaitTenths(10),
            Mark(3),
            Hold(),
            Cmd(11070, {0, 0}),
            Mark(4),
            Hold(),
        },
        700);
    TLcfgGameState& s = play.State();
    EXPECT_EQ(s.Screen.WeatherKind, 0);
    const TFrameInfo& walked = play.Log[static_cast<std::size_t>(play.At(2))];
    EXPECT_GT(walked.ScrollX, 0);
    // The weather and the scrolling picture moved with the view; the other stayed.
    EXPECT_EQ(walked.WeatherOffsetX, (5120 - walked.ScrollX % 5120) % 5120);
    EXPECT_DOUBLE_EQ(walked.PictureX, 160.0 - walked.ScrollX / 16.0);
    EXPECT_DOUBLE_EQ(s.Pictures.Picture(1)->X, 160.0 - s.Map.ScrollX / 16.0);
    EXPECT_DOUBLE_EQ(s.Pictures.Picture(2)->X, 60.0);
    test::CompareGolden(play.Shot(1), "screen_weather.png");
    EXPECT_GT(Differing(play.Shot(3), play.Shot(4)), 0); // snow shows
}

TEST(ScreenCommands, PicturesShowTurnMoveWindDownWaverAndGo) {
    TScreenPlay play(
        {
            Mark(1),
            Hold(),
            Show(0, "Map", 160, 120, 0, 100, 0, 0, 0), // numbers outside 1..20 do nothing
            Show(21, "Map", 160, 120, 0, 100, 0, 0, 0),
            Cmd(11120, {-4, 0, 1, 1, 0, 100, 0, 0, 100, 100, 100, 100, 0, 0, 10, 1}),
            Cmd(11130, {99}),
            Mark(2),
            Hold(),
            Show(1, "Map", 160, 120, 0, 150, 20, 1, 8), // turning 8 / 256 a frame
            WaitTenths(2),
            Mark(3),
            Hold(),
            // Off: the rotation winds down while it moves to (100, 80) at half size.
            Move(1, 100, 80, 50, 0, 0, 0, 10, 1),
            Mark(4),
            WaitTenths(10),
            Mark(5),
            Hold(),
            Show(1, "Map", 160, 120, 0, 100, 0, 2, 6), // waver
            WaitTenths(1),
            Mark(6),
            Hold(),
            Move(1, 160, 120, 100, 0, 0, 0, 5, 1), // the waver dies down, stays a waver
            Mark(7),
            Hold(),
            Cmd(11130, {1}),
            Mark(8),
            Hold(),
        },
        560);
    TLcfgGameState& s = play.State();
    // Nothing changed by the numbers out of range.
    EXPECT_EQ(Differing(play.Shot(2), play.Shot(1)), 0);
    const int shown = play.At(2) + 2, turned = play.At(3);
    // Turned in the frames after the show through the checkpoint's: 12 steps of 8.
    EXPECT_EQ(turned - shown, 11);
    EXPECT_EQ(play.Log[static_cast<std::size_t>(turned)].Angle, 12 * 8);
    test::CompareGolden(play.Shot(3), "picture_rotated.png");

    // The move arrives exactly; the rotation switched off has come to rest.
    const TFrameInfo& arrived = play.Log[static_cast<std::size_t>(play.At(4))];
    EXPECT_EQ(play.At(4) - turned, 61);
    EXPECT_DOUBLE_EQ(arrived.PictureX, 100.0);
    EXPECT_DOUBLE_EQ(arrived.PictureY, 80.0);
    EXPECT_DOUBLE_EQ(arrived.Magnification, 50.0);
    const TFrameInfo& settled = play.Log[static_cast<std::size_t>(play.At(5))];
    EXPECT_EQ(settled.Angle, play.Log[static_cast<std::size_t>(play.At(5) - 1)].Angle);

    // The waver draws rows shifted; moved with effect none its strength falls to 0
    // with the move while the effect stays.
    EXPECT_GT(Differing(play.Shot(6), play.Shot(5)), 0);
    const TFrameInfo& calm = play.Log[static_cast<std::size_t>(play.At(7))];
    EXPECT_EQ(calm.EffectStrength, 0.0);
    EXPECT_GT(play.Log[static_cast<std::size_t>(play.At(6))].EffectStrength, 0.0);
    // Erased: the map as before any picture.
    EXPECT_TRUE(s.Pictures.Picture(1)->Name.empty());
    EXPECT_EQ(s.Pictures.Picture(1)->Effect, KPictureEffectWaver);
    EXPECT_EQ(Differing(play.Shot(8), play.Shot(1)), 0);
}

TEST(ScreenCommands, EraseAndShowScreenUseTheirTransitions) {
    TScreenPlay play(
        {
            Mark(1),
            Hold(),
            Cmd(11010, {-1}), // the teleport's hide transition
            Mark(2),
            Hold(),
            Cmd(11010, {3}), // already black: nothing
            Mark(3),
            Hold(),
            Cmd(11020, {0}), // shown again with a fade
            Mark(4),
            Hold(),
        },
        500);
    const int hidden = play.At(2);
    EXPECT_EQ(play.Log[static_cast<std::size_t>(hidden)].Brightness, 0);
    EXPECT_GT(hidden - play.At(1), 10); // the transition ran its frames
    EXPECT_EQ(play.At(3) - hidden, 1);  // no frames of its own, only the hold's
    EXPECT_EQ(play.Log[static_cast<std::size_t>(play.At(3))].Brightness, 0);
    const TFrameInfo& back = play.Log[static_cast<std::size_t>(play.At(4))];
    EXPECT_EQ(back.Brightness, 100);
    EXPECT_EQ(Differing(play.Shot(4), play.Shot(1)), 0);
}

// Battle animations on the map: on the guard (its cells over him, his flash), over
// the whole screen (its flash on the screen), waited for two frames per animation
// frame, and gone without a trace when they end.
TEST(ScreenCommands, BattleAnimationsPlayOnACharacterAndOverTheScreen) {
    TScreenPlay play(
        {
            Mark(1),
            Hold(),
            Cmd(11210, {1, 1, 1, 0}), // "Slash" on the guard, waiting
            Mark(2),
            Hold(),
            Cmd(11210, {3, 10001, 1, 1}), // "Flash" over the whole screen
            Mark(3),
            Hold(),
            Cmd(11210, {99, 10001, 1, 0}), // no such animation: nothing, no wait
            Mark(4),
            Hold(),
        },
        300);
    // Eight frames, two display frames each; the wait's first frame is the command's.
    const int slash = play.At(1) + 1, shown = play.At(2);
    EXPECT_EQ(shown - slash, 16);
    int drawn = 0;
    double guardFlash = 0;
    for (int f = slash; f < shown; ++f) {
        const TFrameInfo& info = play.Log[static_cast<std::size_t>(f)];
        EXPECT_TRUE(info.AnimationPlaying) << f;
        drawn += info.Hash != play.Log[static_cast<std::size_t>(slash - 1)].Hash ? 1 : 0;
        guardFlash = std::max(guardFlash, info.GuardFlash);
    }
    EXPECT_GE(drawn, 14);
    EXPECT_GT(guardFlash, 0.0);
    EXPECT_FALSE(play.Log[static_cast<std::size_t>(shown)].AnimationPlaying);
    EXPECT_EQ(Differing(play.Shot(2), play.Shot(1)), 0);

    // The whole-screen animation's timing flashes the screen, not the guard.
    int flashed = 0;
    for (int f = shown + 1; f < play.At(3); ++f) {
        const TFrameInfo& info = play.Log[static_cast<std::size_t>(f)];
        flashed += info.Colors.FlashStrength > 0 ? 1 : 0;
        EXPECT_EQ(info.GuardFlash, 0.0);
    }
    EXPECT_GT(flashed, 0);
    EXPECT_EQ(play.At(3) - shown, 1 + 16);
    EXPECT_EQ(play.At(4) - play.At(3), 1);
    EXPECT_EQ(Differing(play.Shot(4), play.Shot(1)), 0);
}

TEST(ScreenCommands, AnotherMapEndsTheFlashAndThePicturesButKeepsTheTint) {
    TScreenPlay play(
        {
            Cmd(11030, {150, 100, 100, 100, 0, 0}),
            Cmd(11040, {31, 0, 0, 20, 50, 0}),
            Show(4, "Map", 160, 120, 0, 100, 0, 0, 0),
            Mark(1),
            Cmd(10810, {2, 3, 3}),
            Mark(2),
        },
        400);
    const TLcfgGameState& s = play.State();
    EXPECT_EQ(s.Hero.MapId, 2);
    EXPECT_GT(play.Log[static_cast<std::size_t>(play.At(1))].Colors.FlashStrength, 0);
    EXPECT_EQ(s.Screen.FlashStrength, 0.0);
    EXPECT_TRUE(s.Pictures.Picture(4)->Name.empty());
    EXPECT_EQ(s.Screen.Colors().Red, 150);
}

TEST(ScreenCommands, ASaveHoldsTheScreenAndThePicturesAndLoadsThemBack) {
    TScreenPlay play(
        {
            Cmd(11030, {120, 80, 90, 70, 30, 0}),
            Cmd(11050, {4, 5, 40, 0}),
            Cmd(11070, {2, 1}),
            Show(3, "Map", 100, 90, 1, 120, 25, 1, 5),
            Show(7, "Map", 200, 150, 0, 80, 0, 2, 4),
            Move(7, 180, 130, 100, 10, 2, 8, 20, 0),
            WaitTenths(1),
            Mark(1),
        },
        200);
    TLcfgSaveData& save = *play.Game().Session->Save;
    const std::vector<std::uint8_t> bytes = save.SaveToBytes();
    // The top-level chunks of the file: 102 and 103 among them.
    TByteReader r(bytes, "save");
    ReadFileHeader(r, KSaveMagic);
    std::vector<std::int32_t> ids;
    while (!r.AtEnd()) {
        ids.push_back(ReadVarInt(r));
        const std::int32_t length = ReadVarInt(r);
        r.Sub(static_cast<std::size_t>(length));
    }
    EXPECT_NE(std::find(ids.begin(), ids.end(), KSaveChunkScreen), ids.end());
    EXPECT_NE(std::find(ids.begin(), ids.end(), KSaveChunkPictures), ids.end());

    TLcfgGameState& s = play.State();
    const std::vector<std::uint8_t> screen = s.Screen.Encode();
    TByteWriter pictures;
    s.Pictures.SaveToStream(pictures);
    // Changed after saving, then loaded back.
    s.Screen.SetTint(100, 100, 100, 100, 0);
    s.Pictures.EraseAll();
    save.LoadFromBytes(bytes, "save");
    EXPECT_EQ(s.Screen.Encode(), screen);
    TByteWriter loaded;
    s.Pictures.SaveToStream(loaded);
    EXPECT_EQ(loaded.Bytes, pictures.Bytes);
    EXPECT_EQ(s.Pictures.Picture(3)->Name, "Map");
    // The images came back from the names, with the transparent colour.
    EXPECT_TRUE(s.Pictures.Picture(3)->HasImage());
    EXPECT_TRUE(s.Pictures.Picture(7)->HasImage());
    EXPECT_TRUE(s.Pictures.Picture(3)->Image.Transparent);
    EXPECT_EQ(s.Pictures.Picture(7)->Effect, KPictureEffectWaver);
    EXPECT_EQ(save.SaveToBytes(), bytes);
}

} // namespace kestra
