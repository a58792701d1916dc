#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/audio/system_sound.h"

namespace host {

// How decoded samples are stored: signedness, width and byte order.
enum class SampleFormat : std::uint8_t { U8, S8, S16LE, S16BE, S32LE, S32BE, F32LE, F32BE };

inline int bytesPerSample(SampleFormat f) {
    return f == SampleFormat::U8 || f == SampleFormat::S8         ? 1
           : f == SampleFormat::S16LE || f == SampleFormat::S16BE ? 2
                                                                  : 4;
}

// A WAV file decoded to plain samples (PCM of any width, float, or one of
// the common ADPCM forms), with its frame count checked.
struct DecodedSound {
    // The samples are allocated by the decoder's library and freed by it.
    struct Free {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, Free> samples;
    std::uint32_t bytes = 0;
    SampleFormat format = SampleFormat::S16LE;
    int channels = 0;
    int rate = 0;
    std::uint32_t frames = 0;
    double duration() const { return rate > 0 ? double(frames) / rate : 0.0; }
};

inline constexpr double kMaximumSoundDuration = 30.0;
inline constexpr std::size_t kMaximumSoundFileBytes = 32u << 20;

// kAudioServicesNoError and the sound, or the status saying why not with a
// short reason (for the trace).
OSStatus decodeWavFile(const std::string& path, DecodedSound& out, std::string& why);
OSStatus decodeWavMemory(const void* data, std::size_t size, DecodedSound& out, std::string& why);

// The decoded samples as 32-bit float, interleaved, at their own rate and
// channel count; empty when they cannot be converted.
std::vector<float> floatSamples(const DecodedSound& decoded);

}  // namespace host
