#include "host/foundation/glibc_random.h"

namespace host {

void GlibcRandom::seed(unsigned seed) {
    if (seed == 0) seed = 1;
    // The seed's bits as a signed word, as the C library takes it.
    std::int32_t word = static_cast<std::int32_t>(seed);
    state_[0] = word;
    for (int i = 1; i < kDegree; ++i) {
        // state[i] = 16807 * state[i - 1] % (2^31 - 1), in 32-bit steps.
        const std::int64_t hi = word / 127773, lo = word % 127773;
        word = static_cast<std::int32_t>(16807 * lo - 2836 * hi);
        if (word < 0) word += 2147483647;
        state_[i] = word;
    }
    front_ = kSeparation;
    rear_ = 0;
    // The first ten rounds of the state are thrown away.
    for (int i = 0; i < kDegree * 10; ++i) next();
}

std::int32_t GlibcRandom::next() {
    // Additions wrap modulo 2^32; the low bit, the weakest, is dropped.
    const std::uint32_t sum =
        static_cast<std::uint32_t>(state_[front_]) + static_cast<std::uint32_t>(state_[rear_]);
    state_[front_] = static_cast<std::int32_t>(sum);
    front_ = (front_ + 1) % kDegree;
    rear_ = (rear_ + 1) % kDegree;
    return static_cast<std::int32_t>(sum >> 1);
}

}  // namespace host
