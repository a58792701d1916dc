#pragma once

#include <cstdint>

namespace host {

// The GNU C library's random() and rand(): its default additive feedback
// generator (degree 31, separation 3) with its seeding, draw for draw. The
// web build's C library (musl) has another generator; with this one in its
// place a show seeded the same way plays the same there as natively.
class GlibcRandom {
  public:
    GlibcRandom() { seed(1); }
    // srandom(): 0 seeds as 1 does.
    void seed(unsigned seed);
    // random(): 0 .. 2^31 - 1.
    std::int32_t next();

  private:
    static constexpr int kDegree = 31, kSeparation = 3;
    std::int32_t state_[kDegree];
    int front_ = kSeparation, rear_ = 0;
};

}  // namespace host
