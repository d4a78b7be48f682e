#include "graphics/KandelBmp.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "ImageTestSupport.h"
#include "base/Errors.h"
#include "graphics/KandelImage.h"

using namespace kestra;
using namespace kestra::test;

namespace {

std::uint32_t Le32(const TBytes& d, std::size_t p) {
    return d[p] | (d[p + 1] << 8) | (d[p + 2] << 16) | (std::uint32_t{d[p + 3]} << 24);
}
void PutLe(TBytes& d, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) d.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

TKandelBitmap Decode(const std::string& relative) {
    TKandelBitmap b;
    ReadImage(SuiteBytes("bmpsuite/" + relative), b, relative);
    return b;
}

// Reference for uncompressed bottom-up files with a 40-byte header: the index of
// pixel (x, y) counted from the top, read straight from the file.
int ReferenceIndex(const TBytes& f, int x, int y) {
    const int bpp = f[28], width = static_cast<int>(Le32(f, 18)),
              height = static_cast<int>(Le32(f, 22));
    const std::size_t stride = ((static_cast<std::size_t>(width) * bpp + 31) / 32) * 4;
    const std::size_t row = Le32(f, 10) + stride * static_cast<std::size_t>(height - 1 - y);
    const std::size_t bit = static_cast<std::size_t>(x) * bpp;
    return (f[row + bit / 8] >> (8 - bpp - bit % 8)) & ((1 << bpp) - 1);
}

// A bottom-up 8-bit file with a 40-byte header, `colours` palette entries and the
// given pixel data (already padded rows, or run-length codes).
TBytes Bmp8(int width, int height, int colours, const TBytes& pixels,
            std::uint32_t compression = 0) {
    TBytes f{'B', 'M'};
    const std::uint32_t offset = 14 + 40 + 4 * colours;
    PutLe(f, offset + static_cast<std::uint32_t>(pixels.size()), 4);
    PutLe(f, 0, 4);
    PutLe(f, offset, 4);
    PutLe(f, 40, 4);
    PutLe(f, static_cast<std::uint32_t>(width), 4);
    PutLe(f, static_cast<std::uint32_t>(height), 4);
    PutLe(f, 1, 2);
    PutLe(f, 8, 2);
    PutLe(f, compression, 4);
    PutLe(f, static_cast<std::uint32_t>(pixels.size()), 4);
    PutLe(f, 0, 4);
    PutLe(f, 0, 4);
    PutLe(f, static_cast<std::uint32_t>(colours), 4);
    PutLe(f, 0, 4);
    for (int i = 0; i < colours; ++i)
        f.insert(f.end(), {std::uint8_t(i), std::uint8_t(i * 2), std::uint8_t(i * 3), 0});
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

TKandelBitmap ReadBytes(const TBytes& f) {
    TKandelBitmap b;
    ReadBmp(f, b, "pic.bmp");
    return b;
}

} // namespace

TEST(BmpSuite, EightBitFileMatchesAReferenceReading) {
    for (const char* name : {"g/pal8.bmp", "g/pal8w124.bmp", "g/pal8w125.bmp", "g/pal8w126.bmp",
                             "g/pal8gs.bmp", "g/pal4.bmp", "g/pal1.bmp", "g/pal1bg.bmp"}) {
        SCOPED_TRACE(name);
        const TBytes f = SuiteBytes(std::string("bmpsuite/") + name);
        TKandelBitmap b;
        ReadImage(f, b, name);
        const TKandelBitmap wide = ExpandToIndexed8(b);
        ASSERT_EQ(wide.Width, static_cast<int>(Le32(f, 18)));
        ASSERT_EQ(wide.Height, static_cast<int>(Le32(f, 22)));
        for (int y = 0; y < wide.Height; ++y)
            for (int x = 0; x < wide.Width; ++x)
                ASSERT_EQ(wide.Row(y)[x], ReferenceIndex(f, x, y)) << x << "," << y;
        const std::size_t palette = 14 + Le32(f, 14);
        for (int i = 0; i < b.PaletteSize; ++i)
            ASSERT_EQ(b.Palette[i], (TRgbQuad{f[palette + 4 * i + 2], f[palette + 4 * i + 1],
                                              f[palette + 4 * i], 0}));
    }
}

TEST(BmpSuite, EncodingsOfThePaletteImageDecodeAlike) {
    const TKandelBitmap base = Decode("g/pal8.bmp");
    ASSERT_EQ(base.Format, TPixelFormat::Indexed8);
    // Top-down, run-length, OS/2 core and 2.x, V4, V5, implicit palette size, odd offsets.
    for (const char* name :
         {"g/pal8topdown.bmp", "g/pal8rle.bmp", "g/pal8os2.bmp", "g/pal8v4.bmp", "g/pal8v5.bmp",
          "g/pal8-0.bmp", "q/pal8os2v2.bmp", "q/pal8os2v2-16.bmp", "q/pal8offs.bmp",
          "q/pal8oversizepal.bmp", "q/pal8os2sp.bmp"}) {
        SCOPED_TRACE(name);
        const TKandelBitmap b = Decode(name);
        EXPECT_EQ(b.Format, TPixelFormat::Indexed8);
        EXPECT_EQ(b.Width, base.Width);
        EXPECT_EQ(b.Height, base.Height);
        EXPECT_EQ(b.Pixels, base.Pixels);
        EXPECT_GE(b.PaletteSize, base.PaletteSize);
        EXPECT_TRUE(std::equal(base.Palette.begin(), base.Palette.begin() + base.PaletteSize,
                               b.Palette.begin()));
    }
    EXPECT_EQ(Decode("g/pal4rle.bmp").Pixels, Decode("g/pal4.bmp").Pixels);
}

TEST(BmpSuite, TrueColourEncodingsDecodeAlike) {
    const TKandelBitmap rgb = Decode("g/rgb24.bmp");
    ASSERT_EQ(rgb.Format, TPixelFormat::Rgb24);
    ASSERT_EQ(rgb.Width, 127);
    for (const char* name : {"g/rgb24pal.bmp", "g/rgb32.bmp", "g/rgb32bf.bmp", "g/rgb32bfdef.bmp",
                             "q/rgb32-xbgr.bmp", "q/rgb32h52.bmp", "q/rgb24largepal.bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Decode(name).Pixels, rgb.Pixels);
    }
    // 16-bit files hold 5 or 6 bits per channel of the same picture.
    for (const char* name : {"g/rgb16.bmp", "g/rgb16-565.bmp", "g/rgb16bfdef.bmp"}) {
        SCOPED_TRACE(name);
        const TKandelBitmap b = Decode(name);
        ASSERT_EQ(b.Pixels.size(), rgb.Pixels.size());
        for (std::size_t i = 0; i < b.Pixels.size(); ++i)
            ASSERT_NEAR(b.Pixels[i], rgb.Pixels[i], 8) << i;
    }
}

TEST(BmpSuite, BadAndQuestionableFilesAreRefusedOrDecodedSafely) {
    for (const char* dir : {"b", "q"}) {
        for (const auto& entry :
             std::filesystem::directory_iterator(SuitePath(std::string("bmpsuite/") + dir))) {
            const std::string name = entry.path().filename().string();
            SCOPED_TRACE(name);
            TKandelBitmap b;
            try {
                ReadImage(ReadFileBytes(entry.path().string(), 1 << 24), b, name);
                EXPECT_EQ(b.Pixels.size(), static_cast<std::size_t>(b.RowBytes()) * b.Height);
            } catch (const EKestraError& e) {
                EXPECT_EQ(std::string(e.what()).rfind(name + ": ", 0), 0u) << e.what();
            }
        }
    }
    for (const char* name :
         {"b/badbitcount.bmp", "b/badheadersize.bmp", "b/badplanes.bmp", "b/badwidth.bmp",
          "b/reallybig.bmp", "b/rletopdown.bmp", "b/shortfile.bmp"}) {
        SCOPED_TRACE(name);
        TKandelBitmap b;
        EXPECT_THROW(ReadImage(SuiteBytes(std::string("bmpsuite/") + name), b, name), EKestraError);
    }
}

TEST(BmpReader, TopDownRowsAndShortPalettes) {
    // Rows padded to 4 bytes; the second stored row is the top one when bottom-up.
    const TBytes rows{1, 2, 3, 0, 4, 5, 6, 0};
    const TKandelBitmap up = ReadBytes(Bmp8(3, 2, 7, rows));
    EXPECT_EQ(up.Pixels, (TBytes{4, 5, 6, 1, 2, 3}));
    EXPECT_EQ(up.PaletteSize, 7);
    EXPECT_EQ(up.Palette[6], (TRgbQuad{18, 12, 6, 0}));
    EXPECT_EQ(up.Palette[7], TRgbQuad{});
    TBytes topDown = Bmp8(3, 2, 7, rows);
    topDown[25] = 0xFF, topDown[24] = 0xFF, topDown[23] = 0xFF, topDown[22] = 0xFE; // height -2
    EXPECT_EQ(ReadBytes(topDown).Pixels, (TBytes{1, 2, 3, 4, 5, 6}));
}

TEST(BmpReader, RunLengthDataNeverWritesOutsideTheImage) {
    // Width 4, height 2: a run of 10 on the bottom row (cut at 4), end of line, a delta
    // of (1, 0), an absolute run of 5 (cut at the edge), then a delta far above the top.
    const TBytes rle{10, 7, 0, 0, 0, 2, 1, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 2, 200, 200, 3, 9};
    const TKandelBitmap b = ReadBytes(Bmp8(4, 2, 16, rle, 1));
    EXPECT_EQ(b.Pixels, (TBytes{0, 1, 2, 3, 7, 7, 7, 7}));
    // Data that stops inside a run or an escape leaves the rest at index 0.
    for (const TBytes& cut :
         {TBytes{3, 5, 0}, TBytes{0, 4, 1, 2}, TBytes{2, 5, 0, 2, 1}, TBytes{}}) {
        const TKandelBitmap c = ReadBytes(Bmp8(4, 2, 16, cut, 1));
        EXPECT_EQ(c.Pixels.size(), 8u);
    }
}

TEST(BmpReader, RefusesBrokenHeaders) {
    const TBytes good = Bmp8(3, 2, 7, {1, 2, 3, 0, 4, 5, 6, 0});
    auto with = [&](std::size_t pos, std::uint32_t value, int bytes) {
        TBytes f = good;
        for (int i = 0; i < bytes; ++i) f[pos + i] = static_cast<std::uint8_t>(value >> (8 * i));
        return f;
    };
    TKandelBitmap b;
    EXPECT_THROW(ReadBmp(TBytes(good.begin(), good.begin() + 30), b, "pic.bmp"), EImageFormatError);
    // The last row may lack its padding, not its pixels.
    EXPECT_NO_THROW(ReadBmp(TBytes(good.begin(), good.end() - 1), b, "pic.bmp"));
    EXPECT_THROW(ReadBmp(TBytes(good.begin(), good.end() - 2), b, "pic.bmp"), EImageFormatError);
    EXPECT_THROW(ReadBmp(TBytes(good.begin(), good.begin() + 64), b, "pic.bmp"), EImageFormatError);
    EXPECT_THROW(ReadBmp(with(0, 'X', 1), b, "pic.bmp"), EImageFormatError);
    EXPECT_THROW(ReadBmp(with(18, 0, 4), b, "pic.bmp"), EImageFormatError); // width 0
    EXPECT_THROW(ReadBmp(with(22, 0x80000000u, 4), b, "pic.bmp"),
                 EUnsupportedFormat); // height -2^31
    EXPECT_THROW(ReadBmp(with(18, 20000, 4), b, "pic.bmp"), EUnsupportedFormat);
    EXPECT_THROW(ReadBmp(with(10, 0xFFFFFFF0u, 4), b, "pic.bmp"), EImageFormatError);
    EXPECT_THROW(ReadBmp(with(28, 2, 2), b, "pic.bmp"), EUnsupportedFormat);
    EXPECT_THROW(ReadBmp(with(30, 4, 4), b, "pic.bmp"), EUnsupportedFormat); // JPEG inside
    EXPECT_THROW(ReadBmp(with(30, 2, 4), b, "pic.bmp"), EImageFormatError);  // RLE4 on 8-bit
}
