#pragma once

#include <optional>
#include <string>

#include "host/layers/cg_image.h"
#include "host/views/input_event.h"

namespace host {

// What a window backend must provide for the application loop: a window that
// shows composed frames, its input as InputEvents, and a way to sleep until
// either comes or another thread asks. Times are seconds on the main run
// loop's clock. The SDL window is one backend; tests use a scripted one.
class WindowBackend {
  public:
    virtual ~WindowBackend() = default;

    // Pixels per point: frames are the window's size in points times this.
    virtual int zoom() const = 0;
    // Seconds between refreshes of the display: the loop shows at most one
    // frame per interval.
    virtual double refreshInterval() const = 0;
    // Pixels to compose the next frame straight into: the window's own, when
    // it has them as the frame's 32-bit words at the frame's size, so that
    // presenting that image costs no copy. Null when it has none (the loop
    // then composes into an image of its own). Valid until the next call.
    virtual CGImage* frameToDrawInto() { return nullptr; }
    // Shows `frame`. False, with the reason in `error`, when the window's
    // pixels cannot be had (the loop says so once and goes on).
    virtual bool present(const CGImage& frame, std::string& error) = 0;
    // Sleeps until an input event comes, `deadline` passes (NSRunLoop::kNever
    // for no limit) or wake() is called. Returns the event; nothing when the
    // deadline passed or what came was not input.
    virtual std::optional<InputEvent> waitEvent(double deadline) = 0;
    // The next event already waiting, without sleeping.
    virtual std::optional<InputEvent> pollEvent() = 0;
    // Thread-safe: ends a waitEvent in progress (or the next one) with a
    // Wake event, so work posted to the run loop runs.
    virtual void wake() = 0;
    // True once something other than this program destroyed the window.
    virtual bool wasDestroyedElsewhere() const = 0;
};

}  // namespace host
