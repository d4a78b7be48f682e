#include "data/LD_ChipSet.h"

namespace kestra {

namespace {

template <class T, std::size_t N>
constexpr std::array<T, N> Filled(T value) {
    std::array<T, N> a{};
    a.fill(value);
    return a;
}

constexpr auto KInitTerrain = Filled<std::uint16_t, TVezChipSetItem::KLowerEntries>(1);
constexpr auto KInitLower = Filled<std::uint8_t, TVezChipSetItem::KLowerEntries>(15);
constexpr auto KInitUpper = [] {
    auto a = Filled<std::uint8_t, TVezChipSetItem::KUpperEntries>(15);
    a[0] = 31;
    return a;
}();

} // namespace

void TVezChipSetItem::DescribeChunks(TChunkVisitor& v) {
    v.String(1, Name, true);
    v.String(2, Graphic, true);
    // Written only when they differ from their initial tables. Every entry takes part in
    // the comparison, so a changed entry 0 of the upper table is not lost.
    v.Fixed(3, Terrain, KInitTerrain, true);
    v.Fixed(4, Lower, KInitLower, true);
    v.Fixed(5, Upper, KInitUpper, true);
    v.Int(11, WaterSequence);
    v.Int(12, WaterSpeed);
}

} // namespace kestra
