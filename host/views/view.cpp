#include "host/views/view.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "host/views/graphics_context.h"

namespace host {

UIView::UIView(const CGRect& frame, std::shared_ptr<CALayer> layer)
    : layer_(layer ? std::move(layer) : layerClass()) {
    setFrame(frame);
}

UIView::~UIView() {
    for (auto& sub : subviews_) sub->superview_ = nullptr;
}

CGRect UIView::frame() const { return layer_->frame(); }

void UIView::setFrame(const CGRect& frame) {
    layer_->setFrame(frame);
    setNeedsLayout();
}

void UIView::setBounds(const CGRect& bounds) {
    layer_->setBounds(bounds);
    setNeedsLayout();
}

void UIView::setCenter(CGPoint center) { layer_->setPosition(center); }

CGAffineTransform UIView::transform() const {
    return CATransform3DGetAffineTransform(layer_->transform());
}

void UIView::setTransform(const CGAffineTransform& transform) {
    layer_->setTransform(CATransform3DMakeAffineTransform(transform));
}

void UIView::setHidden(bool hidden) { layer_->setHidden(hidden); }

void UIView::addSubview(std::shared_ptr<UIView> view) {
    if (!view || view.get() == this) return;
    view->removeFromSuperview();
    view->superview_ = this;
    layer_->addSublayer(view->layer_);
    subviews_.push_back(std::move(view));
}

void UIView::removeFromSuperview() {
    if (!superview_) return;
    auto self = shared_from_this();
    layer_->removeFromSuperlayer();
    std::erase_if(superview_->subviews_, [this](const auto& v) { return v.get() == this; });
    superview_ = nullptr;
}

void UIView::displayIfNeeded() {
    if (!needsDisplay_) return;
    needsDisplay_ = false;
    CGRect b = bounds();
    auto image = CGImage::create(static_cast<int>(std::ceil(b.size.width)),
                                 static_cast<int>(std::ceil(b.size.height)));
    if (!image) {
        layer_->setContents(nullptr);
        return;
    }
    cairo_t* cr = cairo_create(image->surface());
    cairo_translate(cr, -b.origin.x, -b.origin.y);
    UIGraphicsPushContext(cr);
    drawRect(b);
    UIGraphicsPopContext();
    cairo_destroy(cr);
    image->markDirty();
    layer_->setContents(std::move(image));
}

void UIView::drawRect(const CGRect&) {}

void UIView::layoutIfNeeded() {
    if (!needsLayout_) return;
    needsLayout_ = false;
    layoutSubviews();
}

}  // namespace host
