#pragma once
// File-system questions the standard library cannot answer.
#include <cstdint>
#include <filesystem>
#include <span>

namespace kestra::platform {

// The current user may create files in the directory.
bool IsWritableDirectory(const std::filesystem::path& dir);

// Replaces `path` with `bytes` atomically: the bytes go to "<path>.tmp" in the same
// directory, are flushed to disk, and the temporary file is renamed over `path` (the
// directory is flushed too). On any failure the temporary file is removed, `path` is
// left as it was, and EFileError names the path and the cause.
void AtomicWriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace kestra::platform
