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
using audiotest::Bytes;
using audiotest::put;
using audiotest::tag;
using audiotest::wav;

namespace {

// A RIFF WAVE file of the given chunks (odd ones padded), RIFF size `riff`.
Bytes riff(std::initializer_list<std::pair<const char*, Bytes>> chunks, std::uint32_t riff = 0) {
    Bytes b;
    put(b, {{tag("RIFF"), 4}, {riff, 4}, {tag("WAVE"), 4}});
    for (const auto& [id, data] : chunks) {
        put(b, {{tag(id), 4}, {std::uint32_t(data.size()), 4}});
        b.insert(b.end(), data.begin(), data.end());
        if (data.size() & 1) b.push_back(0);
    }
    return b;
}

Bytes fmt(unsigned code, unsigned channels, std::uint32_t rate, unsigned bits, unsigned align,
          const Bytes& extra = {}) {
    Bytes b;
    put(b, {{code, 2}, {channels, 2}, {rate, 4}, {rate * align, 4}, {align, 2}, {bits, 2}});
    b.insert(b.end(), extra.begin(), extra.end());
    return b;
}

// The extensible form's tail: valid bits, channel mask, sub-format GUID.
Bytes extensible(std::uint32_t code, std::uint8_t lastGuidByte = 0x71) {
    return {22,
            0,
            16,
            0,
            4,
            0,
            0,
            0,
            std::uint8_t(code),
            std::uint8_t(code >> 8),
            0,
            0,
            0,
            0,
            0x10,
            0,
            0x80,
            0,
            0,
            0xAA,
            0,
            0x38,
            0x9B,
            lastGuidByte};
}

Bytes counting(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) b[i] = std::uint8_t(i * 37 + 11);
    return b;
}

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
    const Bytes pcm = counting(800);
    auto cut = [](Bytes b, std::size_t n) { return b.resize(n), b; };
    const struct {
        const char* what;
        Bytes bytes;
        const char* why;  // ours, when refused
    } cases[] = {
        // clang-format off
        {"8-bit", wav({1, 1, 8000, 8, 0, {}}, pcm), ""},
        {"16-bit stereo", wav({1, 2, 44100, 16, 0, {}}, pcm), ""},
        {"24-bit", wav({1, 1, 48000, 24, 0, {}}, cut(pcm, 600)), ""},
        {"32-bit stereo", wav({1, 2, 96000, 32, 0, {}}, pcm), ""},
        {"float", wav({3, 1, 11025, 32, 0, {}}, pcm), ""},
        {"A-law", wav({6, 1, 8000, 8, 0, {}}, counting(256)), ""},
        {"mu-law stereo", wav({7, 2, 8000, 8, 0, {}}, counting(256)), ""},
        {"extensible float", riff({{"fmt ", fmt(0xFFFE, 1, 8000, 32, 4, extensible(3))}, {"data", pcm}}), ""},
        {"a block alignment dividing the frame", riff({{"fmt ", fmt(1, 2, 8000, 16, 1)}, {"data", cut(pcm, 15)}}), ""},
        {"chunks before and between", riff({{"LIST", counting(7)}, {"fmt ", fmt(1, 1, 8000, 16, 2)}, {"junk", {1}}, {"data", pcm}}), ""},
        {"fact chunk shortens", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}, {"fact", {10, 0, 0, 0}}}), ""},
        {"fact chunk beyond the RIFF size", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}, {"fact", {10, 0, 0, 0}}}, 830), ""},
        {"RIFF size ending inside the fmt chunk", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}}, 5), "Missing data chunk in WAVE file"},
        {"RIFF size before the fmt chunk", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}, {"data", pcm}}, 4), "Missing fmt chunk in WAVE file"},
        {"odd chunk's pad missing", cut(riff({{"fmt ", fmt(1, 1, 8000, 8, 1)}, {"data", counting(401)}}), 445), "Could not seek to WAVE chunk header"},
        {"data before fmt", riff({{"data", pcm}, {"fmt ", fmt(1, 1, 8000, 16, 2)}}), "fmt chunk after data chunk in WAVE file"},
        {"no data", riff({{"fmt ", fmt(1, 1, 8000, 16, 2)}}), "Missing data chunk in WAVE file"},
        {"fmt of 12 bytes", riff({{"fmt ", cut(fmt(1, 1, 8000, 16, 2), 12)}, {"data", pcm}}), "Invalid WAVE fmt chunk length (too small)"},
        {"fmt without its sample width", riff({{"fmt ", cut(fmt(3, 1, 8000, 32, 4), 14)}, {"data", pcm}}), "Missing wBitsPerSample field in WAVE fmt chunk"},
        {"extensible too short", riff({{"fmt ", fmt(0xFFFE, 1, 8000, 16, 2)}, {"data", pcm}}), "Extensible WAVE header too small"},
        {"extensible of an unknown kind", riff({{"fmt ", fmt(0xFFFE, 1, 8000, 16, 2, extensible(1, 0x72))}, {"data", pcm}}), "Unknown WAVE format GUID: 00000001-0000-0010-800000aa00389b72"},
        {"no channels", wav({1, 0, 22050, 16, 0, {}}, pcm), "Invalid number of channels"},
        {"256 channels", wav({1, 256, 22050, 8, 0, {}}, pcm), "Number of channels exceeds limit of 255"},
        {"nine channels", wav({1, 9, 8000, 8, 0, {}}, cut(pcm, 90)), "Invalid source channels"},
        {"no sample rate", wav({1, 1, 0, 16, 0, {}}, pcm), "Invalid sample rate"},
        {"absurd sample rate", wav({1, 1, 0xFFFFFFFF, 16, 0, {}}, pcm), "Sample rate exceeds limit of 2147483647"},
        {"500 Hz", wav({1, 1, 500, 8, 0, {}}, pcm), "sample rate 500 Hz"},
        {"12-bit samples", wav({1, 1, 22050, 12, 0, {}}, pcm), "12-bit PCM format not supported"},
        {"64-bit float", wav({3, 1, 8000, 64, 0, {}}, pcm), "64-bit IEEE floating-point format not supported"},
        {"16-bit A-law", wav({6, 1, 8000, 16, 0, {}}, pcm), "Invalid companded bits per sample of 16"},
        {"no bits", wav({1, 1, 8000, 0, 2, {}}, pcm), "Invalid bits per sample"},
        {"no block alignment", riff({{"fmt ", fmt(1, 1, 8000, 16, 0)}, {"data", pcm}}), "Invalid block alignment"},
        {"block alignment past the frame", wav({1, 1, 8000, 16, 4, {}}, pcm), "Unsupported block alignment"},
        {"MPEG", wav({0x55, 1, 8000, 16, 0, {}}, pcm), "MPEG formats not supported"},
        {"unknown encoding", wav({0x1234, 1, 22050, 16, 0, {}}, pcm), "Unknown WAVE format tag: 0x1234"},
        {"data not a whole block", wav({1, 1, 48000, 24, 0, {}}, cut(pcm, 10)), "Truncated data chunk in WAVE file"},
        {"no samples", wav({1, 1, 8000, 8, 0, {}}, {}), "no samples"},
        {"over 30 seconds", wav({1, 1, 1000, 8, 0, {}}, Bytes(31000)), "longer than 30 seconds"},
        {"decoded past 4 GiB", wav({1, 255, 8000, 24, 1, {}}, Bytes(4211000)), "WAVE file too big"},
        {"data chunk longer than the file", wav({}, pcm, 0x7FFFFFF0), "chunk \"data\" runs past the end of the file"},
        {"not audio", {'m', 'o', 'o', '\n'}, "not a WAV file"},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(difference(c.bytes), "");
        const Result ours = decode(c.bytes, readWav);
        EXPECT_EQ(ours.why, c.why);
        EXPECT_EQ(ours.status == kAudioServicesNoError, *c.why == '\0');
    }
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
