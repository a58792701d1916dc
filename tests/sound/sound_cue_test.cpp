#include <gtest/gtest.h>

#include "host/audio/audio_output.h"
#include "host/foundation/bundle.h"
#include "sound/SoundCue.h"
#include "tests/audio/audio_test_support.h"
#include "tests/support/host_support.h"

using host::AudioOutput;
using strings = std::vector<std::string>;

namespace {

TEST(SoundCueMappingTest, DrawsMapToFilesAtTheExactBoundariesAndTheUpperMooHalfIsSilent) {
    const SoundCue boing = SoundCue::boing(), moo = SoundCue::moo();
    const struct {
        const SoundCue& cue;
        int r;
        std::optional<std::string> file;
    } table[] = {
        {boing, 0, "boing_0.wav"},
        {boing, 715827882, "boing_0.wav"},
        {boing, 715827883, "boing_1.wav"},
        {boing, 1431655765, "boing_1.wav"},
        {boing, 1431655766, "boing_2.wav"},
        {boing, 2147483647, "boing_2.wav"},
        {moo, 0, "Cow_0.wav"},
        {moo, 357913941, "Cow_0.wav"},
        {moo, 357913942, "Cow_1.wav"},
        {moo, 715827882, "Cow_1.wav"},
        {moo, 715827883, "Cow_2.wav"},
        {moo, 1073741823, "Cow_2.wav"},
        {moo, 1073741824, std::nullopt},
        {moo, 1431655765, std::nullopt},
        {moo, 1789569706, std::nullopt},
        {moo, 2147483647, std::nullopt},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(row.r);
        EXPECT_EQ(row.cue.fileForDraw(row.r), row.file);
    }
}

// The cue steps over the shipped resources, on the silent output.
class SoundCueTest : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        testsupport::StdoutCapture quiet;
        AudioOutput::openSilent("test");
    }
    void TearDown() override {
        AudioOutput::close();
        VirtualLoopTest::TearDown();
    }
};

TEST_F(SoundCueTest, EachCueReleasesItsPreviousEffectPlaysItsFileAndLeavesTheOtherCueAlone) {
    testsupport::TraceCapture trace;
    SoundCue boing = SoundCue::boing(), moo = SoundCue::moo();
    EXPECT_EQ(moo.currentEffect(), nullptr);
    moo.give(0);
    ASSERT_NE(moo.currentEffect(), nullptr);
    boing.give(715827883);
    AudioFX* boingEffect = boing.currentEffect();
    moo.give(1073741823);
    ASSERT_NE(moo.currentEffect(), nullptr);
    EXPECT_EQ(boing.currentEffect(), boingEffect);
    EXPECT_EQ(AudioOutput::soundCount(), 2);
    // A silent draw lets go of the last moo and stops it.
    moo.give(1073741824);
    EXPECT_EQ(moo.currentEffect(), nullptr);
    EXPECT_EQ(boing.currentEffect(), boingEffect);
    EXPECT_EQ(trace.events("sound"),
              (strings{"played Cow_0.wav", "played boing_1.wav", "stopped Cow_0.wav",
                       "disposed Cow_0.wav", "played Cow_2.wav", "stopped Cow_2.wav",
                       "disposed Cow_2.wav"}));
}

TEST_F(SoundCueTest, AFileThatWillNotLoadLeavesTheCueSilentEachTime) {
    testsupport::TempDir bundle;
    const std::string saved = host::NSBundle::mainBundle().resourcePath();
    host::NSBundle::mainBundle().setResourcePath(bundle.path());
    bundle.write("Cow_0.wav", "RIFF");
    bundle.write("Cow_1.wav", audiotest::toneWav(0.1));
    SoundCue moo = SoundCue::moo();
    moo.give(357913942);
    EXPECT_NE(moo.currentEffect(), nullptr);
    testsupport::StdoutCapture out;
    moo.give(0);
    EXPECT_EQ(moo.currentEffect(), nullptr);
    moo.give(1);
    EXPECT_EQ(moo.currentEffect(), nullptr);
    const std::string lines =
        "AudioServicesCreateSystemSoundID() called from -[AudioFX initWithPath:] returned error " +
        std::to_string(host::kAudioFileUnsupportedFileTypeError) +
        "\n-[AudioFX initWithPath:]: Failed opening sound file at path \"" +
        bundle.file("Cow_0.wav") + "\"\n";
    EXPECT_EQ(out.text(), lines + lines);
    EXPECT_EQ(AudioOutput::soundCount(), 0);
    host::NSBundle::mainBundle().setResourcePath(saved);
}

TEST_F(SoundCueTest, EveryShippedSoundLoadsAndEndsWithinTwoSeconds) {
    struct Count : AudioFXDelegate {
        int n = 0;
        void audioFXDidComplete(AudioFX*) override { ++n; }
    } done;
    SoundCue boing = SoundCue::boing(), moo = SoundCue::moo();
    const int draws[][2] = {{0, 0}, {715827883, 357913942}, {1431655766, 715827883}};
    for (const auto& [b, m] : draws) {
        SCOPED_TRACE(b);
        boing.give(b);
        moo.give(m);
        ASSERT_TRUE(boing.currentEffect() && moo.currentEffect());
        boing.currentEffect()->setDelegate(&done);
        moo.currentEffect()->setDelegate(&done);
        done.n = 0;
        runUntil(now() + 2.0);
        EXPECT_EQ(done.n, 2);
    }
}

}  // namespace
