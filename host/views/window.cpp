#include "host/views/window.h"

#include <cmath>
#include <cstdio>

#include "host/foundation/trace.h"
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

void UIWindow::sendTouch(int finger, UITouchPhase phase, CGPoint point, double timestamp) {
    auto found = touches_.find(finger);
    if (phase == UITouchPhase::Began) {
        if (found != touches_.end()) sendTouch(finger, UITouchPhase::Cancelled, point, timestamp);
        // The window's own coordinates are window points: it is the root.
        UIView* hit = hitTest(convertPoint(point, nullptr), nullptr);
        int taps = tapCounter_.began(point, timestamp);
        if (!hit) {
            // Nothing takes touches here; the finger is still counted, so its
            // lifting ends the tap.
            tapCounter_.ended(point, true);
            return;
        }
        // The window holds its touches, so a touch on the window itself must
        // not hold the window: that cycle would outlive every other owner.
        auto retained = hit == this ? nullptr : hit->weak_from_this().lock();
        auto touch =
            std::make_shared<UITouch>(this, std::move(retained), hit, point, timestamp, taps);
        touches_[finger] = touch;
        deliver(touch, timestamp);
        return;
    }
    if (found == touches_.end()) return;
    auto touch = found->second;
    if (phase == UITouchPhase::Stationary) phase = UITouchPhase::Moved;
    touch->update(phase, point, timestamp);
    if (phase == UITouchPhase::Moved) tapCounter_.moved(point);
    if (phase == UITouchPhase::Ended || phase == UITouchPhase::Cancelled) {
        touches_.erase(found);
        tapCounter_.ended(point, phase == UITouchPhase::Cancelled);
    }
    deliver(touch, timestamp);
}

void UIWindow::cancelAllTouches(double timestamp) {
    while (!touches_.empty()) {
        auto it = touches_.begin();
        sendTouch(it->first, UITouchPhase::Cancelled, it->second->locationInView(nullptr),
                  timestamp);
    }
    tapCounter_.reset();
}

void UIWindow::deliver(const std::shared_ptr<UITouch>& touch, double timestamp) {
    NSSet<UITouch> all;
    for (auto& [finger, t] : touches_) all.addObject(t);
    all.addObject(touch);
    UIEvent event(timestamp, std::move(all));
    NSSet<UITouch> changed{touch};

    UIView* view = touch->view();
    // Naming the class demangles it: only worth it when someone reads the trace.
    if (Trace::isOpen()) {
        CGPoint p = touch->locationInView(nullptr);
        char details[200];
        std::snprintf(details, sizeof details, "%s view=%s tap=%d x=%.1f y=%.1f",
                      UITouchPhaseName(touch->phase()), view->className().c_str(),
                      touch->tapCount(), p.x, p.y);
        Trace::log("touch", details);
    }

    switch (touch->phase()) {
        case UITouchPhase::Began:
            view->touchesBegan(changed, &event);
            break;
        case UITouchPhase::Moved:
        case UITouchPhase::Stationary:
            view->touchesMoved(changed, &event);
            break;
        case UITouchPhase::Ended:
            view->touchesEnded(changed, &event);
            break;
        case UITouchPhase::Cancelled:
            view->touchesCancelled(changed, &event);
            break;
    }
}

}  // namespace host
