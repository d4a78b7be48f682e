#pragma once
// Movies as the game plays them: a decoder gives the picture due at a time and the
// sound decoded so far; the game stretches the picture into a rectangle of its board
// and hands the sound to the mixer. The platform decodes (FFmpeg); nothing here
// knows how.
#include "base/Errors.h"
#include "graphics/KandelBoard.h"
#include "graphics/KandelRect.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestra {

// Pictures wider or taller than this are refused before anything is allocated.
inline constexpr int KMaxMovieSide = 2048;

// A movie file that cannot be opened or decoded; the message names the file.
class EMovieError : public EKestraError {
public:
    using EKestraError::EKestraError;
};

// One picture of a movie: RGB 5-6-5 pixels, rows top down.
struct TMoviePicture {
    int Width = 0, Height = 0;
    std::vector<std::uint16_t> Pixels;
};

class IKandelMovie {
public:
    virtual ~IKandelMovie() = default;
    // Decodes until the picture due `ms` milliseconds after the start is the current one
    // and the sound is decoded a little beyond that time. False once the movie is over.
    // Raises EMovieError when the stream is broken.
    virtual bool Advance(double ms) = 0;
    // The current picture (0 x 0 before the first).
    virtual const TMoviePicture& Picture() const = 0;
    // Pictures that became current so far: a change means the movie moves on.
    virtual std::uint64_t PictureCount() const = 0;
    // Appends the sound decoded since the last call: interleaved stereo signed 16-bit
    // frames at KMovieSoundRate (media/Tonica.h).
    virtual void TakeSound(std::vector<std::int16_t>& out) = 0;
};

// Opens a movie file; raises EMovieError naming it when it cannot.
using TMovieOpener = std::function<std::unique_ptr<IKandelMovie>(const std::string& path)>;

// Stretches the picture (nearest pixel) into `rect` of the board, clipped to the board.
// An empty picture or rectangle draws nothing.
void DrawMoviePicture(TKandelBoard& board, const TMoviePicture& picture, const TRect& rect);

} // namespace kestra
