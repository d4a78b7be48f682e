#pragma once
// PNG reading and writing for the two layouts game graphics use: 8-bit palette
// and 8-bit RGB, non-interlaced.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graphics/KandelBitmap.h"

namespace kestra {

inline constexpr std::uint8_t KPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Decodes a whole PNG file. Palette images become Indexed8 (PaletteSize = PLTE
// entries, the rest black), RGB images Rgb24. Raises EImageFormatError for a broken
// file, EUnsupportedFormat for other colour types, depths or interlacing,
// EInvalidGraphic for a palette image that is not 8-bit, EKestraError when the
// compressed data is corrupt. Messages start with `name`.
void ReadPng(std::span<const std::uint8_t> data, TKandelBitmap& bitmap, const std::string& name);
// The same, also for 1-, 2- and 4-bit palette images (as image optimisers write small
// pictures), unpacked to Indexed8: the authors' tool converts what the player refuses.
void ReadPngAnyPaletteDepth(std::span<const std::uint8_t> data, TKandelBitmap& bitmap,
                            const std::string& name);

// Appends a PNG file to `out`: indexed bitmaps as 8-bit palette images with all 256
// entries, Rgb24 as 8-bit RGB. Raises EInvalidGraphic for an empty bitmap.
void WritePng(const TKandelBitmap& bitmap, std::vector<std::uint8_t>& out);

} // namespace kestra
