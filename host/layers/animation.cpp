#include "host/layers/animation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "host/foundation/messages.h"

namespace host {

static CGPoint lerp(CGPoint a, CGPoint b, double f) {
    return {static_cast<float>(a.x + (b.x - a.x) * f), static_cast<float>(a.y + (b.y - a.y) * f)};
}

// Element by element: exact for the scales and translations animated here;
// rotations through large angles would shrink on the way, as with any
// unchecked matrix blend.
static CATransform3D lerp(const CATransform3D& a, const CATransform3D& b, double f) {
    // Member by member: stepping a pointer from m11 across the struct is undefined.
    static constexpr float CATransform3D::*kElements[] = {
        &CATransform3D::m11, &CATransform3D::m12, &CATransform3D::m13, &CATransform3D::m14,
        &CATransform3D::m21, &CATransform3D::m22, &CATransform3D::m23, &CATransform3D::m24,
        &CATransform3D::m31, &CATransform3D::m32, &CATransform3D::m33, &CATransform3D::m34,
        &CATransform3D::m41, &CATransform3D::m42, &CATransform3D::m43, &CATransform3D::m44};
    CATransform3D r;
    for (auto m : kElements) r.*m = static_cast<float>(a.*m + (b.*m - a.*m) * f);
    return r;
}

void CAAnimation::apply(double localTime, const CALayerAnimatedValues& model,
                        CALayerAnimatedValues& values) const {
    const double d = effectiveDuration();
    if (localTime >= d) return;
    double progress = std::max(localTime, 0.0) / d;
    double fraction = timing_ ? timing_->evaluate(progress) : progress;
    applyFraction(fraction, model, values);
}

void CAPropertyAnimation::reportProblems() const {
    if (!drivesPosition() && !drivesTransform())
        say(messages::kUnanimatableKeyPath, keyPath_.c_str());
}

// Basic

std::shared_ptr<CABasicAnimation> CABasicAnimation::animationWithKeyPath(
    const std::string& keyPath) {
    auto a = std::shared_ptr<CABasicAnimation>(new CABasicAnimation);
    a->setKeyPath(keyPath);
    return a;
}

std::shared_ptr<CAAnimation> CABasicAnimation::copy() const {
    return std::shared_ptr<CABasicAnimation>(new CABasicAnimation(*this));
}

void CABasicAnimation::resolve(const CALayerAnimatedValues& shown) {
    if (from_) return;
    if (drivesPosition()) from_ = NSValue::valueWithCGPoint(shown.position);
    if (drivesTransform()) from_ = NSValue::valueWithCATransform3D(shown.transform);
}

void CABasicAnimation::reportProblems() const {
    CAPropertyAnimation::reportProblems();
    for (const auto& v : {from_, to_}) {
        if (!v) continue;
        if (drivesPosition() && !v->holdsCGPoint())
            say(messages::kAnimationValueMismatch, keyPath().c_str(), "point");
        if (drivesTransform() && !v->holdsCATransform3D())
            say(messages::kAnimationValueMismatch, keyPath().c_str(), "transform");
    }
}

void CABasicAnimation::applyFraction(double f, const CALayerAnimatedValues& model,
                                     CALayerAnimatedValues& values) const {
    if (drivesPosition()) {
        CGPoint to = to_ && to_->holdsCGPoint() ? to_->CGPointValue() : model.position;
        CGPoint from = from_ && from_->holdsCGPoint() ? from_->CGPointValue() : to;
        values.position = lerp(from, to, f);
    } else if (drivesTransform()) {
        CATransform3D to =
            to_ && to_->holdsCATransform3D() ? to_->CATransform3DValue() : model.transform;
        CATransform3D from =
            from_ && from_->holdsCATransform3D() ? from_->CATransform3DValue() : to;
        values.transform = lerp(from, to, f);
    }
}

// Keyframe

std::shared_ptr<CAKeyframeAnimation> CAKeyframeAnimation::animationWithKeyPath(
    const std::string& keyPath) {
    auto a = std::shared_ptr<CAKeyframeAnimation>(new CAKeyframeAnimation);
    a->setKeyPath(keyPath);
    return a;
}

std::shared_ptr<CAAnimation> CAKeyframeAnimation::copy() const {
    return std::shared_ptr<CAKeyframeAnimation>(new CAKeyframeAnimation(*this));
}

std::vector<CGPoint> CAKeyframeAnimation::keyframePoints() const {
    if (resolved_) return points_;
    std::vector<CGPoint> points;
    if (!CGPathIsEmpty(path_)) {
        for (const auto& e : path_->elements) points.push_back(e.point);
    } else {
        for (const auto& v : values_)
            if (v && v->holdsCGPoint()) points.push_back(v->CGPointValue());
    }
    return points;
}

void CAKeyframeAnimation::resolve(const CALayerAnimatedValues&) {
    points_ = keyframePoints();
    resolved_ = true;
}

void CAKeyframeAnimation::reportProblems() const {
    CAPropertyAnimation::reportProblems();
    if (drivesTransform())
        say(messages::kAnimationValueMismatch, keyPath().c_str(), "transform");
    if (drivesPosition() && CGPathIsEmpty(path_))
        for (const auto& v : values_)
            if (v && !v->holdsCGPoint())
                say(messages::kAnimationValueMismatch, keyPath().c_str(), "point");
}

void CAKeyframeAnimation::applyFraction(double f, const CALayerAnimatedValues&,
                                        CALayerAnimatedValues& values) const {
    if (!drivesPosition() || points_.empty()) return;
    if (points_.size() == 1) {
        values.position = points_[0];
        return;
    }
    const double segments = static_cast<double>(points_.size() - 1);
    double s = std::clamp(f, 0.0, 1.0) * segments;
    std::size_t i = std::min(static_cast<std::size_t>(s), points_.size() - 2);
    values.position = lerp(points_[i], points_[i + 1], s - static_cast<double>(i));
}

// Group

std::shared_ptr<CAAnimationGroup> CAAnimationGroup::animation() {
    return std::shared_ptr<CAAnimationGroup>(new CAAnimationGroup);
}

std::shared_ptr<CAAnimation> CAAnimationGroup::copy() const {
    auto g = std::shared_ptr<CAAnimationGroup>(new CAAnimationGroup(*this));
    for (auto& child : g->animations_)
        if (child) child = child->copy();
    return g;
}

void CAAnimationGroup::resolve(const CALayerAnimatedValues& shown) {
    for (auto& child : animations_)
        if (child) child->resolve(shown);
}

void CAAnimationGroup::reportProblems() const {
    for (const auto& child : animations_)
        if (child) child->reportProblems();
}

void CAAnimationGroup::applyFraction(double f, const CALayerAnimatedValues& model,
                                     CALayerAnimatedValues& values) const {
    const double groupTime = f * effectiveDuration();
    for (const auto& child : animations_)
        if (child) child->apply(groupTime, model, values);
}

}  // namespace host
