#include "host/audio/wav_decoder.h"

#include <SDL.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "host/audio/sdl_audio_format.h"
#include "host/audio/wav_reader.h"

namespace host {

void DecodedSound::Free::operator()(std::uint8_t* p) const { SDL_free(p); }

std::uint8_t* allocateSamples(std::size_t bytes) {
    return static_cast<std::uint8_t*>(SDL_malloc(bytes));
}

namespace {

// A damaged data chunk is refused rather than cut short, so a truncated file
// fails to load instead of playing a fragment. The RIFF size is ignored, as
// many writers leave it wrong.
void setStrictHints() {
    SDL_SetHintWithPriority(SDL_HINT_WAVE_TRUNCATION, "strict", SDL_HINT_OVERRIDE);
    SDL_SetHintWithPriority(SDL_HINT_WAVE_FACT_CHUNK, "truncate", SDL_HINT_OVERRIDE);
}

OSStatus decode(SDL_RWops* rw, DecodedSound& out, std::string& why) {
    setStrictHints();
    SDL_AudioSpec wavFormat{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &wavFormat, &buffer, &length)) {
        why = SDL_GetError();
        return kAudioFileInvalidFileError;
    }
    DecodedSound sound;
    sound.samples.reset(buffer);
    sound.bytes = length;
    sound.format = ourFormat(wavFormat.format);
    sound.channels = wavFormat.channels;
    sound.rate = wavFormat.freq;

    const int frameBytes = int(SDL_AUDIO_BITSIZE(wavFormat.format) / 8) * wavFormat.channels;
    if (sdlFormat(sound.format) != wavFormat.format) {
        why = "unknown sample format";
        return kAudioFileUnsupportedDataFormatError;
    }
    if (frameBytes <= 0 || wavFormat.freq <= 0) {
        why = "no channels or no sample rate";
        return kAudioFileInvalidFileError;
    }
    sound.frames = length / Uint32(frameBytes);
    if (sound.frames == 0) {
        why = "no samples";
        return kAudioFileInvalidFileError;
    }
    // Rates far outside what any device plays, and channel layouts that SDL
    // cannot mix down, are refused here so that the silent output and a real
    // device accept the same files.
    if (wavFormat.freq < 1000 || wavFormat.freq > 384000) {
        why = "sample rate " + std::to_string(wavFormat.freq) + " Hz";
        return kAudioFileUnsupportedDataFormatError;
    }
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, wavFormat.format, wavFormat.channels, wavFormat.freq, AUDIO_S16SYS,
                          2, 48000) < 0) {
        why = SDL_GetError();
        return kAudioFileUnsupportedDataFormatError;
    }
    if (sound.duration() > kMaximumSoundDuration) {
        why = "longer than 30 seconds";
        return kAudioServicesSystemSoundExceededMaximumDurationError;
    }
    out = std::move(sound);
    return kAudioServicesNoError;
}

}  // namespace

std::vector<float> floatSamples(const DecodedSound& decoded) {
    const SDL_AudioFormat format = sdlFormat(decoded.format);
    const std::size_t bytes = std::size_t(decoded.frames) *
                              std::size_t(bytesPerSample(decoded.format) * decoded.channels);
    SDL_AudioCVT cvt;
    if (bytes == 0 ||
        SDL_BuildAudioCVT(&cvt, format, Uint8(decoded.channels), decoded.rate, AUDIO_F32SYS,
                          Uint8(decoded.channels), decoded.rate) < 0 ||
        bytes * std::size_t(cvt.len_mult) > std::size_t(INT_MAX))
        return {};
    std::vector<Uint8> buffer(bytes * std::size_t(cvt.len_mult));
    std::memcpy(buffer.data(), decoded.samples.get(), bytes);
    std::size_t converted = bytes;
    if (cvt.needed) {
        cvt.len = int(bytes);
        cvt.buf = buffer.data();
        if (SDL_ConvertAudio(&cvt) < 0) return {};
        converted = std::size_t(cvt.len_cvt);
    }
    std::vector<float> samples(converted / sizeof(float));
    std::memcpy(samples.data(), buffer.data(), samples.size() * sizeof(float));
    return samples;
}

OSStatus decodeCheckedWav(const std::uint8_t* data, std::size_t size, DecodedSound& out,
                          std::string& why) {
    SDL_RWops* rw = SDL_RWFromConstMem(data, int(size));
    if (!rw) {
        why = SDL_GetError();
        return kAudio_ParamError;
    }
    return decode(rw, out, why);
}

}  // namespace host
