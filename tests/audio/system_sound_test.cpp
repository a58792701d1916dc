#include "host/audio/system_sound.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "audio_test_support.h"

using namespace host;
using audiotest::Format;
using audiotest::wav;

namespace {

class SilentSoundTest : public audiotest::SilentAudioTest {
  protected:
    SystemSoundID create(const std::vector<std::uint8_t>& bytes) {
        SystemSoundID id = 0;
        EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.write("s.wav", bytes), &id),
                  kAudioServicesNoError);
        return id;
    }
};

struct Completions {
    std::vector<SystemSoundID> ids;
    static void proc(SystemSoundID id, void* self) {
        static_cast<Completions*>(self)->ids.push_back(id);
    }
};

TEST_F(SilentSoundTest, ReadsEveryCommonSampleFormatAndPlaysItForItsLength) {
    const Format ima{0x11, 1, 8000, 4, 256, {2, 0, 0xF9, 0x01}};  // 505 samples a block
    const struct {
        const char* what;
        Format format;
        std::size_t dataBytes;
        double seconds;
    } cases[] = {
        {"8-bit", {1, 1, 8000, 8, 0, {}}, 8000, 1.0},
        {"16-bit stereo", {1, 2, 44100, 16, 0, {}}, 44100 * 4 / 2, 0.5},
        {"24-bit", {1, 1, 48000, 24, 0, {}}, 48000 * 3 / 4, 0.25},
        {"32-bit", {1, 2, 96000, 32, 0, {}}, 96000 * 8 / 10, 0.1},
        {"float", {3, 1, 11025, 32, 0, {}}, 11025 * 4, 1.0},
        {"IMA ADPCM", ima, 256 * 2, 1010.0 / 8000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SystemSoundID id = create(wav(c.format, std::vector<std::uint8_t>(c.dataBytes)));
        EXPECT_NE(id, 0u);
        EXPECT_NE(id, kSystemSoundID_Vibrate);
        Completions done;
        ASSERT_EQ(
            AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done),
            kAudioServicesNoError);
        const double start = now();
        AudioServicesPlaySystemSound(id);
        runUntil(start + c.seconds - 1e-6);
        EXPECT_TRUE(done.ids.empty());
        runUntil(start + c.seconds + 1e-6);
        EXPECT_EQ(done.ids, std::vector<SystemSoundID>{id});
        EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesNoError);
    }
    // The fuzz seeds hold the forms above and Microsoft ADPCM.
    int seeds = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(PADDOCK_SOURCE_DIR "/tests/audio/wav_corpus")) {
        SCOPED_TRACE(entry.path().filename().string());
        SystemSoundID id = 0;
        EXPECT_EQ(AudioServicesCreateSystemSoundID(entry.path().string(), &id),
                  kAudioServicesNoError);
        ++seeds;
    }
    EXPECT_EQ(seeds, 6);
}

TEST_F(SilentSoundTest, RefusesDamagedHostileAndNonSoundFilesWithoutCrashing) {
    const std::vector<std::uint8_t> pcm(2000);
    auto truncated = wav({}, pcm);
    truncated.resize(truncated.size() - 1000);
    auto hugeFmt = wav({}, pcm);
    hugeFmt[16] = 0xF0, hugeFmt[17] = 0xFF, hugeFmt[18] = 0xFF, hugeFmt[19] = 0x7F;
    auto shortFmt = wav({}, pcm);
    shortFmt[16] = 6;
    const OSStatus invalid = kAudioFileInvalidFileError;
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        OSStatus status;
    } cases[] = {
        {"zero length", {}, invalid},
        {"not audio", {'m', 'o', 'o', '\n'}, kAudioFileUnsupportedFileTypeError},
        {"RIFF header only", audiotest::Bytes().tag("RIFF").u32(4).tag("WAVE").b, invalid},
        {"header and no samples", wav({}, {}), invalid},
        {"truncated data", truncated, invalid},
        {"data chunk longer than the file", wav({}, pcm, 0x7FFFFFF0), invalid},
        {"fmt chunk longer than the file", hugeFmt, invalid},
        {"fmt chunk too short", shortFmt, invalid},
        {"no channels", wav({1, 0, 22050, 16, 0, {}}, pcm), invalid},
        {"4000 channels", wav({1, 4000, 22050, 16, 0, {}}, pcm), invalid},
        {"65535 channels", wav({1, 65535, 22050, 16, 0, {}}, pcm), invalid},
        {"no sample rate", wav({1, 1, 0, 16, 0, {}}, pcm), invalid},
        {"absurd sample rate", wav({1, 1, 0xFFFFFFFF, 16, 0, {}}, pcm), invalid},
        {"12-bit samples", wav({1, 1, 22050, 12, 0, {}}, pcm), invalid},
        {"unknown encoding", wav({0x1234, 1, 22050, 16, 0, {}}, pcm), invalid},
        {"ADPCM with an empty block", wav({0x11, 1, 8000, 4, 0, {2, 0, 0, 0}}, pcm), invalid},
        {"over 30 seconds", wav({1, 1, 1000, 8, 0, {}}, std::vector<std::uint8_t>(31000)),
         kAudioServicesSystemSoundExceededMaximumDurationError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SystemSoundID id = 12345;
        EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.write("bad.wav", c.bytes), &id), c.status);
        EXPECT_EQ(id, 12345u) << "the identifier is untouched on failure";
    }
    // Paths that are no sound file; a FIFO would block a reader for ever.
    ASSERT_EQ(mkfifo(dir.file("fifo.wav").c_str(), 0600), 0);
    SystemSoundID id = 0;
    EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.file("missing.wav"), &id),
              kAudio_FileNotFoundError);
    EXPECT_EQ(AudioServicesCreateSystemSoundID("", &id), kAudio_FileNotFoundError);
    EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.path(), &id),
              kAudioFileUnsupportedFileTypeError);
    EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.file("fifo.wav"), &id),
              kAudioFileUnsupportedFileTypeError);
    EXPECT_EQ(
        AudioServicesCreateSystemSoundID(dir.write("ok.wav", audiotest::toneWav(0.1)), nullptr),
        kAudio_ParamError);
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
}

TEST_F(SilentSoundTest, TracesPlaysVibrationsAndEndsAndACompletionMayDisposeOfItsSound) {
    testsupport::TraceCapture trace;
    SystemSoundID id = 0;
    ASSERT_EQ(
        AudioServicesCreateSystemSoundID(dir.write("boing.wav", audiotest::toneWav(0.1)), &id),
        kAudioServicesNoError);
    AudioServicesAddSystemSoundCompletion(
        id, nullptr, nullptr,
        [](SystemSoundID sid, void*) { AudioServicesDisposeSystemSoundID(sid); }, nullptr);
    AudioServicesPlaySystemSound(id);
    AudioServicesPlaySystemSound(kSystemSoundID_Vibrate);
    AudioServicesPlaySystemSound(id);
    runUntil(11.0);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    // The first end disposes of the sound, which stops the second playback.
    EXPECT_EQ(trace.events("sound"),
              (std::vector<std::string>{"completion added boing.wav", "played boing.wav", "vibrate",
                                        "played boing.wav", "finished boing.wav",
                                        "stopped boing.wav", "disposed boing.wav"}));
}

TEST_F(SilentSoundTest, ClosingDropsEverySoundAndReopeningSaysOnceWhenItIsSilent) {
    SystemSoundID id = create(audiotest::toneWav(0.2));
    Completions done;
    AudioServicesAddSystemSoundCompletion(id, nullptr, nullptr, Completions::proc, &done);
    AudioServicesPlaySystemSound(id);
    AudioOutput::close();
    EXPECT_FALSE(AudioOutput::isOpen());
    runUntil(12.0);
    EXPECT_TRUE(done.ids.empty());
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesSystemSoundUnspecifiedError);

    testsupport::StderrCapture out;
    AudioOutput::openSilent("headless run");
    AudioServicesPlaySystemSound(create(audiotest::toneWav(0.05)));
    AudioServicesPlaySystemSound(create(audiotest::toneWav(0.05)));
    AudioOutput::close();
    // No driver by that name: as with no sound card, the device cannot open.
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(AudioOutput::openDevice());
    EXPECT_TRUE(AudioOutput::isSilent());
    AudioOutput::close();
    // SDL's dummy driver is a device that runs in real time and plays nothing.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    SystemSoundID again = create(audiotest::toneWav(0.2));
    unsetenv("SDL_AUDIODRIVER");
    EXPECT_TRUE(AudioOutput::isOpen() && !AudioOutput::isSilent());
    EXPECT_GT(again, id) << "identifiers are never reused";
    const std::string text = out.text();
    EXPECT_TRUE(
        text.starts_with("Sound is off (headless run): sounds play silently\nSound is off ("))
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
}

// On a device a file's samples are converted once and shared by the sounds
// made from it while it stays the same; a file changed since is read again.
TEST_F(SilentSoundTest, ADeviceReusesAFilesSamplesOnlyWhileTheFileIsUnchanged) {
    AudioOutput::close();
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    {
        testsupport::StderrCapture quiet;
        ASSERT_TRUE(AudioOutput::openDevice());
    }
    unsetenv("SDL_AUDIODRIVER");
    const std::string path = dir.write("moo.wav", audiotest::toneWav(0.2));
    SystemSoundID first = 0, second = 0, third = 0;
    ASSERT_EQ(AudioServicesCreateSystemSoundID(path, &first), kAudioServicesNoError);
    ASSERT_EQ(AudioServicesCreateSystemSoundID(path, &second), kAudioServicesNoError);
    EXPECT_NE(first, second);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(first), kAudioServicesNoError);
    AudioServicesPlaySystemSound(second);
    // Damaged since: refused, not served from before.
    dir.write("moo.wav", std::vector<std::uint8_t>{'m', 'o', 'o', '\n'});
    EXPECT_EQ(AudioServicesCreateSystemSoundID(path, &third), kAudioFileUnsupportedFileTypeError);
    dir.write("moo.wav", audiotest::toneWav(0.3));
    EXPECT_EQ(AudioServicesCreateSystemSoundID(path, &third), kAudioServicesNoError);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(second), kAudioServicesNoError);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(third), kAudioServicesNoError);
    AudioOutput::close();
}

}  // namespace
