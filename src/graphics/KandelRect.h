#pragma once
// Rectangles in pixels: left, top, right, bottom with right and bottom exclusive.
#include <algorithm>

namespace kestra {

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    // Zero-size and inverted rectangles hold no pixel.
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TRect&) const = default;

    TRect Intersect(const TRect& other) const {
        return {std::max(Left, other.Left), std::max(Top, other.Top), std::min(Right, other.Right),
                std::min(Bottom, other.Bottom)};
    }
    bool Contains(const TRect& inner) const {
        return inner.Left >= Left && inner.Top >= Top && inner.Right <= Right &&
               inner.Bottom <= Bottom;
    }
};

inline TRect RectOfSize(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

} // namespace kestra
