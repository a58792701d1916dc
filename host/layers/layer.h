#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/geometry/geometry.h"
#include "host/layers/animation.h"
#include "host/layers/cg_image.h"

namespace host {

class NSTimer;

// A node of the layer tree. These are the model values: what the layer is set
// to. The compositor draws each layer's contents at its frame, under its
// transform, which scales and rotates about the layer's position (its centre).
class CALayer : public std::enable_shared_from_this<CALayer> {
  public:
    CALayer() = default;
    virtual ~CALayer();
    CALayer(const CALayer&) = delete;
    CALayer& operator=(const CALayer&) = delete;

    CGRect bounds() const { return bounds_; }
    virtual void setBounds(const CGRect& bounds) { bounds_ = bounds; }
    // The centre of the bounds, in the superlayer's coordinates.
    CGPoint position() const { return position_; }
    void setPosition(CGPoint position) { position_ = position; }
    CATransform3D transform() const { return transform_; }
    void setTransform(const CATransform3D& transform) { transform_ = transform; }
    // The untransformed rectangle in the superlayer: position and bounds size.
    CGRect frame() const;
    void setFrame(const CGRect& frame);

    bool isHidden() const { return hidden_; }
    void setHidden(bool hidden) { hidden_ = hidden; }
    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque) { opaque_ = opaque; }

    // What the compositor draws, stretched over the bounds; nullptr draws nothing.
    const std::shared_ptr<CGImage>& contents() const { return contents_; }
    void setContents(std::shared_ptr<CGImage> contents) { contents_ = std::move(contents); }

    CALayer* superlayer() const { return superlayer_; }
    const std::vector<std::shared_ptr<CALayer>>& sublayers() const { return sublayers_; }
    // Later sublayers are drawn above earlier ones. A layer with a superlayer
    // is moved, not shared.
    void addSublayer(std::shared_ptr<CALayer> layer);
    void removeFromSuperlayer();

    // Animations. The layer keeps a copy of `animation`, begun now on the main
    // run loop's clock; its end is a one-shot timer there, which removes it
    // (unless told not to) and tells its delegate. An animation already under
    // `key` is replaced and stops unfinished. An empty key replaces nothing.
    void addAnimation(const std::shared_ptr<CAAnimation>& animation, const std::string& key);
    // The animation stops unfinished; its delegate is told on the next turn
    // of the run loop. The model value shows again at once.
    void removeAnimationForKey(const std::string& key);
    void removeAllAnimations();
    // The layer's copy, or nullptr.
    CAAnimation* animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;

    // Setters above change these at once, whatever animations run.
    CALayerAnimatedValues modelValues() const { return {position_, transform_}; }
    // What is shown at `time`: the model values with every running animation
    // applied over them in the order they were added.
    CALayerAnimatedValues presentationValues(double time) const;
    // True while an animation of this layer (not its sublayers) has yet to end.
    bool hasRunningAnimations(double time) const;

  private:
    struct AttachedAnimation {
        std::string key;
        std::shared_ptr<CAAnimation> animation;
        double beginTime = 0;
        double endTime = 0;
        std::shared_ptr<NSTimer> completion;
        bool stopped = false;
    };
    void animationDidEnd(const CAAnimation* animation);
    void detach(std::vector<AttachedAnimation>::iterator it);

    CGRect bounds_;
    CGPoint position_;
    CATransform3D transform_;
    bool hidden_ = false;
    bool opaque_ = false;
    std::shared_ptr<CGImage> contents_;
    CALayer* superlayer_ = nullptr;
    std::vector<std::shared_ptr<CALayer>> sublayers_;
    std::vector<AttachedAnimation> animations_;
};

}  // namespace host
