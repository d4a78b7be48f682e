#pragma once
// Whole-file reading and writing.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestra {

// Reads the whole file. Raises EFileError naming the path when it cannot be opened or
// read, or when it is larger than maxBytes.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path, std::uint64_t maxBytes);

// Creates or replaces the file. Raises EFileError naming the path on failure.
void WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace kestra
