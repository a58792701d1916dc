#include <cmath>
#include <cstdio>
#include <filesystem>

#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/foundation/trace.h"
#include "host/shell/files.h"
#include "host/shell/run.h"

namespace host {

static bool writeSnapshot(UIWindow& window, const std::string& path, double time, int zoom,
                          const std::vector<std::string>& keep) {
    for (const std::string& kept : keep)
        if (sameFile(path, kept)) {
            say(messages::kSnapshotUnwritable, path.c_str(),
                         "it names the script or the trace, which it would overwrite");
            return false;
        }
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty()) std::filesystem::create_directories(parent, ec);
    auto image = window.snapshot(time, static_cast<float>(zoom));
    if (!image) {
        say(messages::kSnapshotUnwritable, path.c_str(), "out of memory");
        return false;
    }
    if (!image->writePNG(path)) {
        say(messages::kSnapshotUnwritable, path.c_str(),
                     ec ? ec.message().c_str() : "the file cannot be written");
        return false;
    }
    Trace::log("snapshot", path);
    return true;
}

int runHeadless(UIWindow& window, const std::vector<ScriptStep>& steps, int zoom,
                VirtualClock& clock, const std::vector<std::string>& keep, Recorder* recorder) {
    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    int status = 0;
    size_t next = 0;
    // One frame, composed again at each of the recording's frame times.
    std::shared_ptr<CGImage> frame;
    if (recorder)
        frame = CGImage::create(static_cast<int>(std::lround(window.bounds().size.width * zoom)),
                                static_cast<int>(std::lround(window.bounds().size.height * zoom)));
    // The run ends with the script: at a quit line, or after the last line.
    while (next < steps.size()) {
        double t = std::min(steps[next].time, loop.nextDueTime());
        if (recorder) t = std::min(t, recorder->nextFrameTime());
        // Everything due up to and including the line's time runs before it.
        clock.advanceTo(t);
        loop.runDue();
        const double now = loop.now();
        while (next < steps.size() && steps[next].time <= now) {
            const ScriptStep& step = steps[next++];
            switch (step.kind) {
                case ScriptStep::Kind::Down:
                    window.sendTouch(step.finger, UITouchPhase::Began, step.point, now);
                    break;
                case ScriptStep::Kind::Move:
                    window.sendTouch(step.finger, UITouchPhase::Moved, step.point, now);
                    break;
                case ScriptStep::Kind::Up:
                    window.sendTouch(step.finger, UITouchPhase::Ended, step.point, now);
                    break;
                case ScriptStep::Kind::Cancel:
                    window.cancelAllTouches(now);
                    break;
                case ScriptStep::Kind::Snapshot:
                    if (!writeSnapshot(window, step.path, now, zoom, keep)) status = 1;
                    break;
                case ScriptStep::Kind::Quit:
                    Trace::log("quit", "");
                    return status;
            }
        }
        // The frame shows everything that happened up to its time.
        if (recorder && frame && recorder->nextFrameTime() <= now) {
            window.renderInto(*frame, now, static_cast<float>(zoom));
            recorder->addFrame(*frame, now);
        }
    }
    return status;
}

}  // namespace host
