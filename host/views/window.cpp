#include "host/views/window.h"

#include <cmath>

#include "host/layers/compositor.h"

namespace host {

static UIWindow*& keyWindowSlot() {
    static UIWindow* window = nullptr;
    return window;
}

UIWindow::UIWindow(const CGRect& frame) : UIView(frame) { layer().setHidden(true); }

UIWindow::~UIWindow() {
    if (keyWindowSlot() == this) keyWindowSlot() = nullptr;
}

UIWindow* UIWindow::keyWindow() { return keyWindowSlot(); }

void UIWindow::makeKeyAndVisible() {
    keyWindowSlot() = this;
    setHidden(false);
}

// Layout first, so drawRect: sees the final bounds; a layout that adds views
// has them drawn in the same pass.
static void prepareForDisplay(UIView& view) {
    view.layoutIfNeeded();
    view.displayIfNeeded();
    auto subviews = view.subviews();
    for (auto& sub : subviews) prepareForDisplay(*sub);
}

void UIWindow::renderInto(CGImage& target, double time, float zoom) {
    prepareForDisplay(*this);
    composeLayerTree(layer(), target, time, zoom);
}

std::shared_ptr<CGImage> UIWindow::snapshot(double time, float zoom) {
    const CGRect b = bounds();
    auto image = CGImage::create(static_cast<int>(std::lround(b.size.width * zoom)),
                                 static_cast<int>(std::lround(b.size.height * zoom)));
    if (image) renderInto(*image, time, zoom);
    return image;
}

bool UIWindow::isAnimating(double time) const { return layerTreeIsAnimating(layer(), time); }

}  // namespace host
