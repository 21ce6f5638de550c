// The JPEG decoder's block back end with AVX2, for processors that have it
// (chosen at run time; the functions are built for AVX2 one by one, the
// rest of the library is not). Two blocks go through the inverse DCT at
// once, one in each 128-bit half of the registers (AVX2's unpacks work
// within halves, so the transpose stays the SSE2 one, twice), and the
// 4:2:0 store makes two pixel rows at once. The arithmetic is lane for
// lane that of the portable routines (KesJpegBlocks.cpp, KesJpegArith.h);
// tests hold every set of routines to the same output.
#include "KesJpeg.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

#define KES_AVX2 __attribute__((target("avx2")))

namespace {

typedef __m256i W;

KES_AVX2 inline W Set16(int16_t v)
{
    return _mm256_set1_epi16(v);
}

KES_AVX2 inline W Set8(int8_t v)
{
    return _mm256_set1_epi8(v);
}

KES_AVX2 inline W Twice(W a)
{
    return _mm256_adds_epi16(a, a);
}

template <bool First>
KES_AVX2 inline W Mul141(W x)
{
    return First ? Twice(_mm256_mulhi_epi16(Twice(x), Set16(23170)))
                 : _mm256_mulhi_epi16(Twice(Twice(x)), Set16(23170));
}

template <bool First>
KES_AVX2 inline W Mul261(W x)
{
    return First ? Twice(Twice(_mm256_mulhi_epi16(Twice(x), Set16(21407))))
                 : Twice(_mm256_mulhi_epi16(Twice(Twice(x)), Set16(21407)));
}

template <bool First>
KES_AVX2 inline W Mul108(W x)
{
    return First ? Twice(_mm256_mulhi_epi16(Twice(x), Set16(17734)))
                 : _mm256_mulhi_epi16(Twice(Twice(x)), Set16(17734));
}

KES_AVX2 inline W Mul077(W x)
{
    return _mm256_mulhi_epi16(Twice(x), Set16(25080));
}

template <bool First>
KES_AVX2 inline void Idct1D(W* v)
{
    const W t10 = _mm256_adds_epi16(v[0], v[4]), t11 = _mm256_subs_epi16(v[0], v[4]);
    const W t13 = _mm256_adds_epi16(v[2], v[6]);
    const W t12 = _mm256_subs_epi16(Mul141<First>(_mm256_subs_epi16(v[2], v[6])), t13);
    const W e0 = _mm256_adds_epi16(t10, t13), e3 = _mm256_subs_epi16(t10, t13);
    const W e1 = _mm256_adds_epi16(t11, t12), e2 = _mm256_subs_epi16(t11, t12);

    const W z13 = _mm256_adds_epi16(v[5], v[3]), z10 = _mm256_subs_epi16(v[5], v[3]);
    const W z11 = _mm256_adds_epi16(v[1], v[7]), z12 = _mm256_subs_epi16(v[1], v[7]);
    const W o7 = _mm256_adds_epi16(z11, z13);
    const W o11 = Mul141<First>(_mm256_subs_epi16(z11, z13));
    const W s2 = Mul077(_mm256_adds_epi16(z10, z12));
    const W o12 = _mm256_subs_epi16(Mul261<First>(z12), s2);
    const W o10 = _mm256_subs_epi16(_mm256_setzero_si256(), _mm256_adds_epi16(Mul108<First>(z10), s2));
    const W o6 = _mm256_subs_epi16(o12, o7);
    const W o5 = _mm256_subs_epi16(o11, o6);
    const W o4 = _mm256_adds_epi16(o10, o5);

    const int shift = First ? 1 : 0;
    v[0] = _mm256_srai_epi16(_mm256_adds_epi16(e0, o7), shift);
    v[1] = _mm256_srai_epi16(_mm256_adds_epi16(e1, o6), shift);
    v[2] = _mm256_srai_epi16(_mm256_adds_epi16(e2, o5), shift);
    v[3] = _mm256_srai_epi16(_mm256_subs_epi16(e3, o4), shift);
    v[4] = _mm256_srai_epi16(_mm256_adds_epi16(e3, o4), shift);
    v[5] = _mm256_srai_epi16(_mm256_subs_epi16(e2, o5), shift);
    v[6] = _mm256_srai_epi16(_mm256_subs_epi16(e1, o6), shift);
    v[7] = _mm256_srai_epi16(_mm256_subs_epi16(e0, o7), shift);
}

// Each half transposed as its own 8 x 8 block.
KES_AVX2 inline void Transpose(W* r)
{
    const W a0 = _mm256_unpacklo_epi16(r[0], r[1]), a1 = _mm256_unpackhi_epi16(r[0], r[1]);
    const W a2 = _mm256_unpacklo_epi16(r[2], r[3]), a3 = _mm256_unpackhi_epi16(r[2], r[3]);
    const W a4 = _mm256_unpacklo_epi16(r[4], r[5]), a5 = _mm256_unpackhi_epi16(r[4], r[5]);
    const W a6 = _mm256_unpacklo_epi16(r[6], r[7]), a7 = _mm256_unpackhi_epi16(r[6], r[7]);
    const W b0 = _mm256_unpacklo_epi32(a0, a2), b1 = _mm256_unpackhi_epi32(a0, a2);
    const W b2 = _mm256_unpacklo_epi32(a1, a3), b3 = _mm256_unpackhi_epi32(a1, a3);
    const W b4 = _mm256_unpacklo_epi32(a4, a6), b5 = _mm256_unpackhi_epi32(a4, a6);
    const W b6 = _mm256_unpacklo_epi32(a5, a7), b7 = _mm256_unpackhi_epi32(a5, a7);
    r[0] = _mm256_unpacklo_epi64(b0, b4);
    r[1] = _mm256_unpackhi_epi64(b0, b4);
    r[2] = _mm256_unpacklo_epi64(b1, b5);
    r[3] = _mm256_unpackhi_epi64(b1, b5);
    r[4] = _mm256_unpacklo_epi64(b2, b6);
    r[5] = _mm256_unpackhi_epi64(b2, b6);
    r[6] = _mm256_unpacklo_epi64(b3, b7);
    r[7] = _mm256_unpackhi_epi64(b3, b7);
}

KES_AVX2 inline W LoadPair(const int16_t* a, const int16_t* b)
{
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), 1);
}

KES_AVX2 inline W Both(const void* p)
{
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(static_cast<const __m128i*>(p)));
}

KES_AVX2 void IdctPairAvx2(int16_t* a, int16_t* b)
{
    W r[8];
    for (int u = 0; u < 8; ++u) r[u] = _mm256_mulhi_epi16(LoadPair(a + 8 * u, b + 8 * u), Both(kJpegPrescale + 8 * u));
    const W bias = _mm256_setr_epi16(0, 0, 0, 0, kJpegRoundBias[0], kJpegRoundBias[1], kJpegRoundBias[2],
                                     kJpegRoundBias[3], 0, 0, 0, 0, kJpegRoundBias[0], kJpegRoundBias[1],
                                     kJpegRoundBias[2], kJpegRoundBias[3]);
    r[7] = _mm256_add_epi16(r[7], bias);
    // Row 5 is stored doubled in its right half only.
    const W right = _mm256_setr_epi16(0, 0, 0, 0, -1, -1, -1, -1, 0, 0, 0, 0, -1, -1, -1, -1);
    r[5] = _mm256_blendv_epi8(r[5], _mm256_srai_epi16(r[5], 1), right);
    r[6] = _mm256_srai_epi16(r[6], 1);
    r[7] = _mm256_srai_epi16(r[7], 2);

    Idct1D<true>(r);
    Transpose(r);
    Idct1D<false>(r);

    __m128i* outA = reinterpret_cast<__m128i*>(a);
    __m128i* outB = reinterpret_cast<__m128i*>(b);
    for (int y = 0; y < 8; y += 2) {
        const W rows = _mm256_packs_epi16(_mm256_srai_epi16(r[y], 4), _mm256_srai_epi16(r[y + 1], 4));
        _mm_storeu_si128(outA + y / 2, _mm256_castsi256_si128(rows));
        _mm_storeu_si128(outB + y / 2, _mm256_extracti128_si256(rows, 1));
    }
}

// ---- stores ----------------------------------------------------------------------------

// The colour tables' entries computed in 16-bit lanes (as the SSE2 store
// does; see HalfTerm there).
template <int Whole, int Frac>
KES_AVX2 inline W HalfTerm(W x)
{
    const W sign = _mm256_srai_epi16(x, 15);
    const W a = _mm256_sub_epi16(_mm256_xor_si256(x, sign), sign);
    W m = _mm256_mulhi_epu16(a, Set16(int16_t(Frac)));
    if (Whole) m = _mm256_add_epi16(m, a);
    m = _mm256_sub_epi16(_mm256_xor_si256(m, sign), sign);
    return _mm256_srai_epi16(_mm256_add_epi16(m, Set16(1)), 1);
}

KES_AVX2 inline __m128i Pack(W words)
{
    return _mm_packs_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
}

struct Chroma {
    alignas(16) int8_t r[64];
    alignas(16) int8_t g[64];
    alignas(16) int8_t b[64];
};

KES_AVX2 inline void Contributions(const int16_t (*blocks)[64], Chroma* c)
{
    const int8_t* cb = reinterpret_cast<const int8_t*>(blocks[JPEG_CB]);
    const int8_t* cr = reinterpret_cast<const int8_t*>(blocks[JPEG_CR]);
    const W zero = _mm256_setzero_si256();
    for (int i = 0; i < 64; i += 16) {
        const W cbw = _mm256_cvtepi8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cb + i)));
        const W crw = _mm256_cvtepi8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(cr + i)));
        const W r = HalfTerm<1, 26346>(crw);
        const W b = HalfTerm<1, 50595>(cbw);
        const W g = _mm256_add_epi16(HalfTerm<0, 22554>(_mm256_sub_epi16(zero, cbw)),
                                     HalfTerm<0, 46802>(_mm256_sub_epi16(zero, crw)));
        _mm_store_si128(reinterpret_cast<__m128i*>(c->r + i), Pack(r));
        _mm_store_si128(reinterpret_cast<__m128i*>(c->g + i), Pack(g));
        _mm_store_si128(reinterpret_cast<__m128i*>(c->b + i), Pack(b));
    }
}

// Eight chroma contributions, each twice, in both halves: one chroma row
// stretched over the sixteen pixels of the two rows it covers.
KES_AVX2 inline W Stretch(const int8_t* p)
{
    const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
    return _mm256_broadcastsi128_si256(_mm_unpacklo_epi8(v, v));
}

// Two rows of sixteen pixels (one in each half of `ySamples`) from their
// luma samples and the channel contributions of their chroma.
KES_AVX2 inline void Pixels2x16(uint8_t* dst, int pitch, W ySamples, W rc, W gc, W bc)
{
    const W mask7F = Set8(0x7F), sign = Set8(int8_t(0x80));
    const W y2 = _mm256_and_si256(_mm256_srli_epi16(_mm256_xor_si256(ySamples, sign), 1), mask7F);
    const W r2 = _mm256_subs_epu8(_mm256_xor_si256(_mm256_adds_epi8(y2, rc), sign), sign);
    const W g2 = _mm256_subs_epu8(_mm256_xor_si256(_mm256_adds_epi8(y2, gc), sign), sign);
    const W b2 = _mm256_subs_epu8(_mm256_xor_si256(_mm256_adds_epi8(y2, bc), sign), sign);
    const W hi = _mm256_or_si256(_mm256_slli_epi16(_mm256_and_si256(r2, Set8(0x7C)), 1),
                                 _mm256_and_si256(_mm256_srli_epi16(g2, 4), Set8(0x07)));
    const W lo = _mm256_or_si256(_mm256_and_si256(_mm256_slli_epi16(g2, 4), Set8(int8_t(0xE0))),
                                 _mm256_and_si256(_mm256_srli_epi16(b2, 2), Set8(0x1F)));
    const W left = _mm256_unpacklo_epi8(lo, hi), right = _mm256_unpackhi_epi8(lo, hi);
    _mm256_storeu_si256(reinterpret_cast<W*>(dst), _mm256_permute2x128_si256(left, right, 0x20));
    _mm256_storeu_si256(reinterpret_cast<W*>(dst + pitch), _mm256_permute2x128_si256(left, right, 0x31));
}

// Sixteen luma samples of one pixel row: eight from each of two blocks.
KES_AVX2 inline __m128i LumaRow(const int16_t (*blocks)[64], int r)
{
    const uint8_t* left = reinterpret_cast<const uint8_t*>(blocks[r < 8 ? JPEG_Y0 : JPEG_Y2]) + (r & 7) * 8;
    const uint8_t* right = reinterpret_cast<const uint8_t*>(blocks[r < 8 ? JPEG_Y1 : JPEG_Y3]) + (r & 7) * 8;
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(left)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(right)));
}

KES_AVX2 void Store420Avx2(uint8_t* dst, int pitch, const int16_t (*blocks)[64])
{
    Chroma c;
    Contributions(blocks, &c);
    for (int r = 0; r < 16; r += 2, dst += 2 * pitch) {
        const W y = _mm256_inserti128_si256(_mm256_castsi128_si256(LumaRow(blocks, r)), LumaRow(blocks, r + 1), 1);
        const int ci = (r >> 1) * 8;
        Pixels2x16(dst, pitch, y, Stretch(c.r + ci), Stretch(c.g + ci), Stretch(c.b + ci));
    }
}

bool CpuHasAvx2()
{
    return __builtin_cpu_supports("avx2");
}

} // namespace

const JpegBlockRoutines* JpegAvx2Routines()
{
    // Single blocks and the grey and 4:4:4 stores (8 pixels wide) stay SSE2's.
    static const JpegBlockRoutines* const set = [] {
        static JpegBlockRoutines r;
        const JpegBlockRoutines* sse2 = JpegSse2Routines();
        if (!sse2 || !CpuHasAvx2()) return static_cast<const JpegBlockRoutines*>(0);
        r = *sse2;
        r.name = "avx2";
        r.idctPair = IdctPairAvx2;
        r.store420 = Store420Avx2;
        r.bmi2Scan = __builtin_cpu_supports("bmi2") ? 1 : 0;
        return static_cast<const JpegBlockRoutines*>(&r);
    }();
    return set;
}

#else

const JpegBlockRoutines* JpegAvx2Routines()
{
    return 0;
}

#endif
