#pragma once

#include <functional>
#include <memory>

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

  private:
    // Returns false for a quit.
    bool handle(const InputEvent& event);

    UIWindow& window_;
    WindowBackend& backend_;
    Hooks hooks_;
    std::shared_ptr<CGImage> frame_;
    bool needsFrame_ = true;
};

}  // namespace host
