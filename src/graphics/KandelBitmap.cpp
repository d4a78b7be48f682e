#include "graphics/KandelBitmap.h"

#include "base/Errors.h"

namespace kestra {

void CheckImageSize(std::int64_t width, std::int64_t height, const std::string& name) {
    if (width > KMaxImageSide || height > KMaxImageSide || width * height > KMaxImagePixels)
        throw EUnsupportedFormat(name + ": image of " + std::to_string(width) + " x " +
                                 std::to_string(height) + " pixels is too large");
}

TKandelBitmap ExpandToIndexed8(const TKandelBitmap& bitmap) {
    if (bitmap.Format != TPixelFormat::Indexed1 && bitmap.Format != TPixelFormat::Indexed4)
        return bitmap;
    const int bits = bitmap.Format == TPixelFormat::Indexed1 ? 1 : 4;
    const int mask = (1 << bits) - 1;
    TKandelBitmap result;
    result.Palette = bitmap.Palette;
    result.PaletteSize = bitmap.PaletteSize;
    result.Reset(TPixelFormat::Indexed8, bitmap.Width, bitmap.Height);
    for (int y = 0; y < bitmap.Height; ++y) {
        const std::uint8_t* src = bitmap.Row(y);
        std::uint8_t* dst = result.Row(y);
        for (int x = 0; x < bitmap.Width; ++x) {
            const int bitPos = x * bits;
            const int shift = 8 - bits - bitPos % 8;
            dst[x] = static_cast<std::uint8_t>((src[bitPos / 8] >> shift) & mask);
        }
    }
    return result;
}

} // namespace kestra
