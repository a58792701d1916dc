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

// The cue steps over a bundle of test sounds, on the silent output.
class SoundCueTest : public testsupport::VirtualLoopTest {
  protected:
    void SetUp() override {
        VirtualLoopTest::SetUp();
        testsupport::StdoutCapture quiet;
        AudioOutput::openSilent("test");
        saved = host::NSBundle::mainBundle().resourcePath();
        host::NSBundle::mainBundle().setResourcePath(bundle.path());
    }
    void TearDown() override {
        host::NSBundle::mainBundle().setResourcePath(saved);
        AudioOutput::close();
        VirtualLoopTest::TearDown();
    }
    testsupport::TempDir bundle;
    std::string saved;
};

TEST_F(SoundCueTest, EachCueReleasesItsPreviousEffectThenPlaysItsFileOrStaysSilent) {
    for (const char* name : {"Cow_0.wav", "Cow_2.wav", "boing_1.wav"})
        bundle.write(name, audiotest::toneWav(0.5));
    bundle.write("Cow_1.wav", "RIFF");
    testsupport::TraceCapture trace;
    testsupport::StdoutCapture out;
    SoundCue boing = SoundCue::boing(), moo = SoundCue::moo();
    EXPECT_EQ(moo.currentEffect(), nullptr);
    moo.give(0);
    EXPECT_NE(moo.currentEffect(), nullptr);
    boing.give(715827883);
    AudioFX* boingEffect = boing.currentEffect();
    moo.give(1073741823);
    EXPECT_NE(moo.currentEffect(), nullptr);
    EXPECT_EQ(AudioOutput::soundCount(), 2);
    // A silent draw, and a file that will not load, let go of the last moo.
    moo.give(1073741824);
    EXPECT_EQ(moo.currentEffect(), nullptr);
    moo.give(2);
    moo.give(357913942);
    const std::string printed = out.text();
    EXPECT_EQ(moo.currentEffect(), nullptr);
    EXPECT_EQ(boing.currentEffect(), boingEffect) << "the cues never touch each other's effect";
    EXPECT_EQ(AudioOutput::soundCount(), 1);
    EXPECT_EQ(trace.events("sound"),
              (strings{"played Cow_0.wav", "played boing_1.wav", "stopped Cow_0.wav",
                       "disposed Cow_0.wav", "played Cow_2.wav", "stopped Cow_2.wav",
                       "disposed Cow_2.wav", "played Cow_0.wav", "stopped Cow_0.wav",
                       "disposed Cow_0.wav",
                       "cannot load " + bundle.file("Cow_1.wav") + ": not a WAV file"}));
    EXPECT_EQ(out.text(),
              "AudioServicesCreateSystemSoundID() called from -[AudioFX initWithPath:] "
              "returned error " +
                  std::to_string(host::kAudioFileUnsupportedFileTypeError) +
                  "\n-[AudioFX initWithPath:]: Failed opening sound file at path \"" +
                  bundle.file("Cow_1.wav") + "\"\n");
}

}  // namespace
