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
// two neighbours are the floor of that and the next, weighted 1:3 or 3:1.
// pixman weighs them 32:96 or 96:32 in 128ths and cuts the sum of both
// directions' products, 255 * 128 * 128 at most, by 14 bits; every weight
// being 32 times ours, the same pixel is (sum of our products) >> 4, and
// each sum fits 16 bits.
struct Tap {
    int first;     // the upper or left neighbour, not yet clamped
    bool nearLow;  // 3:1 towards `first`, else 1:3
};
Tap tap(int t) {
    // floor((t - 1/2) / 2) and which quarter: t even gives k - 1/4, odd k + 1/4.
    const int k = t >= 0 ? t / 2 : -((1 - t) / 2);
    return (t & 1) ? Tap{k, true} : Tap{k - 1, false};
}

int clampTo(int i, int n) { return std::clamp(i, 0, n - 1); }

// 5-6-5 widened as pixman widens it, by repeating each channel's top bits.
inline uint16_t blue8(uint16_t p) { return uint16_t((p & 31) << 3 | (p & 31) >> 2); }
inline uint16_t green8(uint16_t p) { return uint16_t((p >> 5 & 63) << 2 | (p >> 5 & 63) >> 4); }
inline uint16_t red8(uint16_t p) { return uint16_t((p >> 11) << 3 | (p >> 11) >> 2); }

// Two source rows widened and blended 3:1 towards `heavy`: four lanes a
// pixel (blue, green, red, 0), each at most 1020.
void blendRows(const uint16_t* heavy, const uint16_t* light, int width, uint16_t* out) {
    int x = 0;
#if defined(__SSE2__)
    const __m128i five = _mm_set1_epi16(31), six = _mm_set1_epi16(63), zero = _mm_setzero_si128();
    const auto widen = [&](__m128i p, __m128i& b, __m128i& g, __m128i& r) {
        b = _mm_and_si128(p, five);
        b = _mm_or_si128(_mm_slli_epi16(b, 3), _mm_srli_epi16(b, 2));
        g = _mm_and_si128(_mm_srli_epi16(p, 5), six);
        g = _mm_or_si128(_mm_slli_epi16(g, 2), _mm_srli_epi16(g, 4));
        r = _mm_srli_epi16(p, 11);
        r = _mm_or_si128(_mm_slli_epi16(r, 3), _mm_srli_epi16(r, 2));
    };
    const auto blend = [](__m128i h, __m128i l) {
        return _mm_add_epi16(_mm_add_epi16(h, _mm_slli_epi16(h, 1)), l);
    };
    for (; x + 8 <= width; x += 8) {
        __m128i hb, hg, hr, lb, lg, lr;
        widen(_mm_loadu_si128(reinterpret_cast<const __m128i*>(heavy + x)), hb, hg, hr);
        widen(_mm_loadu_si128(reinterpret_cast<const __m128i*>(light + x)), lb, lg, lr);
        const __m128i b = blend(hb, lb), g = blend(hg, lg), r = blend(hr, lr);
        const __m128i bgLow = _mm_unpacklo_epi16(b, g), bgHigh = _mm_unpackhi_epi16(b, g);
        const __m128i r0Low = _mm_unpacklo_epi16(r, zero), r0High = _mm_unpackhi_epi16(r, zero);
        auto* to = reinterpret_cast<__m128i*>(out + x * 4);
        _mm_storeu_si128(to + 0, _mm_unpacklo_epi32(bgLow, r0Low));
        _mm_storeu_si128(to + 1, _mm_unpackhi_epi32(bgLow, r0Low));
        _mm_storeu_si128(to + 2, _mm_unpacklo_epi32(bgHigh, r0High));
        _mm_storeu_si128(to + 3, _mm_unpackhi_epi32(bgHigh, r0High));
    }
#endif
    for (; x < width; ++x) {
        const uint16_t h = heavy[x], l = light[x];
        out[x * 4 + 0] = uint16_t(3 * blue8(h) + blue8(l));
        out[x * 4 + 1] = uint16_t(3 * green8(h) + green8(l));
        out[x * 4 + 2] = uint16_t(3 * red8(h) + red8(l));
        out[x * 4 + 3] = 0;
    }
}

// One target pixel from the blended row (with one repeated pixel each side).
uint32_t blendColumns(const uint16_t* middle, Tap h, int w) {
    // Beyond the repeated pixels every neighbour is an edge pixel.
    const uint16_t* a = middle + std::clamp(h.first, -1, w) * 4;
    const uint16_t* b = middle + std::clamp(h.first + 1, -1, w) * 4;
    const uint32_t wa = h.nearLow ? 3 : 1, wb = 4 - wa;
    uint32_t pixel = 0xff000000u;
    for (int c = 0; c < 3; ++c) pixel |= ((a[c] * wa + b[c] * wb) >> 4) << (8 * c);
    return pixel;
}

// Target columns from `x` (an even distance from the origin) up to `to`, two
// source pixels (four target pixels) at a time: source pixel k gives target
// pixels 2k (k-1 and k weighted 1:3) and 2k+1 (k and k+1, 3:1). Returns the
// first column not done.
int blendPairs(const uint16_t* middle, uint32_t* out, int originX, int x, int to) {
#if defined(__SSE2__)
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xff000000u));
    for (; x + 4 <= to; x += 4) {
        const int k = (x - originX) / 2;
        const auto at = [&](int i) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(middle + i * 4));
        };
        const __m128i before = at(k - 1), here = at(k), after = at(k + 1);
        const __m128i thrice = _mm_add_epi16(here, _mm_slli_epi16(here, 1));
        const __m128i even = _mm_srli_epi16(_mm_add_epi16(before, thrice), 4);
        const __m128i odd = _mm_srli_epi16(_mm_add_epi16(thrice, after), 4);
        const __m128i four =
            _mm_packus_epi16(_mm_unpacklo_epi64(even, odd), _mm_unpackhi_epi64(even, odd));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_or_si128(four, opaque));
    }
#endif
    for (; x + 2 <= to; x += 2) {
        const int k = (x - originX) / 2;
        out[x] = blendColumns(middle, {k - 1, false}, 0x7fffffff);
        out[x + 1] = blendColumns(middle, {k, true}, 0x7fffffff);
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
            return reinterpret_cast<const uint16_t*>(
                source.data + static_cast<size_t>(clampTo(i, source.height)) *
                                  static_cast<size_t>(source.stride));
        };
        const uint16_t* upper = rowOf(v.first);
        const uint16_t* lower = rowOf(v.first + 1);
        blendRows(v.nearLow ? upper : lower, v.nearLow ? lower : upper, w, middle);
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
