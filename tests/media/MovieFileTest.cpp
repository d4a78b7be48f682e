// The movie reader over FFmpeg: movies encoded here decode in game time with their
// sound, and broken or hostile files end in an error naming the file, never a crash
// or an endless movie.
#include <gtest/gtest.h>

#include <random>

#include "../MovieFiles.h"
#include "../shell/TempDir.h"
#include "media/Tonica.h"
#include "platform/FfmpegMovie.h"
#include "shell/GameMovie.h"

namespace kestra {
namespace {

using namespace test;

constexpr double KFrameMs = 1000.0 / 60;

bool White(std::uint16_t p) {
    return (p >> 11) > 24 && ((p >> 5) & 63) > 48 && (p & 31) > 24;
}

// The clip picture a movie picture shows: its bar's index, or -1 without a bar.
int BarIndex(const TMoviePicture& picture) {
    const int y = picture.Height / 3;
    int first = -1, count = 0;
    for (int x = 0; x < picture.Width; ++x)
        if (White(picture.Pixels[static_cast<std::size_t>(y * picture.Width + x)])) {
            if (first < 0) first = x;
            ++count;
        }
    if (first < 0 || count < KClipBarWidth / 2) return -1;
    return (first + count / 2) / KClipBarWidth;
}

struct TPlayed {
    std::vector<int> Bars; // per game frame from 1
    std::size_t SoundFrames = 0;
    int SoundPeak = 0;
    int Frames = 0; // game frames until the end
};

TPlayed PlayAll(IKandelMovie& movie) {
    TPlayed played;
    std::vector<std::int16_t> sound;
    for (int n = 1; n < 1000; ++n) {
        const bool more = movie.Advance(n * KFrameMs);
        sound.clear();
        movie.TakeSound(sound);
        played.SoundFrames += sound.size() / 2;
        for (std::int16_t s : sound) played.SoundPeak = std::max(played.SoundPeak, std::abs(s + 0));
        if (!more) {
            played.Frames = n;
            break;
        }
        played.Bars.push_back(BarIndex(movie.Picture()));
    }
    return played;
}

TEST(MovieFile, AviAndMpegPlayInGameTimeWithTheirSound) {
    for (bool mpeg : {false, true}) {
        SCOPED_TRACE(mpeg ? "mpg" : "avi");
        TempDir dir;
        const auto path = dir.Path() / (mpeg ? "clip.mpg" : "clip.avi");
        WriteClip(path, mpeg);
        auto movie = platform::OpenFfmpegMovie(path.string());
        const TPlayed played = PlayAll(*movie);
        // One second of movie: about 60 game frames, each showing the picture due then
        // (the movie lasts as long as its sound, which layer II pads a little).
        EXPECT_GE(played.Frames, 59);
        EXPECT_LE(played.Frames, 66);
        ASSERT_GE(played.Bars.size(), 58u);
        for (std::size_t i = 0; i < 58; ++i) {
            const int n = static_cast<int>(i) + 1;
            EXPECT_EQ(played.Bars[i], n * KClipFramesPerSecond / 60) << "game frame " << n;
        }
        EXPECT_EQ(movie->Picture().Width, KClipWidth);
        EXPECT_EQ(movie->Picture().Height, KClipHeight);
        EXPECT_EQ(movie->PictureCount(), static_cast<std::uint64_t>(KClipFrames));
        // The tone, converted to the mixer's rate: about a second of it.
        EXPECT_GT(played.SoundFrames, static_cast<std::size_t>(KMovieSoundRate * 9 / 10));
        EXPECT_LT(played.SoundFrames, static_cast<std::size_t>(KMovieSoundRate * 12 / 10));
        EXPECT_GT(played.SoundPeak, 8000);
    }
}

TEST(MovieFile, CinepakWithoutSoundPlaysSilent) {
    TempDir dir;
    const auto path = dir.Path() / "silent.avi";
    platform::TMovieWriterOptions o;
    o.VideoCodec = "cinepak";
    o.AudioCodec = "";
    o.Width = KClipWidth;
    o.Height = KClipHeight;
    platform::WriteMovieFile(path.string(), o, ClipPictures(), {});
    auto movie = platform::OpenFfmpegMovie(path.string());
    const TPlayed played = PlayAll(*movie);
    EXPECT_GE(played.Frames, 59);
    EXPECT_LE(played.Frames, 62);
    EXPECT_EQ(played.SoundFrames, 0u);
    ASSERT_GE(played.Bars.size(), 58u);
    EXPECT_EQ(played.Bars[29], 30 * KClipFramesPerSecond / 60);
}

// Opens and plays a file to its end or its error as the game does; answers the error
// text ("" when it played). Like the game it gives up on a movie that shows no new
// picture and gives no sound for KMovieStallFrames frames (answering "stuck"). Fails
// when it neither ends nor fails within 2000 frames.
std::string PlayOrError(const std::filesystem::path& path) {
    try {
        auto movie = platform::OpenFfmpegMovie(path.string());
        std::vector<std::int16_t> sound;
        std::uint64_t pictures = 0;
        int idle = 0;
        for (int n = 1; n < 2000; ++n) {
            const bool more = movie->Advance(n * KFrameMs);
            movie->TakeSound(sound);
            if (movie->PictureCount() != pictures || !sound.empty()) {
                pictures = movie->PictureCount();
                idle = 0;
            } else if (++idle > KMovieStallFrames) {
                return "stuck";
            }
            sound.clear();
            const TMoviePicture& p = movie->Picture();
            if (p.Width > 0) {
                EXPECT_EQ(p.Pixels.size(), static_cast<std::size_t>(p.Width * p.Height));
            }
            if (!more) return "";
        }
        ADD_FAILURE() << path << " plays on and on";
        return "";
    } catch (const EMovieError& e) {
        return e.what();
    }
}

TEST(MovieFile, BrokenFilesAreErrorsNamingTheFile) {
    TempDir dir;
    const auto garbage = dir.Path() / "garbage.avi";
    std::mt19937 random(5);
    std::vector<std::uint8_t> bytes(5000);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    WriteBytes(garbage, bytes);
    std::string error = PlayOrError(garbage);
    EXPECT_NE(error.find("garbage.avi"), std::string::npos) << error;

    const auto empty = dir.Path() / "empty.mpg";
    WriteBytes(empty, {});
    error = PlayOrError(empty);
    EXPECT_NE(error.find("empty.mpg"), std::string::npos) << error;

    EXPECT_NE(PlayOrError(dir.Path() / "absent.avi").find("absent.avi"), std::string::npos);

    // Cut after a third: the header promises a second of movie.
    const auto whole = dir.Path() / "whole.avi";
    WriteClip(whole, false);
    bytes = FileBytes(whole);
    bytes.resize(bytes.size() / 3);
    const auto truncated = dir.Path() / "truncated.avi";
    WriteBytes(truncated, bytes);
    error = PlayOrError(truncated);
    EXPECT_NE(error.find("truncated.avi"), std::string::npos) << error;

    // A RIFF header with nothing of a movie after it.
    const auto riff = dir.Path() / "riff.avi";
    WriteBytes(riff, {'R', 'I', 'F', 'F', 0xFF, 0xFF, 0xFF, 0x7F, 'A', 'V', 'I', ' ',
                      'L', 'I', 'S', 'T', 0xFF, 0xFF, 0xFF, 0xFF, 'h', 'd', 'r', 'l'});
    error = PlayOrError(riff);
    EXPECT_NE(error.find("riff.avi"), std::string::npos) << error;
}

TEST(MovieFile, DamagedMoviesEndOrFailButNeverCrashOrHang) {
    TempDir dir;
    for (bool mpeg : {false, true}) {
        const auto whole = dir.Path() / (mpeg ? "whole.mpg" : "whole.avi");
        WriteClip(whole, mpeg);
        const std::vector<std::uint8_t> clean = FileBytes(whole);
        std::mt19937 random(mpeg ? 11 : 7);
        for (int round = 0; round < 25; ++round) {
            std::vector<std::uint8_t> bytes = clean;
            const int hits = 1 + static_cast<int>(random() % 40);
            for (int i = 0; i < hits; ++i) {
                const std::size_t at = random() % bytes.size();
                bytes[at] = static_cast<std::uint8_t>(random());
            }
            const auto damaged = dir.Path() / (mpeg ? "damaged.mpg" : "damaged.avi");
            WriteBytes(damaged, bytes);
            const std::string error = PlayOrError(damaged);
            if (!error.empty() && error != "stuck") {
                EXPECT_NE(error.find(damaged.filename().string()), std::string::npos) << error;
            }
        }
    }
}

} // namespace
} // namespace kestra
