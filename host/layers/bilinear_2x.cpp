#include "host/layers/bilinear_2x.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace host {

namespace {

// Target pixel t samples the source at t / 2 - 1/4 (pixel centres), so its
// two neighbours are floor of that and the next, weighted 96:32 or 32:96 in
// 128ths. Computed as pixman does, in 16.16 fixed point with 7-bit weights.
struct Tap {
    int first;   // the upper or left neighbour, not yet clamped
    int weight;  // of the second neighbour, in 128ths
};
Tap tap(int t) {
    const long long fixed = static_cast<long long>(t) * 32768 - 16384;
    return {static_cast<int>(fixed >> 16), static_cast<int>((fixed >> 9) & 127)};
}

int clampTo(int i, int n) { return std::clamp(i, 0, n - 1); }

// Each byte of two source rows blended vertically: 0 to 255 * 128.
void blendRows(const uint8_t* upper, const uint8_t* lower, int weight, int bytes, uint16_t* out) {
    const int keep = 128 - weight;
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i keeps = _mm_set1_epi16(static_cast<short>(keep));
    const __m128i weights = _mm_set1_epi16(static_cast<short>(weight));
    for (; i + 16 <= bytes; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + i));
        const auto blend = [&](__m128i (*half)(__m128i, __m128i)) {
            return _mm_add_epi16(_mm_mullo_epi16(half(a, zero), keeps),
                                 _mm_mullo_epi16(half(b, zero), weights));
        };
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), blend(_mm_unpacklo_epi8));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), blend(_mm_unpackhi_epi8));
    }
#endif
    for (; i < bytes; ++i) out[i] = static_cast<uint16_t>(upper[i] * keep + lower[i] * weight);
}

// One target pixel from the blended row: its two neighbours weighted.
uint32_t blendColumns(const uint16_t* middle, Tap h, int w) {
    // Beyond the repeated pixels every neighbour is an edge pixel.
    const uint16_t* a = middle + std::clamp(h.first, -1, w) * 4;
    const uint16_t* b = middle + std::clamp(h.first + 1, -1, w) * 4;
    const auto keep = static_cast<uint32_t>(128 - h.weight),
               weight = static_cast<uint32_t>(h.weight);
    uint32_t pixel = 0xff000000u;
    for (int c = 0; c < 3; ++c) pixel |= ((a[c] * keep + b[c] * weight) >> 14) << (8 * c);
    return pixel;
}

// Target columns from `x` (an even distance from the origin) up to `to`, two
// source pixels (four target pixels) at a time: source pixel k gives target
// pixels 2k (k-1 and k weighted 32:96) and 2k+1 (k and k+1, 96:32). Returns
// the first column not done.
int blendPairs(const uint16_t* middle, uint32_t* out, int originX, int x, int to) {
#if defined(__SSE2__)
    const __m128i early = _mm_setr_epi16(32, 96, 32, 96, 32, 96, 32, 96);
    const __m128i late = _mm_setr_epi16(96, 32, 96, 32, 96, 32, 96, 32);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (; x + 4 <= to; x += 4) {
        const int k = (x - originX) / 2;
        const auto at = [&](int i) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(middle + i * 4));
        };
        const __m128i before = at(k - 1), here = at(k), after = at(k + 1);
        // Channels fit a signed 16-bit lane (at most 255 * 128), so one
        // multiply-add gives each 32-bit sum.
        const auto sum = [](__m128i pairs, __m128i weights) {
            return _mm_srli_epi32(_mm_madd_epi16(pairs, weights), 14);
        };
        const __m128i p0 = sum(_mm_unpacklo_epi16(before, here), early);
        const __m128i p1 = sum(_mm_unpacklo_epi16(here, after), late);
        const __m128i p2 = sum(_mm_unpackhi_epi16(before, here), early);
        const __m128i p3 = sum(_mm_unpackhi_epi16(here, after), late);
        const __m128i four = _mm_packus_epi16(_mm_packs_epi32(p0, p1), _mm_packs_epi32(p2, p3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(four, opaque));
    }
#endif
    for (; x + 2 <= to; x += 2) {
        const int k = (x - originX) / 2;
        out[x] = blendColumns(middle, {k - 1, 96}, 0x7fffffff);
        out[x + 1] = blendColumns(middle, {k, 32}, 0x7fffffff);
    }
    return x;
}

}  // namespace

void drawBilinear2x(const PixelRows& source, uint8_t* target, int targetStride, int originX,
                    int originY, int x0, int y0, int x1, int y1) {
    if (x0 >= x1 || y0 >= y1 || source.width <= 0 || source.height <= 0) return;
    const int w = source.width;
    // The vertically blended row, with one repeated pixel on each side so that
    // every target pixel over the source finds both neighbours without a test,
    // and a spare pixel for the vector loop's last load. Kept between frames:
    // no heap per frame.
    static thread_local std::vector<uint16_t> line;
    line.resize(static_cast<size_t>(w + 3) * 4);
    uint16_t* middle = line.data() + 4;

    // Target columns over the source, where pixels go in pairs.
    const int pairsFrom = std::max(x0, originX), pairsTo = std::min(x1, originX + 2 * w);
    for (int y = y0; y < y1; ++y) {
        const Tap v = tap(y - originY);
        const auto rowOf = [&](int i) {
            return source.data + static_cast<size_t>(clampTo(i, source.height)) *
                                     static_cast<size_t>(source.stride);
        };
        blendRows(rowOf(v.first), rowOf(v.first + 1), v.weight, w * 4, middle);
        std::memcpy(line.data(), middle, 4 * sizeof(uint16_t));
        std::memcpy(middle + w * 4, middle + (w - 1) * 4, 4 * sizeof(uint16_t));
        std::memcpy(middle + (w + 1) * 4, middle + (w - 1) * 4, 4 * sizeof(uint16_t));

        auto* out = reinterpret_cast<uint32_t*>(target + static_cast<size_t>(y) * targetStride);
        int x = x0;
        const auto one = [&](int at) { out[at] = blendColumns(middle, tap(at - originX), w); };
        // Left of the source, an unpaired first column, pairs, what is left.
        for (; x < x1 && (x < pairsFrom || ((x - originX) & 1)); ++x) one(x);
        x = blendPairs(middle, out, originX, x, pairsTo);
        for (; x < x1; ++x) one(x);
    }
}

}  // namespace host
