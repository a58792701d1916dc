#include "host/views/application_loop.h"

#include <algorithm>

#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"

namespace host {

ApplicationLoop::ApplicationLoop(UIWindow& window, WindowBackend& backend, Hooks hooks)
    : window_(window), backend_(backend), hooks_(std::move(hooks)) {
    const float zoom = static_cast<float>(backend.zoom());
    const CGRect bounds = window.bounds();
    frame_ = CGImage::create(static_cast<int>(bounds.size.width * zoom),
                             static_cast<int>(bounds.size.height * zoom));
}

bool ApplicationLoop::handle(const InputEvent& e) {
    const double now = NSRunLoop::mainRunLoop().now();
    switch (e.kind) {
        case InputEvent::Kind::Touch:
            // Touch times follow the events, not the loop's turns.
            window_.sendTouch(e.finger, e.phase, e.point, now - e.age);
            needsFrame_ = true;
            break;
        case InputEvent::Kind::CancelAll:
            window_.cancelAllTouches(now - e.age);
            needsFrame_ = true;
            break;
        case InputEvent::Kind::Redraw:
            needsFrame_ = true;
            break;
        case InputEvent::Kind::Wake:
            break;
        case InputEvent::Kind::Quit:
            return false;
        case InputEvent::Kind::ToggleRecording:
            if (hooks_.toggleRecording) hooks_.toggleRecording();
            break;
    }
    return true;
}

int ApplicationLoop::run() {
    if (!frame_) {
        say(messages::kWindowUnusable, "out of memory for the frame");
        return 1;
    }
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    // Work posted from other threads (sound completions) wakes the loop.
    loop.setWakeHandler([this] { backend_.wake(); });
    const float zoom = static_cast<float>(backend_.zoom());
    const double period = backend_.refreshInterval();
    double lastFrame = -period;
    bool running = true, reportedPresent = false;
    while (running) {
        if (backend_.wasDestroyedElsewhere()) {
            say("%s", messages::kWindowDestroyed);
            break;
        }
        if (loop.nextDueTime() <= loop.now()) {
            loop.runDue();
            needsFrame_ = true;
        }
        const double now = loop.now();
        // At most one frame per display refresh.
        if ((needsFrame_ || window_.isAnimating(now)) && now >= lastFrame + period) {
            window_.renderInto(*frame_, now, zoom);
            std::string error;
            if (!backend_.present(*frame_, error) && !reportedPresent) {
                say(messages::kWindowUnusable, error.c_str());
                reportedPresent = true;
            }
            if (hooks_.frameShown) hooks_.frameShown(*frame_, now);
            lastFrame = now;
            needsFrame_ = false;
        }

        // Sleep until the next timer, the next frame while something moves,
        // or the next event, whichever comes first.
        double wakeAt = loop.nextDueTime();
        if (needsFrame_ || window_.isAnimating(loop.now()))
            wakeAt = std::min(wakeAt, lastFrame + period);
        for (auto e = backend_.waitEvent(wakeAt); e && running; e = backend_.pollEvent())
            running = handle(*e);
    }
    loop.setWakeHandler(nullptr);
    return 0;
}

}  // namespace host
