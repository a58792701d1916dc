#include "host/shell/application.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/audio/audio_output.h"
#include "host/audio/sound_observer.h"
#include "host/eagl/gles_backend.h"
#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"
#include "host/record/recorder.h"
#include "host/shell/files.h"
#include "host/shell/main_interface.h"
#include "host/shell/options.h"
#include "host/shell/run.h"
#include "host/shell/script.h"
#include "host/shell/sdl_window.h"
#include "host/views/screen.h"
#include "host/views/ui_image.h"

namespace host {

// Launching must leave a visible key window with something in it; a black
// window that takes no input is worse than a clear failure.
static bool launchShowsSomething(const UIWindow& window) {
    return window.isKeyWindow() && !window.isHidden() && !window.subviews().empty();
}

static std::string programName(int argc, char** argv) {
    if (argc < 1 || !argv[0] || !*argv[0]) return "paddock";
    std::string name = argv[0];
    size_t slash = name.rfind('/');
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Scripts are typed by hand or by tests; anything larger is not one.
static constexpr size_t kMaxScriptBytes = 1u << 20;
// A script coming through a pipe may take its time, but not for ever.
static constexpr double kScriptIdleSeconds = 10;

static bool readScript(const std::string& path, std::vector<ScriptStep>& steps) {
    std::string text, why;
    if (!readInputFile(path, kMaxScriptBytes, kScriptIdleSeconds, text, why)) {
        say(messages::kScriptUnreadable, path.c_str(), why.c_str());
        return false;
    }
    int line = 0;
    std::string error;
    if (!parseScript(text, steps, line, error)) {
        say(messages::kScriptBadLine, path.c_str(), line, error.c_str());
        return false;
    }
    return true;
}

// The whole run; UIApplicationMain adds the check that its output arrived.
int runApplication(int argc, char** argv, const char* principalClassName,
                   const char* delegateClassName) {
    const std::string program = programName(argc, argv);
    ShellOptions options;
    std::string error;
    if (!parseShellOptions(std::vector<std::string>(argv + std::min(argc, 1), argv + argc), options,
                           error)) {
        say(messages::kBadCommandLine, program.c_str(), error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(shellUsage(program).c_str(), stdout);
        return 0;
    }
    // GL ES through EGL, or none at all (PADDOCK_GL=none): the cow show is then skipped.
    if (const char* gl = std::getenv("PADDOCK_GL"); !useGLESBackend(gl)) {
        say(messages::kUnknownGLESBackend, program.c_str(), gl);
        return 2;
    }

    std::vector<ScriptStep> steps;
    if (options.headless && !readScript(options.scriptPath, steps)) return 2;
    if (options.headless && sameFile(options.scriptPath, options.tracePath)) {
        say(messages::kBadCommandLine, program.c_str(),
            "--trace names the script itself, which it would overwrite");
        return 2;
    }
    if (!options.recordPath.empty() && (sameFile(options.recordPath, options.scriptPath) ||
                                        sameFile(options.recordPath, options.tracePath))) {
        say(messages::kBadCommandLine, program.c_str(),
            "--record names the script or the trace, which it would overwrite");
        return 2;
    }

    if (principalClassName && std::strcmp(principalClassName, "UIApplication") != 0) {
        say(messages::kUnknownPrincipalClass, principalClassName);
        return 1;
    }
    // The delegate and its window come from the bundle's start-up files.
    std::optional<MainInterface> objects =
        loadMainInterface(NSBundle::mainBundle(), delegateClassName);
    if (!objects) return 1;
    if (options.version) {
        std::printf("%s %s\n", program.c_str(),
                    objects->version.empty() ? "(no version)" : objects->version.c_str());
        return 0;
    }

    // Without a display there is nothing to launch into.
    std::unique_ptr<SdlWindow> screen;
    if (!options.headless) {
        const CGRect bounds = objects->window->bounds();
        const std::string title = objects->bundleName.empty() ? program : objects->bundleName;
        screen = SdlWindow::open(title, static_cast<int>(bounds.size.width),
                                 static_cast<int>(bounds.size.height), options.zoom, error);
        if (!screen) {
            say(messages::kNoDisplay, program.c_str(), error.c_str(), program.c_str());
            return 1;
        }
        // A broken icon costs only the icon (imageNamed has said why).
        if (!objects->iconFile.empty())
            if (auto icon = UIImage::imageNamed(objects->iconFile))
                screen->setIcon(*icon->CGImage());
    }
    // Headless, the recording starts with the run; a window starts its own.
    std::unique_ptr<Recorder> recorder;
    if (options.headless && !options.recordPath.empty()) {
        const CGRect bounds = objects->window->bounds();
        const int zoom = std::max(options.zoom, 1);
        Recorder::Settings settings;
        settings.width = static_cast<int>(std::lround(bounds.size.width * zoom));
        settings.height = static_cast<int>(std::lround(bounds.size.height * zoom));
        recorder = Recorder::start(options.recordPath, settings, error);
        if (!recorder) {
            say(messages::kRecordingUnwritable, options.recordPath.c_str(), error.c_str());
            return 1;
        }
        say(messages::kRecordingStarted, options.recordPath.c_str());
    }
    if (!options.tracePath.empty() && !Trace::open(options.tracePath, &error)) {
        say(messages::kTraceUnwritable, options.tracePath.c_str(), error.c_str());
        return 1;
    }

    // Headless, time stands still between events and jumps to the next one,
    // and sounds are silent so that they keep to that clock too.
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    VirtualClock virtualClock(0.0, static_cast<std::time_t>(options.clockStart));
    if (options.headless) {
        loop.setClock(&virtualClock);
        AudioOutput::openSilent("headless run");
    } else {
        AudioOutput::openDevice();
    }

    // What the sounds play is kept for a recording (the window may start one at any time).
    SoundTap soundTap;
    soundTap.setRecorder(recorder.get());
    if (recorder || !options.headless) setSystemSoundObserver(&soundTap);

    // Views draw, and pictures are chosen, for the pixels per point shown.
    UIScreen::mainScreen().setScale(
        static_cast<float>(options.headless ? std::max(options.zoom, 1) : screen->zoom()));
    int status = 1;
    {
        UIApplication application;
        UIApplication::sharedSlot() = &application;
        application.delegate_ = std::move(objects->delegate);
        std::shared_ptr<UIWindow> window = std::move(objects->window);
        application.delegate_->applicationDidFinishLaunching(&application);

        if (!launchShowsSomething(*window)) {
            // The lines it points to went to standard output: they come first.
            std::fflush(stdout);
            say("%s", messages::kNothingLaunched);
        } else if (options.headless) {
            status = runHeadless(*window, steps, std::max(options.zoom, 1), virtualClock,
                                 {options.scriptPath, options.tracePath}, recorder.get());
        } else {
            const std::string name = objects->bundleName.empty() ? program : objects->bundleName;
            status = runWindow(*window, *screen, {options.recordPath, name, &soundTap});
        }
        if (recorder) {
            soundTap.setRecorder(nullptr);
            if (recorder->finish(loop.now(), error)) {
                say(messages::kRecordingFinished, options.recordPath.c_str(),
                    recorder->framesRecorded(), recorder->framesDropped());
            } else {
                say(messages::kRecordingUnwritable, options.recordPath.c_str(), error.c_str());
                status = std::max(status, 1);
            }
            recorder.reset();
        }

        // Timers and posted work may point into the views: drop them first.
        loop.reset();
        window.reset();
        application.delegate_.reset();
        UIApplication::sharedSlot() = nullptr;
    }
    AudioOutput::close();
    setSystemSoundObserver(nullptr);
    loop.reset();
    loop.setClock(nullptr);
    UIScreen::mainScreen().setScale(1.0f);
    // A run whose record is incomplete has not done what was asked.
    if (!Trace::close(&error)) {
        say(messages::kTraceUnwritable, options.tracePath.c_str(), error.c_str());
        status = std::max(status, 1);
    }
    return status;
}

int UIApplicationMain(int argc, char** argv, const char* principalClassName,
                      const char* delegateClassName) {
    // Whole lines as they happen, even into a pipe or a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    int status = runApplication(argc, argv, principalClassName, delegateClassName);
    // Output that never arrived (a full disk, a closed pipe) is a failure too.
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        say(messages::kOutputUnwritable, std::strerror(errno));
        status = std::max(status, 1);
    }
    return status;
}

}  // namespace host
