#include "graphics/KandelPng.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>

#include "ImageTestSupport.h"
#include "base/Errors.h"

using namespace kestra;
using namespace kestra::test;

namespace {

// Filters one row the way an encoder does, from the original samples.
TBytes FilterRow(int type, const TBytes& row, const TBytes& above, int bpp) {
    TBytes out{static_cast<std::uint8_t>(type)};
    for (std::size_t i = 0; i < row.size(); ++i) {
        const int a = i >= static_cast<std::size_t>(bpp) ? row[i - bpp] : 0;
        const int b = above[i];
        const int c = i >= static_cast<std::size_t>(bpp) ? above[i - bpp] : 0;
        int predictor = 0;
        if (type == 1) predictor = a;
        if (type == 2) predictor = b;
        if (type == 3) predictor = (a + b) / 2;
        if (type == 4) {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b),
                      pc = std::abs(p - c);
            predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        }
        out.push_back(static_cast<std::uint8_t>(row[i] - predictor));
    }
    return out;
}

struct TTestPng {
    int Width = 9, Height = 10, Bpp = 1;
    TBytes Header, Palette, Compressed;

    // Row y uses filter y mod 5; samples come from TestSample in file (RGB) order.
    TTestPng(int bpp, int width = 33, int height = 25) : Width(width), Height(height), Bpp(bpp) {
        Header = Ihdr(width, height, 8, bpp == 1 ? 3 : 2);
        for (int i = 0; i < 200; ++i)
            Palette.insert(Palette.end(),
                           {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 3)});
        TBytes raw, above(static_cast<std::size_t>(width * bpp), 0);
        for (int y = 0; y < height; ++y) {
            TBytes row;
            for (int x = 0; x < width; ++x)
                for (int ch = 0; ch < bpp; ++ch) row.push_back(TestSample(x, y, ch));
            const TBytes filtered = FilterRow(y % 5, row, above, bpp);
            raw.insert(raw.end(), filtered.begin(), filtered.end());
            above = row;
        }
        Compressed = Compress(raw);
    }

    // The file with the compressed data cut into IDAT chunks of `piece` bytes.
    TBytes File(std::size_t piece) const {
        TBytes f = PngSignature();
        PutChunk(f, "IHDR", Header);
        PutChunk(f, "tEXt", TBytes{'a', 0, 'b'});
        if (Bpp == 1) PutChunk(f, "PLTE", Palette);
        for (std::size_t i = 0; i < Compressed.size(); i += piece) {
            const std::size_t n = std::min(piece, Compressed.size() - i);
            PutChunk(f, "IDAT", TBytes(Compressed.begin() + i, Compressed.begin() + i + n));
        }
        PutChunk(f, "tIME", TBytes(7, 0));
        PutChunk(f, "IEND", {});
        return f;
    }

    void ExpectDecoded(const TKandelBitmap& b) const {
        ASSERT_EQ(b.Width, Width);
        ASSERT_EQ(b.Height, Height);
        ASSERT_EQ(b.Format, Bpp == 1 ? TPixelFormat::Indexed8 : TPixelFormat::Rgb24);
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                for (int ch = 0; ch < Bpp; ++ch) {
                    // The bitmap keeps blue, green, red.
                    const int stored = Bpp == 3 ? 2 - ch : ch;
                    ASSERT_EQ(b.Row(y)[x * Bpp + stored], TestSample(x, y, ch))
                        << "x " << x << " y " << y << " channel " << ch;
                }
        if (Bpp == 1) {
            EXPECT_EQ(b.PaletteSize, 200);
            EXPECT_EQ(b.Palette[199], (TRgbQuad{199, 56, static_cast<std::uint8_t>(199 * 3), 0}));
            EXPECT_EQ(b.Palette[200], TRgbQuad{});
        }
    }
};

TBytes Png(const std::vector<std::pair<const char*, TBytes>>& chunks, bool signature = true) {
    TBytes f = signature ? PngSignature() : TBytes(8, 0);
    for (const auto& [type, data] : chunks) PutChunk(f, type, data);
    return f;
}

TBytes Idat(int width, int height, int bpp) {
    return Compress(TBytes(static_cast<std::size_t>((width * bpp + 1) * height), 0));
}

template <class E>
void ExpectThrowNaming(const TBytes& file, const char* what) {
    TKandelBitmap b;
    try {
        ReadPng(file, b, "pic.png");
        ADD_FAILURE() << what << ": no exception";
    } catch (const E& e) {
        EXPECT_EQ(std::string(e.what()).rfind("pic.png: ", 0), 0u) << e.what();
    } catch (const std::exception& e) {
        ADD_FAILURE() << what << ": wrong exception " << e.what();
    }
}

} // namespace

TEST(PngReader, UndoesEveryRowFilterInPaletteAndRgbImages) {
    for (int bpp : {1, 3}) {
        SCOPED_TRACE(bpp);
        const TTestPng png(bpp);
        TKandelBitmap b;
        ReadPng(png.File(1 << 20), b, "pic.png");
        png.ExpectDecoded(b);
    }
}

TEST(PngReader, RowsStraddlingManySmallIdatChunksDecode) {
    for (int bpp : {1, 3}) {
        const TTestPng png(bpp, 37, 23);
        for (std::size_t piece : {1u, 2u, 7u, 64u}) {
            SCOPED_TRACE(piece);
            TKandelBitmap b;
            ReadPng(png.File(piece), b, "pic.png");
            png.ExpectDecoded(b);
        }
    }
}

TEST(PngReader, RejectsBrokenStructureWithFormatErrors) {
    const TBytes hdr = Ihdr(4, 2, 8, 3), idat = Idat(4, 2, 1), plte(6, 1);
    ExpectThrowNaming<EImageFormatError>(Png({{"IHDR", hdr}, {"IDAT", idat}, {"IEND", {}}}, false),
                                         "bad signature");
    ExpectThrowNaming<EImageFormatError>(
        Png({{"PLTE", plte}, {"IHDR", hdr}, {"IDAT", idat}, {"IEND", {}}}), "PLTE before IHDR");
    ExpectThrowNaming<EImageFormatError>(Png({{"IDAT", idat}, {"IHDR", hdr}, {"IEND", {}}}),
                                         "IDAT before IHDR");
    ExpectThrowNaming<EImageFormatError>(Png({{"IEND", {}}}), "IEND only");
    TBytes shortHdr(hdr.begin(), hdr.end() - 1), longHdr = hdr;
    longHdr.push_back(0);
    ExpectThrowNaming<EImageFormatError>(Png({{"IHDR", shortHdr}, {"IDAT", idat}, {"IEND", {}}}),
                                         "IHDR of 12 bytes");
    ExpectThrowNaming<EImageFormatError>(Png({{"IHDR", longHdr}, {"IDAT", idat}, {"IEND", {}}}),
                                         "IHDR of 14 bytes");
    ExpectThrowNaming<EImageFormatError>(
        Png({{"IHDR", hdr}, {"IHDR", hdr}, {"IDAT", idat}, {"IEND", {}}}), "second IHDR");
    ExpectThrowNaming<EImageFormatError>(Png({{"IHDR", hdr}, {"IDAT", idat}}), "missing IEND");
    ExpectThrowNaming<EImageFormatError>(Png({{"IHDR", hdr}, {"IDAT", idat}, {"IEND", {1}}}),
                                         "IEND with data");
    ExpectThrowNaming<EImageFormatError>(
        Png({{"IHDR", hdr}, {"PLTE", TBytes(769, 0)}, {"IDAT", idat}, {"IEND", {}}}),
        "PLTE of 769 bytes");
    ExpectThrowNaming<EImageFormatError>(Png({{"IHDR", hdr}, {"IEND", {}}}), "no image data");
    ExpectThrowNaming<EImageFormatError>(
        Png({{"IHDR", Ihdr(0, 2, 8, 3)}, {"IDAT", idat}, {"IEND", {}}}), "zero width");
    // One row of data for a two-row image.
    ExpectThrowNaming<EImageFormatError>(
        Png({{"IHDR", hdr}, {"IDAT", Idat(4, 1, 1)}, {"IEND", {}}}), "short image data");
    ExpectThrowNaming<EImageFormatError>(
        Png({{"IHDR", hdr}, {"IDAT", Compress({0, 1, 2, 3, 4, 5, 1, 2, 3, 4})}, {"IEND", {}}}),
        "unknown filter 5");

    // A chunk between two halves of the image data.
    const TBytes half1(idat.begin(), idat.begin() + 4), half2(idat.begin() + 4, idat.end());
    ExpectThrowNaming<EImageFormatError>(
        Png({{"IHDR", hdr}, {"IDAT", half1}, {"tEXt", {'a'}}, {"IDAT", half2}, {"IEND", {}}}),
        "chunk inside the image data");

    // A file cut inside a chunk, and one cut between chunks.
    TBytes whole = Png({{"IHDR", hdr}, {"IDAT", idat}, {"IEND", {}}});
    for (std::size_t cut :
         {whole.size() - 1, whole.size() - 12, std::size_t{8 + 25 + 5}, std::size_t{12}})
        ExpectThrowNaming<EImageFormatError>(TBytes(whole.begin(), whole.begin() + cut),
                                             "truncated");
    // A chunk length with the top bit set.
    TBytes hugeLength = PngSignature();
    hugeLength.insert(hugeLength.end(), {0xFF, 0xFF, 0xFF, 0xF0, 'I', 'H', 'D', 'R'});
    ExpectThrowNaming<EImageFormatError>(hugeLength, "huge chunk length");
}

TEST(PngReader, RejectsVariantsOutsideTheSubset) {
    auto file = [](const TBytes& hdr) {
        return Png({{"IHDR", hdr}, {"IDAT", Idat(4, 2, 3)}, {"IEND", {}}});
    };
    ExpectThrowNaming<EInvalidGraphic>(file(Ihdr(4, 2, 4, 3)), "4-bit palette");
    ExpectThrowNaming<EInvalidGraphic>(file(Ihdr(4, 2, 1, 3)), "1-bit palette");
    ExpectThrowNaming<EUnsupportedFormat>(file(Ihdr(4, 2, 8, 0)), "grey");
    ExpectThrowNaming<EUnsupportedFormat>(file(Ihdr(4, 2, 8, 6)), "RGBA");
    ExpectThrowNaming<EUnsupportedFormat>(file(Ihdr(4, 2, 16, 2)), "16-bit RGB");
    ExpectThrowNaming<EUnsupportedFormat>(file(Ihdr(4, 2, 8, 2, 1)), "interlaced");
    // Refused from the header alone, before anything of that size is allocated.
    ExpectThrowNaming<EUnsupportedFormat>(file(Ihdr(100000, 100000, 8, 2)), "too large");
    ExpectThrowNaming<EUnsupportedFormat>(file(Ihdr(16385, 1, 8, 3)), "too wide");
    ExpectThrowNaming<EUnsupportedFormat>(file(Ihdr(16384, 16384, 8, 3)), "too many pixels");
}

TEST(PngReader, CorruptCompressedDataRaisesAGeneralError) {
    TBytes idat = Idat(4, 2, 1);
    idat[0] = 0x00; // not a zlib header
    TKandelBitmap b;
    const TBytes f = Png({{"IHDR", Ihdr(4, 2, 8, 3)}, {"IDAT", idat}, {"IEND", {}}});
    try {
        ReadPng(f, b, "pic.png");
        FAIL() << "no exception";
    } catch (const EImageFormatError&) {
        FAIL() << "should be a general error";
    } catch (const EKestraError& e) {
        EXPECT_NE(std::string(e.what()).find("pic.png"), std::string::npos);
    }
}

TEST(PngReader, ExtraDataAfterTheLastRowIsIgnored) {
    const TTestPng png(1);
    TBytes f = png.File(1 << 20);
    // Another IDAT and an ancillary chunk after the image is complete.
    f.resize(f.size() - 12);
    PutChunk(f, "IDAT", {1, 2, 3});
    PutChunk(f, "zzzz", {});
    PutChunk(f, "IEND", {});
    TKandelBitmap b;
    ReadPng(f, b, "pic.png");
    png.ExpectDecoded(b);
}

TEST(PngWriter, WrittenFilesReadBackIdentically) {
    std::mt19937 rng(7);
    TKandelBitmap indexed;
    indexed.Reset(TPixelFormat::Indexed8, 300, 257); // noise: several IDAT chunks
    for (auto& p : indexed.Pixels) p = static_cast<std::uint8_t>(rng());
    indexed.PaletteSize = 100;
    for (int i = 0; i < 100; ++i)
        indexed.Palette[i] = {std::uint8_t(i), std::uint8_t(i * 2), std::uint8_t(i * 3), 0};

    TKandelBitmap rgb;
    rgb.Reset(TPixelFormat::Rgb24, 31, 17);
    for (auto& p : rgb.Pixels) p = static_cast<std::uint8_t>(rng());

    for (const TKandelBitmap* source : {&indexed, &rgb}) {
        TBytes file;
        WritePng(*source, file);
        // Every chunk carries a correct CRC; image data comes in pieces of at most 64 KiB.
        std::size_t pos = 8, idats = 0;
        while (pos < file.size()) {
            const std::uint32_t len =
                (file[pos] << 24) | (file[pos + 1] << 16) | (file[pos + 2] << 8) | file[pos + 3];
            const std::uint8_t* type = &file[pos + 4];
            const std::uint8_t* c = &file[pos + 8 + len];
            const std::uint32_t crc = (c[0] << 24) | (c[1] << 16) | (c[2] << 8) | c[3];
            EXPECT_EQ(crc, crc32(0, type, len + 4));
            if (std::string(type, type + 4) == "IDAT") {
                EXPECT_LE(len, 65536u);
                ++idats;
            }
            if (std::string(type, type + 4) == "PLTE") {
                EXPECT_EQ(len, 768u);
            }
            pos += 12 + len;
        }
        EXPECT_EQ(pos, file.size());
        EXPECT_EQ(idats > 1, source == &indexed);

        TKandelBitmap back;
        ReadPng(file, back, "out.png");
        EXPECT_EQ(back.Format, source->Format);
        EXPECT_EQ(back.Width, source->Width);
        EXPECT_EQ(back.Height, source->Height);
        EXPECT_EQ(back.Pixels, source->Pixels);
        if (source == &indexed) {
            EXPECT_EQ(back.PaletteSize, 256);
            EXPECT_EQ(back.Palette, source->Palette);
        }
    }
}

TEST(PngWriter, WidensFourBitImagesAndRefusesEmptyOnes) {
    TKandelBitmap packed;
    packed.Reset(TPixelFormat::Indexed4, 3, 2);
    packed.Pixels = {0x12, 0x30, 0xAB, 0xC0};
    packed.PaletteSize = 16;
    TBytes file;
    WritePng(packed, file);
    TKandelBitmap back;
    ReadPng(file, back, "out.png");
    ASSERT_EQ(back.Format, TPixelFormat::Indexed8);
    EXPECT_EQ(back.Pixels, (TBytes{1, 2, 3, 0xA, 0xB, 0xC}));

    TBytes none;
    EXPECT_THROW(WritePng(TKandelBitmap{}, none), EInvalidGraphic);
}
