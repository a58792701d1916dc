#include <gtest/gtest.h>

#include "host/foundation/messages.h"
#include "sound/SoundCue.h"
#include "tests/audio/audio_test_support.h"

using host::AudioOutput;

namespace {

TEST(SoundCueMappingTest, DrawsMapToFilesAtTheExactBoundariesAndTheUpperMooHalfIsSilent) {
    const std::pair<int, int> boings[] = {{0, 0},          {715827882, 0},  {715827883, 1},
                                          {1431655765, 1}, {1431655766, 2}, {2147483647, 2}};
    for (auto [r, n] : boings)
        EXPECT_EQ(SoundCue::boing().fileForDraw(r), "boing_" + std::to_string(n) + ".wav") << r;
    const std::pair<int, int> moos[] = {
        {0, 0},          {357913941, 0},   {357913942, 1},   {715827882, 1},   {715827883, 2},
        {1073741823, 2}, {1073741824, -1}, {1431655765, -1}, {1789569706, -1}, {2147483647, -1}};
    for (auto [r, n] : moos)
        EXPECT_EQ(SoundCue::moo().fileForDraw(r),
                  n < 0 ? std::nullopt : std::optional("Cow_" + std::to_string(n) + ".wav"))
            << r;
}

// The cue steps over a bundle of test sounds.
using SoundCueTest = audiotest::SilentAudioTest;

TEST_F(SoundCueTest, EachCueReleasesItsPreviousEffectThenPlaysItsFileOrStaysSilent) {
    for (const char* name : {"Cow_0.wav", "Cow_2.wav", "boing_1.wav"})
        dir.write(name, audiotest::toneWav(0.5));
    dir.write("Cow_1.wav", "RIFF");
    testsupport::TraceCapture trace;
    testsupport::StdoutCapture out;
    const SoundCue boing = SoundCue::boing(), moo = SoundCue::moo();
    std::unique_ptr<AudioFX> lastBoing, lastMoo;
    // Each effect lives until the next cue of its kind (the trace shows when).
    moo.give(lastMoo, 0);
    boing.give(lastBoing, 715827883);
    AudioFX* boingEffect = lastBoing.get();
    moo.give(lastMoo, 1073741823);
    // A silent draw, and a file that will not load, let go of the last moo.
    moo.give(lastMoo, 1073741824);
    EXPECT_EQ(lastMoo, nullptr);
    moo.give(lastMoo, 2);
    moo.give(lastMoo, 357913942);
    const std::string printed = out.text();
    EXPECT_EQ(lastMoo, nullptr);
    EXPECT_EQ(lastBoing.get(), boingEffect) << "the cues never touch each other's effect";
    EXPECT_EQ(AudioOutput::soundCount(), 1);
    EXPECT_EQ(audiotest::joined(trace.events("cue")),
              "moo Cow_0.wav; boing boing_1.wav; moo Cow_2.wav; moo silent; moo Cow_0.wav; "
              "moo Cow_1.wav");
    EXPECT_EQ(audiotest::joined(trace.events("sound")),
              "played Cow_0.wav; played boing_1.wav; stopped Cow_0.wav; disposed Cow_0.wav; "
              "played Cow_2.wav; stopped Cow_2.wav; disposed Cow_2.wav; played Cow_0.wav; "
              "stopped Cow_0.wav; disposed Cow_0.wav; cannot load " +
                  dir.file("Cow_1.wav") + ": not a WAV file");
    EXPECT_EQ(printed, testsupport::message(toy::messages::kCreateSoundFailed,
                                            host::kAudioFileUnsupportedFileTypeError) +
                           testsupport::message(toy::messages::kOpenSoundFileFailed,
                                                dir.file("Cow_1.wav").c_str()));
}

}  // namespace
