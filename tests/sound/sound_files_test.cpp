#include <gtest/gtest.h>

#include "tests/support/host_support.h"
#include "tools/soundgen/soundgen.h"

namespace {

TEST(SoundFilesTest, GeneratorReproducesTheCommittedShortLoud16BitSoundsByteForByte) {
    auto files = soundgen::allSounds();
    ASSERT_EQ(files.size(), 6u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const auto& b = file.bytes;
        const std::string committed =
            testsupport::readFile(std::string(PADDOCK_SOURCE_DIR) + "/resources/" + file.name);
        EXPECT_TRUE(committed == std::string(b.begin(), b.end()))
            << "rerun soundgen and commit resources/";
        ASSERT_GE(b.size(), 44u);
        EXPECT_EQ(b[20] | b[21] << 8, 1) << "PCM";
        EXPECT_EQ(b[34] | b[35] << 8, 16) << "bits";
        const double seconds = double(b.size() - 44) / (b[28] | b[29] << 8 | b[30] << 16);
        EXPECT_GT(seconds, 0.3);
        EXPECT_LT(seconds, 2.0);
        // Loud enough to hear, never clipped, silent at both ends (no clicks).
        int loudest = 0;
        for (std::size_t i = 44; i + 1 < b.size(); i += 2)
            loudest = std::max(loudest, std::abs(int(std::int16_t(b[i] | b[i + 1] << 8))));
        EXPECT_GT(loudest, 16000);
        EXPECT_LT(loudest, 32767);
        EXPECT_EQ(b[44] | b[45] << 8, 0);
        EXPECT_EQ(b[b.size() - 2] | b[b.size() - 1] << 8, 0);
    }
}

// The fundamental of a stretch of sound, by autocorrelation over 65-500 Hz:
// the shortest lag that correlates nearly as well as the best one.
double pitchOf(const std::vector<float>& s, double fromSeconds, double seconds) {
    const std::size_t from = std::size_t(fromSeconds * soundgen::kSampleRate);
    const std::size_t n = std::size_t(seconds * soundgen::kSampleRate);
    const int minLag = soundgen::kSampleRate / 500, maxLag = soundgen::kSampleRate / 65;
    std::vector<double> r(maxLag + 1);
    double best = 0;
    for (int lag = minLag; lag <= maxLag; ++lag) {
        for (std::size_t i = from; i < from + n; ++i) r[lag] += double(s[i]) * s[i + lag];
        best = std::max(best, r[lag]);
    }
    for (int lag = minLag + 1; lag < maxLag; ++lag)
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1])
            return double(soundgen::kSampleRate) / lag;
    return 0;
}

TEST(SoundFilesTest, BoingsRiseInPitchAndShortenAndMoosAreLowSaggingTonesOfThreeLengths) {
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        auto s = soundgen::boing(i);
        EXPECT_GT(pitchOf(s, 0.15, 0.2), 120);
        if (i > 0) {
            EXPECT_GT(pitchOf(s, 0.15, 0.2), pitchOf(soundgen::boing(i - 1), 0.15, 0.2) * 1.2);
            EXPECT_LT(s.size(), soundgen::boing(i - 1).size());
            EXPECT_NE(soundgen::moo(i).size(), soundgen::moo(i - 1).size());
        }
        auto m = soundgen::moo(i);
        double early = pitchOf(m, 0.25, 0.15), late = pitchOf(m, m.size() / 22050.0 - 0.4, 0.15);
        EXPECT_GT(early, 70);
        EXPECT_LT(early, 200);
        EXPECT_LT(late, early) << "the moo sags towards its end";
    }
}

}  // namespace
