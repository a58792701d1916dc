#include "host/audio/system_sound.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "audio_test_support.h"
#include "host/audio/audio_output.h"
#include "host/foundation/run_loop.h"

using namespace host;
using audiotest::Format;
using audiotest::TempDir;

namespace {

// Silent output on the virtual clock: every playback completes exactly its
// sound's duration after it starts.
class SilentSoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop.reset();
        loop.setClock(&clock);
        audiotest::StdoutCapture quiet;
        AudioOutput::openSilent("test");
    }
    void TearDown() override {
        AudioOutput::close();
        loop.reset();
        loop.setClock(nullptr);
    }
    void runUntil(double until) {
        for (;;) {
            double next = loop.nextDueTime();
            if (next > until) break;
            clock.advanceTo(next);
            loop.runDue();
        }
        clock.advanceTo(until);
    }
    SystemSoundID create(const std::vector<std::uint8_t>& bytes, OSStatus* status = nullptr) {
        SystemSoundID id = 0;
        OSStatus s = AudioServicesCreateSystemSoundID(dir.write("s.wav", bytes), &id);
        if (status) *status = s;
        return id;
    }

    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    VirtualClock clock{50.0};
    TempDir dir;
};

struct Completions {
    std::vector<SystemSoundID> ids;
    std::vector<std::thread::id> threads;
    static void proc(SystemSoundID id, void* self) {
        auto* c = static_cast<Completions*>(self);
        c->ids.push_back(id);
        c->threads.push_back(std::this_thread::get_id());
    }
};

TEST_F(SilentSoundTest, ReadsEveryCommonSampleFormat) {
    struct Case {
        const char* what;
        Format format;
        std::size_t dataBytes;
        double seconds;
    };
    Format ima{0x11, 1, 8000, 4, 256, {2, 0, 0xF9, 0x01}};  // 505 samples a block
    const Case cases[] = {
        {"8-bit", {1, 1, 8000, 8}, 8000, 1.0},
        {"16-bit stereo", {1, 2, 44100, 16}, 44100 * 4 / 2, 0.5},
        {"24-bit", {1, 1, 48000, 24}, 48000 * 3 / 4, 0.25},
        {"32-bit", {1, 2, 96000, 32}, 96000 * 8 / 10, 0.1},
        {"float", {3, 1, 11025, 32}, 11025 * 4, 1.0},
        {"IMA ADPCM", ima, 256 * 2, 1010.0 / 8000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        OSStatus status = -1;
        SystemSoundID id =
            create(audiotest::wav(c.format, std::vector<std::uint8_t>(c.dataBytes)), &status);
        ASSERT_EQ(status, kAudioServicesNoError);
        EXPECT_NE(id, 0u);
        EXPECT_NE(id, kSystemSoundID_Vibrate);
        // The silent output completes after the sound's own length.
        Completions done;
        ASSERT_EQ(
            AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done),
            kAudioServicesNoError);
        const double start = clock.now();
        AudioServicesPlaySystemSound(id);
        runUntil(start + c.seconds - 1e-6);
        EXPECT_TRUE(done.ids.empty());
        runUntil(start + c.seconds + 1e-6);
        EXPECT_EQ(done.ids.size(), 1u);
        EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    }
}

TEST_F(SilentSoundTest, LoadsTheFuzzSeedsIncludingBothAdpcmForms) {
    int files = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(PADDOCK_SOURCE_DIR "/tests/audio/wav_corpus")) {
        SCOPED_TRACE(entry.path().filename().string());
        SystemSoundID id = 0;
        EXPECT_EQ(AudioServicesCreateSystemSoundID(entry.path().string(), &id),
                  kAudioServicesNoError);
        ++files;
    }
    EXPECT_EQ(files, 6);
}

TEST_F(SilentSoundTest, RefusesDamagedAndHostileFilesWithoutCrashing) {
    const std::vector<std::uint8_t> pcm(2000);
    auto riffOnly = audiotest::Bytes().tag("RIFF").u32(4).tag("WAVE").b;
    auto header = audiotest::wav(Format{}, {});
    auto truncated = audiotest::wav(Format{}, pcm);
    truncated.resize(truncated.size() - 1000);
    auto hugeData = audiotest::wav(Format{}, pcm, 0x7FFFFFF0);
    auto hugeFmt = audiotest::wav(Format{}, pcm);
    hugeFmt[16] = 0xF0, hugeFmt[17] = 0xFF, hugeFmt[18] = 0xFF, hugeFmt[19] = 0x7F;
    auto shortFmt = audiotest::wav(Format{}, pcm);
    shortFmt[16] = 6;
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"zero length", {}},
        {"not audio", {'h', 'e', 'l', 'l', 'o', ' ', 'c', 'o', 'w', '\n', 0, 0, 0}},
        {"RIFF header only", riffOnly},
        {"header and no samples", header},
        {"truncated data", truncated},
        {"data chunk longer than the file", hugeData},
        {"fmt chunk longer than the file", hugeFmt},
        {"fmt chunk too short", shortFmt},
        {"no channels", audiotest::wav({1, 0, 22050, 16}, pcm)},
        {"4000 channels", audiotest::wav({1, 4000, 22050, 16}, pcm)},
        {"65535 channels", audiotest::wav({1, 65535, 22050, 16}, pcm)},
        {"no sample rate", audiotest::wav({1, 1, 0, 16}, pcm)},
        {"absurd sample rate", audiotest::wav({1, 1, 0xFFFFFFFF, 16}, pcm)},
        {"12-bit samples", audiotest::wav({1, 1, 22050, 12}, pcm)},
        {"unknown encoding", audiotest::wav({0x1234, 1, 22050, 16}, pcm)},
        {"ADPCM with an empty block", audiotest::wav({0x11, 1, 8000, 4, 0, {2, 0, 0, 0}}, pcm)},
        {"over 30 seconds", audiotest::wav({1, 1, 1000, 8}, std::vector<std::uint8_t>(31000))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SystemSoundID id = 12345;
        OSStatus status = AudioServicesCreateSystemSoundID(dir.write("bad.wav", c.bytes), &id);
        EXPECT_NE(status, kAudioServicesNoError);
        EXPECT_EQ(id, 12345u) << "the identifier is untouched on failure";
    }
    EXPECT_EQ(AudioOutput::soundCount(), 0);
}

TEST_F(SilentSoundTest, RefusesPathsThatAreNotSoundFiles) {
    SystemSoundID id = 0;
    EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.path() + "/missing.wav", &id),
              kAudio_FileNotFoundError);
    EXPECT_EQ(AudioServicesCreateSystemSoundID("", &id), kAudio_FileNotFoundError);
    EXPECT_NE(AudioServicesCreateSystemSoundID(dir.path(), &id), kAudioServicesNoError);
    // A FIFO would block a reader for ever.
    std::string fifo = dir.path() + "/fifo.wav";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(AudioServicesCreateSystemSoundID(fifo, &id), kAudioServicesNoError);
    EXPECT_EQ(
        AudioServicesCreateSystemSoundID(dir.write("ok.wav", audiotest::toneWav(0.1)), nullptr),
        kAudio_ParamError);
    EXPECT_EQ(id, 0u);
}

TEST_F(SilentSoundTest, EveryPlayCompletesOnceOnTheMainLoop) {
    SystemSoundID id = create(audiotest::toneWav(0.5));
    Completions done;
    ASSERT_EQ(AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done),
              kAudioServicesNoError);
    AudioServicesPlaySystemSound(id);
    runUntil(50.2);
    AudioServicesPlaySystemSound(id);
    EXPECT_EQ(AudioOutput::activePlaybacks(), 2);
    runUntil(50.6);
    ASSERT_EQ(done.ids.size(), 1u);
    runUntil(60.0);
    ASSERT_EQ(done.ids.size(), 2u);
    EXPECT_EQ(done.ids[0], id);
    EXPECT_EQ(done.ids[1], id);
    EXPECT_EQ(done.threads[0], std::this_thread::get_id());
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
}

TEST_F(SilentSoundTest, RemovedCompletionIsNotCalled) {
    SystemSoundID id = create(audiotest::toneWav(0.2));
    Completions done;
    AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done);
    AudioServicesPlaySystemSound(id);
    AudioServicesRemoveSystemSoundCompletion(id);
    runUntil(51.0);
    EXPECT_TRUE(done.ids.empty());
}

TEST_F(SilentSoundTest, DisposeStopsPlaybacksAndNoCompletionFollows) {
    SystemSoundID id = create(audiotest::toneWav(0.3));
    Completions done;
    AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done);
    AudioServicesPlaySystemSound(id);
    AudioServicesPlaySystemSound(id);
    runUntil(50.1);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    runUntil(55.0);
    EXPECT_TRUE(done.ids.empty());
    EXPECT_EQ(loop.nextDueTime(), NSRunLoop::kNever);
    // The identifier is gone for good.
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesSystemSoundUnspecifiedError);
    EXPECT_EQ(AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done),
              kAudioServicesSystemSoundUnspecifiedError);
    AudioServicesPlaySystemSound(id);
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
}

TEST_F(SilentSoundTest, CompletionMayDisposeOfItsOwnSound) {
    SystemSoundID id = create(audiotest::toneWav(0.1));
    AudioServicesAddSystemSoundCompletion(
        id, nullptr, nullptr,
        [](SystemSoundID sid, void*) { AudioServicesDisposeSystemSoundID(sid); }, nullptr);
    AudioServicesPlaySystemSound(id);
    AudioServicesPlaySystemSound(id);
    runUntil(52.0);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
}

TEST_F(SilentSoundTest, TracesPlaysVibrationsAndEnds) {
    audiotest::SoundTrace trace;
    SystemSoundID id = 0;
    ASSERT_EQ(
        AudioServicesCreateSystemSoundID(dir.write("boing.wav", audiotest::toneWav(0.1)), &id),
        kAudioServicesNoError);
    AudioServicesPlaySystemSound(id);
    AudioServicesPlaySystemSound(kSystemSoundID_Vibrate);
    runUntil(51.0);
    AudioServicesDisposeSystemSoundID(id);
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{"played boing.wav", "vibrate", "finished boing.wav",
                                        "disposed boing.wav"}));
}

TEST_F(SilentSoundTest, ClosingDropsEverySoundAndTheNextSoundReopens) {
    SystemSoundID id = create(audiotest::toneWav(0.2));
    Completions done;
    AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done);
    AudioServicesPlaySystemSound(id);
    AudioOutput::close();
    EXPECT_FALSE(AudioOutput::isOpen());
    runUntil(52.0);
    EXPECT_TRUE(done.ids.empty());
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesSystemSoundUnspecifiedError);
    // With SDL's dummy driver the next sound opens a "device" that plays
    // nothing audible but runs in real time.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SystemSoundID again = create(audiotest::toneWav(0.2));
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_TRUE(AudioOutput::isOpen());
    EXPECT_FALSE(AudioOutput::isSilent());
    EXPECT_NE(again, id) << "identifiers are never reused";
}

TEST(AudioOutputTest, SaysOnceWhyItIsSilent) {
    audiotest::StdoutCapture out;
    AudioOutput::openSilent("headless run");
    audiotest::TempDir dir;
    SystemSoundID id = 0;
    AudioServicesCreateSystemSoundID(dir.write("a.wav", audiotest::toneWav(0.05)), &id);
    AudioServicesPlaySystemSound(id);
    AudioServicesPlaySystemSound(id);
    AudioOutput::close();
    EXPECT_EQ(out.text(), "Sound is off (headless run): sounds play silently\n");
    NSRunLoop::mainRunLoop().reset();
}

TEST(AudioOutputTest, WithoutADeviceTheOutputTurnsSilentAndSaysWhy) {
    // No driver by that name: as with no sound card, the device cannot open.
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    audiotest::StdoutCapture out;
    EXPECT_FALSE(AudioOutput::openDevice());
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_TRUE(AudioOutput::isSilent());
    std::string text = out.text();
    EXPECT_EQ(text.rfind("Sound is off (", 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    AudioOutput::close();
}

}  // namespace
