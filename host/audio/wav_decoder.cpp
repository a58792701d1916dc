#include "host/audio/wav_decoder.h"

#include <SDL.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace host {

void DecodedSound::Free::operator()(std::uint8_t* p) const { SDL_free(p); }

namespace {

// A damaged data chunk is refused rather than cut short, so a truncated file
// fails to load instead of playing a fragment. The RIFF size is ignored, as
// many writers leave it wrong.
void setStrictHints() {
    SDL_SetHintWithPriority(SDL_HINT_WAVE_TRUNCATION, "strict", SDL_HINT_OVERRIDE);
    SDL_SetHintWithPriority(SDL_HINT_WAVE_FACT_CHUNK, "truncate", SDL_HINT_OVERRIDE);
}

bool looksLikeWave(const std::uint8_t* head, std::size_t size) {
    return size >= 12 && (std::memcmp(head, "RIFF", 4) == 0 || std::memcmp(head, "RIFX", 4) == 0) &&
           std::memcmp(head + 8, "WAVE", 4) == 0;
}

OSStatus decode(SDL_RWops* rw, DecodedSound& out, std::string& why) {
    setStrictHints();
    SDL_AudioSpec spec{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV_RW(rw, 1, &spec, &buffer, &length)) {
        why = SDL_GetError();
        return kAudioFileInvalidFileError;
    }
    DecodedSound sound;
    sound.samples.reset(buffer);
    sound.bytes = length;
    sound.format = spec.format;
    sound.channels = spec.channels;
    sound.rate = spec.freq;

    const int frameBytes = int(SDL_AUDIO_BITSIZE(spec.format) / 8) * spec.channels;
    if (frameBytes <= 0 || spec.freq <= 0) {
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
    if (spec.freq < 1000 || spec.freq > 384000) {
        why = "sample rate " + std::to_string(spec.freq) + " Hz";
        return kAudioFileUnsupportedDataFormatError;
    }
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS, 2, 48000) <
        0) {
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

OSStatus decodeWavFile(const std::string& path, DecodedSound& out, std::string& why) {
    if (path.empty()) {
        why = "no path";
        return kAudio_FileNotFoundError;
    }
    // Only regular files: a FIFO or a device would block or never end.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return kAudio_FileNotFoundError;
    }
    if (!S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return kAudioFileUnsupportedFileTypeError;
    }
    if (std::size_t(st.st_size) > kMaximumSoundFileBytes) {
        why = "larger than 32 MiB";
        return kAudioServicesSystemSoundExceededMaximumDurationError;
    }
    SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "rb");
    if (!rw) {
        why = SDL_GetError();
        return kAudio_FileNotFoundError;
    }
    std::uint8_t head[12] = {};
    std::size_t got = SDL_RWread(rw, head, 1, sizeof head);
    if (!looksLikeWave(head, got)) {
        SDL_RWclose(rw);
        why = got == 0 ? "empty file" : "not a WAV file";
        return got == 0 ? kAudioFileInvalidFileError : kAudioFileUnsupportedFileTypeError;
    }
    SDL_RWseek(rw, 0, RW_SEEK_SET);
    return decode(rw, out, why);
}

OSStatus decodeWavMemory(const void* data, std::size_t size, DecodedSound& out, std::string& why) {
    if (!looksLikeWave(static_cast<const std::uint8_t*>(data), size)) {
        why = size == 0 ? "empty file" : "not a WAV file";
        return size == 0 ? kAudioFileInvalidFileError : kAudioFileUnsupportedFileTypeError;
    }
    if (size > kMaximumSoundFileBytes) {
        why = "larger than 32 MiB";
        return kAudioServicesSystemSoundExceededMaximumDurationError;
    }
    SDL_RWops* rw = SDL_RWFromConstMem(data, int(size));
    if (!rw) {
        why = SDL_GetError();
        return kAudio_ParamError;
    }
    return decode(rw, out, why);
}

}  // namespace host
