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

TEST_F(SilentSoundTest, PlaysEveryCommonSampleFormatForItsLengthAndRefusesDamagedFiles) {
    const Format ima{0x11, 1, 8000, 4, 256, {2, 0, 0xF9, 0x01}};  // 505 samples a block
    const std::vector<std::uint8_t> pcm(2000);
    auto zeros = [](std::size_t n) { return std::vector<std::uint8_t>(n); };
    auto truncated = wav({}, pcm), hugeFmt = wav({}, pcm), shortFmt = wav({}, pcm);
    truncated.resize(truncated.size() - 1000);
    hugeFmt[16] = 0xF0, hugeFmt[17] = 0xFF, hugeFmt[18] = 0xFF, hugeFmt[19] = 0x7F;
    shortFmt[16] = 6;
    const OSStatus ok = kAudioServicesNoError, invalid = kAudioFileInvalidFileError;
    const struct {
        const char* what;
        std::vector<std::uint8_t> bytes;
        OSStatus status;
        double seconds = 0;
    } cases[] = {
        {"8-bit", wav({1, 1, 8000, 8, 0, {}}, zeros(8000)), ok, 1.0},
        {"16-bit stereo", wav({1, 2, 44100, 16, 0, {}}, zeros(44100 * 4 / 2)), ok, 0.5},
        {"24-bit", wav({1, 1, 48000, 24, 0, {}}, zeros(48000 * 3 / 4)), ok, 0.25},
        {"32-bit", wav({1, 2, 96000, 32, 0, {}}, zeros(96000 * 8 / 10)), ok, 0.1},
        {"float", wav({3, 1, 11025, 32, 0, {}}, zeros(11025 * 4)), ok, 1.0},
        {"IMA ADPCM", wav(ima, zeros(256 * 2)), ok, 1010.0 / 8000},
        {"zero length", {}, invalid},
        {"not audio", {'m', 'o', 'o', '\n'}, kAudioFileUnsupportedFileTypeError},
        {"RIFF header only", {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, invalid},
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
        {"over 30 seconds", wav({1, 1, 1000, 8, 0, {}}, zeros(31000)),
         kAudioServicesSystemSoundExceededMaximumDurationError},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SystemSoundID id = 12345;
        ASSERT_EQ(AudioServicesCreateSystemSoundID(dir.write(c.what, c.bytes), &id), c.status);
        if (c.status != ok) {
            EXPECT_EQ(id, 12345u) << "the identifier is untouched on failure";
            continue;
        }
        Completions done;
        done.listen(id);
        const double start = now();
        AudioServicesPlaySystemSound(id);
        runUntil(start + c.seconds - 1e-6);
        EXPECT_TRUE(done.ids.empty());
        runUntil(start + c.seconds + 1e-6);
        EXPECT_EQ(done.ids, ids{id});
    }
    // Microsoft ADPCM (a fuzz seed), and paths that are no sound file; a FIFO
    // would block a reader for ever.
    ASSERT_EQ(mkfifo(dir.file("fifo.wav").c_str(), 0600), 0);
    for (auto [path, status] : {std::pair{dir.file("missing.wav"), kAudio_FileNotFoundError},
                                {PADDOCK_SOURCE_DIR "/tests/audio/wav_corpus/ms_adpcm.wav", ok},
                                {"", kAudio_FileNotFoundError},
                                {dir.path(), kAudioFileUnsupportedFileTypeError},
                                {dir.file("fifo.wav"), kAudioFileUnsupportedFileTypeError}}) {
        SystemSoundID id = 0;
        EXPECT_EQ(AudioServicesCreateSystemSoundID(path, &id), status) << path;
    }
    EXPECT_EQ(AudioServicesCreateSystemSoundID(dir.file("8-bit"), nullptr), kAudio_ParamError);
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
    // A procedure may dispose of its sound, which stops its other playback.
    AudioServicesAddSystemSoundCompletion(
        a, nullptr, nullptr, [](SystemSoundID id, void*) { AudioServicesDisposeSystemSoundID(id); },
        nullptr);
    AudioServicesPlaySystemSound(a);
    AudioServicesPlaySystemSound(kSystemSoundID_Vibrate);
    AudioServicesPlaySystemSound(a);
    runUntil(12.0);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
    // Gone identifiers and those never made are refused or ignored.
    for (SystemSoundID gone : {a, SystemSoundID(999)}) {
        EXPECT_EQ(first.listen(gone), kAudioServicesSystemSoundUnspecifiedError);
        EXPECT_EQ(AudioServicesDisposeSystemSoundID(gone),
                  kAudioServicesSystemSoundUnspecifiedError);
        AudioServicesRemoveSystemSoundCompletion(gone);
        AudioServicesPlaySystemSound(gone);
    }
    EXPECT_EQ(audiotest::joined(trace.events("sound")),
              "completion added a.wav; completion added a.wav; played a.wav; played a.wav; "
              "finished a.wav; finished a.wav; completion removed a.wav; played a.wav; "
              "completion added s.wav; played s.wav; stopped s.wav; disposed s.wav; "
              "finished a.wav; completion added a.wav; played a.wav; vibrate; played a.wav; "
              "finished a.wav; stopped a.wav; disposed a.wav");
}

TEST_F(SilentSoundTest, PlaysBeyondTheChannelsAreSkippedButCompleteAndSaidOncePerOpening) {
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening);
        SystemSoundID id = create(audiotest::toneWav(0.5));
        Completions done;
        done.listen(id);
        const int plays = AudioOutput::kChannelCount + 5;
        testsupport::StderrCapture out;
        for (int i = 0; i < plays; ++i) AudioServicesPlaySystemSound(id);
        EXPECT_EQ(out.text(), testsupport::message(messages::kAudioChannelsBusy, 64));
        EXPECT_EQ(AudioOutput::activePlaybacks(), AudioOutput::kChannelCount);
        runUntil(now());
        EXPECT_EQ(done.ids.size(), 5u) << "the skipped ones, at the next turn";
        runUntil(now() + 0.5);
        EXPECT_EQ(done.ids, ids(plays, id));
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
    // One line: the device's failure.
    const std::string text = out.text(), any = testsupport::message(messages::kAudioSilent, "*");
    EXPECT_TRUE(text.starts_with(any.substr(0, any.find('*'))) &&
                text.ends_with(any.substr(any.find('*') + 1)) &&
                std::count(text.begin(), text.end(), '\n') == 1)
        << text;
}

// What the recorder is told: each sound's samples as float, each playback
// that sounds, each disposal.
struct Observer : SystemSoundObserver {
    strings seen;
    std::vector<float> samples;
    void soundCreated(SystemSoundID, std::shared_ptr<const ObservedSound> s) override {
        seen.push_back("created " + std::to_string(s->channels) + " " + std::to_string(s->rate));
        samples = s->samples;
    }
    void soundPlayed(SystemSoundID, double t) override { seen.push_back(std::to_string(t)); }
    void soundDisposed(SystemSoundID, double) override { seen.push_back("disposed"); }
};

TEST_F(SilentSoundTest, AnyOutputIsDrivenAlikeRefusalsCompleteAndFilesArePreparedOnce) {
    auto owned = std::make_unique<audiotest::ScriptedOutput>();
    audiotest::ScriptedOutput& output = *owned;
    AudioOutput::open(std::move(owned));
    Observer observer;
    setSystemSoundObserver(&observer);
    testsupport::TraceCapture trace;
    // Quarter, half and minus full scale.
    SystemSoundID id = create(wav({}, {0x00, 0x20, 0x00, 0x40, 0x00, 0x80})), same = 0;
    setSystemSoundObserver(nullptr);
    EXPECT_EQ(observer.samples, (std::vector<float>{0.25f, 0.5f, -1.0f}));
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
    output.playing.clear();
    audioPlaybackFinished(id);
    EXPECT_EQ(done.ids, (ids{id, id})) << "and a playback when the output says it ended";
    AudioServicesPlaySystemSound(id);
    AudioServicesDisposeSystemSoundID(id);
    audioPlaybackFinished(id);
    EXPECT_EQ(done.ids.size(), 2u) << "nothing after disposal";
    setSystemSoundObserver(nullptr);
    EXPECT_EQ(observer.seen, (strings{"created 1 22050", "10.000000", "10.000000", "disposed"}));
    const strings events = trace.events("sound");
    EXPECT_EQ(std::count(events.begin(), events.end(), "skipped s.wav: refused"), 1);
}

}  // namespace
