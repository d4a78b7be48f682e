#pragma once
// One line on stderr for data the program reads past without using (a chunk of the
// wrong size, bytes after the end of a file): the game goes on, the author learns why
// something is missing.
#include <string_view>

namespace kestra {

// Writes "kestra: warning: <message>" and a newline to stderr.
void Warn(std::string_view message);

// Fuzz targets and benchmarks, which read broken data by the million, switch the
// warnings off for the whole process.
void SetWarningsEnabled(bool enabled);

// While one lives, this thread's warnings are dropped: for a look into a file that the
// game reads again later and warns about then.
class TWarningsMuted {
public:
    TWarningsMuted();
    ~TWarningsMuted();
    TWarningsMuted(const TWarningsMuted&) = delete;
    TWarningsMuted& operator=(const TWarningsMuted&) = delete;
};

} // namespace kestra
