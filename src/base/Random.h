#pragma once
// The one random generator of the game. Every consumer draws from it in a fixed
// order, so a seed and an input script reproduce a run exactly.
#include <cstdint>

namespace kestra {

class TRandom {
public:
    explicit TRandom(std::uint32_t seed = 0) : Seed(seed) {}

    // Uniform integer in 0..n-1; 0 for n <= 0. The state advances on every call.
    std::int32_t Next(std::int32_t n);

    std::uint32_t Seed;
};

} // namespace kestra
