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

}  // namespace host
