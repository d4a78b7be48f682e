#include "base/Random.h"

#include <gtest/gtest.h>

using kestra::TRandom;

TEST(Random, FollowsTheLinearCongruentialSequence) {
    TRandom rng(1);
    // seed 1 -> 134775814; high 32 bits of 134775814 * 100.
    EXPECT_EQ(rng.Next(100), static_cast<int>((134775814ull * 100) >> 32));
    EXPECT_EQ(rng.Seed, 134775814u);
    // Non-positive ranges answer 0 but still advance the state.
    std::uint32_t before = rng.Seed;
    EXPECT_EQ(rng.Next(0), 0);
    EXPECT_EQ(rng.Next(-5), 0);
    EXPECT_NE(rng.Seed, before);
}

TEST(Random, StaysInRange) {
    TRandom rng(12345);
    for (int i = 0; i < 10000; ++i) {
        int v = rng.Next(7);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 7);
    }
    EXPECT_EQ(TRandom(0).Next(1), 0);
}
