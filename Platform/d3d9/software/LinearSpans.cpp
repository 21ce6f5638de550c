// Bilinear span kernels in plain C++ and in SSE2, bit-identical to each other.
#include "LinearSpans.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kes::d3d9 {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// ---- plain C++ -------------------------------------------------------------------

void VerticalScalar(const uint32_t* top, const uint32_t* bottom, int count, int wy, int16_t* out)
{
    for (int i = 0; i < count; ++i)
        for (int c = 0; c < 4; ++c) {
            const int t = int((top[i] >> (8 * c)) & 255), b = int((bottom[i] >> (8 * c)) & 255);
            out[4 * i + c] = int16_t(t * 64 + (((b - t) * 128 * wy) >> 16));
        }
}

// P for the four channels of one pixel; each lies between its two inputs.
inline void Horizontal(const int16_t* filtered, const LinearColumn& col, int p[4])
{
    const int16_t* a = filtered + 4 * col.x0;
    const int16_t* b = filtered + 4 * col.x1;
    for (int c = 0; c < 4; ++c) p[c] = a[c] + (((b[c] - a[c]) * 2 * col.w) >> 16);
}

// The blend weight of P's alpha as a 15-bit fraction (64·255 gives 32767).
inline int AlphaWeight15(int alpha)
{
    return int((uint32_t(alpha) * 4u * 32896u) >> 16);
}

// Scales P's colour and writes it (blend false) or blends it over *dst
// with the weight a15, faded.
inline void WritePixel(uint32_t* dst, int p[3], int a15, const int factors[3], int fade, bool blend)
{
    for (int c = 0; c < 3; ++c) {
        const int v = (p[c] * factors[c] + 2048) >> 12;
        p[c] = v < 0 ? 0 : v > 64 * 255 ? 64 * 255 : v;
    }
    if (!blend) {
        *dst =
            kOpaque | uint32_t((p[2] + 32) >> 6) << 16 | uint32_t((p[1] + 32) >> 6) << 8 | uint32_t((p[0] + 32) >> 6);
        return;
    }
    if (fade != kNoFade) a15 = (a15 * 2 * fade) >> 16;
    if (a15 == 0) return; // the formula gives dst back
    uint32_t out = kOpaque;
    for (int c = 0; c < 3; ++c) {
        const int d = int((*dst >> (8 * c)) & 255) * 64;
        out |= uint32_t((d + (((p[c] - d) * 2 * a15) >> 16) + 32) >> 6) << (8 * c);
    }
    *dst = out;
}

void HorizontalScalar(uint32_t* dst, const int16_t* filtered, const LinearColumn* columns, int n,
                      const ChannelScale& scale, int fade, bool blend)
{
    const int factors[3] = {scale.blue, scale.green, scale.red};
    for (int i = 0; i < n; ++i) {
        int p[4];
        Horizontal(filtered, columns[i], p);
        WritePixel(dst + i, p, AlphaWeight15(p[3]), factors, fade, blend);
    }
}

void FilterScalar(int16_t* out, const int16_t* filtered, const LinearColumn* columns, int n)
{
    for (int i = 0; i < n; ++i) {
        int p[4];
        Horizontal(filtered, columns[i], p);
        for (int c = 0; c < 3; ++c) out[4 * i + c] = int16_t(2 * p[c]);
        out[4 * i + 3] = int16_t(AlphaWeight15(p[3]));
    }
}

void WriteScalar(uint32_t* dst, const int16_t* pixels, int n, const ChannelScale& scale, int fade, bool blend)
{
    const int factors[3] = {scale.blue, scale.green, scale.red};
    for (int i = 0; i < n; ++i) {
        const int16_t* q = pixels + 4 * i;
        int p[3] = {q[0] >> 1, q[1] >> 1, q[2] >> 1};
        WritePixel(dst + i, p, q[3], factors, fade, blend);
    }
}

const LinearKernels kScalar = {"scalar", VerticalScalar, HorizontalScalar, FilterScalar, WriteScalar};

// ---- SSE2 ------------------------------------------------------------------------

#if defined(__SSE2__)

void VerticalSse2(const uint32_t* top, const uint32_t* bottom, int count, int wy, int16_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i w = _mm_set1_epi16(short(wy));
    int i = 0;
    for (; i + 2 <= count; i += 2) {
        const __m128i t = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(top + i)), zero);
        const __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom + i)), zero);
        const __m128i r = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(b, t), 7), w);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), _mm_add_epi16(_mm_slli_epi16(t, 6), r));
    }
    VerticalScalar(top + i, bottom + i, count - i, wy, out + 4 * i);
}

// Two pixels' P: pixel i in the low four lanes, pixel i + 1 in the high four.
inline __m128i Horizontal2(const int16_t* filtered, const LinearColumn& c0, const LinearColumn& c1)
{
    const auto load = [filtered](int x) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(filtered + 4 * x)); };
    const __m128i a = _mm_unpacklo_epi64(load(c0.x0), load(c1.x0));
    const __m128i b = _mm_unpacklo_epi64(load(c0.x1), load(c1.x1));
    const short w0 = short(c0.w), w1 = short(c1.w);
    const __m128i w = _mm_setr_epi16(w0, w0, w0, w0, w1, w1, w1, w1);
    return _mm_add_epi16(a, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(b, a), 1), w));
}

// The constants of the second half of the horizontal pass.
struct WriteSetup {
    __m128i zero, ones, factors, top, opaque, k32, alphaScale, fade16;
    bool unscaled, faded, blend;

    WriteSetup(const ChannelScale& scale, int fade, bool blendOn)
    {
        zero = _mm_setzero_si128();
        // (P, 1) pairs times (factor, 2048): P·factor + 2048 in one multiply-add.
        ones = _mm_set1_epi16(1);
        factors = _mm_setr_epi16(short(scale.blue), 2048, short(scale.green), 2048, short(scale.red), 2048, 4096, 2048);
        top = _mm_set1_epi16(64 * 255);
        opaque = _mm_set1_epi32(int(kOpaque));
        k32 = _mm_set1_epi16(32);
        alphaScale = _mm_set1_epi16(short(32896));
        fade16 = _mm_set1_epi16(short(fade));
        unscaled = scale.red == 4096 && scale.green == 4096 && scale.blue == 4096;
        faded = fade != kNoFade;
        blend = blendOn;
    }
};

inline __m128i Scaled(const WriteSetup& w, __m128i p)
{
    if (w.unscaled) return p; // P·4096 >> 12 is P, already within range
    const __m128i lo = _mm_srai_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(p, w.ones), w.factors), 12);
    const __m128i hi = _mm_srai_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(p, w.ones), w.factors), 12);
    return _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(lo, hi), w.zero), w.top);
}

inline __m128i Over(const WriteSetup& w, __m128i p, __m128i d8)
{
    __m128i a15 = _mm_mulhi_epu16(_mm_slli_epi16(p, 2), w.alphaScale);
    if (w.faded) a15 = _mm_mulhi_epu16(_mm_slli_epi16(a15, 1), w.fade16);
    a15 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(a15, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    const __m128i d = _mm_slli_epi16(d8, 6);
    const __m128i r = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(p, d), 1), a15);
    return _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(d, r), w.k32), 6);
}

// Four pixels' P (two and two) scaled and written or blended.
inline void Write4(const WriteSetup& w, uint32_t* dst, __m128i p01, __m128i p23)
{
    p01 = Scaled(w, p01);
    p23 = Scaled(w, p23);
    __m128i lo, hi;
    if (!w.blend) {
        lo = _mm_srli_epi16(_mm_add_epi16(p01, w.k32), 6);
        hi = _mm_srli_epi16(_mm_add_epi16(p23, w.k32), 6);
    } else {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst));
        lo = Over(w, p01, _mm_unpacklo_epi8(d, w.zero));
        hi = Over(w, p23, _mm_unpackhi_epi8(d, w.zero));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_or_si128(_mm_packus_epi16(lo, hi), w.opaque));
}

void HorizontalSse2(uint32_t* dst, const int16_t* filtered, const LinearColumn* columns, int n,
                    const ChannelScale& scale, int fade, bool blend)
{
    const WriteSetup w(scale, fade, blend);
    int i = 0;
    for (; i + 4 <= n; i += 4)
        Write4(w, dst + i, Horizontal2(filtered, columns[i], columns[i + 1]),
               Horizontal2(filtered, columns[i + 2], columns[i + 3]));
    HorizontalScalar(dst + i, filtered, columns + i, n - i, scale, fade, blend);
}

void FilterSse2(int16_t* out, const int16_t* filtered, const LinearColumn* columns, int n)
{
    const __m128i colour = _mm_setr_epi16(-1, -1, -1, 0, -1, -1, -1, 0);
    const __m128i alphaScale = _mm_set1_epi16(short(32896));
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        const __m128i p = Horizontal2(filtered, columns[i], columns[i + 1]);
        const __m128i a15 = _mm_mulhi_epu16(_mm_slli_epi16(p, 2), alphaScale);
        const __m128i kept = _mm_or_si128(_mm_and_si128(colour, _mm_slli_epi16(p, 1)), _mm_andnot_si128(colour, a15));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * i), kept);
    }
    FilterScalar(out + 4 * i, filtered, columns + i, n - i);
}

// Two kept pixels (2·P, weight) written or blended over d8, as Write4 does
// with P: 2·P − 128·d is (P − 64·d)·2, and (64·d + r + 32) >> 6 is
// d + ((r + 32) >> 6).
inline __m128i WriteKept2(const WriteSetup& w, __m128i q, __m128i d8)
{
    __m128i x2 = q;
    if (!w.unscaled) x2 = _mm_slli_epi16(Scaled(w, _mm_srai_epi16(q, 1)), 1);
    if (!w.blend) return _mm_srli_epi16(_mm_add_epi16(x2, _mm_set1_epi16(64)), 7);
    __m128i a15 = q;
    if (w.faded) a15 = _mm_mulhi_epu16(_mm_slli_epi16(a15, 1), w.fade16);
    a15 = _mm_shufflehi_epi16(_mm_shufflelo_epi16(a15, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
    const __m128i r = _mm_mulhi_epi16(_mm_sub_epi16(x2, _mm_slli_epi16(d8, 7)), a15);
    return _mm_add_epi16(d8, _mm_srai_epi16(_mm_add_epi16(r, w.k32), 6));
}

void WriteSse2(uint32_t* dst, const int16_t* pixels, int n, const ChannelScale& scale, int fade, bool blend)
{
    const WriteSetup w(scale, fade, blend);
    const __m128i alphas = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i q01 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * i));
        const __m128i q23 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + 4 * i + 8));
        // Clear pixels blend to the target as it was: skip runs of them.
        if (blend &&
            _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(_mm_or_si128(q01, q23), alphas), w.zero)) == 0xFFFF)
            continue;
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
        const __m128i lo = WriteKept2(w, q01, _mm_unpacklo_epi8(d, w.zero));
        const __m128i hi = WriteKept2(w, q23, _mm_unpackhi_epi8(d, w.zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(_mm_packus_epi16(lo, hi), w.opaque));
    }
    WriteScalar(dst + i, pixels + 4 * i, n - i, scale, fade, blend);
}

const LinearKernels kSse2 = {"sse2", VerticalSse2, HorizontalSse2, FilterSse2, WriteSse2};

#endif

} // namespace

const LinearKernels& ScalarLinearKernels()
{
    return kScalar;
}

const LinearKernels* Sse2LinearKernels()
{
#if defined(__SSE2__)
    return &kSse2;
#else
    return nullptr;
#endif
}

const LinearKernels& SelectLinearKernels()
{
    if (const LinearKernels* avx2 = Avx2LinearKernels()) return *avx2;
    const LinearKernels* sse2 = Sse2LinearKernels();
    return sse2 ? *sse2 : kScalar;
}

} // namespace kes::d3d9
