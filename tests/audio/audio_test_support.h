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
#include "tests/audio/wav_cases.h"
#include "tests/support/host_support.h"

namespace audiotest {

using wavcases::Bytes;
using wavcases::Format;
using wavcases::put;
using wavcases::tag;
using wavcases::wav;

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
