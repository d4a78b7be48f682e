#pragma once
// A decoded image as the codecs deliver it and sheets copy it.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestra {

struct TRgbQuad {
    std::uint8_t Red = 0, Green = 0, Blue = 0, Reserved = 0;
    bool operator==(const TRgbQuad&) const = default;
};

enum class TPixelFormat : std::uint8_t { Indexed1, Indexed4, Indexed8, Rgb24 };

struct TKandelBitmap {
    int Width = 0;
    int Height = 0;
    TPixelFormat Format = TPixelFormat::Indexed8;
    // Palette of indexed images; entries past PaletteSize are black.
    std::array<TRgbQuad, 256> Palette{};
    int PaletteSize = 0;
    // Rows top to bottom, RowBytes apart. Indexed8: one index per byte. Rgb24:
    // blue, green, red per pixel. Indexed1/4: packed, most significant bits first.
    std::vector<std::uint8_t> Pixels;

    static int RowBytesFor(TPixelFormat format, int width) {
        switch (format) {
        case TPixelFormat::Indexed1:
            return (width + 7) / 8;
        case TPixelFormat::Indexed4:
            return (width + 1) / 2;
        case TPixelFormat::Indexed8:
            return width;
        case TPixelFormat::Rgb24:
            return width * 3;
        }
        return width;
    }
    int RowBytes() const { return RowBytesFor(Format, Width); }
    bool Empty() const { return Width <= 0 || Height <= 0; }

    // Sizes the bitmap and zero-fills its pixels. Callers check the size limit first.
    void Reset(TPixelFormat format, int width, int height) {
        Format = format;
        Width = width;
        Height = height;
        Pixels.assign(static_cast<std::size_t>(RowBytes()) * static_cast<std::size_t>(height), 0);
    }
    std::uint8_t* Row(int y) { return Pixels.data() + static_cast<std::size_t>(y) * RowBytes(); }
    const std::uint8_t* Row(int y) const {
        return Pixels.data() + static_cast<std::size_t>(y) * RowBytes();
    }
};

// Largest image any decoder accepts, checked before allocating: no side above
// 16384 pixels and no more than 64 Mi pixels in all.
inline constexpr int KMaxImageSide = 16384;
inline constexpr std::int64_t KMaxImagePixels = 1LL << 26;

// Raises EUnsupportedFormat naming the file when width x height exceeds the limits
// above; sizes below 1 are left to the caller.
void CheckImageSize(std::int64_t width, std::int64_t height, const std::string& name);

// The bitmap with 1- and 4-bit indexes widened to one byte each; Indexed8 and Rgb24
// come back unchanged.
TKandelBitmap ExpandToIndexed8(const TKandelBitmap& bitmap);

} // namespace kestra
