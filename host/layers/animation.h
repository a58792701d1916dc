#pragma once

// Layer animations: basic (from/to), keyframe (along a path) and groups.
// They are sampled at a given time; nothing here reads a clock. A layer
// copies an animation when it is added, fixes its begin time then, and asks
// it for the values to show (see CALayer::presentationValues).

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/foundation/value.h"
#include "host/geometry/geometry.h"
#include "host/geometry/path.h"
#include "host/layers/timing_function.h"

namespace host {

class CAAnimation;

// Told when an animation stops: finished is false when it was removed or
// replaced before its end. Held without ownership: it must outlive the
// animations it watches.
class CAAnimationDelegate {
  public:
    virtual ~CAAnimationDelegate() = default;
    virtual void animationDidStop(CAAnimation* animation, bool finished) = 0;
};

// The layer values that animations can change.
struct CALayerAnimatedValues {
    CGPoint position;
    CATransform3D transform;
};

inline constexpr const char* kCAKeyPathPosition = "position";
inline constexpr const char* kCAKeyPathTransform = "transform";

class CAAnimation {
  public:
    // A zero duration means the platform's default, a quarter second.
    static constexpr double kDefaultDuration = 0.25;

    virtual ~CAAnimation() = default;

    double duration() const { return duration_; }
    void setDuration(double duration) { duration_ = duration > 0 ? duration : 0; }
    double effectiveDuration() const { return duration_ > 0 ? duration_ : kDefaultDuration; }
    // nullptr paces linearly.
    const std::shared_ptr<CAMediaTimingFunction>& timingFunction() const { return timing_; }
    void setTimingFunction(std::shared_ptr<CAMediaTimingFunction> f) { timing_ = std::move(f); }
    CAAnimationDelegate* delegate() const { return delegate_; }
    void setDelegate(CAAnimationDelegate* delegate) { delegate_ = delegate; }
    // On by default: the layer drops the animation when it completes. Either
    // way it stops showing at its end, and the model value shows.
    bool isRemovedOnCompletion() const { return removedOnCompletion_; }
    void setRemovedOnCompletion(bool removed) { removedOnCompletion_ = removed; }

    // Called after the delegate when the animation stops (a host extension the
    // view animation blocks are built on).
    using StopHandler = std::function<void(CAAnimation&, bool finished)>;
    void setStopHandler(StopHandler handler) { stopHandler_ = std::move(handler); }
    const StopHandler& stopHandler() const { return stopHandler_; }

    // A deep copy: what a layer keeps when the animation is added.
    virtual std::shared_ptr<CAAnimation> copy() const = 0;
    // The class name, for the trace.
    virtual const char* typeName() const = 0;

    // Fills in what was left unset from the values shown now (a basic
    // animation with no start value starts there). Called once, when added.
    virtual void resolve(const CALayerAnimatedValues& shown) = 0;
    // Overwrites the values this animation drives, `localTime` seconds after it
    // began. Past its duration it changes nothing; before its start it shows
    // its start. `model` is the layer's own values.
    void apply(double localTime, const CALayerAnimatedValues& model,
               CALayerAnimatedValues& values) const;
    // Prints a line for each setting that cannot take effect (a key path that
    // does not animate, a value of the wrong kind).
    virtual void reportProblems() const = 0;

  protected:
    CAAnimation() = default;
    CAAnimation(const CAAnimation&) = default;
    // `fraction` is the paced progress in [0, 1] (it may overshoot with a
    // curve whose control points leave that range).
    virtual void applyFraction(double fraction, const CALayerAnimatedValues& model,
                               CALayerAnimatedValues& values) const = 0;

  private:
    double duration_ = 0;
    std::shared_ptr<CAMediaTimingFunction> timing_;
    CAAnimationDelegate* delegate_ = nullptr;
    bool removedOnCompletion_ = true;
    StopHandler stopHandler_;
};

class CAPropertyAnimation : public CAAnimation {
  public:
    const std::string& keyPath() const { return keyPath_; }
    void setKeyPath(std::string keyPath) { keyPath_ = std::move(keyPath); }
    bool drivesPosition() const { return keyPath_ == kCAKeyPathPosition; }
    bool drivesTransform() const { return keyPath_ == kCAKeyPathTransform; }
    void reportProblems() const override;

  protected:
    CAPropertyAnimation() = default;
    CAPropertyAnimation(const CAPropertyAnimation&) = default;

  private:
    std::string keyPath_;
};

// From one value to another. An unset start is the value shown when the
// animation is added; an unset end is the layer's model value.
class CABasicAnimation : public CAPropertyAnimation {
  public:
    static std::shared_ptr<CABasicAnimation> animationWithKeyPath(const std::string& keyPath);

    const std::shared_ptr<NSValue>& fromValue() const { return from_; }
    void setFromValue(std::shared_ptr<NSValue> value) { from_ = std::move(value); }
    const std::shared_ptr<NSValue>& toValue() const { return to_; }
    void setToValue(std::shared_ptr<NSValue> value) { to_ = std::move(value); }

    std::shared_ptr<CAAnimation> copy() const override;
    const char* typeName() const override { return "CABasicAnimation"; }
    void resolve(const CALayerAnimatedValues& shown) override;
    void reportProblems() const override;

  protected:
    void applyFraction(double fraction, const CALayerAnimatedValues& model,
                       CALayerAnimatedValues& values) const override;

  private:
    std::shared_ptr<NSValue> from_, to_;
};

// Through a list of points in order. With a path, its points are the
// keyframes (the start and every line-to); otherwise `values`. The time is
// divided evenly among the segments, whatever their lengths.
class CAKeyframeAnimation : public CAPropertyAnimation {
  public:
    static std::shared_ptr<CAKeyframeAnimation> animationWithKeyPath(const std::string& keyPath);

    const CGMutablePathRef& path() const { return path_; }
    // The path's points are read when the animation is added.
    void setPath(CGMutablePathRef path) { path_ = std::move(path); }
    const std::vector<std::shared_ptr<NSValue>>& values() const { return values_; }
    void setValues(std::vector<std::shared_ptr<NSValue>> values) { values_ = std::move(values); }

    // The keyframe points as they will be run through.
    std::vector<CGPoint> keyframePoints() const;

    std::shared_ptr<CAAnimation> copy() const override;
    const char* typeName() const override { return "CAKeyframeAnimation"; }
    void resolve(const CALayerAnimatedValues& shown) override;
    void reportProblems() const override;

  protected:
    void applyFraction(double fraction, const CALayerAnimatedValues& model,
                       CALayerAnimatedValues& values) const override;

  private:
    CGMutablePathRef path_;
    std::vector<std::shared_ptr<NSValue>> values_;
    // Fixed when added, so later edits of the shared path change nothing.
    std::vector<CGPoint> points_;
    bool resolved_ = false;
};

// Runs its animations together on the group's clock: the group's timing
// function paces them all and they stop at the group's end. Only the group's
// delegate is told when it stops; removing the group removes its animations.
class CAAnimationGroup : public CAAnimation {
  public:
    static std::shared_ptr<CAAnimationGroup> animation();

    const std::vector<std::shared_ptr<CAAnimation>>& animations() const { return animations_; }
    void setAnimations(std::vector<std::shared_ptr<CAAnimation>> animations) {
        animations_ = std::move(animations);
    }

    std::shared_ptr<CAAnimation> copy() const override;
    const char* typeName() const override { return "CAAnimationGroup"; }
    void resolve(const CALayerAnimatedValues& shown) override;
    void reportProblems() const override;

  protected:
    void applyFraction(double fraction, const CALayerAnimatedValues& model,
                       CALayerAnimatedValues& values) const override;

  private:
    std::vector<std::shared_ptr<CAAnimation>> animations_;
};

}  // namespace host
