#pragma once
// The image reader: BMP, PNG and XYZ files decoded into a TKandelBitmap.
#include "graphics/KandelBitmap.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestra {

// Reads and decodes an image file; errors name the file.
void ReadImageFile(const std::string& path, TKandelBitmap& bitmap);
// Decodes an image held in memory; name is used in error messages.
void ReadImage(const std::vector<std::uint8_t>& bytes, TKandelBitmap& bitmap,
               const std::string& name);

} // namespace kestra
