#pragma once
// The player's own interface skin, drawn by code: a 160 x 80 system graphic (blue
// window background, a light frame, a golden cursor, white and grey text with a
// shadow) for the screens that come before any game is loaded.
#include "graphics/KandelBitmap.h"

namespace kestra {

TKandelBitmap ProgramSystemBitmap();

} // namespace kestra
