#pragma once

#include <memory>

#include "host/foundation/set.h"
#include "host/geometry/geometry.h"

namespace host {

class UIView;
class UIWindow;

enum class UITouchPhase { Began, Moved, Stationary, Ended, Cancelled };

const char* UITouchPhaseName(UITouchPhase phase);

// One finger on the screen, from the moment it comes down until it lifts or
// is cancelled. Its view is the view it began in, for its whole life.
class UITouch {
  public:
    UITouch(UIWindow* window, std::shared_ptr<UIView> view, UIView* viewIfUnowned, CGPoint point,
            double timestamp, int tapCount);

    UITouchPhase phase() const { return phase_; }
    // The view hit when the touch began (nullptr if none was).
    UIView* view() const { return view_; }
    UIWindow* window() const { return window_; }
    // Quick taps near the same place: 1 for the first, 2 for a double tap...
    int tapCount() const { return tapCount_; }
    // Seconds, on the clock of the events that moved it.
    double timestamp() const { return timestamp_; }
    // Where the finger is, in `view`'s coordinates (nullptr: the window's).
    CGPoint locationInView(const UIView* view) const;
    CGPoint previousLocationInView(const UIView* view) const;

    // Moves the touch on (the window does this for each event).
    void update(UITouchPhase phase, CGPoint windowPoint, double timestamp);

  private:
    UIWindow* window_;
    // Keeps the view alive while the finger is down, as the platform does.
    std::shared_ptr<UIView> retainedView_;
    UIView* view_;
    CGPoint location_, previousLocation_;
    double timestamp_;
    int tapCount_;
    UITouchPhase phase_ = UITouchPhase::Began;
};

// One input event: the touches that changed, and all those down.
class UIEvent {
  public:
    UIEvent(double timestamp, NSSet<UITouch> allTouches)
        : timestamp_(timestamp), allTouches_(std::move(allTouches)) {}
    double timestamp() const { return timestamp_; }
    const NSSet<UITouch>& allTouches() const { return allTouches_; }

  private:
    double timestamp_;
    NSSet<UITouch> allTouches_;
};

}  // namespace host
