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

using Bytes = std::vector<std::uint8_t>;

// Appends each value little-endian in its size in bytes.
inline void put(Bytes& b, std::initializer_list<std::pair<std::uint32_t, int>> values) {
    for (auto [v, size] : values)
        for (int i = 0; i < size; ++i) b.push_back(std::uint8_t(v >> 8 * i));
}
constexpr std::uint32_t tag(const char* t) { return t[0] | t[1] << 8 | t[2] << 16 | t[3] << 24; }

struct Format {
    unsigned tag = 1;  // 1 PCM, 3 float, 0x11 IMA ADPCM
    unsigned channels = 1;
    std::uint32_t rate = 22050;
    unsigned bits = 16;
    unsigned blockAlign = 0;  // derived when 0
    Bytes extra;              // bytes after the 16 standard ones
};

// A WAV file with the given format and data bytes; `dataSize` overrides the
// data chunk's size field (for damaged files).
inline Bytes wav(const Format& f, const Bytes& data, std::int64_t dataSize = -1) {
    const unsigned align = f.blockAlign ? f.blockAlign : f.channels * f.bits / 8;
    const auto extra = std::uint32_t(f.extra.size()), size = std::uint32_t(data.size());
    Bytes b;
    put(b, {{tag("RIFF"), 4}, {36 + extra + size, 4}, {tag("WAVE"), 4}, {tag("fmt "), 4}});
    put(b, {{16 + extra, 4}, {f.tag, 2}, {f.channels, 2}, {f.rate, 4}, {f.rate * align, 4}});
    put(b, {{align, 2}, {f.bits, 2}});
    b.insert(b.end(), f.extra.begin(), f.extra.end());
    put(b, {{tag("data"), 4}, {dataSize < 0 ? size : std::uint32_t(dataSize), 4}});
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// 16-bit mono sine at half of full scale: a short real sound for playing.
inline Bytes toneWav(double seconds, double hz = 440) {
    Bytes data;
    for (int i = 0; i < int(seconds * 22050); ++i)
        put(data,
            {{std::uint32_t(std::lround(0.5 * 32767 * std::sin(2 * M_PI * hz * i / 22050))), 2}});
    return wav(Format{}, data);
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

// Trace events or other lines as one "a; b; c" string, for short expectations.
inline std::string joined(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += (out.empty() ? "" : "; ") + l;
    return out;
}

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
