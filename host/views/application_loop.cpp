#include "host/views/application_loop.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"

namespace host {

ApplicationLoop::ApplicationLoop(UIWindow& window, WindowBackend& backend, Hooks hooks)
    : window_(window), backend_(backend), hooks_(std::move(hooks)) {
    zoom_ = static_cast<float>(backend.zoom());
    const CGRect bounds = window.bounds();
    frame_ = CGImage::create(static_cast<int>(bounds.size.width * zoom_),
                             static_cast<int>(bounds.size.height * zoom_));
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

bool ApplicationLoop::start() {
    if (!frame_) {
        say(messages::kWindowUnusable, "out of memory for the frame");
        return false;
    }
    // Work posted from other threads (sound completions) wakes the loop.
    NSRunLoop::mainRunLoop().setWakeHandler([this] { backend_.wake(); });
    period_ = backend_.refreshInterval();
    lastFrame_ = -period_;
    reportedPresent_ = false;
    return true;
}

void ApplicationLoop::runDue() {
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    if (loop.nextDueTime() <= loop.now()) {
        loop.runDue();
        needsFrame_ = true;
    }
}

void ApplicationLoop::showFrameIfDue() {
    const double now = NSRunLoop::mainRunLoop().now();
    // At most one frame per display refresh.
    if ((needsFrame_ || window_.isAnimating(now)) && now >= lastFrame_ + period_) {
        CGImage* own = backend_.frameToDrawInto();
        CGImage& frame = own && own->width() == frame_->width() &&
                                 own->height() == frame_->height() &&
                                 own->format() == frame_->format()
                             ? *own
                             : *frame_;
        window_.renderInto(frame, now, zoom_);
        std::string error;
        if (!backend_.present(frame, error) && !reportedPresent_) {
            say(messages::kWindowUnusable, error.c_str());
            reportedPresent_ = true;
        }
        if (hooks_.frameShown) hooks_.frameShown(frame, now);
        lastFrame_ = now;
        needsFrame_ = false;
    }
}

int ApplicationLoop::run() {
    if (!start()) return 1;
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    bool running = true;
    while (running) {
        if (backend_.wasDestroyedElsewhere()) {
            say("%s", messages::kWindowDestroyed);
            break;
        }
        runDue();
        showFrameIfDue();

        // Sleep until the next timer, the next frame while something moves,
        // or the next event, whichever comes first.
        double wakeAt = loop.nextDueTime();
        if (needsFrame_ || window_.isAnimating(loop.now()))
            wakeAt = std::min(wakeAt, lastFrame_ + period_);
        for (auto e = backend_.waitEvent(wakeAt); e && running; e = backend_.pollEvent())
            running = handle(*e);
    }
    loop.setWakeHandler(nullptr);
    return 0;
}

bool ApplicationLoop::turn(VirtualClock& clock, double now) {
    if (backend_.wasDestroyedElsewhere()) {
        say("%s", messages::kWindowDestroyed);
        return false;
    }
    // The events that came, each dated by its age at this turn's time.
    std::vector<std::pair<double, InputEvent>> events;
    while (auto e = backend_.pollEvent()) events.emplace_back(now - e->age, *e);
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    // A page far behind (a busy machine, a page put away) does not replay all
    // it missed: as in the window's loop, a timer that fell further behind
    // fires once and keeps its cadence.
    if (now - clock.now() > kMostCaughtUp) clock.advanceTo(now - kMostCaughtUp);
    size_t next = 0;
    // A bound on the steps of one turn, so that work that keeps posting work
    // cannot hold the page.
    for (int steps = 0; steps < 10000; ++steps) {
        const double due = loop.nextDueTime();
        const double at =
            next < events.size() ? std::max(events[next].first, clock.now()) : NSRunLoop::kNever;
        if (due <= now && due <= at) {
            clock.advanceTo(due);
            runDue();
        } else if (at <= now) {
            clock.advanceTo(at);
            InputEvent e = events[next].second;
            e.age = at - events[next].first;
            ++next;
            if (!handle(e)) return false;
        } else {
            break;
        }
    }
    clock.advanceTo(now);
    showFrameIfDue();
    return true;
}

}  // namespace host
