#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "host/audio/system_sound.h"

namespace host {

// A WAV file decoded to the sample format it was stored in (any PCM width,
// float, or one of the ADPCM forms SDL reads), with its frame count checked.
struct DecodedSound {
    struct Free {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, Free> samples;
    std::uint32_t bytes = 0;
    std::uint16_t format = 0;  // an SDL_AudioFormat
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

}  // namespace host
