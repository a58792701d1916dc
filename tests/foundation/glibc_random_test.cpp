#include "host/foundation/glibc_random.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The tests run against the real GNU C library: its random() and rand() are the reference.
TEST(GlibcRandom, DrawsWhatTheCLibraryDrawsForEachSeed) {
    const unsigned seeds[] = {0u,          1u,          2u,          42u,        1234567u,
                              2147483647u, 2147483648u, 4294967295u, 1765000000u};
    for (unsigned seed : seeds) {
        SCOPED_TRACE(seed);
        host::GlibcRandom ours;
        ours.seed(seed);
        srandom(seed);
        int firstDifferent = -1;
        for (int i = 0; i < 5000 && firstDifferent < 0; ++i)
            if (ours.next() != random()) firstDifferent = i;
        EXPECT_EQ(firstDifferent, -1);
        // rand() and srand() share the generator: the same sequence.
        ours.seed(seed);
        srand(seed);
        for (int i = 0; i < 100; ++i) ASSERT_EQ(ours.next(), rand()) << "draw " << i;
    }
}

}  // namespace
