#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdio>
#include <thread>
#include <vector>

#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/shell/run.h"
#include "host/shell/sdl_input.h"

namespace host {

int runWindow(UIWindow& window, SdlWindow& screen, const WindowRecording& recording) {
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

    // The frames shown go to the recorder's worker thread; the tick never
    // waits for it (a frame it has no room for is dropped from the recording).
    std::unique_ptr<Recorder> recorder;
    std::atomic<bool> recordingFailed = false;
    // A stopped recording is finished (encoders flushed, file closed and
    // renamed) on its own thread, so that stopping does not hold up a tick.
    std::vector<std::thread> finishing;
    auto startRecording = [&](const std::string& path) {
        Recorder::Settings settings;
        settings.width = frame->width();
        settings.height = frame->height();
        settings.start = loop.now();
        settings.dropWhenBusy = true;
        std::string why;
        recorder = Recorder::start(path, settings, why);
        if (!recorder) {
            say(messages::kRecordingUnwritable, path.c_str(), why.c_str());
            recordingFailed = true;
            return false;
        }
        say(messages::kRecordingStarted, path.c_str());
        if (recording.tap) recording.tap->setRecorder(recorder.get());
        needsFrame = true;
        return true;
    };
    auto stopRecording = [&] {
        if (recording.tap) recording.tap->setRecorder(nullptr);
        finishing.emplace_back([r = std::move(recorder), end = loop.now(), &recordingFailed] {
            std::string why;
            if (r->finish(end, why)) {
                say(messages::kRecordingFinished, r->path().c_str(), r->framesRecorded(),
                    r->framesDropped());
            } else {
                say(messages::kRecordingUnwritable, r->path().c_str(), why.c_str());
                recordingFailed = true;
            }
        });
    };
    if (!recording.path.empty() && !startRecording(recording.path)) {
        loop.setWakeHandler(nullptr);
        return 1;
    }
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
            if (recorder && now >= recorder->nextFrameTime()) recorder->addFrame(*frame, now);
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
                case InputEvent::Kind::ToggleRecording:
                    if (recorder)
                        stopRecording();
                    else
                        startRecording(userVideosFolder() + "/" +
                                       datedRecordingName(recording.name, loop.clock().wallTime()));
                    break;
            }
        }
    }
    if (recorder) stopRecording();
    for (std::thread& t : finishing) t.join();
    loop.setWakeHandler(nullptr);
    return recordingFailed ? 1 : 0;
}

}  // namespace host
