#include "base/FileBytes.h"

#include <filesystem>
#include <fstream>

#include "base/Errors.h"

namespace kestra {

std::vector<std::uint8_t> ReadFileBytes(const std::string& path, std::uint64_t maxBytes) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw EFileError(path + ": is a directory");
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

void ReplaceFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::string temporary = path + ".tmp";
    std::error_code error;
    try {
        WriteFileBytes(temporary, bytes);
    } catch (const EFileError&) {
        std::filesystem::remove(temporary, error);
        throw;
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        throw EFileError(path + ": cannot replace the file (" + error.message() + ")");
    }
}

} // namespace kestra
