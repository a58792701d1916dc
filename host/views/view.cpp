#include "host/views/view.h"

#include <cxxabi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <typeinfo>

#include "host/foundation/trace.h"
#include "host/layers/cg_context.h"
#include "host/views/graphics_context.h"
#include "host/views/screen.h"
#include "host/views/window.h"

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
    changeAnimatable(kCAKeyPathPosition, [&] { layer_->setFrame(frame); });
    setNeedsLayout();
}

void UIView::setBounds(const CGRect& bounds) {
    layer_->setBounds(bounds);
    setNeedsLayout();
}

void UIView::setCenter(CGPoint center) {
    changeAnimatable(kCAKeyPathPosition, [&] { layer_->setPosition(center); });
}

CGAffineTransform UIView::transform() const {
    return CATransform3DGetAffineTransform(layer_->transform());
}

void UIView::setTransform(const CGAffineTransform& transform) {
    changeAnimatable(kCAKeyPathTransform,
                     [&] { layer_->setTransform(CATransform3DMakeAffineTransform(transform)); });
}

void UIView::setHidden(bool hidden) {
    if (hidden == layer_->isHidden()) return;
    layer_->setHidden(hidden);
    if (Trace::isOpen())
        Trace::log("view", (hidden ? "hidden view=" : "shown view=") + className());
}

void UIView::setUserInteractionEnabled(bool enabled) {
    if (enabled == userInteractionEnabled_) return;
    userInteractionEnabled_ = enabled;
    if (Trace::isOpen())
        Trace::log("view",
                   (enabled ? "interaction on view=" : "interaction off view=") + className());
}

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

UIWindow* UIView::window() const {
    const UIView* root = this;
    while (root->superview_) root = root->superview_;
    return dynamic_cast<UIWindow*>(const_cast<UIView*>(root));
}

std::string UIView::className() const {
    const char* mangled = typeid(*this).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

void UIView::displayIfNeeded() {
    if (!needsDisplay_) return;
    needsDisplay_ = false;
    CGRect b = bounds();
    // Drawn at the screen's pixels per point; the compositor fits the image
    // to the bounds, so a larger scale only adds detail.
    const double scale = UIScreen::mainScreen().scale();
    auto image = CGImage::create(static_cast<int>(std::ceil(b.size.width * scale)),
                                 static_cast<int>(std::ceil(b.size.height * scale)));
    if (!image) {
        layer_->setContents(nullptr);
        return;
    }
    drawingBackend().drawIntoImage(*image, [&](CGContext& c) {
        c.scaleCTM(scale, scale);
        c.translateCTM(-b.origin.x, -b.origin.y);
        UIGraphicsPushContext(&c);
        drawRect(b);
        UIGraphicsPopContext();
    });
    layer_->setContents(std::move(image));
}

void UIView::drawRect(const CGRect&) {}

void UIView::layoutIfNeeded() {
    if (!needsLayout_) return;
    needsLayout_ = false;
    layoutSubviews();
}

}  // namespace host
