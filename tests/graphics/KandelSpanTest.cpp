#include "graphics/KandelSpan.h"
#include "base/Random.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestra {
namespace {

// The vector path against the portable one on every row width up to 100 (all tail
// lengths of the 32-pixel steps), solid, keyed and blended, at odd pitches and offsets.
TEST(KandelSpan, VectorPathMatchesPortable) {
    if (!TableBlitIsVectorised()) GTEST_SKIP() << "no vector path on this processor";
    TRandom random(99);
    std::vector<std::uint16_t> colors(256);
    for (auto& c : colors) c = static_cast<std::uint16_t>(random.Next(65536));
    for (int width = 0; width <= 100; ++width)
        for (int variant = 0; variant < 6; ++variant) {
            const bool keyed = variant % 2 == 1;
            const int opacity = variant < 2 ? 255 : variant < 4 ? 254 : random.Next(255);
            const int height = 3, sourcePitch = width + 5, destPitch = width + 3;
            std::vector<std::uint8_t> source(static_cast<std::size_t>(sourcePitch * height + 1));
            for (auto& s : source)
                s = static_cast<std::uint8_t>(random.Next(4) == 0 ? 0 : random.Next(256));
            std::vector<std::uint16_t> fast(static_cast<std::size_t>(destPitch * height + 2));
            for (auto& d : fast) d = static_cast<std::uint16_t>(random.Next(65536));
            std::vector<std::uint16_t> portable = fast;
            TableBlit(fast.data() + 1, destPitch, source.data() + 1, sourcePitch, width, height,
                      colors.data(), keyed, opacity);
            TableBlitPortable(portable.data() + 1, destPitch, source.data() + 1, sourcePitch, width,
                              height, colors.data(), keyed, opacity);
            ASSERT_EQ(fast, portable)
                << "width " << width << " keyed " << keyed << " opacity " << opacity;
        }
}

} // namespace
} // namespace kestra
