#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/shell/run.h"
#include "host/shell/sdl_input.h"

namespace host {

int runWindow(UIWindow& window, SdlWindow& screen) {
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    const float zoom = static_cast<float>(screen.zoom());
    const CGRect bounds = window.bounds();
    auto frame = CGImage::create(static_cast<int>(bounds.size.width * zoom),
                                 static_cast<int>(bounds.size.height * zoom));
    if (!frame) {
        say(messages::kWindowUnusable, "out of memory for the frame");
        return 1;
    }

    SdlInput input(zoom, bounds.size.width, bounds.size.height);
    // Work posted from other threads (sound completions) wakes the loop.
    const Uint32 wakeType = SDL_RegisterEvents(1);
    if (wakeType != static_cast<Uint32>(-1)) {
        input.setWakeEventType(wakeType);
        loop.setWakeHandler([wakeType] {
            SDL_Event e{};
            e.type = wakeType;
            SDL_PushEvent(&e);
        });
    }

    const double period = screen.refreshInterval();
    double lastFrame = -period;
    bool needsFrame = true, running = true, reportedPresent = false;
    while (running) {
        if (screen.wasDestroyedElsewhere()) {
            say("%s", messages::kWindowDestroyed);
            break;
        }
        if (loop.nextDueTime() <= loop.now()) {
            loop.runDue();
            needsFrame = true;
        }
        double now = loop.now();
        const bool animating = window.isAnimating(now);
        // At most one frame per display refresh.
        if ((needsFrame || animating) && now >= lastFrame + period) {
            window.renderInto(*frame, now, zoom);
            std::string error;
            if (!screen.present(*frame, error) && !reportedPresent) {
                say(messages::kWindowUnusable, error.c_str());
                reportedPresent = true;
            }
            lastFrame = now;
            needsFrame = false;
        }

        // Sleep until the next timer, the next frame while something moves,
        // or the next event, whichever comes first.
        double wakeAt = loop.nextDueTime();
        if (needsFrame || window.isAnimating(loop.now()))
            wakeAt = std::min(wakeAt, lastFrame + period);
        SDL_Event event;
        int got;
        if (wakeAt == NSRunLoop::kNever) {
            got = SDL_WaitEvent(&event);
        } else {
            double ms = std::ceil((wakeAt - loop.now()) * 1000.0);
            got = SDL_WaitEventTimeout(&event, static_cast<int>(std::clamp(ms, 0.0, 1e6)));
        }
        for (; got && running; got = SDL_PollEvent(&event)) {
            auto e = input.translate(event);
            if (!e) continue;
            switch (e->kind) {
                case InputEvent::Kind::Touch:
                    window.sendTouch(e->finger, e->phase, e->point, loop.now() - e->age);
                    needsFrame = true;
                    break;
                case InputEvent::Kind::CancelAll:
                    window.cancelAllTouches(loop.now() - e->age);
                    needsFrame = true;
                    break;
                case InputEvent::Kind::Redraw:
                    needsFrame = true;
                    break;
                case InputEvent::Kind::Wake:
                    break;
                case InputEvent::Kind::Quit:
                    running = false;
                    break;
            }
        }
    }
    loop.setWakeHandler(nullptr);
    return 0;
}

}  // namespace host
