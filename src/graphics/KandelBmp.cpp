#include "graphics/KandelBmp.h"

#include <bit>
#include <cstring>

#include "base/Errors.h"

namespace kestra {
namespace {

std::uint32_t Le16(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8);
}
std::uint32_t Le32(const std::uint8_t* p) {
    return Le16(p) | (Le16(p + 2) << 16);
}

enum : std::uint32_t { KBiRgb = 0, KBiRle8 = 1, KBiRle4 = 2, KBiBitfields = 3 };

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits.
struct TChannel {
    std::uint32_t Mask = 0;
    int Shift = 0;
    std::uint64_t Max = 0;

    static TChannel FromMask(std::uint32_t mask, const std::string& name) {
        TChannel c;
        c.Mask = mask;
        if (mask == 0) return c;
        c.Shift = std::countr_zero(mask);
        c.Max = mask >> c.Shift;
        if ((c.Max & (c.Max + 1)) != 0)
            throw EImageFormatError(name + ": colour mask is not a run of bits");
        return c;
    }
    std::uint8_t Get(std::uint32_t pixel) const {
        if (Max == 0) return 0;
        const std::uint64_t v = (pixel & Mask) >> Shift;
        return static_cast<std::uint8_t>((v * 255 + Max / 2) / Max);
    }
};

void PutIndex(TKandelBitmap& bitmap, std::int64_t x, std::int64_t y, int bits, int value) {
    if (x >= bitmap.Width || y >= bitmap.Height) return;
    std::uint8_t* row = bitmap.Row(bitmap.Height - 1 - static_cast<int>(y));
    if (bits == 8) {
        row[x] = static_cast<std::uint8_t>(value);
    } else {
        const int shift = (x & 1) ? 0 : 4;
        std::uint8_t& b = row[x / 2];
        b = static_cast<std::uint8_t>((b & ~(0xF << shift)) | ((value & 0xF) << shift));
    }
}

// Run-length data, bottom-up. Runs past the right edge are cut off; decoding stops at
// the end-of-bitmap code, past the top row or at the end of the data.
void DecodeRle(const std::uint8_t* p, const std::uint8_t* end, TKandelBitmap& bitmap, int bits) {
    std::int64_t x = 0, y = 0;
    while (end - p >= 2 && y < bitmap.Height) {
        const int count = p[0], code = p[1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count; ++i) {
                const int v = bits == 8 ? code : (i % 2 == 0 ? code >> 4 : code & 0xF);
                PutIndex(bitmap, x++, y, bits, v);
            }
        } else if (code == 0) {
            x = 0;
            ++y;
        } else if (code == 1) {
            break;
        } else if (code == 2) {
            if (end - p < 2) break;
            x += p[0];
            y += p[1];
            p += 2;
        } else {
            const std::ptrdiff_t bytes = bits == 8 ? code : (code + 1) / 2;
            if (end - p < bytes) break;
            for (int i = 0; i < code; ++i) {
                const int v = bits == 8 ? p[i] : (i % 2 == 0 ? p[i / 2] >> 4 : p[i / 2] & 0xF);
                PutIndex(bitmap, x++, y, bits, v);
            }
            p += bytes + (bytes & 1);
            if (p > end) p = end;
        }
    }
}

} // namespace

void ReadBmp(std::span<const std::uint8_t> data, TKandelBitmap& bitmap, const std::string& name) {
    const std::size_t size = data.size();
    const std::uint8_t* d = data.data();
    if (size < 18 || d[0] != 'B' || d[1] != 'M')
        throw EImageFormatError(name + ": not a BMP, PNG or XYZ image");
    const std::uint32_t pixelOffset = Le32(d + 10);
    const std::uint32_t headerSize = Le32(d + 14);
    const bool core = headerSize == 12;
    const bool os2 = headerSize == 16 || headerSize == 64;
    if (!core && !os2 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 108 && headerSize != 124)
        throw EImageFormatError(name + ": unknown BMP header size " + std::to_string(headerSize));
    if (size < 14 + std::size_t{headerSize})
        throw EImageFormatError(name + ": file ends inside the BMP header");
    const std::uint8_t* h = d + 14;

    std::int64_t width = 0, height = 0;
    std::uint32_t planes = 0, bpp = 0, compression = KBiRgb, colorsUsed = 0;
    if (core) {
        width = Le16(h + 4);
        height = Le16(h + 6);
        planes = Le16(h + 8);
        bpp = Le16(h + 10);
    } else {
        width = static_cast<std::int32_t>(Le32(h + 4));
        height = static_cast<std::int32_t>(Le32(h + 8));
        planes = Le16(h + 12);
        bpp = Le16(h + 14);
        if (headerSize >= 20) compression = Le32(h + 16);
        if (headerSize >= 36) colorsUsed = Le32(h + 32);
    }
    if (planes != 1) throw EImageFormatError(name + ": BMP plane count is not 1");
    if (width <= 0 || height == 0)
        throw EImageFormatError(name + ": invalid BMP size " + std::to_string(width) + " x " +
                                std::to_string(height));
    const bool topDown = height < 0;
    if (topDown) height = -height;
    CheckImageSize(width, height, name);

    const bool rle = compression == KBiRle8 || compression == KBiRle4;
    if (os2 && compression >= 3)
        throw EUnsupportedFormat(name + ": OS/2 Huffman and RLE24 bitmaps are not supported");
    if (compression > KBiBitfields)
        throw EUnsupportedFormat(name + ": BMP compression " + std::to_string(compression) +
                                 " is not supported");
    if ((compression == KBiRle8 && bpp != 8) || (compression == KBiRle4 && bpp != 4) ||
        (compression == KBiBitfields && bpp != 16 && bpp != 32))
        throw EImageFormatError(name + ": BMP compression " + std::to_string(compression) +
                                " with " + std::to_string(bpp) + " bits per pixel");
    if (bpp == 2 || bpp == 64)
        throw EUnsupportedFormat(name + ": " + std::to_string(bpp) +
                                 "-bit BMP images are not supported");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        throw EImageFormatError(name + ": invalid BMP bit count " + std::to_string(bpp));
    if (rle && topDown)
        throw EImageFormatError(name + ": run-length BMP images cannot be top-down");

    std::size_t paletteStart = 14 + std::size_t{headerSize};
    std::uint32_t masks[3] = {0, 0, 0};
    if (compression == KBiBitfields) {
        const std::uint8_t* m = h + 40;
        if (headerSize < 52) {
            if (size < paletteStart + 12)
                throw EImageFormatError(name + ": file ends inside the BMP colour masks");
            m = d + paletteStart;
            paletteStart += 12;
        }
        for (int i = 0; i < 3; ++i) masks[i] = Le32(m + 4 * i);
    } else if (bpp == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else if (bpp == 32) {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }

    TKandelBitmap result;
    if (bpp <= 8) {
        const std::size_t entrySize = core ? 3 : 4;
        std::size_t count = std::size_t{1} << bpp;
        if (colorsUsed != 0 && colorsUsed < count) count = colorsUsed;
        if (pixelOffset >= paletteStart && pixelOffset < paletteStart + count * entrySize)
            count = (pixelOffset - paletteStart) / entrySize;
        if (size < paletteStart + count * entrySize)
            throw EImageFormatError(name + ": file ends inside the BMP palette");
        const std::uint8_t* p = d + paletteStart;
        for (std::size_t i = 0; i < count; ++i, p += entrySize)
            result.Palette[i] = {p[2], p[1], p[0], 0};
        result.PaletteSize = static_cast<int>(count);
    }
    if (pixelOffset > size) throw EImageFormatError(name + ": BMP pixel data lies past the end");

    const TPixelFormat format = bpp == 1   ? TPixelFormat::Indexed1
                                : bpp == 4 ? TPixelFormat::Indexed4
                                : bpp == 8 ? TPixelFormat::Indexed8
                                           : TPixelFormat::Rgb24;
    result.Reset(format, static_cast<int>(width), static_cast<int>(height));
    const std::uint8_t* pixels = d + pixelOffset;
    if (rle) {
        DecodeRle(pixels, d + size, result, static_cast<int>(bpp));
        bitmap = std::move(result);
        return;
    }

    const std::uint64_t rowBits = static_cast<std::uint64_t>(width) * bpp;
    const std::uint64_t stride = (rowBits + 31) / 32 * 4;
    const std::uint64_t needed =
        stride * static_cast<std::uint64_t>(height - 1) + (rowBits + 7) / 8;
    if (size - pixelOffset < needed)
        throw EImageFormatError(name + ": BMP pixel data is truncated");
    const TChannel red = TChannel::FromMask(masks[0], name);
    const TChannel green = TChannel::FromMask(masks[1], name);
    const TChannel blue = TChannel::FromMask(masks[2], name);
    const auto rowBytes = static_cast<std::size_t>(result.RowBytes());
    for (std::int64_t r = 0; r < height; ++r) {
        const std::uint8_t* src = pixels + static_cast<std::size_t>(r) * stride;
        std::uint8_t* dst = result.Row(static_cast<int>(topDown ? r : height - 1 - r));
        if (bpp <= 8 || bpp == 24) {
            std::memcpy(dst, src, rowBytes);
            if (rowBits % 8 != 0)
                dst[rowBytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - rowBits % 8));
            continue;
        }
        for (std::int64_t x = 0; x < width; ++x) {
            const std::uint32_t px = bpp == 16 ? Le16(src + 2 * x) : Le32(src + 4 * x);
            dst[3 * x] = blue.Get(px);
            dst[3 * x + 1] = green.Get(px);
            dst[3 * x + 2] = red.Get(px);
        }
    }
    bitmap = std::move(result);
}

} // namespace kestra
