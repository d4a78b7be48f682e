#include <algorithm>
#include <cctype>
#include <cstdio>
#include <vector>

#include "ToolCommands.h"
#include "base/Errors.h"
#include "base/FileBytes.h"
#include "graphics/KandelImage.h"
#include "graphics/KandelPng.h"
#include "graphics/KandelXyz.h"

namespace kestra::tool {
namespace {

const char* FormatName(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::Indexed1:
        return "1-bit indexed";
    case TPixelFormat::Indexed4:
        return "4-bit indexed";
    case TPixelFormat::Indexed8:
        return "8-bit indexed";
    case TPixelFormat::Rgb24:
        return "24-bit RGB";
    }
    return "?";
}

std::string LowerExtension(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

int Info(const std::string& path) {
    TKandelBitmap bitmap;
    const TImageFileType type = ReadImageFile(path, bitmap);
    std::printf("%s: %s, %d x %d, %s", path.c_str(), ImageTypeName(type), bitmap.Width,
                bitmap.Height, FormatName(bitmap.Format));
    if (bitmap.Format != TPixelFormat::Rgb24) std::printf(", palette %d", bitmap.PaletteSize);
    std::printf("\n");
    return 0;
}

int Convert(const std::string& in, const std::string& out) {
    const std::string ext = LowerExtension(out);
    if (ext != "png" && ext != "xyz")
        throw EKestraError(out + ": unknown output type (use .png or .xyz)");
    TKandelBitmap bitmap;
    const std::vector<std::uint8_t> input = ReadFileBytes(in, KMaxImageFileBytes);
    if (input.size() >= 8 && std::equal(KPngSignature, KPngSignature + 8, input.begin()))
        ReadPngAnyPaletteDepth(input, bitmap, in);
    else
        ReadImage(input, bitmap, in);
    std::vector<std::uint8_t> bytes;
    try {
        if (ext == "png")
            WritePng(bitmap, bytes);
        else
            WriteXyz(bitmap, bytes);
    } catch (const EKestraError& e) {
        throw EKestraError(out + ": " + e.what());
    }
    WriteFileBytes(out, bytes);
    return 0;
}

} // namespace

const char* const KImageUsage = "info FILE | convert IN OUT.{png,xyz}";

int RunImageCommand(const TArgs& args) {
    if (args.size() == 2 && args[0] == "info") return Info(args[1]);
    if (args.size() == 3 && args[0] == "convert") return Convert(args[1], args[2]);
    throw EUsage{"bad arguments to 'image'"};
}

} // namespace kestra::tool
