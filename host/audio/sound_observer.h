#pragma once

#include <memory>
#include <vector>

#include "host/audio/system_sound.h"

namespace host {

// A sound's samples as they were decoded: 32-bit float, interleaved, at the
// file's own rate and channel count.
struct ObservedSound {
    std::vector<float> samples;
    int channels = 0;
    int rate = 0;
};

// Told what system sounds do, on the main run loop's thread, with times on
// the run loop's clock. The shell installs one to record what is heard;
// system sounds know nothing of what it does with them.
class SystemSoundObserver {
  public:
    virtual ~SystemSoundObserver() = default;
    virtual void soundCreated(SystemSoundID id, std::shared_ptr<const ObservedSound> sound) = 0;
    // A playback began (one the output skipped is not reported).
    virtual void soundPlayed(SystemSoundID id, double time) = 0;
    // Every playback of the sound stopped, and the identifier is gone.
    virtual void soundDisposed(SystemSoundID id, double time) = 0;
};

// Not owned; null removes it. Sounds made before it was set are not reported.
void setSystemSoundObserver(SystemSoundObserver* observer);

}  // namespace host
