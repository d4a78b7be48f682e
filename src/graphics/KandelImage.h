#pragma once
// Image files of any of the supported formats, recognised by their first bytes.
#include <cstdint>
#include <span>
#include <string>

#include "graphics/KandelBitmap.h"

namespace kestra {

enum class TImageFileType : std::uint8_t { Bmp, Png, Xyz };

// 0x89 "PNG" means PNG, "XYZ1" XYZ, anything else is handed to the BMP reader.
TImageFileType DetectImageType(std::span<const std::uint8_t> data);
const char* ImageTypeName(TImageFileType type);

// Largest image file read into memory.
inline constexpr std::uint64_t KMaxImageFileBytes = 256ull << 20;

// Decodes an image held in memory; `name` starts the error messages. Raises the
// readers' errors, and EInvalidGraphic when the image has no pixels. `bitmap` is
// changed only on success. Returns the type found.
TImageFileType ReadImage(std::span<const std::uint8_t> data, TKandelBitmap& bitmap,
                         const std::string& name);

// Reads and decodes an image file; EFileError when it cannot be read.
TImageFileType ReadImageFile(const std::string& path, TKandelBitmap& bitmap);

} // namespace kestra
