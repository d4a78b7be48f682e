#include "graphics/KandelMovie.h"

#include <algorithm>

namespace kestra {

void DrawMoviePicture(TKandelBoard& board, const TMoviePicture& picture, const TRect& rect) {
    if (rect.Empty() || picture.Width <= 0 || picture.Height <= 0) return;
    if (picture.Pixels.size() <
        static_cast<std::size_t>(picture.Width) * static_cast<std::size_t>(picture.Height))
        return;
    const TRect clip = rect.Intersect({0, 0, board.Width(), board.Height()});
    if (clip.Empty()) return;
    const std::int64_t w = std::int64_t{rect.Right} - rect.Left,
                       h = std::int64_t{rect.Bottom} - rect.Top;
    for (int y = clip.Top; y < clip.Bottom; ++y) {
        // The source row and column of each target pixel's centre.
        const auto sy = static_cast<std::size_t>((2 * (y - std::int64_t{rect.Top}) + 1) *
                                                 picture.Height / (2 * h));
        const std::uint16_t* src =
            picture.Pixels.data() + sy * static_cast<std::size_t>(picture.Width);
        std::uint16_t* dst = board.ScanLine(y);
        for (int x = clip.Left; x < clip.Right; ++x) {
            const auto sx = static_cast<std::size_t>((2 * (x - std::int64_t{rect.Left}) + 1) *
                                                     picture.Width / (2 * w));
            dst[x] = src[sx];
        }
    }
}

} // namespace kestra
