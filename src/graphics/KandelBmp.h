#pragma once
// Windows and OS/2 bitmap files.
#include <cstdint>
#include <span>
#include <string>

#include "graphics/KandelBitmap.h"

namespace kestra {

// Decodes a whole BMP file: core (12-byte), OS/2 2.x, info, V4 and V5 headers,
// bottom-up or top-down rows. 1-, 4- and 8-bit images (uncompressed, RLE4, RLE8)
// become Indexed1/4/8 with the file's palette; 16-, 24- and 32-bit images
// (uncompressed or with bit-field masks) become Rgb24. Raises EImageFormatError for a
// broken or truncated file and EUnsupportedFormat for variants not read (2-bit,
// 64-bit, embedded JPEG or PNG, OS/2 Huffman and RLE24). Messages start with `name`.
void ReadBmp(std::span<const std::uint8_t> data, TKandelBitmap& bitmap, const std::string& name);

} // namespace kestra
