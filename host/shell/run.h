#pragma once

#include <string>
#include <vector>

#include "host/foundation/clock.h"
#include "host/record/recorder.h"
#include "host/shell/script.h"
#include "host/views/window.h"
#include "host/views/window_backend.h"

// The shell's two ways to run, behind UIApplicationMain: the headless script
// runner, and the window's ApplicationLoop (host/views) with recording.

namespace host {

// Replays `steps` on the run loop's (virtual) clock, jumping from one due
// event to the next. Snapshots never overwrite the files in `keep` (the
// script, the trace). A recorder, when given, gets a frame at each of its
// frame times. Returns the exit status.
int runHeadless(UIWindow& window, const std::vector<ScriptStep>& steps, int zoom,
                VirtualClock& clock, const std::vector<std::string>& keep, Recorder* recorder);

// What the window records: `path` from the start (empty for nothing), and
// with Ctrl+R a file in the videos folder named after `name` and the time.
struct WindowRecording {
    std::string path;
    std::string name;
    SoundTap* tap = nullptr;
};

// Shows `window` in `screen` through the ApplicationLoop until the user quits,
// recording what it shows when asked.
int runWindow(UIWindow& window, WindowBackend& screen, const WindowRecording& recording);

}  // namespace host
