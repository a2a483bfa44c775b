// Comparisons of eight consecutive keys at a time, for the quicksorts: a portable version, and on
// x86-64 one with SSE2 (every such processor) and one with AVX2 (chosen at run time). Bit k of a
// mask is set when the comparison holds for the k-th key; every version gives the same masks for
// the same keys, so the choice changes the speed only.
#ifndef VARNOKE_SORT_LANES_H
#define VARNOKE_SORT_LANES_H

#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__x86_64__)
#include <immintrin.h>
#define VARNOKE_SORT_SSE2 1
// Windows on x86-64 keeps its stack aligned to 16 bytes only, and GCC may spill 32-byte vectors
// there with aligned moves; the AVX2 version is left out of that build.
#if !defined(_WIN32)
#define VARNOKE_SORT_AVX2 1
#endif
#endif

namespace varnoke::sort_lanes {

// Keys compared with the same `<` as the plain procedure: signed integers, or IEEE doubles, where
// any comparison with a NaN is false.
struct Portable {
    template <typename Key>
    static unsigned less(const Key *a, const Key *b) {  // a[k] < b[k]
        unsigned m = 0;
        for (unsigned k = 0; k < 8; ++k) m |= static_cast<unsigned>(a[k] < b[k]) << k;
        return m;
    }
    template <typename Key>
    static unsigned below(const Key *a, Key v) {  // a[k] < v
        unsigned m = 0;
        for (unsigned k = 0; k < 8; ++k) m |= static_cast<unsigned>(a[k] < v) << k;
        return m;
    }
    template <typename Key>
    static unsigned above(const Key *a, Key v) {  // v < a[k]
        unsigned m = 0;
        for (unsigned k = 0; k < 8; ++k) m |= static_cast<unsigned>(v < a[k]) << k;
        return m;
    }
    // Whether the key, or each of the eight keys, has the bit pattern of `v`.
    template <typename Key>
    static bool same_one(const Key *a, Key v) {
        return bits(*a) == bits(v);
    }
    template <typename Key>
    static bool same(const Key *a, Key v) {
        auto differ = bits(a[0]) ^ bits(v);
        for (unsigned k = 1; k < 8; ++k) differ |= bits(a[k]) ^ bits(v);
        return differ == 0;
    }

private:
    template <typename Key>
    static auto bits(Key key) {
        std::conditional_t<sizeof(Key) == 8, uint64_t, uint32_t> b;
        std::memcpy(&b, &key, sizeof b);
        return b;
    }
};

#if defined(VARNOKE_SORT_SSE2)
struct Sse2 {
    static __m128i load(const int32_t *a) {
        return _mm_loadu_si128(reinterpret_cast<const __m128i *>(a));
    }
    static unsigned mask(__m128i lo, __m128i hi) {
        return static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(lo)) |
                                     (_mm_movemask_ps(_mm_castsi128_ps(hi)) << 4));
    }
    static unsigned mask(__m128d a, __m128d b, __m128d c, __m128d d) {
        return static_cast<unsigned>(_mm_movemask_pd(a) | (_mm_movemask_pd(b) << 2) |
                                     (_mm_movemask_pd(c) << 4) | (_mm_movemask_pd(d) << 6));
    }

    static unsigned less(const int32_t *a, const int32_t *b) {
        return mask(_mm_cmplt_epi32(load(a), load(b)), _mm_cmplt_epi32(load(a + 4), load(b + 4)));
    }
    static unsigned below(const int32_t *a, int32_t v) {
        const __m128i w = _mm_set1_epi32(v);
        return mask(_mm_cmplt_epi32(load(a), w), _mm_cmplt_epi32(load(a + 4), w));
    }
    static unsigned above(const int32_t *a, int32_t v) {
        const __m128i w = _mm_set1_epi32(v);
        return mask(_mm_cmpgt_epi32(load(a), w), _mm_cmpgt_epi32(load(a + 4), w));
    }

    // _mm_cmplt_pd is the ordered comparison: false when either operand is a NaN.
    static unsigned less(const double *a, const double *b) {
        return mask(_mm_cmplt_pd(_mm_loadu_pd(a), _mm_loadu_pd(b)),
                    _mm_cmplt_pd(_mm_loadu_pd(a + 2), _mm_loadu_pd(b + 2)),
                    _mm_cmplt_pd(_mm_loadu_pd(a + 4), _mm_loadu_pd(b + 4)),
                    _mm_cmplt_pd(_mm_loadu_pd(a + 6), _mm_loadu_pd(b + 6)));
    }
    static unsigned below(const double *a, double v) {
        const __m128d w = _mm_set1_pd(v);
        return mask(_mm_cmplt_pd(_mm_loadu_pd(a), w), _mm_cmplt_pd(_mm_loadu_pd(a + 2), w),
                    _mm_cmplt_pd(_mm_loadu_pd(a + 4), w), _mm_cmplt_pd(_mm_loadu_pd(a + 6), w));
    }
    static unsigned above(const double *a, double v) {
        const __m128d w = _mm_set1_pd(v);
        return mask(_mm_cmpgt_pd(_mm_loadu_pd(a), w), _mm_cmpgt_pd(_mm_loadu_pd(a + 2), w),
                    _mm_cmpgt_pd(_mm_loadu_pd(a + 4), w), _mm_cmpgt_pd(_mm_loadu_pd(a + 6), w));
    }

    template <typename Key>
    static bool same(const Key *a, Key v) {
        return Portable::same(a, v);
    }
};
#endif

#if defined(VARNOKE_SORT_AVX2)
// Not marked always_inline: these are inlined once the code that calls them has been inlined into
// a function compiled for AVX2.
struct Avx2 {
    [[gnu::target("avx2")]] static __m256i load(const int32_t *a) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i *>(a));
    }
    [[gnu::target("avx2")]] static unsigned mask(__m256i m) {
        return static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(m)));
    }
    [[gnu::target("avx2")]] static unsigned mask(__m256d lo, __m256d hi) {
        return static_cast<unsigned>(_mm256_movemask_pd(lo) | (_mm256_movemask_pd(hi) << 4));
    }

    [[gnu::target("avx2")]] static unsigned less(const int32_t *a, const int32_t *b) {
        return mask(_mm256_cmpgt_epi32(load(b), load(a)));
    }
    [[gnu::target("avx2")]] static unsigned below(const int32_t *a, int32_t v) {
        return mask(_mm256_cmpgt_epi32(_mm256_set1_epi32(v), load(a)));
    }
    [[gnu::target("avx2")]] static unsigned above(const int32_t *a, int32_t v) {
        return mask(_mm256_cmpgt_epi32(load(a), _mm256_set1_epi32(v)));
    }

    // _CMP_LT_OQ is the ordered, quiet comparison: false when either operand is a NaN.
    [[gnu::target("avx2")]] static unsigned less(const double *a, const double *b) {
        return mask(_mm256_cmp_pd(_mm256_loadu_pd(a), _mm256_loadu_pd(b), _CMP_LT_OQ),
                    _mm256_cmp_pd(_mm256_loadu_pd(a + 4), _mm256_loadu_pd(b + 4), _CMP_LT_OQ));
    }
    [[gnu::target("avx2")]] static unsigned below(const double *a, double v) {
        const __m256d w = _mm256_set1_pd(v);
        return mask(_mm256_cmp_pd(_mm256_loadu_pd(a), w, _CMP_LT_OQ),
                    _mm256_cmp_pd(_mm256_loadu_pd(a + 4), w, _CMP_LT_OQ));
    }
    [[gnu::target("avx2")]] static unsigned above(const double *a, double v) {
        const __m256d w = _mm256_set1_pd(v);
        return mask(_mm256_cmp_pd(w, _mm256_loadu_pd(a), _CMP_LT_OQ),
                    _mm256_cmp_pd(w, _mm256_loadu_pd(a + 4), _CMP_LT_OQ));
    }

    template <typename Key>
    static bool same(const Key *a, Key v) {
        return Portable::same(a, v);
    }
};
#endif

}  // namespace varnoke::sort_lanes

#endif
