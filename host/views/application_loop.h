#pragma once

#include <functional>
#include <memory>

#include "host/foundation/clock.h"
#include "host/views/window.h"
#include "host/views/window_backend.h"

namespace host {

// The application's main loop in a window: runs the main run loop's timers and
// posted work, delivers input to `window`, composes and presents a frame at
// most once per display refresh while something animates or changed, and
// otherwise sleeps in the backend until the next timer or input. It knows no
// toolkit; the backend does.
class ApplicationLoop {
  public:
    struct Hooks {
        // After each frame is presented, with the time it shows.
        std::function<void(const CGImage& frame, double time)> frameShown;
        // The user asked to start or stop recording.
        std::function<void()> toggleRecording;
    };

    ApplicationLoop(UIWindow& window, WindowBackend& backend, Hooks hooks = {});

    // The frame each present shows: the window's size times the backend's
    // zoom. Null when there was no memory for it (run() says so).
    const CGImage* frame() const { return frame_.get(); }
    // Composes a frame at the next chance even if nothing animates.
    void setNeedsFrame() { needsFrame_ = true; }
    // Until the user quits or the window is destroyed elsewhere. Returns 0, or
    // 1 when the loop could not start.
    int run();

    // For a loop driven from outside, one turn per display refresh (a
    // browser's animation frames): start() once, then turn() at each refresh.
    // False, with a line, when the loop cannot start.
    bool start();
    // Moves `clock` (the main run loop's) up to `now`, taking in time order the
    // input that came since the last turn (each event at its own time) and
    // each timer due (each fire at its own time, so a timer faster than the
    // display fires once or twice in a turn; see kMostCaughtUp), then shows
    // a frame if one is needed. False for a quit, or when the window was destroyed elsewhere.
    bool turn(VirtualClock& clock, double now);
    // The most time one turn catches up on, each fire at its own time.
    static constexpr double kMostCaughtUp = 0.25;

  private:
    // Returns false for a quit.
    bool handle(const InputEvent& event);
    // Runs the timers and posted work due now.
    void runDue();
    // Composes and presents a frame if one is needed and the display is ready.
    void showFrameIfDue();

    UIWindow& window_;
    WindowBackend& backend_;
    Hooks hooks_;
    std::shared_ptr<CGImage> frame_;
    bool needsFrame_ = true;
    float zoom_ = 1;
    double period_ = 0, lastFrame_ = 0;
    bool reportedPresent_ = false;
};

}  // namespace host
