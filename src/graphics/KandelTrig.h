#pragma once
// Sine and cosine of k / 256 of a full turn, from one 256-entry table, as every
// rotating, waving and shaking effect of the game uses them.
#include <array>
#include <cmath>
#include <cstdint>

namespace kestra {

namespace detail {
inline const std::array<double, 256>& KandelSineTable() {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        const double pi = std::acos(-1.0);
        for (int k = 0; k < 256; ++k) t[k] = std::sin(2.0 * pi * k / 256.0);
        return t;
    }();
    return table;
}
} // namespace detail

// k is taken modulo 256 (also for negative k).
inline double KandelSine(int k) {
    return detail::KandelSineTable()[static_cast<std::uint32_t>(k) & 255u];
}
inline double KandelCosine(int k) {
    return detail::KandelSineTable()[(static_cast<std::uint32_t>(k) + 64u) & 255u];
}

} // namespace kestra
