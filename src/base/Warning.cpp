#include "base/Warning.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace kestra {

namespace {
std::atomic<bool> warningsEnabled{true};
}

void Warn(std::string_view message) {
    if (!warningsEnabled.load(std::memory_order_relaxed)) return;
    const std::string line = "kestra: warning: " + std::string(message) + "\n";
    std::fputs(line.c_str(), stderr);
}

void SetWarningsEnabled(bool enabled) {
    warningsEnabled.store(enabled, std::memory_order_relaxed);
}

} // namespace kestra
