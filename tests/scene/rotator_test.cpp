#include "scene/rotator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <tuple>

namespace {

// The wander curve in long double, independently of the rotator's double arithmetic.
long double wander(long double n, long double w, long double k) {
    return (sinl(n * w * k * 0.5L * 3.141592653589793238462643383279502884L) + 1.0L) * 0.5L;
}

// random() is below 2^31, so the draw stays in [0, |bound| / 2).
TEST(Frand, IsTheNextRandomScaledBy2To32WhateverTheBoundsSign) {
    for (unsigned seed : {1u, 7u, 123456u})
        for (double bound : {3.0, -3.0}) {
            srandom(seed);
            long double want = (long double)random() * 3.0L / 4294967295.0L;
            srandom(seed);
            EXPECT_NEAR(frand(bound), (double)want, 1e-15) << "seed " << seed << " " << bound;
        }
}

TEST(MakeRotatorDeathTest, AbortsOnANegativeRate) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (auto [spinX, spinZ, wander] :
         {std::tuple{-1.0, 0.0, 0.01}, {0.0, -2.0, 0.01}, {0.0, 0.0, -0.01}})
        EXPECT_DEATH(make_rotator(spinX, 0.0, spinZ, 4.0, wander, 0), "");
}

TEST(GetPosition, FollowsThreeSineCurvesAdvancingOnlyOnUpdateAndNeverAtRateZero) {
    rotator* r = make_rotator(100.0, 0.0, 0.0, 4.0, 0.01, 0);
    for (int n = 1; n <= 3000; ++n) {
        double x = -1, y = -1, z = -1, again = -1;
        get_position(r, &x, &y, &z, 1);
        get_position(r, nullptr, &again, nullptr, 0);
        ASSERT_EQ(r->wander_frame, n);
        ASSERT_EQ(again, y) << "without update the same position";
        for (auto [got, k] : {std::pair{x, 0.71L}, {y, 0.53L}, {z, 0.37L}})
            ASSERT_NEAR(got, (double)wander(n, 0.01L, k), 1e-12) << "frame " << n << " k " << k;
    }
    get_position(r, nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(r->wander_frame, 3001) << "null outputs are skipped, yet the frame advances";
    free_rotator(r);
    rotator* still = make_rotator(100.0, 0.0, 0.0, 4.0, 0.0, 0);
    still->wander_frame = 17;
    double x = 0, y = 0, z = 0;
    get_position(still, &x, &y, &z, 1);
    EXPECT_TRUE(x == 0.5 && y == 0.5 && z == 0.5 && still->wander_frame == 17);
    free_rotator(still);
}

}  // namespace
