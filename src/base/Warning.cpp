#include "base/Warning.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace kestra {

namespace {
std::atomic<bool> warningsEnabled{true};
thread_local int mutedDepth = 0;
} // namespace

TWarningsMuted::TWarningsMuted() {
    ++mutedDepth;
}

TWarningsMuted::~TWarningsMuted() {
    --mutedDepth;
}

void Warn(std::string_view message) {
    if (!warningsEnabled.load(std::memory_order_relaxed) || mutedDepth > 0) return;
    const std::string line = "kestra: warning: " + std::string(message) + "\n";
    std::fputs(line.c_str(), stderr);
}

void SetWarningsEnabled(bool enabled) {
    warningsEnabled.store(enabled, std::memory_order_relaxed);
}

} // namespace kestra
