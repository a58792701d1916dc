#include "scene/rotator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;

// The wander curve computed in long double, independently of the rotator's
// double arithmetic.
long double wander_ld(long double n, long double w, long double k) {
    return (sinl(n * w * k * 0.5L * kPi) + 1.0L) * 0.5L;
}

TEST(Frand, StaysBelowHalfTheBoundAndIsNeverNegative) {
    srandom(20240601);
    double sum = 0;
    const int draws = 200000;
    for (int i = 0; i < draws; ++i) {
        double a = frand(1.0);
        ASSERT_GE(a, 0.0);
        ASSERT_LT(a, 0.5);
        sum += a;
        double b = frand(0.45);
        ASSERT_GE(b, 0.0);
        ASSERT_LT(b, 0.225);
        double c = frand(-1.0);
        ASSERT_GE(c, 0.0);
        ASSERT_LT(c, 0.5);
    }
    // Uniform on [0, 0.5): mean 0.25, standard error of the mean 0.00032 here;
    // the bound is over fifteen of them.
    EXPECT_NEAR(sum / draws, 0.25, 0.005);
}

TEST(Frand, ScalesTheNextRandomValueByTheBoundOver2To32) {
    for (unsigned seed : {1u, 7u, 99u, 123456u}) {
        srandom(seed);
        long v = random();
        srandom(seed);
        double got = frand(3.0);
        long double want = (long double)v * 3.0L / 4294967295.0L;
        EXPECT_NEAR(got, (double)want, 1e-15) << "seed " << seed;
        srandom(seed);
        EXPECT_DOUBLE_EQ(frand(-3.0), got);
    }
}

TEST(MakeRotator, StartsAtFrameZeroUnlessRandomized) {
    rotator* r = make_rotator(100.0, 0.0, 0.0, 4.0, 0.01, 0);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->wander_rate, 0.01);
    EXPECT_EQ(r->wander_frame, 0);
    free_rotator(r);

    srandom(5);
    bool some_nonzero = false;
    for (int i = 0; i < 50; ++i) {
        rotator* q = make_rotator(0.0, 0.0, 0.0, -7.0, 0.0, 1);
        ASSERT_NE(q, nullptr);
        EXPECT_GE(q->wander_frame, 0);
        EXPECT_LE(q->wander_frame, 65534);
        some_nonzero |= q->wander_frame != 0;
        free_rotator(q);
    }
    EXPECT_TRUE(some_nonzero);
}

TEST(MakeRotatorDeathTest, AbortsOnANegativeRate) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(make_rotator(-1.0, 0.0, 0.0, 4.0, 0.01, 0), "");
    EXPECT_DEATH(make_rotator(0.0, -0.5, 0.0, 4.0, 0.01, 0), "");
    EXPECT_DEATH(make_rotator(0.0, 0.0, -2.0, 4.0, 0.01, 0), "");
    EXPECT_DEATH(make_rotator(0.0, 0.0, 0.0, 4.0, -0.01, 0), "");
}

TEST(GetPosition, FollowsTheThreeSineCurvesFrameByFrame) {
    rotator* r = make_rotator(100.0, 0.0, 0.0, 4.0, 0.01, 0);
    ASSERT_NE(r, nullptr);
    for (int n = 1; n <= 3000; ++n) {
        double x = -1, y = -1, z = -1;
        get_position(r, &x, &y, &z, 1);
        ASSERT_EQ(r->wander_frame, n);
        ASSERT_NEAR(x, (double)wander_ld(n, 0.01L, 0.71L), 1e-12) << "frame " << n;
        ASSERT_NEAR(y, (double)wander_ld(n, 0.01L, 0.53L), 1e-12) << "frame " << n;
        ASSERT_NEAR(z, (double)wander_ld(n, 0.01L, 0.37L), 1e-12) << "frame " << n;
    }
    free_rotator(r);

    // A fast wander covers the whole of [0, 1] without leaving it.
    rotator* fast = make_rotator(0.0, 0.0, 0.0, 0.0, 0.9, 0);
    double lo = 1, hi = 0;
    for (int n = 0; n < 1000; ++n) {
        double y;
        get_position(fast, nullptr, &y, nullptr, 1);
        ASSERT_GE(y, 0.0);
        ASSERT_LE(y, 1.0);
        lo = std::min(lo, y);
        hi = std::max(hi, y);
    }
    EXPECT_LT(lo, 0.01);
    EXPECT_GT(hi, 0.99);
    free_rotator(fast);
}

TEST(GetPosition, WithoutUpdateRepeatsThePositionAndKeepsTheFrame) {
    rotator* r = make_rotator(100.0, 0.0, 0.0, 4.0, 0.01, 0);
    double x0, y0, z0;
    get_position(r, &x0, &y0, &z0, 1);
    get_position(r, &x0, &y0, &z0, 1);
    for (int i = 0; i < 5; ++i) {
        double x, y, z;
        get_position(r, &x, &y, &z, 0);
        EXPECT_EQ(x, x0);
        EXPECT_EQ(y, y0);
        EXPECT_EQ(z, z0);
        EXPECT_EQ(r->wander_frame, 2);
    }
    free_rotator(r);
}

TEST(GetPosition, NullOutputsAreSkippedButTheFrameStillAdvances) {
    rotator* r = make_rotator(100.0, 0.0, 0.0, 4.0, 0.01, 0);
    get_position(r, nullptr, nullptr, nullptr, 1);
    EXPECT_EQ(r->wander_frame, 1);
    double y = -1;
    get_position(r, nullptr, &y, nullptr, 1);
    EXPECT_EQ(r->wander_frame, 2);
    EXPECT_NEAR(y, (double)wander_ld(2, 0.01L, 0.53L), 1e-12);
    free_rotator(r);
}

TEST(GetPosition, ZeroWanderRateStaysInTheMiddleAndNeverAdvances) {
    rotator* r = make_rotator(100.0, 0.0, 0.0, 4.0, 0.0, 0);
    r->wander_frame = 17;
    for (int i = 0; i < 10; ++i) {
        double x = 0, y = 0, z = 0;
        get_position(r, &x, &y, &z, 1);
        EXPECT_EQ(x, 0.5);
        EXPECT_EQ(y, 0.5);
        EXPECT_EQ(z, 0.5);
    }
    EXPECT_EQ(r->wander_frame, 17);
    free_rotator(r);
}

}  // namespace
