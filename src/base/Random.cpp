#include "base/Random.h"

namespace kestra {

std::int32_t TRandom::Next(std::int32_t n) {
    Seed = Seed * 134775813u + 1u;
    if (n <= 0) return 0;
    return static_cast<std::int32_t>(
        (static_cast<std::uint64_t>(Seed) * static_cast<std::uint32_t>(n)) >> 32);
}

} // namespace kestra
