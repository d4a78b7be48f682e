#pragma once
// Rotated and wavy sheet drawing by the plain loops: the pixels that the board's
// own DrawSheetRotated and DrawSheetWaver (vector rows, shared column tables) must
// give. For tests and benchmarks.
#include "graphics/KandelBoard.h"

namespace kestra {

void DrawSheetRotatedPortable(TKandelBoard& board, int x, int y, const TRect& sourceRect,
                              TKandelSheet& sheet, int anchorX, int anchorY, double zoom,
                              int angle);
void DrawSheetWaverPortable(TKandelBoard& board, int x, int y, const TRect& sourceRect,
                            TKandelSheet& sheet, int anchorX, int anchorY, double zoom, int phase,
                            int period, int amplitude);

} // namespace kestra
