// libFuzzer entry for the WAV load path: every input must either decode to a
// consistent sound or be refused with a status, never crash or overrun.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/audio/wav_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    host::DecodedSound sound;
    std::string why;
    if (host::decodeWavMemory(data, size, sound, why) == host::kAudioServicesNoError) {
        // A decoded sound is whole frames of at least one sample, and short.
        if (sound.frames == 0 || sound.channels <= 0 || sound.rate <= 0) std::abort();
        if (sound.duration() > host::kMaximumSoundDuration) std::abort();
        volatile std::uint8_t last = sound.samples.get()[sound.bytes - 1];
        (void)last;
    }
    return 0;
}
