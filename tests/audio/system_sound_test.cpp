#include "host/audio/system_sound.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "audio_test_support.h"
#include "host/audio/sound_observer.h"
#include "host/foundation/messages.h"

using namespace host;
using audiotest::Completions;
using audiotest::Format;
using audiotest::wav;
using strings = std::vector<std::string>;
using ids = std::vector<SystemSoundID>;
using namespace std::chrono_literals;

namespace {

using SilentSoundTest = audiotest::SilentAudioTest;

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
        EXPECT_NE(id, kSystemSoundID_Vibrate);
        Completions done;
        ASSERT_EQ(done.listen(id), kAudioServicesNoError);
        const double start = now();
        AudioServicesPlaySystemSound(id);
        runUntil(start + c.seconds - 1e-6);
        EXPECT_TRUE(done.ids.empty());
        runUntil(start + c.seconds + 1e-6);
        EXPECT_EQ(done.ids, ids{id});
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

TEST_F(SilentSoundTest, CompletionsFollowTheirProcedureAndNeverComeAfterDisposal) {
    testsupport::TraceCapture trace;
    SystemSoundID a = create(audiotest::toneWav(0.1), "a.wav"), b = create(audiotest::toneWav(0.1));
    Completions first, second;
    ASSERT_EQ(first.listen(a), kAudioServicesNoError);
    ASSERT_EQ(second.listen(a), kAudioServicesNoError);  // replaces the first
    AudioServicesPlaySystemSound(a);
    AudioServicesPlaySystemSound(a);
    runUntil(10.5);
    EXPECT_EQ(second.ids, (ids{a, a}));
    AudioServicesRemoveSystemSoundCompletion(a);
    AudioServicesPlaySystemSound(a);
    // Disposed of while playing: stopped, and no completion.
    first.listen(b);
    AudioServicesPlaySystemSound(b);
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(b), kAudioServicesNoError);
    runUntil(11.0);
    EXPECT_TRUE(first.ids.empty());
    EXPECT_EQ(second.ids.size(), 2u);
    // Gone identifiers and those never made are refused or ignored.
    for (SystemSoundID gone : {b, SystemSoundID(999)}) {
        EXPECT_EQ(first.listen(gone), kAudioServicesSystemSoundUnspecifiedError);
        EXPECT_EQ(AudioServicesDisposeSystemSoundID(gone),
                  kAudioServicesSystemSoundUnspecifiedError);
        AudioServicesRemoveSystemSoundCompletion(gone);
        AudioServicesPlaySystemSound(gone);
    }
    EXPECT_EQ(AudioServicesAddSystemSoundCompletion(a, nullptr, nullptr, nullptr, nullptr),
              kAudio_ParamError);
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
    EXPECT_EQ(trace.events("sound"),
              (strings{"completion added a.wav", "completion added a.wav", "played a.wav",
                       "played a.wav", "finished a.wav", "finished a.wav",
                       "completion removed a.wav", "played a.wav", "completion added s.wav",
                       "played s.wav", "stopped s.wav", "disposed s.wav", "finished a.wav"}));
}

TEST_F(SilentSoundTest, ACompletionMayDisposeOfItsSoundAndVibrationsAreOnlyTraced) {
    testsupport::TraceCapture trace;
    SystemSoundID id = create(audiotest::toneWav(0.1), "boing.wav");
    AudioServicesAddSystemSoundCompletion(
        id, nullptr, nullptr,
        [](SystemSoundID sid, void*) { AudioServicesDisposeSystemSoundID(sid); }, nullptr);
    AudioServicesPlaySystemSound(id);
    AudioServicesPlaySystemSound(kSystemSoundID_Vibrate);
    AudioServicesPlaySystemSound(id);
    runUntil(11.0);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    // The first end disposes of the sound, which stops the second playback.
    EXPECT_EQ(trace.events("sound"), (strings{"completion added boing.wav", "played boing.wav",
                                              "vibrate", "played boing.wav", "finished boing.wav",
                                              "stopped boing.wav", "disposed boing.wav"}));
}

TEST_F(SilentSoundTest, PlaysBeyondTheChannelsAreSkippedButCompleteAndSaidOncePerOpening) {
    const std::string busy = audiotest::said(messages::kAudioChannelsBusy, 64);
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        SystemSoundID id = create(audiotest::toneWav(0.5));
        Completions done;
        done.listen(id);
        const int plays = AudioOutput::kChannelCount + 5;
        testsupport::StderrCapture out;
        for (int i = 0; i < plays; ++i) AudioServicesPlaySystemSound(id);
        EXPECT_EQ(out.text(), busy);
        EXPECT_EQ(AudioOutput::activePlaybacks(), AudioOutput::kChannelCount);
        runUntil(now());
        EXPECT_EQ(done.ids.size(), 5u) << "the skipped ones, at the next turn";
        runUntil(now() + 0.5);
        EXPECT_EQ(done.ids, ids(plays, id));
        AudioOutput::close();
        AudioOutput::openSilent("again");
    }
}

TEST_F(SilentSoundTest, ClosingDropsEverySoundAndTheNextSoundOpensTheDevice) {
    SystemSoundID id = create(audiotest::toneWav(0.2));
    Completions done;
    done.listen(id);
    AudioServicesPlaySystemSound(id);
    AudioOutput::close();
    EXPECT_FALSE(AudioOutput::isOpen());
    runUntil(12.0);
    EXPECT_TRUE(done.ids.empty());
    EXPECT_EQ(AudioServicesDisposeSystemSoundID(id), kAudioServicesSystemSoundUnspecifiedError);

    testsupport::StderrCapture out;
    AudioOutput::openSilent("headless run");
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
    // Two lines: the one asked for, then the device's failure.
    const std::string text = out.text(), any = audiotest::said(messages::kAudioSilent, "*");
    const std::string first = audiotest::said(messages::kAudioSilent, "headless run");
    EXPECT_TRUE(text.starts_with(first + any.substr(0, any.find('*'))) &&
                text.ends_with(any.substr(any.find('*') + 1)))
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text;
}

// What the recorder is told: each sound's samples as float, each playback
// that sounds, each disposal.
struct Observer : SystemSoundObserver {
    std::vector<std::string> seen;
    std::vector<float> samples;
    void soundCreated(SystemSoundID, std::shared_ptr<const ObservedSound> s) override {
        seen.push_back("created " + std::to_string(s->channels) + " " + std::to_string(s->rate));
        samples = s->samples;
    }
    void soundPlayed(SystemSoundID, double time) override {
        seen.push_back("played " + std::to_string(time));
    }
    void soundDisposed(SystemSoundID, double) override { seen.push_back("disposed"); }
};

// A test output that refuses plays, ends them early, and counts the files
// it is asked to prepare.
TEST_F(SilentSoundTest, AnyOutputIsDrivenAlikeRefusalsCompleteAndFilesArePreparedOnce) {
    auto owned = std::make_unique<audiotest::ScriptedOutput>();
    audiotest::ScriptedOutput& output = *owned;
    AudioOutput::open(std::move(owned));
    Observer observer;
    setSystemSoundObserver(&observer);
    testsupport::TraceCapture trace;
    // Quarter, half and minus full scale.
    SystemSoundID id = create(wav({}, {0x00, 0x20, 0x00, 0x40, 0x00, 0x80}));
    setSystemSoundObserver(nullptr);
    EXPECT_EQ(observer.samples, (std::vector<float>{0.25f, 0.5f, -1.0f}));
    SystemSoundID same = 0;
    EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.file("s.wav"), &same), kAudioServicesNoError);
    EXPECT_EQ(output.prepared, 1) << "an unchanged file is prepared once";
    EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.write("s.wav", "moo"), &same),
              kAudioFileUnsupportedFileTypeError);
    // Other samples of the same size, a moment later.
    const std::string path = dir.write("s.wav", wav({}, {0x00, 0x40, 0x00, 0x40, 0x00, 0x40}));
    std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + 1s);
    EXPECT_EQ(AudioServicesCreateSystemSoundID(path, &same), kAudioServicesNoError);
    EXPECT_EQ(output.prepared, 2) << "a changed file is read again";
    setSystemSoundObserver(&observer);
    Completions done;
    done.listen(id);
    AudioServicesPlaySystemSound(id);
    output.refuse = true;
    AudioServicesPlaySystemSound(id);
    output.refuse = false;
    EXPECT_TRUE(done.ids.empty());
    runUntil(now());
    EXPECT_EQ(done.ids, ids{id}) << "a refused play completes at the next turn";
    output.finishOne();
    EXPECT_EQ(done.ids, (ids{id, id})) << "and a playback when the output says it ended";
    AudioServicesPlaySystemSound(id);
    AudioServicesDisposeSystemSoundID(id);
    audioPlaybackFinished(id);
    EXPECT_EQ(done.ids.size(), 2u) << "nothing after disposal";
    setSystemSoundObserver(nullptr);
    EXPECT_EQ(observer.seen,
              (strings{"created 1 22050", "played 10.000000", "played 10.000000", "disposed"}));
    const strings events = trace.events("sound");
    EXPECT_EQ(std::count(events.begin(), events.end(), "skipped s.wav: refused"), 1);
}

}  // namespace
