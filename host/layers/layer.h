#pragma once

#include <memory>
#include <vector>

#include "host/geometry/geometry.h"
#include "host/layers/image.h"

namespace host {

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

  private:
    CGRect bounds_;
    CGPoint position_;
    CATransform3D transform_;
    bool hidden_ = false;
    bool opaque_ = false;
    std::shared_ptr<CGImage> contents_;
    CALayer* superlayer_ = nullptr;
    std::vector<std::shared_ptr<CALayer>> sublayers_;
};

}  // namespace host
