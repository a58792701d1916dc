#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "host/foundation/messages.h"
#include "host/foundation/run_loop.h"
#include "host/shell/run.h"
#include "host/views/application_loop.h"

namespace host {

namespace {

// The window's recording: started from the command line or with Ctrl+R, fed
// each frame shown. The frames go to the recorder's worker thread; the loop
// never waits for it (a frame it has no room for is dropped from the
// recording). A stopped recording is finished (encoders flushed, file closed
// and renamed) on its own thread, so that stopping does not hold up a tick.
class WindowRecorder {
  public:
    WindowRecorder(const WindowRecording& recording, const CGImage& frame)
        : recording_(recording), width_(frame.width()), height_(frame.height()) {}
    ~WindowRecorder() { finish(); }
    // Stops recording and waits for every recording to be finished; false
    // when one could not be written.
    bool finish() {
        if (recorder_) stop();
        for (std::thread& t : finishing_) t.join();
        finishing_.clear();
        return !failed_;
    }

    bool start(const std::string& path) {
        Recorder::Settings settings;
        settings.width = width_;
        settings.height = height_;
        settings.start = NSRunLoop::mainRunLoop().now();
        settings.dropWhenBusy = true;
        std::string why;
        recorder_ = Recorder::start(path, settings, why);
        if (!recorder_) {
            say(messages::kRecordingUnwritable, path.c_str(), why.c_str());
            failed_ = true;
            return false;
        }
        say(messages::kRecordingStarted, path.c_str());
        if (recording_.tap) recording_.tap->setRecorder(recorder_.get());
        return true;
    }
    // Returns true when a recording started.
    bool toggle() {
        if (!recorder_) {
            const std::string name =
                datedRecordingName(recording_.name, NSRunLoop::mainRunLoop().clock().wallTime());
            return start(userVideosFolder() + "/" + name);
        }
        stop();
        return false;
    }
    void frameShown(const CGImage& frame, double time) {
        if (recorder_ && time >= recorder_->nextFrameTime()) recorder_->addFrame(frame, time);
    }

  private:
    void stop() {
        if (recording_.tap) recording_.tap->setRecorder(nullptr);
        finishing_.emplace_back(
            [r = std::move(recorder_), end = NSRunLoop::mainRunLoop().now(), this] {
                std::string why;
                if (r->finish(end, why)) {
                    say(messages::kRecordingFinished, r->path().c_str(), r->framesRecorded(),
                        r->framesDropped());
                } else {
                    say(messages::kRecordingUnwritable, r->path().c_str(), why.c_str());
                    failed_ = true;
                }
            });
    }

    const WindowRecording& recording_;
    const int width_, height_;
    std::unique_ptr<Recorder> recorder_;
    std::atomic<bool> failed_ = false;
    std::vector<std::thread> finishing_;
};

}  // namespace

int runWindow(UIWindow& window, WindowBackend& screen, const WindowRecording& recording) {
    std::optional<WindowRecorder> recorder;
    ApplicationLoop loop(
        window, screen,
        {[&](const CGImage& frame, double time) { recorder->frameShown(frame, time); },
         [&] {
             if (recorder->toggle()) loop.setNeedsFrame();
         }});
    // Without a frame the loop says why and does not start.
    if (!loop.frame()) return loop.run();
    recorder.emplace(recording, *loop.frame());
    if (!recording.path.empty() && !recorder->start(recording.path)) return 1;
    loop.run();
    return recorder->finish() ? 0 : 1;
}

}  // namespace host
