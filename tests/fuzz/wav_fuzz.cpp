// libFuzzer entry for the WAV load path: every input must either decode to a
// consistent sound or be refused with a status and a reason, never crash or
// overrun.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/audio/wav_decoder.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    host::DecodedSound sound;
    std::string why;
    const host::OSStatus status = host::decodeWavMemory(data, size, sound, why);
    if (status != host::kAudioServicesNoError) {
        FUZZ_EXPECT(!why.empty() && !sound.samples && sound.frames == 0);
        return 0;
    }
    // Whole frames of at least one sample, at a playable rate, and short.
    FUZZ_EXPECT(sound.samples && sound.frames > 0 && sound.channels > 0);
    FUZZ_EXPECT(sound.rate >= 1000 && sound.rate <= 384000 &&
                sound.duration() <= host::kMaximumSoundDuration);
    const std::uint64_t frameBytes =
        std::uint64_t(host::bytesPerSample(sound.format)) * std::uint64_t(sound.channels);
    FUZZ_EXPECT(frameBytes > 0);
    FUZZ_EXPECT(sound.frames * frameBytes <= sound.bytes &&
                sound.bytes - sound.frames * frameBytes < frameBytes);
    // Every byte of the samples is there to read.
    [[maybe_unused]] volatile std::uint8_t ends =
        sound.samples.get()[0] ^ sound.samples.get()[sound.bytes - 1];
    return 0;
}
