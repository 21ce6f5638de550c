// The bilinear write of kept filtered pixels in AVX2, for the processors
// that have it (chosen at run time; the build targets SSE2 only): the SSE2
// write's arithmetic on four pixels at once, bit-identical to it.
#include "LinearSpans.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#define KESTO_LINEAR_AVX2 1
#include <immintrin.h>
#endif

namespace kes::d3d9 {

#if defined(KESTO_LINEAR_AVX2)

namespace {

#define KESTO_AVX2 __attribute__((target("avx2")))

// The constants of the write.
struct Avx2Write {
    __m256i zero, ones, factors, top, k32, k64, fade16, alphas, spreadAlpha, opaque;
};

// Four kept pixels (2·P, weight), scaled and written or blended over their
// four target pixels d8 (bytes widened to words), as LinearSpans' SSE2
// write does; the results as 16-bit channels.
template <bool kBlend, bool kFaded, bool kScaled>
KESTO_AVX2 inline __m256i Write4(const Avx2Write& w, __m256i q, __m256i d8)
{
    __m256i x2 = q;
    if (kScaled) {
        const __m256i p = _mm256_srai_epi16(q, 1);
        const __m256i lo = _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(p, w.ones), w.factors), 12);
        const __m256i hi = _mm256_srai_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(p, w.ones), w.factors), 12);
        x2 = _mm256_slli_epi16(_mm256_min_epi16(_mm256_max_epi16(_mm256_packs_epi32(lo, hi), w.zero), w.top), 1);
    }
    if (!kBlend) return _mm256_srli_epi16(_mm256_add_epi16(x2, w.k64), 7);
    __m256i a15 = q;
    if (kFaded) a15 = _mm256_mulhi_epu16(_mm256_slli_epi16(a15, 1), w.fade16);
    a15 = _mm256_shuffle_epi8(a15, w.spreadAlpha);
    const __m256i r = _mm256_mulhi_epi16(_mm256_sub_epi16(x2, _mm256_slli_epi16(d8, 7)), a15);
    return _mm256_add_epi16(d8, _mm256_srai_epi16(_mm256_add_epi16(r, w.k32), 6));
}

// Four kept pixels written over the four target pixels d, packed back to bytes.
template <bool kBlend, bool kFaded, bool kScaled>
KESTO_AVX2 inline __m128i Write4Packed(const Avx2Write& w, __m256i q, __m128i d)
{
    const __m256i out = Write4<kBlend, kFaded, kScaled>(w, q, _mm256_cvtepu8_epi16(d));
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(out, out), _MM_SHUFFLE(3, 1, 2, 0));
    return _mm_or_si128(_mm256_castsi256_si128(packed), _mm256_castsi256_si128(w.opaque));
}

template <bool kBlend, bool kFaded, bool kScaled>
KESTO_AVX2 void WriteRun(const Avx2Write& w, uint32_t* dst, const int16_t* pixels, int n)
{
    // A row that does not end on a multiple of four (most rows: their
    // clear ends are left out) has its last four pixels worked out first,
    // from the target as it is, and stored after the rest, over pixels it
    // shares with the last whole group, which get the same values there.
    // Nothing past the n-th pixel is read or written, and no call is made.
    const bool ragged = (n & 3) != 0 && n >= 4;
    __m128i last = _mm_setzero_si128();
    if (ragged) {
        const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + 4 * (n - 4)));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + n - 4));
        last = Write4Packed<kBlend, kFaded, kScaled>(w, q, d);
    }
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m256i p0 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + 4 * i));
        const __m256i p1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + 4 * i + 16));
        // Clear pixels blend to the target as it was: skip runs of them.
        if (kBlend && _mm256_testz_si256(_mm256_or_si256(p0, p1), w.alphas)) continue;
        __m256i d0 = w.zero, d1 = w.zero;
        if (kBlend) {
            d0 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i)));
            d1 = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i + 4)));
        }
        const __m256i out0 = Write4<kBlend, kFaded, kScaled>(w, p0, d0);
        const __m256i out1 = Write4<kBlend, kFaded, kScaled>(w, p1, d1);
        // Packing works within each 128-bit half: pixels 0, 1, 4, 5 | 2, 3,
        // 6, 7, put back in order by 64-bit moves.
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(out0, out1), _MM_SHUFFLE(3, 1, 2, 0));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_or_si256(packed, w.opaque));
    }
    if (i + 4 <= n) {
        // Four more: a clipped sprite's row rarely ends on a multiple of eight.
        const __m256i q = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pixels + 4 * i));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), Write4Packed<kBlend, kFaded, kScaled>(w, q, d));
        i += 4;
    }
    if (ragged) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + n - 4), last);
    } else if (i < n) {
        // A row of one to three pixels, through a four-pixel copy.
        alignas(32) int16_t q4[16] = {};
        alignas(16) uint32_t d4[4] = {};
        memcpy(q4, pixels, size_t(n) * 8);
        memcpy(d4, dst, size_t(n) * 4);
        const __m256i q = _mm256_load_si256(reinterpret_cast<const __m256i*>(q4));
        const __m128i d = _mm_load_si128(reinterpret_cast<const __m128i*>(d4));
        _mm_store_si128(reinterpret_cast<__m128i*>(d4), Write4Packed<kBlend, kFaded, kScaled>(w, q, d));
        memcpy(dst, d4, size_t(n) * 4);
    }
}

KESTO_AVX2 void WriteAvx2(uint32_t* dst, const int16_t* pixels, int n, const ChannelScale& scale, int fade, bool blend)
{
    Avx2Write w;
    w.zero = _mm256_setzero_si256();
    w.ones = _mm256_set1_epi16(1);
    // (P, 1) pairs times (factor, 2048): P·factor + 2048 in one multiply-add.
    w.factors =
        _mm256_setr_epi16(short(scale.blue), 2048, short(scale.green), 2048, short(scale.red), 2048, 4096, 2048,
                          short(scale.blue), 2048, short(scale.green), 2048, short(scale.red), 2048, 4096, 2048);
    w.top = _mm256_set1_epi16(64 * 255);
    w.k32 = _mm256_set1_epi16(32);
    w.k64 = _mm256_set1_epi16(64);
    w.fade16 = _mm256_set1_epi16(short(fade));
    w.alphas = _mm256_set1_epi64x(int64_t(0xFFFF000000000000ull));
    // Each pixel's alpha word (bytes 6 and 7 of its eight) into all four of its words.
    w.spreadAlpha = _mm256_setr_epi8(6, 7, 6, 7, 6, 7, 6, 7, 14, 15, 14, 15, 14, 15, 14, 15, 6, 7, 6, 7, 6, 7, 6, 7, 14,
                                     15, 14, 15, 14, 15, 14, 15);
    w.opaque = _mm256_set1_epi32(int(0xFF000000u));
    const bool scaled = !(scale.red == 4096 && scale.green == 4096 && scale.blue == 4096);
    const bool faded = fade != kNoFade;
    if (!blend) {
        if (scaled)
            WriteRun<false, false, true>(w, dst, pixels, n);
        else
            WriteRun<false, false, false>(w, dst, pixels, n);
    } else if (faded) {
        if (scaled)
            WriteRun<true, true, true>(w, dst, pixels, n);
        else
            WriteRun<true, true, false>(w, dst, pixels, n);
    } else if (scaled) {
        WriteRun<true, false, true>(w, dst, pixels, n);
    } else {
        WriteRun<true, false, false>(w, dst, pixels, n);
    }
}

LinearKernels MakeAvx2Set()
{
    const LinearKernels* sse2 = Sse2LinearKernels();
    LinearKernels set = sse2 ? *sse2 : ScalarLinearKernels();
    set.name = "avx2";
    set.write = WriteAvx2;
    return set;
}

} // namespace

const LinearKernels* Avx2LinearKernels()
{
    if (!__builtin_cpu_supports("avx2")) return nullptr;
    static const LinearKernels set = MakeAvx2Set();
    return &set;
}

#else

const LinearKernels* Avx2LinearKernels()
{
    return nullptr;
}

#endif

} // namespace kes::d3d9
