#pragma once

#include <memory>
#include <string>

#include "host/geometry/geometry.h"

namespace host {

inline constexpr const char* kCAMediaTimingFunctionLinear = "linear";
inline constexpr const char* kCAMediaTimingFunctionEaseIn = "easeIn";
inline constexpr const char* kCAMediaTimingFunctionEaseOut = "easeOut";
inline constexpr const char* kCAMediaTimingFunctionEaseInEaseOut = "easeInEaseOut";
inline constexpr const char* kCAMediaTimingFunctionDefault = "default";

// A pacing curve: the cubic Bezier from (0, 0) to (1, 1) with two control
// points, read as y (progress) over x (time), both in [0, 1].
class CAMediaTimingFunction {
  public:
    // One of the names above; an unknown name gives nullptr and a message.
    static std::shared_ptr<CAMediaTimingFunction> functionWithName(const std::string& name);
    static std::shared_ptr<CAMediaTimingFunction> functionWithControlPoints(float c1x, float c1y,
                                                                            float c2x, float c2y);

    CAMediaTimingFunction(CGPoint c1, CGPoint c2);

    CGPoint controlPoint1() const { return c1_; }
    CGPoint controlPoint2() const { return c2_; }
    // The curve's y at time x; x is clamped to [0, 1].
    double evaluate(double x) const;

  private:
    CGPoint c1_, c2_;
};

}  // namespace host
