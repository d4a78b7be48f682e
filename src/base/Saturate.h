#pragma once
// 64-bit arithmetic that saturates instead of overflowing, for amounts that come from
// game data and commands, and the clamp back to a 32-bit field.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace kestra {

inline std::int64_t SatAdd(std::int64_t a, std::int64_t b) {
    std::int64_t r;
    if (!__builtin_add_overflow(a, b, &r)) return r;
    return b > 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
}

inline std::int64_t SatSub(std::int64_t a, std::int64_t b) {
    std::int64_t r;
    if (!__builtin_sub_overflow(a, b, &r)) return r;
    return b < 0 ? std::numeric_limits<std::int64_t>::max()
                 : std::numeric_limits<std::int64_t>::min();
}

inline std::int32_t Clamp32(std::int64_t v, std::int64_t lo, std::int64_t hi) {
    return static_cast<std::int32_t>(std::clamp(v, lo, hi));
}

// v to the nearest integer, halves to the even neighbour, within the 32-bit range;
// not-a-number gives 0.
inline std::int32_t NearestInt32(double v) {
    if (std::isnan(v)) return 0;
    const double r = std::nearbyint(v);
    if (r >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (r <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(r);
}

} // namespace kestra
