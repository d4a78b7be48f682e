// The PNG conformance suite: accepted files decode to the pixels an independent
// whole-buffer decoder finds, and everything else is refused with the right error.
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>

#include "ImageTestSupport.h"
#include "base/Errors.h"
#include "graphics/KandelImage.h"

using namespace kestra;
using namespace kestra::test;

namespace {

std::vector<std::string> SuiteFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(SuitePath("pngsuite")))
        if (entry.path().extension() == ".png") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// What the suite's file name says about the file: "basn3p08" = not interlaced,
// palette, 8 bits.
bool Accepted(const std::string& n) {
    if (n == "exif2c08.png") return true; // an RGB file with an eXIf chunk
    return n[0] != 'x' && n[3] == 'n' && (n.substr(4, 4) == "3p08" || n.substr(4, 4) == "2c08");
}

TBytes Chunk(const TBytes& file, const std::string& type) {
    TBytes out;
    for (std::size_t p = 8; p + 8 <= file.size();) {
        const std::size_t len =
            (std::size_t{file[p]} << 24) | (file[p + 1] << 16) | (file[p + 2] << 8) | file[p + 3];
        if (std::string(file.begin() + p + 4, file.begin() + p + 8) == type)
            out.insert(out.end(), file.begin() + p + 8, file.begin() + p + 8 + len);
        p += 12 + len;
    }
    return out;
}

// Reference decoding for the test: all IDAT data joined and inflated in one call,
// then unfiltered a whole row at a time. Samples in file order.
TBytes ReferenceSamples(const TBytes& file, int bpp, int width, int height) {
    const TBytes packed = Chunk(file, "IDAT");
    const int rowBytes = width * bpp;
    uLongf size = static_cast<uLongf>((rowBytes + 1) * height);
    TBytes raw(size);
    EXPECT_EQ(uncompress(raw.data(), &size, packed.data(), static_cast<uLong>(packed.size())),
              Z_OK);
    TBytes out(static_cast<std::size_t>(rowBytes * height));
    for (int y = 0; y < height; ++y) {
        const int filter = raw[y * (rowBytes + 1)];
        const std::uint8_t* in = &raw[y * (rowBytes + 1) + 1];
        std::uint8_t* row = &out[y * rowBytes];
        for (int i = 0; i < rowBytes; ++i) {
            const int a = i >= bpp ? row[i - bpp] : 0;
            const int b = y > 0 ? row[i - rowBytes] : 0;
            const int c = i >= bpp && y > 0 ? row[i - bpp - rowBytes] : 0;
            const int p = a + b - c;
            const int paeth =
                std::abs(p - a) <= std::abs(p - b) && std::abs(p - a) <= std::abs(p - c)
                    ? a
                    : (std::abs(p - b) <= std::abs(p - c) ? b : c);
            const int predictor[5] = {0, a, b, (a + b) / 2, paeth};
            EXPECT_LT(filter, 5);
            row[i] = static_cast<std::uint8_t>(in[i] + predictor[filter % 5]);
        }
    }
    return out;
}

// The decoded bitmap as samples in file order.
TBytes FileOrder(const TKandelBitmap& b) {
    TBytes out = b.Pixels;
    if (b.Format == TPixelFormat::Rgb24)
        for (std::size_t i = 0; i < out.size(); i += 3) std::swap(out[i], out[i + 2]);
    return out;
}

TKandelBitmap Decode(const std::string& name) {
    TKandelBitmap b;
    ReadImage(SuiteBytes("pngsuite/" + name), b, name);
    return b;
}

} // namespace

TEST(PngSuite, EveryFileOfTheSubsetDecodes) {
    int count = 0;
    for (const std::string& name : SuiteFiles()) {
        if (!Accepted(name)) continue;
        SCOPED_TRACE(name);
        ++count;
        const TBytes file = SuiteBytes("pngsuite/" + name);
        TKandelBitmap b;
        ASSERT_NO_THROW(ReadImage(file, b, name));
        const bool palette = name.substr(4, 2) == "3p";
        EXPECT_EQ(b.Format, palette ? TPixelFormat::Indexed8 : TPixelFormat::Rgb24);
        const TBytes ihdr = Chunk(file, "IHDR");
        EXPECT_EQ(b.Width, (ihdr[2] << 8) | ihdr[3]);
        EXPECT_EQ(b.Height, (ihdr[6] << 8) | ihdr[7]);
        ASSERT_EQ(b.Pixels.size(), static_cast<std::size_t>(b.RowBytes()) * b.Height);
        if (palette) {
            const TBytes plte = Chunk(file, "PLTE");
            ASSERT_EQ(b.PaletteSize * 3, static_cast<int>(plte.size()));
            for (int i = 0; i < b.PaletteSize; ++i)
                EXPECT_EQ(b.Palette[i],
                          (TRgbQuad{plte[3 * i], plte[3 * i + 1], plte[3 * i + 2], 0}));
            // Every index the image uses has a palette entry.
            EXPECT_LT(*std::max_element(b.Pixels.begin(), b.Pixels.end()), b.PaletteSize);
        }
        EXPECT_EQ(FileOrder(b), ReferenceSamples(file, palette ? 1 : 3, b.Width, b.Height));
    }
    EXPECT_GE(count, 38);
}

TEST(PngSuite, EncodingsOfOnePictureDecodeAlike) {
    // f00 is unfiltered; f01..f04 use one filter each and share f00's picture except
    // for a label in rows 8..23.
    const TKandelBitmap unfiltered = Decode("f00n2c08.png");
    for (const char* name : {"f01n2c08.png", "f02n2c08.png", "f03n2c08.png", "f04n2c08.png"}) {
        SCOPED_TRACE(name);
        const TKandelBitmap b = Decode(name);
        ASSERT_EQ(b.Pixels.size(), unfiltered.Pixels.size());
        for (int y : {0, 1, 2, 3, 4, 5, 6, 7, 24, 25, 26, 27, 28, 29, 30, 31})
            EXPECT_TRUE(std::equal(b.Row(y), b.Row(y) + b.RowBytes(), unfiltered.Row(y)))
                << "row " << y;
    }
    // Compression levels 0 (stored blocks), 3, 6 and 9 of one picture.
    const TKandelBitmap stored = Decode("z00n2c08.png");
    for (const char* name : {"z03n2c08.png", "z06n2c08.png", "z09n2c08.png"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Decode(name).Pixels, stored.Pixels);
    }
}

TEST(PngSuite, EverythingElseIsRefusedWithTheRightError) {
    int refused = 0;
    for (const std::string& name : SuiteFiles()) {
        if (Accepted(name)) continue;
        SCOPED_TRACE(name);
        ++refused;
        TKandelBitmap b;
        const TBytes file = SuiteBytes("pngsuite/" + name);
        if (name[0] == 'x') { // deliberately corrupt
            EXPECT_THROW(ReadImage(file, b, name), EKestraError);
            continue;
        }
        const std::string kind = name.substr(4, 2), depth = name.substr(6, 2);
        if (kind == "3p" && depth != "08")
            EXPECT_THROW(ReadImage(file, b, name), EInvalidGraphic);
        else
            EXPECT_THROW(ReadImage(file, b, name),
                         EUnsupportedFormat); // other type, depth, interlaced
    }
    EXPECT_GE(refused, 100);
}
