#include <gtest/gtest.h>

#include <thread>

#include "host/audio/audio_output.h"
#include "host/foundation/bundle.h"
#include "host/foundation/run_loop.h"
#include "sound/AudioFX.h"
#include "tests/audio/audio_test_support.h"

using host::AudioOutput;
using host::NSBundle;
using host::NSRunLoop;
using host::VirtualClock;

namespace {

// Silent output on the virtual clock, and a bundle of test files.
class AudioFXTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop.reset();
        loop.setClock(&clock);
        audiotest::StdoutCapture quiet;
        AudioOutput::openSilent("test");
        savedBundle = NSBundle::mainBundle().resourcePath();
        NSBundle::mainBundle().setResourcePath(bundle.path());
        bundle.write("tick.wav", audiotest::toneWav(0.25));
        bundle.write("broken.wav", audiotest::wav(audiotest::Format{}, {}, 4000));
    }
    void TearDown() override {
        NSBundle::mainBundle().setResourcePath(savedBundle);
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
    static std::string failureLines(const std::string& path, int status) {
        return "AudioServicesCreateSystemSoundID() called from -[AudioFX initWithPath:] returned "
               "error " +
               std::to_string(status) +
               "\n-[AudioFX initWithPath:]: Failed opening sound file at path \"" + path + "\"\n";
    }

    NSRunLoop& loop = NSRunLoop::mainRunLoop();
    VirtualClock clock{10.0};
    audiotest::TempDir bundle;
    std::string savedBundle;
};

struct Listener : AudioFXDelegate {
    std::vector<AudioFX*> completed;
    std::vector<std::thread::id> threads;
    void audioFXDidComplete(AudioFX* effect) override {
        completed.push_back(effect);
        threads.push_back(std::this_thread::get_id());
    }
};

TEST_F(AudioFXTest, BareNamesAreBundleResourcesAndAbsolutePathsAreKept) {
    audiotest::SoundTrace trace;
    auto byName = AudioFX::initWithPath("tick.wav");
    ASSERT_NE(byName, nullptr);
    audiotest::TempDir elsewhere;
    auto byPath = AudioFX::initWithPath(elsewhere.write("far.wav", audiotest::toneWav(0.1)));
    ASSERT_NE(byPath, nullptr);
    byName->play();
    byPath->play();
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"played tick.wav", "played far.wav"}));
}

TEST_F(AudioFXTest, LoadFailuresPrintBothLinesInOrderAndGiveNothing) {
    const std::string missing = bundle.path() + "/nowhere/missing.wav";
    const std::string empty = bundle.write("empty.wav", {});
    const std::string text = bundle.write("text.wav", {'m', 'o', 'o', '\n'});
    audiotest::StdoutCapture out;
    EXPECT_EQ(AudioFX::initWithPath(missing), nullptr);
    EXPECT_EQ(AudioFX::initWithPath(empty), nullptr);
    EXPECT_EQ(AudioFX::initWithPath(text), nullptr);
    // In the bundle, but the service cannot open it: the path shown is the
    // bundle's full path.
    EXPECT_EQ(AudioFX::initWithPath("broken.wav"), nullptr);
    EXPECT_EQ(out.text(),
              failureLines(missing, host::kAudio_FileNotFoundError) +
                  failureLines(empty, host::kAudioFileInvalidFileError) +
                  failureLines(text, host::kAudioFileUnsupportedFileTypeError) +
                  failureLines(bundle.path() + "/broken.wav", host::kAudioFileInvalidFileError));
    EXPECT_EQ(AudioOutput::soundCount(), 0);
}

TEST_F(AudioFXTest, BareNameNoResourceBearsGivesNothingWithTheSameLines) {
    audiotest::StdoutCapture out;
    EXPECT_EQ(AudioFX::initWithPath("Cow_7.wav"), nullptr);
    // A relative path is a name, not a file beside the working directory.
    EXPECT_EQ(AudioFX::initWithPath("../tick.wav"), nullptr);
    EXPECT_FALSE(AudioFX::playAtPath("Cow_7.wav"));
    EXPECT_EQ(out.text(), failureLines("Cow_7.wav", host::kAudio_FileNotFoundError) +
                              failureLines("../tick.wav", host::kAudio_FileNotFoundError) +
                              failureLines("Cow_7.wav", host::kAudio_FileNotFoundError));
    EXPECT_EQ(AudioOutput::soundCount(), 0);
}

TEST_F(AudioFXTest, PlayTwiceTellsTheDelegateTwiceOnTheMainLoop) {
    auto effect = AudioFX::initWithPath("tick.wav");
    ASSERT_NE(effect, nullptr);
    Listener listener;
    effect->setDelegate(&listener);
    EXPECT_EQ(effect->delegate(), &listener);
    effect->play();
    effect->play();
    runUntil(10.2);
    EXPECT_TRUE(listener.completed.empty()) << "not before the sound has played";
    runUntil(11.0);
    ASSERT_EQ(listener.completed.size(), 2u);
    EXPECT_EQ(listener.completed[0], effect.get());
    EXPECT_EQ(listener.completed[1], effect.get());
    for (auto t : listener.threads) EXPECT_EQ(t, std::this_thread::get_id());
}

TEST_F(AudioFXTest, DelegateInstallsOnceAndRemovesOnNothing) {
    audiotest::SoundTrace trace;
    auto effect = AudioFX::initWithPath("tick.wav");
    Listener first, second;
    effect->setDelegate(&first);
    effect->setDelegate(&second);  // replaces the delegate, not the procedure
    effect->play();
    runUntil(11.0);
    EXPECT_TRUE(first.completed.empty());
    EXPECT_EQ(second.completed.size(), 1u);

    effect->setDelegate(nullptr);
    effect->setDelegate(nullptr);
    effect->play();
    runUntil(12.0);
    EXPECT_EQ(second.completed.size(), 1u);

    effect->setDelegate(&first);
    effect->play();
    runUntil(13.0);
    EXPECT_EQ(first.completed.size(), 1u);
    effect.reset();
    // Installed, removed, installed once each; destruction removes the
    // procedure before disposing of the sound.
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{
                  "completion added tick.wav", "played tick.wav", "finished tick.wav",
                  "completion removed tick.wav", "played tick.wav", "finished tick.wav",
                  "completion added tick.wav", "played tick.wav", "finished tick.wav",
                  "completion removed tick.wav", "disposed tick.wav"}));
}

TEST_F(AudioFXTest, FailedInstallKeepsTheDelegateAndSaysSo) {
    auto effect = AudioFX::initWithPath("tick.wav");
    // Closing the output invalidates every sound, so installing fails.
    AudioOutput::close();
    Listener listener;
    audiotest::StdoutCapture out;
    effect->setDelegate(&listener);
    EXPECT_EQ(effect->delegate(), &listener);
    EXPECT_EQ(out.text(),
              "AudioServicesAddSystemSoundCompletion() called from -[AudioFX setDelegate:] "
              "returned error -1500\n");
}

TEST_F(AudioFXTest, DestroyingAnEffectStopsItsPlaybacksWithoutCompletion) {
    auto effect = AudioFX::initWithPath("tick.wav");
    Listener listener;
    effect->setDelegate(&listener);
    effect->play();
    effect.reset();
    EXPECT_EQ(AudioOutput::activePlaybacks(), 0);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    runUntil(12.0);
    EXPECT_TRUE(listener.completed.empty());
}

TEST_F(AudioFXTest, TagIsTheClientsAndVibrateIsTraced) {
    auto effect = AudioFX::initWithPath("tick.wav");
    EXPECT_EQ(effect->tag(), 0);
    effect->setTag(-42);
    EXPECT_EQ(effect->tag(), -42);
    audiotest::SoundTrace trace;
    AudioFX::vibrate();
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"vibrate"});
}

TEST_F(AudioFXTest, OneShotFreesItselfWhenItsPlaybackEnds) {
    audiotest::SoundTrace trace;
    EXPECT_TRUE(AudioFX::playAtPath("tick.wav"));
    EXPECT_TRUE(AudioFX::playAtPath("tick.wav"));
    EXPECT_EQ(AudioOutput::soundCount(), 2);
    runUntil(11.0);
    // Both effects, and their sounds, are gone (the leak checker would see
    // them otherwise).
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    EXPECT_EQ(trace.count("disposed tick.wav"), 2);
}

TEST_F(AudioFXTest, OneShotOfABadFileLeavesNothing) {
    audiotest::StdoutCapture out;
    EXPECT_FALSE(AudioFX::playAtPath("broken.wav"));
    EXPECT_EQ(out.text(),
              failureLines(bundle.path() + "/broken.wav", host::kAudioFileInvalidFileError));
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    EXPECT_EQ(loop.nextDueTime(), NSRunLoop::kNever);
}

}  // namespace
