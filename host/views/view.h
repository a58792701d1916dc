#pragma once

#include <memory>
#include <vector>

#include "host/geometry/geometry.h"
#include "host/layers/layer.h"

namespace host {

// A rectangle on screen, backed by a layer that holds its geometry. Views live
// in shared pointers: a superview owns its subviews.
class UIView : public std::enable_shared_from_this<UIView> {
  public:
    // initWithFrame:. A subclass that wants another kind of layer passes one
    // made by its own layerClass().
    explicit UIView(const CGRect& frame, std::shared_ptr<CALayer> layer = nullptr);
    virtual ~UIView();
    UIView(const UIView&) = delete;
    UIView& operator=(const UIView&) = delete;

    static std::shared_ptr<CALayer> layerClass() { return std::make_shared<CALayer>(); }
    CALayer& layer() const { return *layer_; }
    const std::shared_ptr<CALayer>& layerPtr() const { return layer_; }

    // Geometry, kept in the layer (model values).
    CGRect frame() const;
    void setFrame(const CGRect& frame);
    CGRect bounds() const { return layer_->bounds(); }
    void setBounds(const CGRect& bounds);
    // In the superview's coordinates.
    CGPoint center() const { return layer_->position(); }
    void setCenter(CGPoint center);
    // Applied about the centre.
    CGAffineTransform transform() const;
    void setTransform(const CGAffineTransform& transform);

    bool isHidden() const { return layer_->isHidden(); }
    void setHidden(bool hidden);
    bool isOpaque() const { return layer_->isOpaque(); }
    void setOpaque(bool opaque) { layer_->setOpaque(opaque); }
    // Off: neither this view nor its subviews receive touches.
    bool isUserInteractionEnabled() const { return userInteractionEnabled_; }
    void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }

    UIView* superview() const { return superview_; }
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return subviews_; }
    // Later subviews lie above earlier ones.
    void addSubview(std::shared_ptr<UIView> view);
    void removeFromSuperview();

    // Asks for drawRect: before the next composition.
    void setNeedsDisplay() { needsDisplay_ = true; }
    bool needsDisplay() const { return needsDisplay_; }
    // Runs drawRect: into a fresh backing image the size of the bounds, which
    // becomes the layer's contents, if a redraw was asked for.
    void displayIfNeeded();
    // Draws into the current graphics context (UIGraphicsGetCurrentContext),
    // whose origin is the bounds' top left. The base draws nothing.
    virtual void drawRect(const CGRect& rect);

    void setNeedsLayout() { needsLayout_ = true; }
    void layoutIfNeeded();
    virtual void layoutSubviews() {}

  private:
    std::shared_ptr<CALayer> layer_;
    UIView* superview_ = nullptr;
    std::vector<std::shared_ptr<UIView>> subviews_;
    bool userInteractionEnabled_ = true;
    bool needsDisplay_ = false;
    bool needsLayout_ = true;
};

}  // namespace host
