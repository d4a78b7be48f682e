#pragma once
// Playing a movie file in a rectangle of the game area: a nested frame loop that
// shows the picture due at each frame (frame n of the loop at n frame times after
// the start), queues the movie's sound in the mixer, keeps pumping window messages
// (closing and F12 work; the frame wait pauses while the window has no focus) and
// ends at the movie's end, when Decide or Cancel is newly pressed, or when the movie
// cannot be decoded or makes no progress. The frame schedule restarts afterwards.
#include "graphics/KandelRect.h"

#include <cstdint>
#include <string>

namespace kestra {

class TGameMain;

// Frames without a new picture or sound after which a movie counts as stuck.
inline constexpr int KMovieStallFrames = 5 * 60;
// Milliseconds of decoding without a new picture or sound after which it does too.
inline constexpr std::uint64_t KMovieStallDecodeMs = 3000;

enum class TMovieEnd {
    Played,  // to its end
    Skipped, // Decide or Cancel
    Failed,  // not found, not a movie, broken or stuck: reported on stderr
};

// `rect` is in board pixels; the window shows it doubled when zoomed. Raises only
// the display's control-flow exceptions (closing, reset).
TMovieEnd PlayMovieFile(TGameMain& game, const std::string& path, const TRect& rect);

// Reports a movie problem on stderr ("kestra: movie: ...").
void ReportMovieProblem(const std::string& message);

} // namespace kestra
