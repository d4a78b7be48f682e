#pragma once
// The XYZ image format: "XYZ1", width and height as little-endian 16-bit values, then
// one zlib stream holding 256 palette entries (red, green, blue) and the pixel
// indexes row by row from the top.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graphics/KandelBitmap.h"

namespace kestra {

// Decodes a whole XYZ file into an Indexed8 bitmap with 256 palette entries. Pixels
// past the end of a truncated stream are index 0 (and palette entries black).
// Raises EImageFormatError for a file shorter than its header, EInvalidGraphic for a
// wrong magic, EUnsupportedFormat for a size above the limits, EKestraError for corrupt
// compressed data. Messages start with `name`.
void ReadXyz(std::span<const std::uint8_t> data, TKandelBitmap& bitmap, const std::string& name);

// Appends an XYZ file to `out`. 1- and 4-bit bitmaps are widened; Rgb24, empty
// bitmaps and sides above 65535 raise EInvalidGraphic.
void WriteXyz(const TKandelBitmap& bitmap, std::vector<std::uint8_t>& out);

} // namespace kestra
