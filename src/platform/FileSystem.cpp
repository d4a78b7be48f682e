#include "platform/FileSystem.h"

#include <unistd.h>

namespace kestra::platform {

bool IsWritableDirectory(const std::filesystem::path& dir) {
    return access(dir.c_str(), W_OK | X_OK) == 0;
}

} // namespace kestra::platform
