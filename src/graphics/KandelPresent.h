#pragma once
// The board on its way to the screen: enlarged by a whole factor (every board pixel
// a factor x factor square) and converted to the pixel format of the window's
// texture, in one pass.
#include "graphics/KandelBoard.h"

namespace kestra {

enum class TScreenPixels {
    Rgb565,   // 16-bit words as on the board
    Xrgb8888, // 32-bit words 0xFFRRGGBB; each channel's top bits repeat into its low
              // bits, so 31 and 63 become 255
};

// Bytes per pixel of a screen format.
inline int ScreenPixelBytes(TScreenPixels format) {
    return format == TScreenPixels::Rgb565 ? 2 : 4;
}

// Writes the whole board into a frame of factor x its size whose rows lie `pitch`
// bytes apart. A factor below 1 writes nothing. Uses vector instructions when the
// processor has them; PresentBoardPortable gives the same bytes without.
void PresentBoard(const TKandelBoard& board, void* frame, int pitch, int factor,
                  TScreenPixels format);
void PresentBoardPortable(const TKandelBoard& board, void* frame, int pitch, int factor,
                          TScreenPixels format);
bool PresentBoardIsVectorised();

} // namespace kestra
