// Placeholder until the image codecs are merged.
#include "graphics/KandelImage.h"
#include "shell/Errors.h"

namespace kestra {

void ReadImageFile(const std::string& path, TKandelBitmap&) {
    throw EFileError(path + ": image reader not available");
}

void ReadImage(const std::vector<std::uint8_t>&, TKandelBitmap&, const std::string& name) {
    throw EFileError(name + ": image reader not available");
}

} // namespace kestra
