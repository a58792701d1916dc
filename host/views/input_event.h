#pragma once

#include "host/geometry/geometry.h"
#include "host/views/touch.h"

namespace host {

// What the window backend reports, free of any toolkit's types: one finger's
// step, or a request to the application loop.
struct InputEvent {
    enum class Kind {
        Touch,      // `finger` in `phase` at `point`
        CancelAll,  // every finger down is cancelled (the window lost focus)
        Redraw,     // the window's pixels were lost or resized
        Wake,       // work was posted to the run loop from another thread
        Quit,
        ToggleRecording,  // start or stop recording the window (Ctrl+R)
    };
    Kind kind = Kind::Redraw;
    int finger = 0;
    UITouchPhase phase = UITouchPhase::Began;
    CGPoint point;  // window points
    // Seconds between the event happening and its translation, so that touch
    // times (and tap counts) follow the events rather than the loop's turns.
    double age = 0;
};

}  // namespace host
