#pragma once
// File-system questions the standard library cannot answer.
#include <filesystem>

namespace kestra::platform {

// The current user may create files in the directory.
bool IsWritableDirectory(const std::filesystem::path& dir);

} // namespace kestra::platform
