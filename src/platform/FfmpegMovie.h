#pragma once
// Movie files through FFmpeg (libavformat, libavcodec, libswscale, libswresample):
// the first video stream becomes RGB 5-6-5 pictures, the best audio stream stereo
// 16-bit sound at KMovieSoundRate. Hostile files give an EMovieError naming the
// file, never a hang: every decoding step has a wall-clock deadline.
#include "graphics/KandelMovie.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kestra::platform {

// Seconds of wall time one Advance (or the opening) may take before the movie counts
// as stuck.
inline constexpr double KMovieStepTimeLimit = 3.0;

// The library's own log would repeat every complaint about a broken file; the game
// reports the one problem that stops a movie. Called by the reader and the writer.
void QuietMovieLibrary();

// Raises EMovieError naming the file when it cannot be opened or has no video.
std::unique_ptr<IKandelMovie> OpenFfmpegMovie(const std::string& path);

// What a movie written by WriteMovieFile holds. Tests and the demo's art tool make
// their movies with it.
struct TMovieWriterOptions {
    std::string Container = "avi";        // an FFmpeg muxer name: "avi", "mpeg"
    std::string VideoCodec = "msvideo1";  // "msvideo1", "cinepak", "mpeg1video"
    std::string AudioCodec = "pcm_s16le"; // "pcm_s16le", "mp2"; empty: no sound
    int Width = 160, Height = 120;
    int FramesPerSecond = 25;
    int SampleRate = 22050;
};

// Writes pictures (each Width x Height x 3 bytes of RGB, rows top down) and stereo
// 16-bit sound (interleaved, at SampleRate) into a movie file. The same input gives
// the same bytes. Raises EMovieError naming the file on failure.
void WriteMovieFile(const std::string& path, const TMovieWriterOptions& options,
                    const std::vector<std::vector<std::uint8_t>>& pictures,
                    const std::vector<std::int16_t>& sound);

} // namespace kestra::platform
