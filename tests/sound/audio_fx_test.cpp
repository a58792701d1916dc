#include <gtest/gtest.h>

#include "host/foundation/messages.h"
#include "sound/AudioFX.h"
#include "tests/audio/audio_test_support.h"

using host::AudioOutput;

namespace {

class AudioFXTest : public audiotest::SilentAudioTest {
  protected:
    void SetUp() override {
        SilentAudioTest::SetUp();
        dir.write("tick.wav", audiotest::toneWav(0.25));
        dir.write("broken.wav", audiotest::wav({}, {}, 4000));
    }
};

struct Listener : AudioFXDelegate {
    std::vector<AudioFX*> completed;
    void audioFXDidComplete(AudioFX* effect) override { completed.push_back(effect); }
};

TEST_F(AudioFXTest, LoadFailuresPrintBothLinesInOrderAndLeaveNothing) {
    const struct {
        std::string path;  // given to the effect
        host::OSStatus status;
        bool oneShot = false;
        std::string shown = "";  // in the second line, when not the path
    } cases[] = {
        {dir.file("nowhere/missing.wav"), host::kAudio_FileNotFoundError},
        {dir.write("text.wav", "moo\n"), host::kAudioFileUnsupportedFileTypeError},
        // In the bundle, but the service cannot open it: the bundle's full path.
        {"broken.wav", host::kAudioFileInvalidFileError, false, dir.file("broken.wav")},
        {"broken.wav", host::kAudioFileInvalidFileError, true, dir.file("broken.wav")},
        // A name no resource bears, even one that looks like a relative path.
        {"../tick.wav", host::kAudio_FileNotFoundError},
        {"Cow_7.wav", host::kAudio_FileNotFoundError, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        testsupport::StdoutCapture out;
        EXPECT_FALSE(c.oneShot ? AudioFX::playAtPath(c.path) : bool(AudioFX::initWithPath(c.path)));
        EXPECT_EQ(out.text(),
                  testsupport::message(toy::messages::kCreateSoundFailed, c.status) +
                      testsupport::message(toy::messages::kOpenSoundFileFailed,
                                           (c.shown.empty() ? c.path : c.shown).c_str()));
    }
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    EXPECT_EQ(loop.nextDueTime(), host::NSRunLoop::kNever);
}

TEST_F(AudioFXTest, DelegateHearsEachPlaybackInstallsOnceRemovesOnNothingAndDiesInOrder) {
    testsupport::TraceCapture trace;
    auto effect = AudioFX::initWithPath("tick.wav");
    ASSERT_NE(effect, nullptr);
    Listener first, second;
    effect->setDelegate(&first);
    effect->setDelegate(&second);  // replaces the delegate, not the procedure
    effect->play();
    effect->play();
    runUntil(10.2);
    EXPECT_TRUE(second.completed.empty()) << "not before the sound has played";
    runUntil(11.0);
    EXPECT_EQ(second.completed, (std::vector<AudioFX*>{effect.get(), effect.get()}));
    effect->setDelegate(nullptr);
    effect->setDelegate(nullptr);
    effect->play();
    runUntil(12.0);
    effect->setDelegate(&first);
    effect->play();
    runUntil(13.0);
    EXPECT_EQ(first.completed, std::vector<AudioFX*>{effect.get()}) << "and nothing before";
    // Destroyed while playing: the procedure goes first, then the sound,
    // which stops its playback; no completion follows (the trace ends there).
    effect->play();
    effect.reset();
    runUntil(14.0);
    EXPECT_EQ(audiotest::joined(trace.events("sound")),
              "completion added tick.wav; played tick.wav; played tick.wav; finished tick.wav; "
              "finished tick.wav; completion removed tick.wav; played tick.wav; "
              "finished tick.wav; completion added tick.wav; played tick.wav; finished tick.wav; "
              "played tick.wav; completion removed tick.wav; stopped tick.wav; disposed tick.wav");
}

TEST_F(AudioFXTest, FailedInstallKeepsTheDelegateAndSaysSo) {
    auto effect = AudioFX::initWithPath("tick.wav");
    AudioOutput::close();  // invalidates every sound, so installing fails
    Listener listener;
    testsupport::StdoutCapture out;
    effect->setDelegate(&listener);
    EXPECT_EQ(effect->delegate(), &listener);
    EXPECT_EQ(out.text(), testsupport::message(toy::messages::kAddSoundCompletionFailed,
                                               host::kAudioServicesSystemSoundUnspecifiedError));
}

TEST_F(AudioFXTest, OneShotsPlayBundleNamesOrAbsolutePathsAndFreeThemselvesWhenTheyEnd) {
    testsupport::TraceCapture trace;
    testsupport::TempDir elsewhere;
    EXPECT_TRUE(AudioFX::playAtPath("tick.wav"));
    EXPECT_TRUE(AudioFX::playAtPath(elsewhere.write("far.wav", audiotest::toneWav(0.1))));
    AudioFX::vibrate();
    EXPECT_EQ(AudioOutput::soundCount(), 2);
    runUntil(11.0);
    // Both effects and their sounds are gone (the leak checker sees the rest).
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    EXPECT_EQ(audiotest::joined(trace.events("sound")),
              "completion added tick.wav; played tick.wav; completion added far.wav; "
              "played far.wav; vibrate; finished far.wav; completion removed far.wav; "
              "disposed far.wav; finished tick.wav; completion removed tick.wav; "
              "disposed tick.wav");
}

}  // namespace
