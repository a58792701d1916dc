// The WAV reader's table (tests/audio/wav_cases.h) on the web build's decoder,
// under node (wasm32, where sizes are 32 bits): one line per row that reads
// otherwise, and whether the samples equal the native reader's; status 1 then.
#include <cstdio>

#include "host/audio/wav_decoder.h"
#include "tests/audio/wav_cases.h"

int main() {
    int wrong = 0, rows = 0;
    std::uint64_t accepted = wavcases::kHashStart;
    for (const auto& c : wavcases::cases()) {
        ++rows;
        host::DecodedSound sound;
        std::string why;
        const host::OSStatus status =
            host::decodeWavMemory(c.bytes.data(), c.bytes.size(), sound, why);
        if (why != c.why || (status == host::kAudioServicesNoError) != (*c.why == '\0')) {
            ++wrong;
            std::printf("%s: status %d \"%s\", expected \"%s\"\n", c.what, int(status), why.c_str(),
                        c.why);
        }
        accepted = wavcases::mix(accepted, sound.samples.get(), sound.bytes);
    }
    if (accepted != wavcases::kAcceptedSamplesHash) {
        ++wrong;
        std::printf("the accepted files' samples differ from the native reader's\n");
    }
    std::printf("wav_reader_check: %d of %d rows read as expected\n", rows - wrong, rows);
    return wrong ? 1 : 0;
}
