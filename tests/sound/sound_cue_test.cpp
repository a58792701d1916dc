#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "host/audio/audio_output.h"
#include "host/foundation/bundle.h"
#include "host/foundation/run_loop.h"
#include "sound/SoundCue.h"
#include "tests/audio/audio_test_support.h"

using host::AudioOutput;
using host::NSBundle;
using host::NSRunLoop;

namespace {

TEST(SoundCueMappingTest, BoingDrawsSplitIntoThirdsAtTheExactBoundaries) {
    SoundCue boing = SoundCue::boing();
    const std::pair<int, const char*> table[] = {
        {0, "boing_0.wav"},          {715827882, "boing_0.wav"},  {715827883, "boing_1.wav"},
        {1431655765, "boing_1.wav"}, {1431655766, "boing_2.wav"}, {2147483647, "boing_2.wav"},
    };
    for (auto [r, file] : table) {
        SCOPED_TRACE(r);
        EXPECT_EQ(boing.fileForDraw(r), std::optional<std::string>(file));
    }
}

TEST(SoundCueMappingTest, MooDrawsSplitIntoSixthsAndTheUpperHalfIsSilent) {
    SoundCue moo = SoundCue::moo();
    const std::pair<int, const char*> table[] = {
        {0, "Cow_0.wav"},         {357913941, "Cow_0.wav"}, {357913942, "Cow_1.wav"},
        {715827882, "Cow_1.wav"}, {715827883, "Cow_2.wav"}, {1073741823, "Cow_2.wav"},
    };
    for (auto [r, file] : table) {
        SCOPED_TRACE(r);
        EXPECT_EQ(moo.fileForDraw(r), std::optional<std::string>(file));
    }
    for (int r : {1073741824, 1431655765, 1789569706, 2147483647}) {
        SCOPED_TRACE(r);
        EXPECT_EQ(moo.fileForDraw(r), std::nullopt);
    }
    EXPECT_EQ(SoundCue::fileNumber(1073741824, SoundCue::kMooDivisor), 3);
    EXPECT_EQ(SoundCue::fileNumber(INT_MAX, SoundCue::kMooDivisor), 5);
}

TEST(SoundCueMappingTest, DivisorsAreTheNearestDoublesToTheirFractions) {
    EXPECT_EQ(SoundCue::kBoingDivisor, 715827882.6666666);
    EXPECT_EQ(SoundCue::kMooDivisor, 357913941.3333333);
}

TEST(SoundCueMappingTest, SeededDrawsGiveEachFileItsShare) {
    // 60000 draws of glibc's rand() with a fixed seed; each share is within
    // 2 % of its expectation (over 10 standard deviations).
    std::srand(12345);
    SoundCue boing = SoundCue::boing(), moo = SoundCue::moo();
    std::map<std::string, int> boings, moos;
    const int draws = 60000;
    for (int i = 0; i < draws; ++i) {
        boings[*boing.fileForDraw(std::rand())]++;
        moos[moo.fileForDraw(std::rand()).value_or("silence")]++;
    }
    for (auto& [file, n] : boings) EXPECT_NEAR(n, draws / 3, draws / 50) << file;
    EXPECT_EQ(boings.size(), 3u);
    EXPECT_NEAR(moos["silence"], draws / 2, draws / 50);
    for (const char* file : {"Cow_0.wav", "Cow_1.wav", "Cow_2.wav"})
        EXPECT_NEAR(moos[file], draws / 6, draws / 50) << file;
}

// The cue steps over the real resources, on the silent output.
class SoundCueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NSRunLoop::mainRunLoop().reset();
        NSRunLoop::mainRunLoop().setClock(&clock);
        audiotest::StdoutCapture quiet;
        AudioOutput::openSilent("test");
    }
    void TearDown() override {
        AudioOutput::close();
        NSRunLoop::mainRunLoop().reset();
        NSRunLoop::mainRunLoop().setClock(nullptr);
    }
    host::VirtualClock clock{0.0};
};

TEST_F(SoundCueTest, FirstCueLoadsAndPlaysItsFile) {
    audiotest::SoundTrace trace;
    SoundCue boing = SoundCue::boing();
    EXPECT_EQ(boing.currentEffect(), nullptr);
    boing.give(715827883);
    EXPECT_NE(boing.currentEffect(), nullptr);
    EXPECT_EQ(trace.lines(), std::vector<std::string>{"played boing_1.wav"});
}

TEST_F(SoundCueTest, EachCueReleasesItsPreviousEffectFirst) {
    audiotest::SoundTrace trace;
    SoundCue moo = SoundCue::moo();
    moo.give(0);
    AudioFX* first = moo.currentEffect();
    ASSERT_NE(first, nullptr);
    moo.give(1073741823);
    ASSERT_NE(moo.currentEffect(), nullptr);
    EXPECT_EQ(AudioOutput::soundCount(), 1);
    // A silent draw lets go of the last moo and stops it.
    moo.give(1073741824);
    EXPECT_EQ(moo.currentEffect(), nullptr);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"played Cow_0.wav", "stopped Cow_0.wav",
                                                       "disposed Cow_0.wav", "played Cow_2.wav",
                                                       "stopped Cow_2.wav", "disposed Cow_2.wav"}));
}

TEST_F(SoundCueTest, TheTwoCuesNeverTouchEachOthersEffect) {
    SoundCue boing = SoundCue::boing(), moo = SoundCue::moo();
    moo.give(500000000);
    AudioFX* mooEffect = moo.currentEffect();
    boing.give(0);
    boing.give(2147483647);
    EXPECT_EQ(moo.currentEffect(), mooEffect);
    AudioFX* boingEffect = boing.currentEffect();
    moo.give(2000000000);
    EXPECT_EQ(boing.currentEffect(), boingEffect);
    EXPECT_EQ(AudioOutput::soundCount(), 1);
}

TEST_F(SoundCueTest, AFileThatWillNotLoadLeavesTheCueSilentEachTime) {
    audiotest::TempDir bundle;
    std::string saved = NSBundle::mainBundle().resourcePath();
    NSBundle::mainBundle().setResourcePath(bundle.path());
    bundle.write("Cow_0.wav", {'R', 'I', 'F', 'F'});
    bundle.write("Cow_1.wav", audiotest::toneWav(0.1));
    SoundCue moo = SoundCue::moo();
    moo.give(357913942);
    ASSERT_NE(moo.currentEffect(), nullptr);
    const std::string lines =
        "AudioServicesCreateSystemSoundID() called from -[AudioFX initWithPath:] returned error " +
        std::to_string(host::kAudioFileUnsupportedFileTypeError) +
        "\n-[AudioFX initWithPath:]: Failed opening sound file at path \"" + bundle.path() +
        "/Cow_0.wav\"\n";
    audiotest::StdoutCapture out;
    moo.give(0);
    EXPECT_EQ(moo.currentEffect(), nullptr);
    moo.give(1);
    EXPECT_EQ(moo.currentEffect(), nullptr);
    EXPECT_EQ(out.text(), lines + lines);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    NSBundle::mainBundle().setResourcePath(saved);
}

TEST_F(SoundCueTest, EveryShippedSoundLoadsAndLastsUnderTwoSeconds) {
    SoundCue boing = SoundCue::boing(), moo = SoundCue::moo();
    const int boingDraws[] = {0, 715827883, 1431655766};
    const int mooDraws[] = {0, 357913942, 715827883};
    for (int i = 0; i < 3; ++i) {
        boing.give(boingDraws[i]);
        moo.give(mooDraws[i]);
        ASSERT_NE(boing.currentEffect(), nullptr) << i;
        ASSERT_NE(moo.currentEffect(), nullptr) << i;
        // Both finish (and so are shorter than 2 s) on the virtual clock.
        int done = 0;
        struct Count : AudioFXDelegate {
            int* n;
            explicit Count(int* counter) : n(counter) {}
            void audioFXDidComplete(AudioFX*) override { ++*n; }
        } counter(&done);
        boing.currentEffect()->setDelegate(&counter);
        moo.currentEffect()->setDelegate(&counter);
        const double start = clock.now();
        auto& loop = NSRunLoop::mainRunLoop();
        while (loop.nextDueTime() <= start + 2.0) {
            clock.advanceTo(loop.nextDueTime());
            loop.runDue();
        }
        EXPECT_EQ(done, 2) << i;
    }
}

}  // namespace
