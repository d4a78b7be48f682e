#include "graphics/KandelXyz.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "ImageTestSupport.h"
#include "base/Errors.h"

using namespace kestra;
using namespace kestra::test;

namespace {

TKandelBitmap TestBitmap(int width, int height) {
    TKandelBitmap b;
    b.Reset(TPixelFormat::Indexed8, width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) b.Row(y)[x] = TestSample(x, y, 0);
    b.PaletteSize = 256;
    for (int i = 0; i < 256; ++i)
        b.Palette[i] = {TestSample(i, 0, 0), TestSample(i, 0, 1), TestSample(i, 0, 2), 0};
    return b;
}

TBytes XyzFile(int width, int height, const TBytes& body) {
    // Sized once and filled in place: g++ 12 at -O3 misreads an insert after a
    // braced list as an out-of-bounds copy.
    TBytes f(8 + body.size());
    const std::uint8_t header[8] = {'X',
                                    'Y',
                                    'Z',
                                    '1',
                                    std::uint8_t(width),
                                    std::uint8_t(width >> 8),
                                    std::uint8_t(height),
                                    std::uint8_t(height >> 8)};
    std::copy(std::begin(header), std::end(header), f.begin());
    std::copy(body.begin(), body.end(), f.begin() + 8);
    return f;
}

} // namespace

TEST(Xyz, WriteThenReadKeepsPaletteAndIndexes) {
    const TKandelBitmap source = TestBitmap(37, 19);
    TBytes file;
    WriteXyz(source, file);
    ASSERT_GE(file.size(), 8u);
    EXPECT_EQ(TBytes(file.begin(), file.begin() + 8), (TBytes{'X', 'Y', 'Z', '1', 37, 0, 19, 0}));
    // The body is one zlib stream of palette (RGB) and rows.
    TBytes raw(768 + 37 * 19);
    uLongf size = static_cast<uLongf>(raw.size());
    ASSERT_EQ(uncompress(raw.data(), &size, file.data() + 8, static_cast<uLong>(file.size() - 8)),
              Z_OK);
    EXPECT_EQ(size, raw.size());
    EXPECT_EQ(raw[3 * 5 + 2], source.Palette[5].Blue);
    EXPECT_EQ(raw[768 + 37 * 2 + 3], source.Row(2)[3]);

    TKandelBitmap back;
    ReadXyz(file, back, "pic.xyz");
    EXPECT_EQ(back.Format, TPixelFormat::Indexed8);
    EXPECT_EQ(back.Width, 37);
    EXPECT_EQ(back.Height, 19);
    EXPECT_EQ(back.PaletteSize, 256);
    EXPECT_EQ(back.Palette, source.Palette);
    EXPECT_EQ(back.Pixels, source.Pixels);
}

TEST(Xyz, TruncatedStreamLeavesTheRestAtIndexZero) {
    const TKandelBitmap source = TestBitmap(64, 64);
    TBytes raw(768, 0);
    for (int i = 0; i < 256; ++i) raw[3 * i] = static_cast<std::uint8_t>(i);
    raw.insert(raw.end(), source.Pixels.begin(), source.Pixels.end());
    const TBytes packed = Compress(raw);
    const TBytes file = XyzFile(64, 64, TBytes(packed.begin(), packed.begin() + packed.size() / 2));
    TKandelBitmap back;
    ReadXyz(file, back, "pic.xyz");
    ASSERT_EQ(back.Pixels.size(), source.Pixels.size());
    EXPECT_EQ(back.Palette[200].Red, 200);
    // A prefix decodes as written, everything after the cut is 0.
    std::size_t good = 0;
    while (good < back.Pixels.size() && back.Pixels[good] == source.Pixels[good]) ++good;
    EXPECT_GT(good, 0u);
    EXPECT_LT(good, back.Pixels.size());
    for (std::size_t i = good + 64; i < back.Pixels.size(); ++i) ASSERT_EQ(back.Pixels[i], 0) << i;

    // Only the header: a black image.
    ReadXyz(XyzFile(3, 2, {}), back, "pic.xyz");
    EXPECT_EQ(back.Pixels, TBytes(6, 0));
}

TEST(Xyz, RefusesBrokenFiles) {
    TKandelBitmap b;
    EXPECT_THROW(ReadXyz(TBytes{'X', 'Y', 'Z', '1', 1, 0, 1}, b, "pic.xyz"), EImageFormatError);
    EXPECT_THROW(ReadXyz(TBytes{}, b, "pic.xyz"), EImageFormatError);
    EXPECT_THROW(ReadXyz(TBytes{'X', 'Y', 'Z', '2', 1, 0, 1, 0}, b, "pic.xyz"), EInvalidGraphic);
    // 65535 x 65535 would need 4 GiB: refused before anything is allocated.
    EXPECT_THROW(ReadXyz(XyzFile(0xFFFF, 0xFFFF, Compress(TBytes(800, 0))), b, "pic.xyz"),
                 EUnsupportedFormat);
    try {
        ReadXyz(XyzFile(4, 4, {0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0xFF}), b, "pic.xyz");
        FAIL() << "corrupt stream accepted";
    } catch (const EInvalidGraphic&) {
        FAIL() << "should be a general error";
    } catch (const EKestraError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("pic.xyz: ", 0), 0u);
    }
}

TEST(Xyz, WriterWidensPackedIndexesAndRefusesTrueColour) {
    TKandelBitmap packed;
    packed.Reset(TPixelFormat::Indexed1, 10, 1);
    packed.Pixels = {0xA5, 0xC0};
    packed.PaletteSize = 2;
    packed.Palette[1] = {255, 255, 255, 0};
    TBytes file;
    WriteXyz(packed, file);
    TKandelBitmap back;
    ReadXyz(file, back, "pic.xyz");
    EXPECT_EQ(back.Pixels, (TBytes{1, 0, 1, 0, 0, 1, 0, 1, 1, 1}));
    EXPECT_EQ(back.Palette[1], packed.Palette[1]);

    TKandelBitmap rgb;
    rgb.Reset(TPixelFormat::Rgb24, 2, 2);
    EXPECT_THROW(WriteXyz(rgb, file), EInvalidGraphic);
    EXPECT_THROW(WriteXyz(TKandelBitmap{}, file), EInvalidGraphic);
}
