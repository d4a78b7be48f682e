#include "base/FileBytes.h"

#include <filesystem>
#include <fstream>

#include "base/Errors.h"

namespace kestra {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path, std::uint64_t maxBytes) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (std::filesystem::is_directory(status)) throw EFileError(path + ": is a directory");
    // A pipe or a device would block or never end.
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw EFileError(path + ": is not a regular file");
    const std::uintmax_t statSize = std::filesystem::file_size(path, error);
    if (!error && statSize > maxBytes)
        throw EFileError(path + ": file of " + std::to_string(statSize) + " bytes is too large");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw EFileError(path + ": cannot open the file");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw EFileError(path + ": cannot read the file");
    if (static_cast<std::uint64_t>(size) > maxBytes)
        throw EFileError(path + ": file of " + std::to_string(size) + " bytes is too large");
    in.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw EFileError(path + ": cannot read the file");
    return bytes;
}

void WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw EFileError(path + ": cannot create the file");
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw EFileError(path + ": cannot write the file");
}

} // namespace kestra
