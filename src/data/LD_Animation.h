#pragma once
// Battle animations: frames of cells drawn from an animation picture, with sound and
// flash timings.
#include <cstdint>
#include <string>

#include "data/Catalog.h"
#include "data/LD_System.h"

namespace kestra {

class TVezAnimationCellItem : public TCatalogItem {
public:
    explicit TVezAnimationCellItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    bool Visible;
    std::int32_t Cell, X, Y, Zoom, Red, Green, Blue, Saturation, Transparency;
};

class TVezAnimationCell : public TCatalogOf<TVezAnimationCellItem> {
public:
    TVezAnimationCell() : TCatalogOf("animation cells") {}
};

class TVezAnimationPatternItem : public TCatalogItem {
public:
    explicit TVezAnimationPatternItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override { v.List(1, Cells); }

    TVezAnimationCell Cells;
};

class TVezAnimationPattern : public TCatalogOf<TVezAnimationPatternItem> {
public:
    TVezAnimationPattern() : TCatalogOf("animation frames") {}
};

class TVezAnimationTimingItem : public TCatalogItem {
public:
    explicit TVezAnimationTimingItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;

    std::int32_t Frame;
    TVezSound Sound;
    std::uint8_t FlashScope; // 0 none, otherwise the target or the whole screen
    std::int32_t FlashRed, FlashGreen, FlashBlue, FlashStrength;
    std::int32_t Extra; // chunk 8
};

class TVezAnimationTiming : public TCatalogOf<TVezAnimationTimingItem> {
public:
    TVezAnimationTiming() : TCatalogOf("animation timings") {}
};

class TVezAnimationItem : public TCatalogItem {
public:
    enum { KInitialFrames = 20 };

    explicit TVezAnimationItem(std::int32_t id = 0) : TCatalogItem(id) { Clear(); }
    void DescribeChunks(TChunkVisitor& v) override;
    // Also gives the animation 20 empty frames.
    void Clear() override;

    std::string Name, Graphic;
    TVezAnimationTiming Timings;
    std::uint8_t Scope;    // 0 on each target, otherwise once for the screen
    std::uint8_t Position; // vertical anchor on the target
    TVezAnimationPattern Frames;
};

class TVezAnimation : public TCatalogOf<TVezAnimationItem> {
public:
    TVezAnimation() : TCatalogOf("battle animations") {}
};

} // namespace kestra
