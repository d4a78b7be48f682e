#pragma once
// Small movies made at test time with libavcodec: picture k of a clip shows a white
// bar 8 pixels wide at x = 8k on a dark blue ground above a red band, so a test can
// tell which picture the game shows; the sound is a steady tone.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/FfmpegMovie.h"

namespace kestra::test {

inline constexpr int KClipWidth = 160, KClipHeight = 120;
inline constexpr int KClipFramesPerSecond = 25;
inline constexpr int KClipFrames = 25;  // one second
inline constexpr int KClipBarWidth = 6; // 25 bars fit the width

inline std::vector<std::vector<std::uint8_t>> ClipPictures(int frames = KClipFrames) {
    std::vector<std::vector<std::uint8_t>> pictures;
    for (int k = 0; k < frames; ++k) {
        std::vector<std::uint8_t> rgb(static_cast<std::size_t>(KClipWidth * KClipHeight * 3));
        for (int y = 0; y < KClipHeight; ++y)
            for (int x = 0; x < KClipWidth; ++x) {
                std::uint8_t* p = &rgb[static_cast<std::size_t>((y * KClipWidth + x) * 3)];
                const bool bar = x >= KClipBarWidth * k && x < KClipBarWidth * (k + 1);
                const bool band = y >= KClipHeight * 3 / 4;
                p[0] = bar ? 255 : band ? 220 : 16;
                p[1] = bar ? 255 : band ? 32 : 24;
                p[2] = bar ? 255 : band ? 32 : 96;
            }
        pictures.push_back(std::move(rgb));
    }
    return pictures;
}

// A 440 Hz tone, stereo, `seconds` long.
inline std::vector<std::int16_t> ClipSound(double seconds, int rate) {
    std::vector<std::int16_t> sound;
    const int frames = static_cast<int>(seconds * rate);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(12000.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * i / rate)));
        sound.push_back(v);
        sound.push_back(v);
    }
    return sound;
}

// An AVI of MS Video 1 pictures and PCM sound, or (mpeg) an MPEG-1 program stream with
// MPEG-1 video and layer II sound.
inline void WriteClip(const std::filesystem::path& path, bool mpeg, int frames = KClipFrames) {
    platform::TMovieWriterOptions o;
    o.Width = KClipWidth;
    o.Height = KClipHeight;
    o.FramesPerSecond = KClipFramesPerSecond;
    if (mpeg) {
        o.Container = "mpeg";
        o.VideoCodec = "mpeg1video";
        o.AudioCodec = "mp2";
        o.SampleRate = 44100;
    } else {
        o.Container = "avi";
        o.VideoCodec = "msvideo1";
        o.AudioCodec = "pcm_s16le";
        o.SampleRate = 22050;
    }
    std::filesystem::create_directories(path.parent_path());
    platform::WriteMovieFile(
        path.string(), o, ClipPictures(frames),
        ClipSound(static_cast<double>(frames) / KClipFramesPerSecond, o.SampleRate));
}

inline std::vector<std::uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

} // namespace kestra::test
