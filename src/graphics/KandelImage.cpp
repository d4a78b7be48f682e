#include "graphics/KandelImage.h"

#include <cstring>

#include "base/Errors.h"
#include "base/FileBytes.h"
#include "graphics/KandelBmp.h"
#include "graphics/KandelPng.h"
#include "graphics/KandelXyz.h"

namespace kestra {

TImageFileType DetectImageType(std::span<const std::uint8_t> data) {
    if (data.size() >= 4 && std::memcmp(data.data(), KPngSignature, 4) == 0)
        return TImageFileType::Png;
    if (data.size() >= 4 && std::memcmp(data.data(), "XYZ1", 4) == 0) return TImageFileType::Xyz;
    return TImageFileType::Bmp;
}

const char* ImageTypeName(TImageFileType type) {
    switch (type) {
    case TImageFileType::Bmp:
        return "BMP";
    case TImageFileType::Png:
        return "PNG";
    case TImageFileType::Xyz:
        return "XYZ";
    }
    return "?";
}

TImageFileType ReadImage(std::span<const std::uint8_t> data, TKandelBitmap& bitmap,
                         const std::string& name) {
    const TImageFileType type = DetectImageType(data);
    TKandelBitmap result;
    switch (type) {
    case TImageFileType::Png:
        ReadPng(data, result, name);
        break;
    case TImageFileType::Xyz:
        ReadXyz(data, result, name);
        break;
    case TImageFileType::Bmp:
        ReadBmp(data, result, name);
        break;
    }
    if (result.Empty()) throw EInvalidGraphic(name + ": the image is empty");
    bitmap = std::move(result);
    return type;
}

TImageFileType ReadImageFile(const std::string& path, TKandelBitmap& bitmap) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path, KMaxImageFileBytes);
    return ReadImage(bytes, bitmap, path);
}

} // namespace kestra
