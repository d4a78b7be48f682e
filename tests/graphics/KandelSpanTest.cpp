#include "graphics/KandelSpan.h"
#include "base/Random.h"
#include "graphics/KandelSheet.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestra {
namespace {

// The vector path against the portable one on every row width up to 100 (all tail
// lengths of the 32-pixel steps), solid, keyed and blended, at odd pitches and offsets;
// rows of up to 16 pixels, which go two to a step, also in even and odd counts.
TEST(KandelSpan, VectorPathMatchesPortable) {
    if (!TableBlitIsVectorised()) GTEST_SKIP() << "no vector path on this processor";
    TRandom random(99);
    std::vector<std::uint16_t> colors(256);
    for (auto& c : colors) c = static_cast<std::uint16_t>(random.Next(65536));
    for (int width = 0; width <= 100; ++width)
        for (int variant = 0; variant < 6 * 5; ++variant) {
            const int heights[] = {3, 1, 2, 8, 17};
            if (variant >= 6 && width > 16) break;
            const bool keyed = variant % 2 == 1;
            const int opacity = variant % 6 < 2 ? 255 : variant % 6 < 4 ? 254 : random.Next(255);
            const int height = heights[variant / 6], sourcePitch = width + 5, destPitch = width + 3;
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
            ASSERT_EQ(fast, portable) << "width " << width << " height " << height << " keyed "
                                      << keyed << " opacity " << opacity;
        }
}

// Sampled rows against the portable loop: random points and steps (any direction,
// steep and shallow), every length up to 80, solid, keyed and blended, reading right
// up to the last pixel of the sheet.
TEST(KandelSpan, SampledRowsMatchPortable) {
    if (!SampleRowIsVectorised()) GTEST_SKIP() << "no vector path on this processor";
    TRandom random(3);
    TKandelSheet sheet;
    sheet.SetSize(53, 41);
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 53; ++x)
            sheet.ScanLine(y)[x] =
                static_cast<std::uint8_t>(random.Next(5) == 0 ? 0 : random.Next(256));
    std::vector<std::uint16_t> colors(256);
    for (auto& c : colors) c = static_cast<std::uint16_t>(random.Next(65536));
    for (int trial = 0; trial < 3000; ++trial) {
        const int n = random.Next(81);
        // A segment from a point inside the sheet to another: every step stays inside.
        const std::int64_t u0 = random.Next(53 << 16), v0 = random.Next(41 << 16);
        const std::int64_t u1 = random.Next(53 << 16), v1 = random.Next(41 << 16);
        const auto du = static_cast<std::int32_t>(n > 1 ? (u1 - u0) / (n - 1) : 0);
        const auto dv = static_cast<std::int32_t>(n > 1 ? (v1 - v0) / (n - 1) : 0);
        const bool keyed = trial % 2 == 1;
        const int opacity = trial % 3 == 0 ? 255 : random.Next(256);
        std::vector<std::uint16_t> fast(90);
        for (auto& d : fast) d = static_cast<std::uint16_t>(random.Next(65536));
        std::vector<std::uint16_t> portable = fast;
        const auto u = static_cast<std::int32_t>(u0), v = static_cast<std::int32_t>(v0);
        SampleRow(fast.data() + 1, n, sheet.ScanLine(0), 53, u, v, du, dv, colors.data(), keyed,
                  opacity);
        SampleRowPortable(portable.data() + 1, n, sheet.ScanLine(0), 53, u, v, du, dv,
                          colors.data(), keyed, opacity);
        ASSERT_EQ(fast, portable) << "trial " << trial << " length " << n;
    }
    // The very last pixel, read with the storage's slack.
    std::vector<std::uint16_t> fast(1), portable(1);
    const std::int32_t last = (52 << 16) | 0xFFFF, bottom = (40 << 16) | 0xFFFF;
    SampleRow(fast.data(), 1, sheet.ScanLine(0), 53, last, bottom, 0, 0, colors.data(), false, 255);
    SampleRowPortable(portable.data(), 1, sheet.ScanLine(0), 53, last, bottom, 0, 0, colors.data(),
                      false, 255);
    EXPECT_EQ(fast, portable);
    EXPECT_EQ(fast[0], colors[sheet.ScanLine(40)[52]]);
}

// The vector cross-fade against the portable one for every weight and tail length.
TEST(KandelSpan, CrossFadeRowsMatchPortable) {
    if (!CrossFadeRowIsVectorised()) GTEST_SKIP() << "no vector path on this processor";
    TRandom random(11);
    std::vector<std::uint16_t> a(70), b(70);
    for (auto& p : a) p = static_cast<std::uint16_t>(random.Next(65536));
    for (auto& p : b) p = static_cast<std::uint16_t>(random.Next(65536));
    a[0] = 0xFFFF;
    b[0] = 0xFFFF; // the largest channel sums
    for (int l = 0; l <= 256; ++l)
        for (int n : {0, 1, 15, 16, 17, 31, 33, 69}) {
            std::vector<std::uint16_t> fast(70, 0x1234), portable(70, 0x1234);
            CrossFadeRow(fast.data(), a.data(), b.data(), n, l);
            CrossFadeRowPortable(portable.data(), a.data(), b.data(), n, l);
            ASSERT_EQ(fast, portable) << "weight " << l << " length " << n;
        }
}

} // namespace
} // namespace kestra
