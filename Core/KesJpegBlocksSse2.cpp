// The JPEG decoder's block back end with SSE2: the inverse DCT on eight
// columns at once (one 128-bit register per row of 16-bit cells) and the
// MCU stores on sixteen pixels at once (signed byte lanes). The arithmetic
// is lane for lane the portable version's (KesJpegBlocks.cpp,
// KesJpegArith.h); tests hold the two to the same output.
//
// Built where the compiler targets SSE2 (every x86-64 build); elsewhere
// JpegSse2Routines answers null and the portable routines run.
#include "KesJpeg.h"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#include <string.h>

namespace {

typedef __m128i V;

inline V Load(const void* p)
{
    return _mm_loadu_si128(static_cast<const V*>(p));
}

inline V Set16(int16_t v)
{
    return _mm_set1_epi16(v);
}

inline V Set8(int8_t v)
{
    return _mm_set1_epi8(v);
}

inline V Twice(V a)
{
    return _mm_adds_epi16(a, a);
}

// The products of KesJpegArith.h, eight lanes at a time.
template <bool First>
inline V Mul141(V x)
{
    return First ? Twice(_mm_mulhi_epi16(Twice(x), Set16(23170))) : _mm_mulhi_epi16(Twice(Twice(x)), Set16(23170));
}

template <bool First>
inline V Mul261(V x)
{
    return First ? Twice(Twice(_mm_mulhi_epi16(Twice(x), Set16(21407))))
                 : Twice(_mm_mulhi_epi16(Twice(Twice(x)), Set16(21407)));
}

template <bool First>
inline V Mul108(V x)
{
    return First ? Twice(_mm_mulhi_epi16(Twice(x), Set16(17734))) : _mm_mulhi_epi16(Twice(Twice(x)), Set16(17734));
}

inline V Mul077(V x)
{
    return _mm_mulhi_epi16(Twice(x), Set16(25080));
}

template <bool First>
inline void Idct1D(V* v)
{
    const V t10 = _mm_adds_epi16(v[0], v[4]), t11 = _mm_subs_epi16(v[0], v[4]);
    const V t13 = _mm_adds_epi16(v[2], v[6]);
    const V t12 = _mm_subs_epi16(Mul141<First>(_mm_subs_epi16(v[2], v[6])), t13);
    const V e0 = _mm_adds_epi16(t10, t13), e3 = _mm_subs_epi16(t10, t13);
    const V e1 = _mm_adds_epi16(t11, t12), e2 = _mm_subs_epi16(t11, t12);

    const V z13 = _mm_adds_epi16(v[5], v[3]), z10 = _mm_subs_epi16(v[5], v[3]);
    const V z11 = _mm_adds_epi16(v[1], v[7]), z12 = _mm_subs_epi16(v[1], v[7]);
    const V o7 = _mm_adds_epi16(z11, z13);
    const V o11 = Mul141<First>(_mm_subs_epi16(z11, z13));
    const V s2 = Mul077(_mm_adds_epi16(z10, z12));
    const V o12 = _mm_subs_epi16(Mul261<First>(z12), s2);
    const V o10 = _mm_subs_epi16(_mm_setzero_si128(), _mm_adds_epi16(Mul108<First>(z10), s2));
    const V o6 = _mm_subs_epi16(o12, o7);
    const V o5 = _mm_subs_epi16(o11, o6);
    const V o4 = _mm_adds_epi16(o10, o5);

    const int shift = First ? 1 : 0;
    v[0] = _mm_srai_epi16(_mm_adds_epi16(e0, o7), shift);
    v[1] = _mm_srai_epi16(_mm_adds_epi16(e1, o6), shift);
    v[2] = _mm_srai_epi16(_mm_adds_epi16(e2, o5), shift);
    v[3] = _mm_srai_epi16(_mm_subs_epi16(e3, o4), shift);
    v[4] = _mm_srai_epi16(_mm_adds_epi16(e3, o4), shift);
    v[5] = _mm_srai_epi16(_mm_subs_epi16(e2, o5), shift);
    v[6] = _mm_srai_epi16(_mm_subs_epi16(e1, o6), shift);
    v[7] = _mm_srai_epi16(_mm_subs_epi16(e0, o7), shift);
}

inline void Transpose(V* r)
{
    const V a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
    const V a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
    const V a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
    const V a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
    const V b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    const V b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    const V b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    const V b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    r[0] = _mm_unpacklo_epi64(b0, b4);
    r[1] = _mm_unpackhi_epi64(b0, b4);
    r[2] = _mm_unpacklo_epi64(b1, b5);
    r[3] = _mm_unpackhi_epi64(b1, b5);
    r[4] = _mm_unpacklo_epi64(b2, b6);
    r[5] = _mm_unpackhi_epi64(b2, b6);
    r[6] = _mm_unpacklo_epi64(b3, b7);
    r[7] = _mm_unpackhi_epi64(b3, b7);
}

void IdctSse2(int16_t* block)
{
    V r[8];
    for (int u = 0; u < 8; ++u) r[u] = _mm_mulhi_epi16(Load(block + 8 * u), Load(kJpegPrescale + 8 * u));
    r[7] = _mm_add_epi16(r[7], _mm_setr_epi16(0, 0, 0, 0, kJpegRoundBias[0], kJpegRoundBias[1], kJpegRoundBias[2],
                                              kJpegRoundBias[3]));
    // Row 5 is stored doubled in its right half only.
    const V right = _mm_setr_epi16(0, 0, 0, 0, -1, -1, -1, -1);
    r[5] = _mm_or_si128(_mm_andnot_si128(right, r[5]), _mm_and_si128(right, _mm_srai_epi16(r[5], 1)));
    r[6] = _mm_srai_epi16(r[6], 1);
    r[7] = _mm_srai_epi16(r[7], 2);

    Idct1D<true>(r);
    Transpose(r);
    Idct1D<false>(r);

    V* out = reinterpret_cast<V*>(block);
    for (int y = 0; y < 8; y += 2)
        _mm_storeu_si128(out + y / 2, _mm_packs_epi16(_mm_srai_epi16(r[y], 4), _mm_srai_epi16(r[y + 1], 4)));
}

// ---- stores ----------------------------------------------------------------------------

// Sixteen pixels from sixteen luma samples (as the inverse DCT leaves them)
// and the channel contributions of their chroma, stored little-endian.
inline void Pixels16(uint8_t* dst, V ySamples, V rc, V gc, V bc)
{
    const V mask7F = Set8(0x7F), sign = Set8(int8_t(0x80));
    // Y >> 1 on unsigned bytes: the word shift pulls one bit from the next byte, masked off.
    const V y2 = _mm_and_si128(_mm_srli_epi16(_mm_xor_si128(ySamples, sign), 1), mask7F);
    // Saturating signed adds; then negative channels become 0: x ^ 0x80 takes
    // 0..127 to 128..255 and -128..-1 to 0..127, and the unsigned saturating
    // subtraction of 0x80 gives back x or 0.
    const V r2 = _mm_subs_epu8(_mm_xor_si128(_mm_adds_epi8(y2, rc), sign), sign);
    const V g2 = _mm_subs_epu8(_mm_xor_si128(_mm_adds_epi8(y2, gc), sign), sign);
    const V b2 = _mm_subs_epu8(_mm_xor_si128(_mm_adds_epi8(y2, bc), sign), sign);
    // R5G6B5 from 7-bit halves: high byte rrrrrggg, low byte gggbbbbb.
    const V hi = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(r2, Set8(0x7C)), 1),
                              _mm_and_si128(_mm_srli_epi16(g2, 4), Set8(0x07)));
    const V lo = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(g2, 4), Set8(int8_t(0xE0))),
                              _mm_and_si128(_mm_srli_epi16(b2, 2), Set8(0x1F)));
    _mm_storeu_si128(reinterpret_cast<V*>(dst), _mm_unpacklo_epi8(lo, hi));
    _mm_storeu_si128(reinterpret_cast<V*>(dst + 16), _mm_unpackhi_epi8(lo, hi));
}

// Sixteen grey pixels: high byte = Y & 0xF8 | Y >> 5, low byte = (Y << 3) & 0xE0 | Y >> 3.
inline void Grey16(uint8_t* dst, V ySamples)
{
    const V y = _mm_xor_si128(ySamples, Set8(int8_t(0x80)));
    const V hi = _mm_or_si128(_mm_and_si128(y, Set8(int8_t(0xF8))), _mm_and_si128(_mm_srli_epi16(y, 5), Set8(0x07)));
    const V lo = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(y, 3), Set8(int8_t(0xE0))),
                              _mm_and_si128(_mm_srli_epi16(y, 3), Set8(0x1F)));
    _mm_storeu_si128(reinterpret_cast<V*>(dst), _mm_unpacklo_epi8(lo, hi));
    _mm_storeu_si128(reinterpret_cast<V*>(dst + 16), _mm_unpackhi_epi8(lo, hi));
}

// The colour tables' entries computed in 16-bit lanes instead of looked
// up: trunc(k x + 1) >> 1 = (1 + sign(x) floor(k |x|)) >> 1, with
// floor(k |x|) = whole * |x| + the high half of |x| * frac (for |x| up to
// 128 the 16-bit fraction of each k gives exactly the floor; the tests
// check every sample value against the tables).
template <int Whole, int Frac>
inline V HalfTerm(V x)
{
    const V sign = _mm_srai_epi16(x, 15);
    const V a = _mm_sub_epi16(_mm_xor_si128(x, sign), sign);
    V m = _mm_mulhi_epu16(a, Set16(int16_t(Frac)));
    if (Whole) m = _mm_add_epi16(m, a);
    m = _mm_sub_epi16(_mm_xor_si128(m, sign), sign);
    return _mm_srai_epi16(_mm_add_epi16(m, Set16(1)), 1);
}

// The channel contributions of 64 chroma samples: red from Cr (1.402),
// blue from Cb (1.772), green from both (-0.34414 Cb, -0.71414 Cr, their sum
// saturated to a signed byte).
struct Chroma {
    alignas(16) int8_t r[64];
    alignas(16) int8_t g[64];
    alignas(16) int8_t b[64];
};

inline void Contributions(const int16_t (*blocks)[64], Chroma* c)
{
    const uint8_t* cb = reinterpret_cast<const uint8_t*>(blocks[JPEG_CB]);
    const uint8_t* cr = reinterpret_cast<const uint8_t*>(blocks[JPEG_CR]);
    const V zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 16) {
        const V cb8 = Load(cb + i), cr8 = Load(cr + i);
        V r[2], g[2], b[2];
        for (int h = 0; h < 2; ++h) {
            // Signed bytes to words: the byte in the high half, shifted down.
            const V cbw = _mm_srai_epi16(h ? _mm_unpackhi_epi8(cb8, cb8) : _mm_unpacklo_epi8(cb8, cb8), 8);
            const V crw = _mm_srai_epi16(h ? _mm_unpackhi_epi8(cr8, cr8) : _mm_unpacklo_epi8(cr8, cr8), 8);
            r[h] = HalfTerm<1, 26346>(crw);
            b[h] = HalfTerm<1, 50595>(cbw);
            g[h] = _mm_add_epi16(HalfTerm<0, 22554>(_mm_sub_epi16(zero, cbw)),
                                 HalfTerm<0, 46802>(_mm_sub_epi16(zero, crw)));
        }
        _mm_store_si128(reinterpret_cast<V*>(c->r + i), _mm_packs_epi16(r[0], r[1]));
        _mm_store_si128(reinterpret_cast<V*>(c->g + i), _mm_packs_epi16(g[0], g[1]));
        _mm_store_si128(reinterpret_cast<V*>(c->b + i), _mm_packs_epi16(b[0], b[1]));
    }
}

inline V Load8(const void* p)
{
    return _mm_loadl_epi64(static_cast<const V*>(p));
}

// Eight bytes, each twice: one chroma row stretched over sixteen pixels.
inline V Stretch(const int8_t* p)
{
    const V v = Load8(p);
    return _mm_unpacklo_epi8(v, v);
}

void StoreGreySse2(uint8_t* dst, int pitch, const int16_t (*blocks)[64])
{
    const uint8_t* y = reinterpret_cast<const uint8_t*>(blocks[JPEG_Y0]);
    for (int r = 0; r < 8; r += 2, dst += 2 * pitch) {
        // Two rows at once; the pixels of the second go to the next row.
        alignas(16) uint8_t px[32];
        Grey16(px, Load(y + r * 8));
        memcpy(dst, px, 16);
        memcpy(dst + pitch, px + 16, 16);
    }
}

void Store444Sse2(uint8_t* dst, int pitch, const int16_t (*blocks)[64])
{
    Chroma c;
    Contributions(blocks, &c);
    const uint8_t* y = reinterpret_cast<const uint8_t*>(blocks[JPEG_Y0]);
    for (int r = 0; r < 8; r += 2, dst += 2 * pitch) {
        alignas(16) uint8_t px[32];
        const int i = r * 8;
        Pixels16(px, Load(y + i), Load(c.r + i), Load(c.g + i), Load(c.b + i));
        memcpy(dst, px, 16);
        memcpy(dst + pitch, px + 16, 16);
    }
}

void Store420Sse2(uint8_t* dst, int pitch, const int16_t (*blocks)[64])
{
    Chroma c;
    Contributions(blocks, &c);
    for (int r = 0; r < 16; ++r, dst += pitch) {
        const uint8_t* left = reinterpret_cast<const uint8_t*>(blocks[r < 8 ? JPEG_Y0 : JPEG_Y2]) + (r & 7) * 8;
        const uint8_t* right = reinterpret_cast<const uint8_t*>(blocks[r < 8 ? JPEG_Y1 : JPEG_Y3]) + (r & 7) * 8;
        const int ci = (r >> 1) * 8;
        Pixels16(dst, _mm_unpacklo_epi64(Load8(left), Load8(right)), Stretch(c.r + ci), Stretch(c.g + ci),
                 Stretch(c.b + ci));
    }
}

bool CpuHasSse2()
{
#if defined(__GNUC__)
    return __builtin_cpu_supports("sse2");
#else
    return true; // x86-64 always has it
#endif
}

void IdctPairSse2(int16_t* a, int16_t* b)
{
    IdctSse2(a);
    IdctSse2(b);
}

const JpegBlockRoutines kSse2Routines = {"sse2",       IdctSse2,     StoreGreySse2, Store444Sse2,
                                        Store420Sse2, IdctPairSse2, 0};

} // namespace

const JpegBlockRoutines* JpegSse2Routines()
{
    static const bool can = CpuHasSse2();
    return can ? &kSse2Routines : 0;
}

#else

const JpegBlockRoutines* JpegSse2Routines()
{
    return 0;
}

#endif
