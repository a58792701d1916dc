#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/record/recorder.h"

namespace host {

// One container and its encoders. Frames are argb32; sound is stereo float
// at Recorder::kSoundRate, handed over in order, up to each frame's time.
class RecordingWriter {
  public:
    virtual ~RecordingWriter() = default;
    virtual bool hasSound() const = 0;
    // The frame shown from `slot` (frames since the start) on.
    virtual bool addFrame(const uint8_t* argb, int stride, long long slot, std::string& why) = 0;
    virtual bool addSound(const float* stereo, long long frames, std::string& why) = 0;
    // Ends the file at `endSlot` and closes it.
    virtual bool finish(long long endSlot, std::string& why) = 0;
};

std::unique_ptr<RecordingWriter> openAvWriter(const std::string& path, RecordingFormat format,
                                              int width, int height, std::string& why);
std::unique_ptr<RecordingWriter> openWebpWriter(const std::string& path, int width, int height,
                                                std::string& why);

}  // namespace host
