#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "host/views/input_event.h"

union SDL_Event;

namespace host {

// Turns SDL's events into input events: the one place that knows SDL's
// input. The mouse is finger 0; each touch-screen finger gets its own number
// while it is down. SDL makes mouse events from fingers and fingers from the
// mouse; those copies are dropped, so each finger counts once.
class SdlInput {
  public:
    static constexpr int kMouseFinger = 0;

    // `zoom` pixels per point; the window is `width` x `height` points.
    SdlInput(float zoom, float width, float height) : zoom_(zoom), width_(width), height_(height) {}
    // The posted-work wake-up event's type (SDL_RegisterEvents), 0 for none.
    void setWakeEventType(uint32_t type) { wakeType_ = type; }

    std::optional<InputEvent> translate(const SDL_Event& event);
    // The same, as if SDL's millisecond clock read `nowTicks`.
    std::optional<InputEvent> translateAt(const SDL_Event& event, uint32_t nowTicks);

  private:
    // Forgets every finger down, as the CancelAll it goes with cancels them.
    void reset();
    std::optional<InputEvent> translateKind(const SDL_Event& event);
    std::optional<InputEvent> touch(int finger, UITouchPhase phase, CGPoint point) const;
    int fingerNumber(int64_t device, int64_t finger, bool began);

    float zoom_, width_, height_;
    uint32_t wakeType_ = 0;
    bool mouseDown_ = false;
    std::map<std::pair<int64_t, int64_t>, int> fingers_;
};

}  // namespace host
