#pragma once
// The board: a 16-bit 5-6-5 picture (red in bits 15-11, green 10-5, blue 4-0)
// that sheets are drawn onto, with one brightness applied to everything drawn.
#include "graphics/KandelRect.h"
#include "graphics/KandelSheet.h"

#include <cstdint>
#include <vector>

namespace kestra {

class TKandelBoard;

// Plain pixel drawing on a board in a given 5-6-5 colour, clipped to the board,
// without brightness: what text rasterisers and shape fills need.
class TKandelCanvas {
public:
    explicit TKandelCanvas(TKandelBoard& board) : Board(board) {}

    void SetPixel(int x, int y, std::uint16_t color);
    void FillRect(const TRect& rect, std::uint16_t color);
    // Sets every pixel whose bit is 1 in a 1-bit image (rows `pitch` bytes apart,
    // the most significant bit leftmost) placed with its top-left corner at (x, y).
    void DrawMonoBitmap(int x, int y, int width, int height, const std::uint8_t* bits, int pitch,
                        std::uint16_t color);

private:
    TKandelBoard& Board;
};

// 8-bit channels to 5-6-5.
inline std::uint16_t ColorFromRgb(int red, int green, int blue) {
    return PackRgb565(red >> 3, green >> 2, blue >> 3);
}

class TKandelBoard {
public:
    TKandelBoard() = default;
    TKandelBoard(const TKandelBoard&) = delete;
    TKandelBoard& operator=(const TKandelBoard&) = delete;

    // Percent: 0 black, 100 normal, 200 white; values outside 0..200 act as the
    // nearest end.
    int Brightness = 100;

    // Reallocates when the size differs and always ends black. A side of 0 or
    // less gives an empty board; sizes beyond the image limits raise EInvalidGraphic.
    void SetSize(int width, int height);
    int Width() const { return Width_; }
    int Height() const { return Height_; }
    // Bytes from one row to the next; rows are stored top down.
    int Pitch() const { return Width_ * 2; }
    TRect GetBounds() const { return {0, 0, Width_, Height_}; }
    void Clear();

    std::uint16_t* ScanLine(int y) {
        return Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width_);
    }
    const std::uint16_t* ScanLine(int y) const {
        return Pixels.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(Width_);
    }

    TKandelCanvas Canvas() { return TKandelCanvas(*this); }
    // Fills with an 8-bit colour adjusted by Brightness.
    void FillRect(const TRect& rect, int red, int green, int blue);
    // Copies pixels as they are (no brightness, no transparency), clipped to both boards.
    void CopyBoard(int x, int y, const TRect& sourceRect, const TKandelBoard& source);

    // Every sheet draw clips against the board and the sheet, rebuilds the sheet's
    // colour table when its brightness differs from the board's, skips index 0 of
    // transparent sheets and blends below opacity 255 with weights (opacity + 1)
    // and (256 - opacity) out of 256. Empty or inverted rectangles draw nothing.
    void DrawSheet(int x, int y, const TRect& sourceRect, TKandelSheet& sheet);
    // Nearest-neighbour scaling of the source rectangle onto the destination.
    void StretchSheet(const TRect& destRect, TKandelSheet& sheet, const TRect& sourceRect);
    // The source point (anchorX, anchorY) lands on (x, y). Zoom 0 or less draws nothing.
    void DrawSheetZoomed(int x, int y, const TRect& sourceRect, TKandelSheet& sheet, int anchorX,
                         int anchorY, double zoom);
    // Rotated about the anchor by angle / 256 of a turn (clockwise on screen).
    void DrawSheetRotated(int x, int y, const TRect& sourceRect, TKandelSheet& sheet, int anchorX,
                          int anchorY, double zoom, int angle);
    // Zoomed, each destination row shifted sideways along a sine of `period` rows.
    void DrawSheetWaver(int x, int y, const TRect& sourceRect, TKandelSheet& sheet, int anchorX,
                        int anchorY, double zoom, int phase, int period, int amplitude);

private:
    std::vector<std::uint16_t> Pixels;
    int Width_ = 0;
    int Height_ = 0;
};

} // namespace kestra
