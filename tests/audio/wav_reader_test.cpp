// Our RIFF/WAVE reader (the web build's decoder) against SDL's loader (the
// native one): the same files accepted with the same samples, the same files
// refused with the same status and reason. They differ by design only on
// ADPCM, which ours refuses, and on 24-bit files whose block alignment is
// smaller than a frame, where SDL reads past the data it holds.

#include "host/audio/wav_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

#include "audio_test_support.h"

using namespace host;
using namespace wavcases;

namespace {

Bytes fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

struct Result {
    OSStatus status;
    std::string why;
    DecodedSound sound;
};

Result decode(const Bytes& b, WavDecoder decoder) {
    Result r;
    r.status = decodeWavBytes(b.data(), b.size(), r.sound, r.why, decoder);
    return r;
}

// Empty when both decoders give the same; else what differs.
std::string difference(const Bytes& b) {
    const Result sdl = decode(b, decodeCheckedWav), ours = decode(b, readWav);
    auto said = [](const Result& r) {
        return std::to_string(r.status) + " \"" + r.why + "\" " + std::to_string(r.sound.bytes) +
               " bytes of format " + std::to_string(int(r.sound.format)) + ", " +
               std::to_string(r.sound.channels) + " channels at " + std::to_string(r.sound.rate);
    };
    const DecodedSound &a = sdl.sound, &o = ours.sound;
    if (sdl.status != ours.status || sdl.why != ours.why || a.format != o.format ||
        a.channels != o.channels || a.rate != o.rate || a.frames != o.frames ||
        a.bytes != o.bytes ||
        (a.bytes && std::memcmp(a.samples.get(), o.samples.get(), a.bytes) != 0))
        return "SDL " + said(sdl) + "; ours " + said(ours) +
               (sdl.status == 0 && ours.status == 0 ? " (samples differ?)" : "");
    return "";
}

// ADPCM, or 24-bit PCM with a block smaller than a frame: where ours differs by design.
bool differsByDesign(const Bytes& b) {
    const Result ours = decode(b, readWav);
    if (ours.why.find("ADPCM is not supported here") != std::string::npos) return true;
    for (std::size_t at = 12; at + 24 <= b.size(); at += 2)
        if (std::memcmp(&b[at], "fmt ", 4) == 0) {
            const unsigned code = b[at + 8] | b[at + 9] << 8,
                           channels = b[at + 10] | b[at + 11] << 8;
            const unsigned align = b[at + 20] | b[at + 21] << 8,
                           bits = b[at + 22] | b[at + 23] << 8;
            return (code == 1 || code == 0xFFFE) && bits == 24 && align < 3 * channels;
        }
    return false;
}

TEST(WavReader, AcceptsAndRefusesEveryFileAsSDLDoesInItsWords) {
    std::uint64_t accepted = kHashStart;
    for (const auto& c : cases()) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(difference(c.bytes), "");
        const Result ours = decode(c.bytes, readWav);
        EXPECT_EQ(ours.why, c.why);
        EXPECT_EQ(ours.status == kAudioServicesNoError, *c.why == '\0');
        accepted = mix(accepted, ours.sound.samples.get(), ours.sound.bytes);
    }
    // What the web build's check under node compares with.
    EXPECT_EQ(accepted, kAcceptedSamplesHash) << std::hex << accepted;
    for (const char* name : {"float32", "pcm16_mono", "pcm24", "pcm8_stereo"}) {
        SCOPED_TRACE(name);
        const Bytes file =
            fileBytes(PADDOCK_SOURCE_DIR "/tests/audio/wav_corpus/" + std::string(name) + ".wav");
        ASSERT_FALSE(file.empty());
        EXPECT_EQ(difference(file), "");
    }
    // ADPCM: SDL decodes it, ours says plainly that it does not.
    for (auto [name, why] : {std::pair{"ima_adpcm", "IMA ADPCM is not supported here"},
                             {"ms_adpcm", "MS ADPCM is not supported here"}}) {
        const Result ours = decode(
            fileBytes(PADDOCK_SOURCE_DIR "/tests/audio/wav_corpus/" + std::string(name) + ".wav"),
            readWav);
        EXPECT_EQ(ours.status, kAudioFileUnsupportedDataFormatError) << name;
        EXPECT_EQ(ours.why, why);
    }
}

// Damaged versions of good files of every kind: where SDL and ours could
// part ways on a detail no table row thought of.
TEST(WavReader, DamagedFilesAreDecodedOrRefusedAlike) {
    std::vector<Bytes> seeds = {
        riff({{"fmt ", fmt(1, 1, 8000, 8, 1)}, {"data", counting(400)}}),
        riff({{"fmt ", fmt(1, 2, 22050, 16, 4)}, {"data", counting(400)}}, 432),
        riff({{"fmt ", fmt(1, 1, 48000, 24, 3)}, {"data", counting(300)}}),
        riff({{"fmt ", fmt(3, 1, 11025, 32, 4)}, {"data", counting(400)}}),
        riff({{"fmt ", fmt(7, 2, 8000, 8, 2)}, {"data", counting(400)}}),
        riff({{"fmt ", fmt(0xFFFE, 2, 8000, 16, 4, extensible(1))},
              {"fact", {50, 0, 0, 0}},
              {"data", counting(400)}}),
        riff({{"LIST", counting(7)}, {"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", counting(401)}}),
    };
    std::mt19937 random(15);
    const std::uint8_t telling[] = {0, 1, 2, 3, 6, 7, 8, 0x11, 0x18, 0x20, 0x55, 0xFE, 0xFF};
    int compared = 0, accepted = 0;
    for (int i = 0; i < 60000; ++i) {
        Bytes b = seeds[random() % seeds.size()];
        for (int k = 1 + random() % 3; k > 0; --k) {
            const std::size_t at = random() % std::min<std::size_t>(b.size(), 64);
            switch (random() % 5) {
                case 0:
                    b[at] = std::uint8_t(random());
                    break;
                case 1:
                    b[at] = telling[random() % std::size(telling)];
                    break;
                case 2:
                    b.resize(1 + random() % b.size());
                    break;
                case 3:
                    b.insert(b.begin() + random() % b.size(), random() % 9, 0);
                    break;
                default:
                    b[at] ^= std::uint8_t(1u << random() % 8);
                    break;
            }
        }
        if (differsByDesign(b)) continue;
        ++compared;
        accepted += decode(b, readWav).status == kAudioServicesNoError;
        const std::string d = difference(b);
        ASSERT_EQ(d, "") << "mutant " << i;
    }
    // Both sides of the line were walked.
    EXPECT_GT(compared, 50000);
    EXPECT_GT(accepted, 5000);
}

}  // namespace
