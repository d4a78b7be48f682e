#pragma once
// Whole-board steps of the transitions beside the arithmetic in LS_Base.h: the
// cross-fade (vector rows), and the per-pixel loops that the mosaic's run fills and
// the wave's row moves must reproduce. For the scenes, tests and benchmarks.
#include "shell/LS_Base.h"

namespace kestra::transition {

// Every pixel of dest := CrossFadePixel(a, b, l), over the size all three share.
void CrossFade(TKandelBoard& dest, const TKandelBoard& a, const TKandelBoard& b, int l);

void MosaicPortable(TKandelBoard& dest, const TKandelBoard& source, int a, int r);
void WavePortable(TKandelBoard& dest, const TKandelBoard& source, int amplitude);

} // namespace kestra::transition
