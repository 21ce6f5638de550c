// The span kernels that gain from eight pixels at a time, in AVX2 for the
// processors that have it (chosen at run time; the build targets SSE2 only).
// Each is the SSE2 kernel's arithmetic on twice the lanes, bit-identical to
// it; the other kernels are the SSE2 set's.
#include "SpanKernels.h"

#if defined(__x86_64__) || defined(__i386__)
#define KESTO_SPAN_AVX2 1
#include <immintrin.h>
#endif

namespace kes::d3d9 {

#if defined(KESTO_SPAN_AVX2)

namespace {

#define KESTO_AVX2 __attribute__((target("avx2")))

KESTO_AVX2 inline __m256i Load8(const uint32_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

// SpanKernels' WeighByte on sixteen 16-bit channels, in fewer steps:
//   (64·d + ⌊(s − d)·128·w / 2^16⌋ + 32) >> 6
//     = d + ⌊(⌊(s − d)·w / 2^9⌋ + 32) / 2^6⌋      (64·d is a multiple of 64)
//     = d + ⌊((s − d)·w + 2^14) / 2^15⌋           (⌊(⌊x⌋ + n) / m⌋ = ⌊(x + n) / m⌋)
// which is the rounding high multiply, vpmulhrsw, exactly.
KESTO_AVX2 inline __m256i Weigh16x16(__m256i s, __m256i d, __m256i w)
{
    return _mm256_add_epi16(d, _mm256_mulhrs_epi16(_mm256_sub_epi16(s, d), w));
}

// a where the mask is set, else b.
KESTO_AVX2 inline __m256i Select(__m256i mask, __m256i a, __m256i b)
{
    return _mm256_or_si256(_mm256_and_si256(mask, a), _mm256_andnot_si256(mask, b));
}

// A faded sprite: every covered pixel blends, the opaque ones too, so the
// arithmetic rather than the memory sets its speed.
KESTO_AVX2 void BlendFadedAvx2(uint32_t* dst, const uint32_t* src, const uint16_t* weightOfAlpha, int n)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i opaque = _mm256_set1_epi32(int(0xFF000000u));
    const uint16_t clear = weightOfAlpha[0];
    const __m256i full = _mm256_set1_epi16(short(weightOfAlpha[255]));
    const __m256i none = _mm256_set1_epi16(short(clear));
    // Byte moves that spread the weights of pixels 0, 1 | 4, 5 and 2, 3 | 6, 7
    // over their four channels each.
    const __m256i spreadLo = _mm256_setr_epi8(0, 1, 0, 1, 0, 1, 0, 1, 2, 3, 2, 3, 2, 3, 2, 3, 8, 9, 8, 9, 8, 9, 8, 9,
                                              10, 11, 10, 11, 10, 11, 10, 11);
    const __m256i spreadHi = _mm256_setr_epi8(4, 5, 4, 5, 4, 5, 4, 5, 6, 7, 6, 7, 6, 7, 6, 7, 12, 13, 12, 13, 12, 13,
                                              12, 13, 14, 15, 14, 15, 14, 15, 14, 15);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i s = Load8(src + i);
        const __m256i alpha = _mm256_and_si256(s, opaque);
        const __m256i isOpaque = _mm256_cmpeq_epi32(alpha, opaque), isClear = _mm256_cmpeq_epi32(alpha, zero);
        __m256i wlo, whi;
        if (_mm256_movemask_epi8(isOpaque) == -1) {
            wlo = whi = full;
        } else if (clear == 0 && _mm256_movemask_epi8(isClear) == -1) {
            continue;
        } else if (_mm256_movemask_epi8(_mm256_or_si256(isOpaque, isClear)) == -1) {
            // A sprite's edge between clear and opaque: each pixel's weight
            // from its mask, spread over its four channels as unpacked.
            wlo = Select(_mm256_unpacklo_epi32(isOpaque, isOpaque), full, none);
            whi = Select(_mm256_unpackhi_epi32(isOpaque, isOpaque), full, none);
        } else {
            uint16_t w[8];
            int any = 0;
            for (int k = 0; k < 8; ++k) any |= w[k] = weightOfAlpha[src[i + k] >> 24];
            if (any == 0) continue;
            // Unpacking works within each 128-bit half: pixels 0, 1, 4, 5
            // land in the low words, 2, 3, 6, 7 in the high ones.
            const __m256i all = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(w)));
            wlo = _mm256_shuffle_epi8(all, spreadLo);
            whi = _mm256_shuffle_epi8(all, spreadHi);
        }
        const __m256i d = Load8(dst + i);
        const __m256i lo = Weigh16x16(_mm256_unpacklo_epi8(s, zero), _mm256_unpacklo_epi8(d, zero), wlo);
        const __m256i hi = Weigh16x16(_mm256_unpackhi_epi8(s, zero), _mm256_unpackhi_epi8(d, zero), whi);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_or_si256(_mm256_packus_epi16(lo, hi), opaque));
    }
    ScalarSpanKernels().blendFaded(dst + i, src + i, weightOfAlpha, n - i);
}

SpanKernels MakeAvx2Set()
{
    const SpanKernels* sse2 = Sse2SpanKernels();
    SpanKernels set = sse2 ? *sse2 : ScalarSpanKernels();
    set.name = "avx2";
    set.blendFaded = BlendFadedAvx2;
    return set;
}

} // namespace

const SpanKernels* Avx2SpanKernels()
{
    if (!__builtin_cpu_supports("avx2")) return nullptr;
    static const SpanKernels set = MakeAvx2Set();
    return &set;
}

#else

const SpanKernels* Avx2SpanKernels()
{
    return nullptr;
}

#endif

} // namespace kes::d3d9
