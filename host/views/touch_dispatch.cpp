#include <cstdio>

#include "host/foundation/trace.h"
#include "host/views/window.h"

namespace host {

const char* UITouchPhaseName(UITouchPhase phase) {
    switch (phase) {
        case UITouchPhase::Began:
            return "began";
        case UITouchPhase::Moved:
            return "moved";
        case UITouchPhase::Stationary:
            return "stationary";
        case UITouchPhase::Ended:
            return "ended";
        case UITouchPhase::Cancelled:
            return "cancelled";
    }
    return "unknown";
}

UITouch::UITouch(UIWindow* window, std::shared_ptr<UIView> view, UIView* viewIfUnowned,
                 CGPoint point, double timestamp, int tapCount)
    : window_(window),
      retainedView_(std::move(view)),
      view_(retainedView_ ? retainedView_.get() : viewIfUnowned),
      location_(point),
      previousLocation_(point),
      timestamp_(timestamp),
      tapCount_(tapCount) {}

CGPoint UITouch::locationInView(const UIView* view) const {
    return view ? view->convertPoint(location_, nullptr) : location_;
}

CGPoint UITouch::previousLocationInView(const UIView* view) const {
    return view ? view->convertPoint(previousLocation_, nullptr) : previousLocation_;
}

void UITouch::update(UITouchPhase phase, CGPoint windowPoint, double timestamp) {
    previousLocation_ = location_;
    location_ = windowPoint;
    timestamp_ = timestamp;
    phase_ = phase;
}

void UIView::touchesBegan(const NSSet<UITouch>& touches, UIEvent* event) {
    if (UIView* next = nextResponder()) next->touchesBegan(touches, event);
}
void UIView::touchesMoved(const NSSet<UITouch>& touches, UIEvent* event) {
    if (UIView* next = nextResponder()) next->touchesMoved(touches, event);
}
void UIView::touchesEnded(const NSSet<UITouch>& touches, UIEvent* event) {
    if (UIView* next = nextResponder()) next->touchesEnded(touches, event);
}
void UIView::touchesCancelled(const NSSet<UITouch>& touches, UIEvent* event) {
    if (UIView* next = nextResponder()) next->touchesCancelled(touches, event);
}

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
