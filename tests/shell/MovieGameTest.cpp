// Play movie in the running game: a new game of "movie", whose start map's automatic
// event marks variable 1 with 1, plays "Clip" from the Movie folder in the rectangle
// (40, 30, 240 x 180), marks 2 and ends. The clips are encoded by the test into the
// game's copy; what the player sees is each frame's board.
#include <gtest/gtest.h>

#include <map>

#include "../GoldenPicture.h"
#include "../MovieFiles.h"
#include "../TestGame.h"
#include "state/LGD_GameState.h"

namespace kestra {
namespace {

using namespace test;

// New game from the title; the field (and the movie) starts at about frame 80.
constexpr const char* KNewGame = "0\n60 Decide\n61\n";
constexpr int KLeft = 40, KTop = 30, KWidth = 240, KHeight = 180;

bool White(std::uint16_t p) {
    return (p >> 11) > 24 && ((p >> 5) & 63) > 48 && (p & 31) > 24;
}

// The clip picture on the board: the bar's index in the movie rectangle, -1 without.
int BarOnBoard(const TKandelBoard& board) {
    const std::uint16_t* row = board.ScanLine(KTop + KHeight / 3);
    int first = -1, count = 0;
    for (int x = KLeft; x < KLeft + KWidth; ++x)
        if (White(row[x])) {
            if (first < 0) first = x;
            ++count;
        }
    if (first < 0) return -1;
    // The movie is stretched by 1.5: each bar is 9 board pixels wide.
    const int barOnBoard = KClipBarWidth * KWidth / KClipWidth;
    return (2 * (first - KLeft) + count) / (2 * barOnBoard);
}

class TMoviePlay {
public:
    // `files` fills the game's copy before the game starts.
    TMoviePlay(const std::function<void(const std::filesystem::path&)>& files,
               const std::string& script = KNewGame, std::uint64_t frames = 260) {
        files(Files.Dir.Path());
        TGameMain& game = Files.Start(script, frames);
        auto recorder = game.Display->OnFrame;
        game.Display->OnFrame = [&](std::uint64_t frame) {
            const TKandelBoard& board = game.Display->Board;
            const std::int32_t mark = game.Session->Save->State.System.Variable(1);
            Marks.push_back(mark);
            if (mark == 1) {
                Bars.push_back(BarOnBoard(board));
                auto copy = std::make_unique<TKandelBoard>();
                copy->SetSize(board.Width(), board.Height());
                copy->CopyBoard(0, 0, board.GetBounds(), board);
                Shots.push_back(std::move(copy));
            }
            recorder(frame);
        };
        testing::internal::CaptureStderr();
        try {
            game.Run();
        } catch (const EKandelDrawAbort&) {
            // the frame limit
        }
        Log = testing::internal::GetCapturedStderr();
        game.Display->OnFrame = recorder;
    }
    TRecordingTonica& Sound() { return Files.Sound(); }
    std::int32_t Mark() { return Files.Game->Session->Save->State.System.Variable(1); }
    // The calls to the sound library from the movie's closing of the effect output on.
    std::vector<std::string> CallsFromTermWave() {
        const auto& calls = Sound().Calls;
        auto it = std::find(calls.begin(), calls.end(), "term wave");
        return {it, calls.end()};
    }

    TTestGame Files{"movie"};
    std::vector<std::int32_t> Marks;
    std::vector<int> Bars; // per frame of the movie
    std::vector<std::unique_ptr<TKandelBoard>> Shots;
    std::string Log;
};

void AviClip(const std::filesystem::path& dir) {
    WriteClip(dir / "Movie" / "Clip.avi", false);
}

// After the movie: the effect output open again with the interface sounds reserved,
// then the map's music from its beginning without a fade-in. The movie's sound ends
// first when a movie was opened.
void ExpectWaveReopenedAndMusicRestarted(std::vector<std::string> calls, const std::string& music,
                                         bool opened = true) {
    ASSERT_FALSE(calls.empty()) << "the effect output was never closed";
    if (!opened) calls.insert(calls.begin() + 1, "end movie sound");
    const std::vector<std::string> expected{
        "term wave",          "end movie sound",    "init wave",
        "reserve Cursor.wav", "reserve Decide.wav", "reserve Cancel.wav",
        "reserve Buzzer.wav", "play " + music,      "fade in 0"};
    ASSERT_GE(calls.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + 9), expected);
}

TEST(MovieCommand, TheClipPlaysFrameByFrameInItsRectangleAndTheListGoesOn) {
    TMoviePlay play(AviClip);
    // One second of movie: the picture due at n/60 s in the loop's frame n.
    ASSERT_GE(play.Bars.size(), 58u) << play.Log;
    EXPECT_LE(play.Bars.size(), 61u);
    for (std::size_t i = 0; i < 58; ++i)
        EXPECT_EQ(play.Bars[i], static_cast<int>(i + 1) * KClipFramesPerSecond / 60) << i;
    EXPECT_EQ(play.Mark(), 2) << "the list went on after the movie";
    // The picture fills its rectangle over the map, which shows around it.
    CompareGolden(*play.Shots[29], "movie_clip.png");
    // Its sound went to the mixer: about a second of the tone.
    EXPECT_GT(play.Sound().MovieSoundFrames, static_cast<std::size_t>(KMovieSoundRate * 9 / 10));
    EXPECT_GT(play.Sound().MovieSoundPeak, 8000);
    // MIDI music plays on through the movie and starts again after it.
    const auto calls = play.CallsFromTermWave();
    ExpectWaveReopenedAndMusicRestarted(calls, "Town.mid");
    const auto& all = play.Sound().Calls;
    const auto term = std::find(all.begin(), all.end(), "term wave");
    ASSERT_NE(term, all.begin());
    EXPECT_NE(*(term - 1), "stop music");
    EXPECT_EQ(play.Log.find("kestra: movie"), std::string::npos) << play.Log;
}

TEST(MovieCommand, AnMpegClipPlaysWhenThereIsNoAvi) {
    TMoviePlay play(
        [](const std::filesystem::path& dir) { WriteClip(dir / "Movie" / "Clip.mpg", true); });
    ASSERT_GE(play.Bars.size(), 58u) << play.Log;
    for (std::size_t i = 0; i < 58; ++i)
        EXPECT_EQ(play.Bars[i], static_cast<int>(i + 1) * KClipFramesPerSecond / 60) << i;
    EXPECT_EQ(play.Mark(), 2);
    EXPECT_GT(play.Sound().MovieSoundFrames, static_cast<std::size_t>(KMovieSoundRate * 8 / 10));
}

TEST(MovieCommand, WaveMusicStopsFirstAndStartsAgainAfterwards) {
    TMoviePlay play([](const std::filesystem::path& dir) {
        AviClip(dir);
        // The map's music becomes a wave file.
        std::filesystem::remove(dir / "Music" / "Town.mid");
        std::filesystem::copy_file(dir / "Sound" / "Decide.wav", dir / "Music" / "Town.wav");
    });
    const auto& all = play.Sound().Calls;
    const auto term = std::find(all.begin(), all.end(), "term wave");
    ASSERT_NE(term, all.end());
    ASSERT_NE(term, all.begin());
    EXPECT_EQ(*(term - 1), "stop music");
    ExpectWaveReopenedAndMusicRestarted(play.CallsFromTermWave(), "Town.wav");
    EXPECT_EQ(play.Mark(), 2);
}

TEST(MovieCommand, DecideSkipsTheMovieAndThePressGoesNoFurther) {
    // About 30 frames into the movie.
    TMoviePlay play(AviClip, std::string(KNewGame) + "110 Decide\n111\n");
    EXPECT_GE(play.Bars.size(), 10u);
    EXPECT_LE(play.Bars.size(), 45u);
    EXPECT_EQ(play.Mark(), 2);
    ExpectWaveReopenedAndMusicRestarted(play.CallsFromTermWave(), "Town.mid");
    // The frame after the skip shows the map again, without the movie.
    EXPECT_EQ(play.Marks.back(), 2);
}

TEST(MovieCommand, BrokenOrMissingMoviesAreReportedAndTheGameGoesOn) {
    struct TCase {
        const char* Name;
        std::function<void(const std::filesystem::path&)> Files;
        const char* Report;
    };
    const std::vector<TCase> cases{
        {"truncated",
         [](const std::filesystem::path& dir) {
             AviClip(dir);
             auto bytes = FileBytes(dir / "Movie" / "Clip.avi");
             bytes.resize(bytes.size() / 3);
             WriteBytes(dir / "Movie" / "Clip.avi", bytes);
         },
         "Clip.avi: ends after"}, // and its header says how much longer it was
        {"garbage",
         [](const std::filesystem::path& dir) {
             std::vector<std::uint8_t> bytes(3000);
             for (std::size_t i = 0; i < bytes.size(); ++i)
                 bytes[i] = static_cast<std::uint8_t>(i * 7919 >> 3);
             WriteBytes(dir / "Movie" / "Clip.mpg", bytes);
         },
         "Clip.mpg: cannot be opened as a movie"},
        {"missing", [](const std::filesystem::path&) {}, "\"Clip\": no such movie"},
    };
    // None of them is ever opened, so no movie sound ends.
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMoviePlay play(c.Files);
        EXPECT_NE(play.Log.find(std::string("kestra: movie: ")), std::string::npos) << play.Log;
        EXPECT_NE(play.Log.find(c.Report), std::string::npos) << play.Log;
        EXPECT_EQ(play.Mark(), 2) << "the list went on";
        EXPECT_EQ(play.Files.Game->System().Scene, KSceneField);
        ExpectWaveReopenedAndMusicRestarted(play.CallsFromTermWave(), "Town.mid", false);
    }
}

TEST(MovieCommand, F12DuringTheMovieResetsTheGameWithTheEffectOutputOpenAgain) {
    TMoviePlay play(AviClip, std::string(KNewGame) + "110 F12\n111\n");
    // Not played through: the reset came at the pump after the press.
    EXPECT_LE(play.Bars.size(), 50u);
    const auto calls = play.CallsFromTermWave();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[1], "end movie sound");
    EXPECT_EQ(calls[2], "init wave");
    EXPECT_EQ(play.Files.Game->System().Scene, KSceneTitle);
}

} // namespace
} // namespace kestra
