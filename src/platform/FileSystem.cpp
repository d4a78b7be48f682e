#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "base/Errors.h"

namespace kestra::platform {

bool IsWritableDirectory(const std::filesystem::path& dir) {
    return access(dir.c_str(), W_OK | X_OK) == 0;
}

namespace {

[[noreturn]] void Fail(const std::filesystem::path& path, const char* what, int error) {
    throw EFileError(path.string() + ": " + what + ": " + std::strerror(error));
}

} // namespace

void AtomicWriteFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::filesystem::path tmp = path;
    tmp += ".tmp";
    int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) Fail(path, "cannot create the temporary file", errno);
    auto abandon = [&](const char* what) {
        int error = errno;
        close(fd);
        unlink(tmp.c_str());
        Fail(path, what, error);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            abandon("cannot write");
        }
        done += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0) abandon("cannot flush to disk");
    if (close(fd) != 0) {
        int error = errno;
        unlink(tmp.c_str());
        Fail(path, "cannot close", error);
    }
    if (rename(tmp.c_str(), path.c_str()) != 0) {
        int error = errno;
        unlink(tmp.c_str());
        Fail(path, "cannot replace the file", error);
    }
    // The rename itself is durable once the directory is flushed; a failure here
    // leaves the new file in place, so it is not an error.
    std::filesystem::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    int dfd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
}

} // namespace kestra::platform
