#include "data/LD_Animation.h"

namespace kestra {

void TVezAnimationCellItem::DescribeChunks(TChunkVisitor& v) {
    v.Bool(1, Visible, true);
    v.Int(2, Cell);
    v.Int(3, X);
    v.Int(4, Y);
    v.Int(5, Zoom, 100);
    v.Int(6, Red, 100);
    v.Int(7, Green, 100);
    v.Int(8, Blue, 100);
    v.Int(9, Saturation, 100);
    v.Int(10, Transparency);
}

void TVezAnimationTimingItem::DescribeChunks(TChunkVisitor& v) {
    v.Int(1, Frame);
    v.Record(2, Sound);
    v.Fixed(3, FlashScope);
    v.Int(4, FlashRed, 31);
    v.Int(5, FlashGreen, 31);
    v.Int(6, FlashBlue, 31);
    v.Int(7, FlashStrength, 31);
    v.Int(8, Extra);
}

void TVezAnimationItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.String(2, Graphic, true);
    v.List(6, Timings);
    v.Fixed(9, Scope);
    v.Fixed(10, Position, std::uint8_t{2});
    v.List(12, Frames);
}

void TVezAnimationItem::Clear() {
    TCatalogItem::Clear();
    for (std::int32_t i = 1; i <= KInitialFrames; ++i) Frames.Obtain(i);
}

} // namespace kestra
