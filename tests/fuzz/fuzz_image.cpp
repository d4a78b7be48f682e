// Feeds arbitrary bytes to the image readers (PNG, XYZ, BMP by content).
#include <cstddef>
#include <cstdint>
#include <span>

#include "base/Errors.h"
#include "graphics/KandelImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kestra::TKandelBitmap bitmap;
    try {
        kestra::ReadImage(std::span<const std::uint8_t>(data, size), bitmap, "fuzz");
        // A decoded bitmap always holds exactly its rows.
        if (bitmap.Pixels.size() != static_cast<std::size_t>(bitmap.RowBytes()) * bitmap.Height)
            __builtin_trap();
    } catch (const kestra::EKestraError&) {
    }
    return 0;
}
