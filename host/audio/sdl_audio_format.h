#pragma once

#include <SDL.h>

#include "host/audio/wav_decoder.h"

// SDL's sample format codes and ours, for the files that decode and play
// sound with SDL; nothing else includes this.

namespace host {

inline SampleFormat ourFormat(SDL_AudioFormat f) {
    switch (f) {
        case AUDIO_U8:
            return SampleFormat::U8;
        case AUDIO_S8:
            return SampleFormat::S8;
        case AUDIO_S16MSB:
            return SampleFormat::S16BE;
        case AUDIO_S32LSB:
            return SampleFormat::S32LE;
        case AUDIO_S32MSB:
            return SampleFormat::S32BE;
        case AUDIO_F32LSB:
            return SampleFormat::F32LE;
        case AUDIO_F32MSB:
            return SampleFormat::F32BE;
        default:
            return SampleFormat::S16LE;
    }
}

inline SDL_AudioFormat sdlFormat(SampleFormat f) {
    switch (f) {
        case SampleFormat::U8:
            return AUDIO_U8;
        case SampleFormat::S8:
            return AUDIO_S8;
        case SampleFormat::S16LE:
            return AUDIO_S16LSB;
        case SampleFormat::S16BE:
            return AUDIO_S16MSB;
        case SampleFormat::S32LE:
            return AUDIO_S32LSB;
        case SampleFormat::S32BE:
            return AUDIO_S32MSB;
        case SampleFormat::F32LE:
            return AUDIO_F32LSB;
        case SampleFormat::F32BE:
            return AUDIO_F32MSB;
    }
    return AUDIO_S16LSB;
}

}  // namespace host
