#include "host/layers/timing_function.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/foundation/messages.h"

namespace host {

std::shared_ptr<CAMediaTimingFunction> CAMediaTimingFunction::functionWithName(
    const std::string& name) {
    if (name == kCAMediaTimingFunctionLinear) return functionWithControlPoints(0, 0, 1, 1);
    if (name == kCAMediaTimingFunctionEaseIn) return functionWithControlPoints(0.42f, 0, 1, 1);
    if (name == kCAMediaTimingFunctionEaseOut) return functionWithControlPoints(0, 0, 0.58f, 1);
    if (name == kCAMediaTimingFunctionEaseInEaseOut)
        return functionWithControlPoints(0.42f, 0, 0.58f, 1);
    if (name == kCAMediaTimingFunctionDefault)
        return functionWithControlPoints(0.25f, 0.1f, 0.25f, 1);
    say(messages::kUnknownTimingFunction, name.c_str());
    return nullptr;
}

std::shared_ptr<CAMediaTimingFunction> CAMediaTimingFunction::functionWithControlPoints(float c1x,
                                                                                        float c1y,
                                                                                        float c2x,
                                                                                        float c2y) {
    return std::make_shared<CAMediaTimingFunction>(CGPoint{c1x, c1y}, CGPoint{c2x, c2y});
}

// A Bezier whose x would run backwards has no single y per x; clamping the
// control points' x to [0, 1] keeps x(s) monotonic.
CAMediaTimingFunction::CAMediaTimingFunction(CGPoint c1, CGPoint c2)
    : c1_{std::clamp(c1.x, 0.0f, 1.0f), c1.y}, c2_{std::clamp(c2.x, 0.0f, 1.0f), c2.y} {}

// One coordinate of the curve: 3(1-s)^2 s p1 + 3(1-s) s^2 p2 + s^3.
static double bezier(double s, double p1, double p2) {
    double r = 1 - s;
    return 3 * r * r * s * p1 + 3 * r * s * s * p2 + s * s * s;
}

static double bezierSlope(double s, double p1, double p2) {
    double r = 1 - s;
    return 3 * r * r * p1 + 6 * r * s * (p2 - p1) + 3 * s * s * (1 - p2);
}

double CAMediaTimingFunction::evaluate(double x) const {
    x = std::clamp(x, 0.0, 1.0);
    const double x1 = c1_.x, x2 = c2_.x;
    // Newton's method from s = x converges in a few steps on these curves;
    // bisection finishes the job where the slope is too flat for it.
    double s = x;
    for (int i = 0; i < 8; ++i) {
        double err = bezier(s, x1, x2) - x;
        if (std::fabs(err) < 1e-9) return bezier(s, c1_.y, c2_.y);
        double slope = bezierSlope(s, x1, x2);
        if (std::fabs(slope) < 1e-6) break;
        s = std::clamp(s - err / slope, 0.0, 1.0);
    }
    double lo = 0, hi = 1;
    s = x;
    for (int i = 0; i < 60; ++i) {
        double v = bezier(s, x1, x2);
        if (std::fabs(v - x) < 1e-12) break;
        (v < x ? lo : hi) = s;
        s = 0.5 * (lo + hi);
    }
    return bezier(s, c1_.y, c2_.y);
}

}  // namespace host
