// The web build's rand(), srand(), random() and srandom(), in place of the C
// library's own: glibc's generator, one state shared by both pairs as glibc's
// is, so that a seeded show on the page draws what it draws natively.
#include <cstdlib>

#include "host/foundation/glibc_random.h"

namespace {
host::GlibcRandom& generator() {
    static host::GlibcRandom shared;
    return shared;
}
}  // namespace

extern "C" {
int rand(void) { return generator().next(); }
void srand(unsigned seed) { generator().seed(seed); }
long random(void) { return generator().next(); }
void srandom(unsigned seed) { generator().seed(seed); }
}
