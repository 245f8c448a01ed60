#include "map/GreyRow.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

void Plain(const uint16_t* greys, const GreyTaps& t, size_t from, uint16_t* out) {
    const size_t n = t.start.size(), taps = static_cast<size_t>(t.taps);
    for (size_t i = from; i < n; ++i) {
        const uint16_t* g = greys + t.start[i];
        const int16_t* w = t.share.data() + i * taps;
        uint32_t sum = 0;
        for (size_t k = 0; k < taps; ++k)
            sum += static_cast<uint32_t>(w[k]) * static_cast<uint32_t>(g[k]);
        out[i] = static_cast<uint16_t>((sum + 128) >> 8);
    }
}

#if defined(__SSE2__)

// Greys (at most 255) times shares (at most 256) fit the signed 16-bit
// lanes of a multiply-add, and their sums its 32-bit ones.
inline __m128i Taps4(const uint16_t* g) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(g));
}

inline __m128i Rounded(__m128i sums) {
    return _mm_srli_epi32(_mm_add_epi32(sums, _mm_set1_epi32(128)), 8);
}

inline void Store4(uint16_t* out, __m128i sums) {
    // Whole greys: the signed pack keeps them.
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packs_epi32(sums, sums));
}

size_t Four(const uint16_t* greys, const GreyTaps& t, uint16_t* out) {
    const size_t n = t.start.size();
    const int32_t* s = t.start.data();
    const int16_t* w = t.share.data();
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i a = _mm_unpacklo_epi64(Taps4(greys + s[i]), Taps4(greys + s[i + 1]));
        const __m128i b = _mm_unpacklo_epi64(Taps4(greys + s[i + 2]), Taps4(greys + s[i + 3]));
        const __m128 pa = _mm_castsi128_ps(
            _mm_madd_epi16(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 4 * i))));
        const __m128 pb = _mm_castsi128_ps(
            _mm_madd_epi16(b, _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 4 * i + 8))));
        // Pixel i's two halves sit side by side in pa: add the even to the odd.
        const __m128i sums =
            _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(pa, pb, _MM_SHUFFLE(2, 0, 2, 0))),
                          _mm_castps_si128(_mm_shuffle_ps(pa, pb, _MM_SHUFFLE(3, 1, 3, 1))));
        Store4(out + i, Rounded(sums));
    }
    return i;
}

size_t Eight(const uint16_t* greys, const GreyTaps& t, uint16_t* out) {
    const size_t n = t.start.size();
    const int32_t* s = t.start.data();
    const int16_t* w = t.share.data();
    const auto one = [&](size_t i) {
        return _mm_madd_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(greys + s[i])),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + 8 * i)));
    };
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i p0 = one(i), p1 = one(i + 1), p2 = one(i + 2), p3 = one(i + 3);
        const __m128i q01 = _mm_add_epi32(_mm_unpacklo_epi32(p0, p1), _mm_unpackhi_epi32(p0, p1));
        const __m128i q23 = _mm_add_epi32(_mm_unpacklo_epi32(p2, p3), _mm_unpackhi_epi32(p2, p3));
        const __m128i sums =
            _mm_add_epi32(_mm_unpacklo_epi64(q01, q23), _mm_unpackhi_epi64(q01, q23));
        Store4(out + i, Rounded(sums));
    }
    return i;
}

#endif

}  // namespace

void AverageGreyRow(const uint16_t* greys, const GreyTaps& taps, uint16_t* out) {
    size_t done = 0;
#if defined(__SSE2__)
    if (taps.taps == 4)
        done = Four(greys, taps, out);
    else if (taps.taps == 8)
        done = Eight(greys, taps, out);
#endif
    Plain(greys, taps, done, out);
}
