// UIApplicationMain in a browser page: the bundle is in memory at /bundle (the
// page fetched it before main), drawing is the page's canvas, GL ES is WebGL
// and sound is Web Audio (each module's platform default in this build). The
// loop runs one turn per animation frame on a clock that follows the page's
// time, so main returns at once and the page keeps running.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "host/audio/audio_output.h"
#include "host/foundation/bundle.h"
#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"
#include "host/shell/application.h"
#include "host/shell/main_interface.h"
#include "host/shell/options.h"
#include "host/shell/web_window.h"
#include "host/views/application_loop.h"
#include "host/views/screen.h"

extern "C" void paddock_shell_trace_device(const char* path);

namespace host {

namespace {

constexpr const char* kBundlePath = "/bundle";
constexpr const char* kTraceDevice = "/dev/trace";

// What the page keeps running after main has returned.
struct Page {
    VirtualClock clock;
    double startMilliseconds = 0;
    std::unique_ptr<WebWindow> screen;
    std::shared_ptr<UIWindow> window;
    std::unique_ptr<ApplicationLoop> loop;
};

EM_BOOL turn(double milliseconds, void* data) {
    Page& page = *static_cast<Page*>(data);
    page.screen->setTurnTime(milliseconds);
    return page.loop->turn(page.clock, (milliseconds - page.startMilliseconds) / 1000.0);
}

// The page's arguments, from its address (page.js): --clock-start SECONDS
// (what the show seeds from, as a headless run's option does). False, with a
// line, for anything else.
bool readArguments(int argc, char** argv, long long& clockStart, bool& given) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--clock-start") != 0) {
            say(messages::kBadPageAddress, (std::string("unknown option ") + argv[i]).c_str());
            return false;
        }
        char* end = nullptr;
        errno = 0;
        const char* value = i + 1 < argc ? argv[++i] : "";
        clockStart = std::strtoll(value, &end, 10);
        if (!*value || *end || errno || clockStart < 0 || clockStart > kMaxClockStart) {
            say(messages::kBadPageAddress,
                ("clock-start wants whole seconds since 1970, from 0 to " +
                 std::to_string(kMaxClockStart))
                    .c_str());
            return false;
        }
        given = true;
    }
    return true;
}

}  // namespace

int runApplication(int argc, char** argv, const char* principalClassName,
                   const char* delegateClassName) {
    long long clockStart = 0;
    bool clockStartGiven = false;
    if (!readArguments(argc, argv, clockStart, clockStartGiven)) return 2;
    if (principalClassName && std::strcmp(principalClassName, "UIApplication") != 0) {
        say(messages::kUnknownPrincipalClass, principalClassName);
        return 1;
    }
    NSBundle::mainBundle().setResourcePath(kBundlePath);
    std::optional<MainInterface> objects =
        loadMainInterface(NSBundle::mainBundle(), delegateClassName);
    if (!objects) return 1;

    static Page page;
    const CGRect bounds = objects->window->bounds();
    std::string error;
    page.screen = WebWindow::open(static_cast<int>(bounds.size.width),
                                  static_cast<int>(bounds.size.height), error);
    if (!page.screen) {
        say(messages::kWindowUnusable, error.c_str());
        return 1;
    }
    // The page's trace goes to the console, a line at a time.
    paddock_shell_trace_device(kTraceDevice);
    if (!Trace::open(kTraceDevice, &error)) {
        say(messages::kTraceUnwritable, kTraceDevice, error.c_str());
        return 1;
    }

    // The clock starts at 0 now; its calendar time is the page's, or the one given.
    page.startMilliseconds = emscripten_get_now();
    page.clock = VirtualClock(0.0, clockStartGiven ? static_cast<std::time_t>(clockStart)
                                                   : static_cast<std::time_t>(std::time(nullptr)));
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    loop.setClock(&page.clock);
    AudioOutput::openDevice();
    UIScreen::mainScreen().setScale(static_cast<float>(page.screen->zoom()));

    static UIApplication application;
    UIApplication::sharedSlot() = &application;
    application.delegate_ = std::move(objects->delegate);
    page.window = std::move(objects->window);
    application.delegate_->applicationDidFinishLaunching(&application);
    if (!page.window->isKeyWindow() || page.window->isHidden() || page.window->subviews().empty()) {
        std::fflush(stdout);
        say("%s", messages::kNothingLaunched);
        return 1;
    }
    page.loop = std::make_unique<ApplicationLoop>(*page.window, *page.screen);
    if (!page.loop->start()) return 1;
    emscripten_request_animation_frame_loop(turn, &page);
    return 0;
}

int UIApplicationMain(int argc, char** argv, const char* principalClassName,
                      const char* delegateClassName) {
    // Whole lines as they happen.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int status = runApplication(argc, argv, principalClassName, delegateClassName);
    // The page says so: nothing else would show that it stopped.
    if (status != 0) EM_ASM(if (Module['paddockStopped']) Module['paddockStopped']());
    return status;
}

}  // namespace host
