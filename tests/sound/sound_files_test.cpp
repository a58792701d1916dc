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

}  // namespace
