#pragma once

// Mutable paths of straight segments: what keyframe animations run along.

#include <memory>
#include <vector>

#include "host/geometry/geometry.h"

namespace host {

struct CGPathElement {
    enum class Type { MoveToPoint, AddLineToPoint };
    Type type;
    CGPoint point;
};

struct CGMutablePath {
    std::vector<CGPathElement> elements;
};

// The path is shared like the platform's reference-counted path object:
// releasing it is resetting the pointer.
using CGMutablePathRef = std::shared_ptr<CGMutablePath>;

inline CGMutablePathRef CGPathCreateMutable() { return std::make_shared<CGMutablePath>(); }

// `m`, when given, transforms the point before it is added.
inline void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, float x,
                              float y) {
    if (!path) return;
    CGPoint p = m ? CGPointApplyAffineTransform({x, y}, *m) : CGPoint{x, y};
    path->elements.push_back({CGPathElement::Type::MoveToPoint, p});
}

// A line from the current point; on an empty path it starts the path there.
inline void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, float x,
                                 float y) {
    if (!path) return;
    CGPoint p = m ? CGPointApplyAffineTransform({x, y}, *m) : CGPoint{x, y};
    auto type = path->elements.empty() ? CGPathElement::Type::MoveToPoint
                                       : CGPathElement::Type::AddLineToPoint;
    path->elements.push_back({type, p});
}

inline bool CGPathIsEmpty(const CGMutablePathRef& path) { return !path || path->elements.empty(); }

}  // namespace host
