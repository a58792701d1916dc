#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "host/audio/audio_output.h"
#include "host/audio/output_backend.h"
#include "host/audio/system_sound.h"
#include "host/foundation/bundle.h"
#include "tests/support/host_support.h"

namespace audiotest {

// Little-endian WAV pieces, so tests can build good and damaged files alike.
struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& tag(const char* t) {
        b.insert(b.end(), t, t + 4);
        return *this;
    }
    Bytes& u16(unsigned v) {
        b.push_back(std::uint8_t(v));
        b.push_back(std::uint8_t(v >> 8));
        return *this;
    }
    Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(const std::vector<std::uint8_t>& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
};

struct Format {
    unsigned tag = 1;  // 1 PCM, 3 float, 0x11 IMA ADPCM
    unsigned channels = 1;
    std::uint32_t rate = 22050;
    unsigned bits = 16;
    unsigned blockAlign = 0;          // derived when 0
    std::vector<std::uint8_t> extra;  // bytes after the 16 standard ones
};

// A WAV file with the given format and data bytes; `dataSize` overrides the
// data chunk's size field (for damaged files).
inline std::vector<std::uint8_t> wav(const Format& f, const std::vector<std::uint8_t>& data,
                                     std::int64_t dataSize = -1) {
    const unsigned align = f.blockAlign ? f.blockAlign : f.channels * f.bits / 8;
    Bytes fmt;
    fmt.u16(f.tag).u16(f.channels).u32(f.rate).u32(f.rate * align).u16(align).u16(f.bits);
    fmt.raw(f.extra);
    Bytes body;
    body.tag("WAVE").tag("fmt ").u32(std::uint32_t(fmt.b.size())).raw(fmt.b);
    body.tag("data").u32(std::uint32_t(dataSize < 0 ? std::int64_t(data.size()) : dataSize));
    return Bytes()
        .tag("RIFF")
        .u32(std::uint32_t(body.b.size() + data.size()))
        .raw(body.b)
        .raw(data)
        .b;
}

// 16-bit mono sine at half of full scale: a short real sound for playing.
inline std::vector<std::uint8_t> toneWav(double seconds, double hz = 440) {
    Bytes data;
    for (int i = 0; i < int(seconds * 22050); ++i)
        data.u16(unsigned(std::lround(0.5 * 32767 * std::sin(2 * M_PI * hz * i / 22050))) & 0xFFFF);
    return wav(Format{}, data.b);
}

// An output the test drives: each playback lasts until the test finishes it,
// a play is refused while `refuse` holds, and prepared files are counted.
struct ScriptedOutput : host::AudioOutputBackend {
    int prepared = 0;
    bool refuse = false;
    std::vector<host::SystemSoundID> playing;
    bool isSilent() const override { return false; }
    int channelCount() const override { return 2; }
    int activePlaybacks() const override { return int(playing.size()); }
    host::OSStatus prepare(host::DecodedSound&, std::shared_ptr<const host::PreparedSound>& out,
                           std::string&) override {
        ++prepared;
        out = std::make_shared<host::PreparedSound>();
        return host::kAudioServicesNoError;
    }
    bool play(host::SystemSoundID id, const host::PreparedSound&, std::string& why) override {
        why = "refused";
        if (!refuse) playing.push_back(id);
        return !refuse;
    }
    int stop(host::SystemSoundID id) override { return int(std::erase(playing, id)); }
};

// Silent output on the virtual clock, where every playback completes exactly
// its sound's duration after it starts; `dir` stands in for the bundle.
class SilentAudioTest : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        testsupport::StderrCapture quiet;
        host::AudioOutput::openSilent("test");
        savedBundle = host::NSBundle::mainBundle().resourcePath();
        host::NSBundle::mainBundle().setResourcePath(dir.path());
    }
    void TearDown() override {
        host::NSBundle::mainBundle().setResourcePath(savedBundle);
        host::AudioOutput::close();
        VirtualLoopTest::TearDown();
    }
    host::SystemSoundID create(const std::vector<std::uint8_t>& bytes, const char* name = "s.wav") {
        host::SystemSoundID id = 0;
        EXPECT_EQ(host::AudioServicesCreateSystemSoundID(dir.write(name, bytes), &id),
                  host::kAudioServicesNoError);
        return id;
    }
    testsupport::TempDir dir;
    std::string savedBundle;
};

// Completion procedures' calls, in order.
struct Completions {
    std::vector<host::SystemSoundID> ids;
    static void proc(host::SystemSoundID id, void* self) {
        static_cast<Completions*>(self)->ids.push_back(id);
    }
    host::OSStatus listen(host::SystemSoundID id) {
        return host::AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, proc, this);
    }
};

}  // namespace audiotest
