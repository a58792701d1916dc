#pragma once

#include <map>
#include <memory>

#include "host/layers/cg_image.h"
#include "host/views/tap_counter.h"
#include "host/views/touch.h"
#include "host/views/view.h"

namespace host {

// The root of the view tree, and where input and drawing come in. The shell
// (which alone knows SDL or the headless script) uses three calls:
//
//   window->sendTouch(finger, UITouchPhase::Began, point, t);   // per input event
//   if (window->isAnimating(t) || changed) window->renderInto(frame, t, zoom);
//   window->snapshot(t, zoom)->writePNG(path);                  // headless frames
//
// Points are window points (320 x 480, y down); `t` is the run loop's clock.
// A window starts hidden, as the platform's do, until makeKeyAndVisible.
class UIWindow : public UIView {
  public:
    explicit UIWindow(const CGRect& frame);
    ~UIWindow() override;

    void makeKeyAndVisible();
    bool isKeyWindow() const { return keyWindow() == this; }
    static UIWindow* keyWindow();

    // One finger's event. `finger` names the finger for its life (mouse and
    // each touch-screen finger get their own ids; the caller must not report
    // one finger twice). A began hit-tests the tree and fixes the touch's
    // view; moved/ended/cancelled go to that view, whatever lies under the
    // finger now. Events for a finger that is not down are ignored; a began
    // for a finger already down first cancels its old touch.
    void sendTouch(int finger, UITouchPhase phase, CGPoint windowPoint, double timestamp);
    // Cancels every touch that is down (the window lost the pointer).
    void cancelAllTouches(double timestamp);
    std::size_t touchCount() const { return touches_.size(); }

    // Lays out and redraws the views that asked for it, then composes the
    // layer tree as shown at `time` into `target`, `zoom` pixels per point.
    void renderInto(CGImage& target, double time, float zoom);
    // The same into a new image of the window's size times `zoom`.
    std::shared_ptr<CGImage> snapshot(double time, float zoom);
    // True while any animation in the tree has yet to end: keep composing.
    bool isAnimating(double time) const;

  private:
    void deliver(const std::shared_ptr<UITouch>& touch, double timestamp);

    std::map<int, std::shared_ptr<UITouch>> touches_;
    TapCounter tapCounter_;
};

}  // namespace host
