#pragma once

// A boxed value: a point or a 3-D transform, shared by reference as the
// platform's value objects are (animation values, animation block contexts).

#include <memory>
#include <variant>

#include "host/geometry/geometry.h"

namespace host {

class NSValue {
  public:
    static std::shared_ptr<NSValue> valueWithCGPoint(CGPoint point) {
        return std::make_shared<NSValue>(point);
    }
    static std::shared_ptr<NSValue> valueWithCATransform3D(const CATransform3D& transform) {
        return std::make_shared<NSValue>(transform);
    }

    explicit NSValue(CGPoint point) : value_(point) {}
    explicit NSValue(const CATransform3D& transform) : value_(transform) {}

    bool holdsCGPoint() const { return std::holds_alternative<CGPoint>(value_); }
    bool holdsCATransform3D() const { return std::holds_alternative<CATransform3D>(value_); }
    // A value of the other kind reads as zero, as the platform's accessors do.
    CGPoint CGPointValue() const {
        auto p = std::get_if<CGPoint>(&value_);
        return p ? *p : CGPoint{};
    }
    CATransform3D CATransform3DValue() const {
        auto t = std::get_if<CATransform3D>(&value_);
        return t ? *t : CATransform3D{};
    }

  private:
    std::variant<CGPoint, CATransform3D> value_;
};

}  // namespace host
