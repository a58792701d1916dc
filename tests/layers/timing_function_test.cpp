#include "host/layers/timing_function.h"

#include <gtest/gtest.h>

#include <cmath>

using host::CAMediaTimingFunction;

namespace {

// The curve's definition, evaluated forwards at parameter s.
double bezier(double s, double p1, double p2) {
    return 3 * (1 - s) * (1 - s) * s * p1 + 3 * (1 - s) * s * s * p2 + s * s * s;
}

struct Named {
    const char* name;
    double x1, y1, x2, y2;
};

const Named kNamed[] = {
    {host::kCAMediaTimingFunctionLinear, 0, 0, 1, 1},
    {host::kCAMediaTimingFunctionEaseIn, 0.42, 0, 1, 1},
    {host::kCAMediaTimingFunctionEaseOut, 0, 0, 0.58, 1},
    {host::kCAMediaTimingFunctionEaseInEaseOut, 0.42, 0, 0.58, 1},
    {host::kCAMediaTimingFunctionDefault, 0.25, 0.1, 0.25, 1},
};

TEST(TimingFunction, NamedCurvesHaveTheDocumentedControlPoints) {
    for (const auto& n : kNamed) {
        auto f = CAMediaTimingFunction::functionWithName(n.name);
        ASSERT_TRUE(f) << n.name;
        EXPECT_FLOAT_EQ(f->controlPoint1().x, n.x1) << n.name;
        EXPECT_FLOAT_EQ(f->controlPoint1().y, n.y1) << n.name;
        EXPECT_FLOAT_EQ(f->controlPoint2().x, n.x2) << n.name;
        EXPECT_FLOAT_EQ(f->controlPoint2().y, n.y2) << n.name;
    }
}

// Walking the Bezier's parameter gives points (x, y) on the curve; the
// function must answer y for x, whichever way it solves for the parameter.
TEST(TimingFunction, EveryNamedCurveLiesOnItsBezier) {
    for (const auto& n : kNamed) {
        auto f = CAMediaTimingFunction::functionWithName(n.name);
        for (int i = 0; i <= 200; ++i) {
            double s = i / 200.0;
            double x = bezier(s, n.x1, n.x2), y = bezier(s, n.y1, n.y2);
            EXPECT_NEAR(f->evaluate(x), y, 1e-5) << n.name << " at x=" << x;
        }
    }
}

TEST(TimingFunction, KnownValuesAndEnds) {
    auto easeIn = CAMediaTimingFunction::functionWithName(host::kCAMediaTimingFunctionEaseIn);
    auto easeInOut =
        CAMediaTimingFunction::functionWithName(host::kCAMediaTimingFunctionEaseInEaseOut);
    auto linear = CAMediaTimingFunction::functionWithName(host::kCAMediaTimingFunctionLinear);
    EXPECT_NEAR(linear->evaluate(0.3), 0.3, 1e-9);
    // Symmetric curve: half time is half way (up to the control points' float precision).
    EXPECT_NEAR(easeInOut->evaluate(0.5), 0.5, 1e-6);
    // Ease-in lags at first: well under a linear quarter at a quarter.
    EXPECT_LT(easeIn->evaluate(0.25), 0.1);
    for (auto& f : {easeIn, easeInOut, linear}) {
        EXPECT_DOUBLE_EQ(f->evaluate(0.0), 0.0);
        EXPECT_NEAR(f->evaluate(1.0), 1.0, 1e-12);
        // Outside [0, 1] the time is clamped.
        EXPECT_DOUBLE_EQ(f->evaluate(-3.0), 0.0);
        EXPECT_NEAR(f->evaluate(7.0), 1.0, 1e-12);
    }
}

TEST(TimingFunction, CurvesThatStayInRangeAreMonotonic) {
    for (const auto& n : kNamed) {
        auto f = CAMediaTimingFunction::functionWithName(n.name);
        double last = -1;
        for (int i = 0; i <= 1000; ++i) {
            double y = f->evaluate(i / 1000.0);
            EXPECT_GE(y, last - 1e-12) << n.name;
            last = y;
        }
    }
}

TEST(TimingFunction, CustomCurveWithFlatStartStillSolves) {
    // x'(0) = 0 here: Newton's first step has no slope to use.
    auto f = CAMediaTimingFunction::functionWithControlPoints(0, 0.9f, 1, 0.1f);
    for (int i = 0; i <= 100; ++i) {
        double s = i / 100.0;
        EXPECT_NEAR(f->evaluate(bezier(s, 0, 1)), bezier(s, 0.9f, 0.1f), 1e-5);
    }
}

TEST(TimingFunction, UnknownNameGivesNothingAndSaysSo) {
    testing::internal::CaptureStdout();
    auto f = CAMediaTimingFunction::functionWithName("bouncy");
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(f);
    EXPECT_EQ(out,
              "CAMediaTimingFunction: unknown timing function name \"bouncy\"; pacing stays "
              "linear\n");
}

}  // namespace
