#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "host/audio/sound_observer.h"
#include "host/layers/cg_image.h"

namespace host {

enum class RecordingFormat { mp4, webm, webp };

// The format a file name asks for by its extension (.mp4, .webm, .webp, any
// case); nothing for any other.
std::optional<RecordingFormat> recordingFormatFor(const std::string& path);

// Records composed frames and the sounds heard with them into a video
// (H.264 + AAC in .mp4, VP9 + Opus in .webm) or an animated WebP without
// sound. The main thread hands over frames and sound events with their times
// on the run's clock; a worker thread mixes and encodes them. The file is
// written under a temporary name in the same folder and takes its own name
// only once it is complete.
class Recorder {
  public:
    // The tick runs at 90 Hz: every third tick gives 30 fps, which phones and
    // browsers play smoothly at a third of the encoding work of 90.
    static constexpr int kFramesPerSecond = 30;
    // What both AAC and Opus take without resampling again.
    static constexpr int kSoundRate = 48000;

    struct Settings {
        int width = 0, height = 0;
        // The run's time of the recording's beginning.
        double start = 0;
        // In a window a frame is dropped rather than the tick waiting for the
        // encoder; headless, the run waits, so that every frame is kept.
        bool dropWhenBusy = false;
        int queueFrames = 8;
    };

    // Nothing, with the reason in `why`, when the file cannot be made.
    static std::unique_ptr<Recorder> start(const std::string& path, const Settings& settings,
                                           std::string& why);
    // Unfinished, the partial file is removed.
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // The run's time of the next recorded frame.
    double nextFrameTime() const;
    // Takes `frame` (argb32, the recording's size) as the picture from its
    // frame time on, if `time` has reached nextFrameTime().
    void addFrame(const CGImage& frame, double time);
    void soundPlayed(SystemSoundID id, std::shared_ptr<const ObservedSound> sound, double time);
    // Cuts the sound's playbacks at `time`.
    void soundStopped(SystemSoundID id, double time);

    // Ends the recording at `time`, waits for the encoder and gives the file
    // its name. False, with the reason, when it could not be written; the
    // partial file is gone then.
    bool finish(double time, std::string& why);

    const std::string& path() const { return path_; }
    long long framesRecorded() const { return framesRecorded_; }
    long long framesDropped() const { return framesDropped_; }

  private:
    struct Worker;
    Recorder() = default;
    long long slotAt(double time) const;

    std::string path_;
    Settings settings_;
    long long nextSlot_ = 0;
    long long framesRecorded_ = 0, framesDropped_ = 0;
    std::unique_ptr<Worker> worker_;
};

// Reports what system sounds do to the recorder in use, if any. It keeps
// every sound's samples from its creation, so that a recording started later
// still has them.
class SoundTap : public SystemSoundObserver {
  public:
    void setRecorder(Recorder* recorder) { recorder_ = recorder; }
    void soundCreated(SystemSoundID id, std::shared_ptr<const ObservedSound> sound) override;
    void soundPlayed(SystemSoundID id, double time) override;
    void soundDisposed(SystemSoundID id, double time) override;

  private:
    Recorder* recorder_ = nullptr;
    std::map<SystemSoundID, std::shared_ptr<const ObservedSound>> sounds_;
};

// The user's videos folder (XDG_VIDEOS_DIR in user-dirs.dirs, else ~/Videos),
// or the home folder when it does not exist.
std::string userVideosFolder();
// "<name> 2026-12-07 14-03-05.mp4" for the local time `when`.
std::string datedRecordingName(const std::string& name, std::time_t when);

}  // namespace host
