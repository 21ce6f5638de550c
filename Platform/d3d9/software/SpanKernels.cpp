// Span kernels in plain C++ and in SSE2, bit-identical to each other.
#include "SpanKernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <cstring>

namespace kes::d3d9 {

namespace {

constexpr uint32_t kOpaque = 0xFF000000u;

// round((s·a + d·(255 − a)) / 255) for bytes: (x·257) >> 16 with x the sum
// plus 128 is exact rounding for every sum up to 255·255.
inline uint32_t MixByte(uint32_t s, uint32_t d, uint32_t a)
{
    const uint32_t x = s * a + d * (255 - a) + 128;
    return (x * 257) >> 16;
}

inline uint32_t MixPixel(uint32_t s, uint32_t d, uint32_t a)
{
    return kOpaque | MixByte((s >> 16) & 255, (d >> 16) & 255, a) << 16 |
           MixByte((s >> 8) & 255, (d >> 8) & 255, a) << 8 | MixByte(s & 255, d & 255, a);
}

// d + (s − d)·w/32768 in 1/64 steps, then rounded; the shift of a negative
// product rounds down, as SSE2's signed high multiply does.
inline uint32_t WeighByte(int s, int d, int w)
{
    const int r = ((s - d) * 128 * w) >> 16;
    return uint32_t((d * 64 + r + 32) >> 6);
}

inline uint32_t WeighPixel(uint32_t s, uint32_t d, int w)
{
    return kOpaque | WeighByte(int((s >> 16) & 255), int((d >> 16) & 255), w) << 16 |
           WeighByte(int((s >> 8) & 255), int((d >> 8) & 255), w) << 8 | WeighByte(int(s & 255), int(d & 255), w);
}

// ---- plain C++ -------------------------------------------------------------------

void CopyScalar(uint32_t* dst, const uint32_t* src, int n)
{
    for (int i = 0; i < n; ++i) dst[i] = src[i] | kOpaque;
}

void BlendScalar(uint32_t* dst, const uint32_t* src, int n)
{
    for (int i = 0; i < n; ++i) {
        const uint32_t s = src[i], a = s >> 24;
        // Both shortcuts give what the formula gives.
        if (a == 255)
            dst[i] = s | kOpaque;
        else if (a != 0)
            dst[i] = MixPixel(s, dst[i], a);
    }
}

void BlendMappedScalar(uint32_t* dst, const uint32_t* src, const ChannelMap& map, int n)
{
    for (int i = 0; i < n; ++i) {
        const uint32_t a = src[i] >> 24;
        if (a == 0) continue;
        const uint32_t s = MapChannels(src[i], map);
        dst[i] = a == 255 ? s : MixPixel(s, dst[i], a);
    }
}

void BlendScaledScalar(uint32_t* dst, const uint32_t* src, const ChannelScale& scale, int n)
{
    for (int i = 0; i < n; ++i) {
        const uint32_t a = src[i] >> 24;
        if (a == 0) continue;
        const uint32_t s = ScaleChannels(src[i], scale);
        dst[i] = a == 255 ? s : MixPixel(s, dst[i], a);
    }
}

void BlendFadedScalar(uint32_t* dst, const uint32_t* src, const uint16_t* weightOfAlpha, int n)
{
    for (int i = 0; i < n; ++i) {
        const uint16_t w = weightOfAlpha[src[i] >> 24];
        if (w != 0) dst[i] = WeighPixel(src[i], dst[i], w);
    }
}

void FillScalar(uint32_t* dst, uint32_t colour, int n)
{
    colour |= kOpaque;
    for (int i = 0; i < n; ++i) dst[i] = colour;
}

void FillBlendScalar(uint32_t* dst, uint32_t colour, uint32_t alpha, int n)
{
    if (alpha == 0) return;
    if (alpha >= 255) return FillScalar(dst, colour, n);
    for (int i = 0; i < n; ++i) dst[i] = MixPixel(colour, dst[i], alpha);
}

void FillBlendWeightedScalar(uint32_t* dst, uint32_t colour, uint16_t w, int n)
{
    if (w == 0) return;
    for (int i = 0; i < n; ++i) dst[i] = WeighPixel(colour, dst[i], w);
}

const SpanKernels kScalar = {"scalar",         CopyScalar, BlendScalar,     BlendMappedScalar,      BlendScaledScalar,
                             BlendFadedScalar, FillScalar, FillBlendScalar, FillBlendWeightedScalar};

// ---- SSE2 ------------------------------------------------------------------------

#if defined(__SSE2__)

inline __m128i Load(const uint32_t* p)
{
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Store(uint32_t* p, __m128i v)
{
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

// Each pixel's alpha word (lane 3 of its four 16-bit channels) in all four lanes.
inline __m128i SpreadAlpha(__m128i px16)
{
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(px16, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
}

// MixByte on eight 16-bit channels.
inline __m128i Mix16(__m128i s, __m128i d, __m128i a)
{
    const __m128i k255 = _mm_set1_epi16(255), k128 = _mm_set1_epi16(128), k257 = _mm_set1_epi16(257);
    const __m128i x =
        _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(s, a), _mm_mullo_epi16(d, _mm_sub_epi16(k255, a))), k128);
    return _mm_mulhi_epu16(x, k257);
}

// WeighByte on eight 16-bit channels.
inline __m128i Weigh16(__m128i s, __m128i d, __m128i w)
{
    const __m128i r = _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(s, d), 7), w);
    return _mm_srai_epi16(_mm_add_epi16(_mm_add_epi16(_mm_slli_epi16(d, 6), r), _mm_set1_epi16(32)), 6);
}

void CopySse2(uint32_t* dst, const uint32_t* src, int n)
{
    const __m128i opaque = _mm_set1_epi32(int(kOpaque));
    int i = 0;
    for (; i + 4 <= n; i += 4) Store(dst + i, _mm_or_si128(Load(src + i), opaque));
    CopyScalar(dst + i, src + i, n - i);
}

void BlendSse2(uint32_t* dst, const uint32_t* src, int n)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(kOpaque));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Load(src + i);
        // Sprites are mostly fully opaque or fully clear: four pixels of
        // either kind need no arithmetic.
        const __m128i alpha = _mm_and_si128(s, opaque);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, opaque)) == 0xFFFF) {
            Store(dst + i, s);
            continue;
        }
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
        const __m128i d = Load(dst + i);
        const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
        const __m128i dlo = _mm_unpacklo_epi8(d, zero), dhi = _mm_unpackhi_epi8(d, zero);
        const __m128i lo = Mix16(slo, dlo, SpreadAlpha(slo));
        const __m128i hi = Mix16(shi, dhi, SpreadAlpha(shi));
        Store(dst + i, _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
    BlendScalar(dst + i, src + i, n - i);
}

void BlendMappedSse2(uint32_t* dst, const uint32_t* src, const ChannelMap& map, int n)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(kOpaque));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i alpha = _mm_and_si128(Load(src + i), opaque);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
        // No gather in SSE2: the lookups are scalar, the blend is not.
        const __m128i s = _mm_set_epi32(int(MapChannels(src[i + 3], map)), int(MapChannels(src[i + 2], map)),
                                        int(MapChannels(src[i + 1], map)), int(MapChannels(src[i], map)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, opaque)) == 0xFFFF) {
            Store(dst + i, s);
            continue;
        }
        const __m128i d = Load(dst + i);
        const __m128i slo = _mm_unpacklo_epi8(s, zero), shi = _mm_unpackhi_epi8(s, zero);
        const __m128i lo = Mix16(slo, _mm_unpacklo_epi8(d, zero), SpreadAlpha(slo));
        const __m128i hi = Mix16(shi, _mm_unpackhi_epi8(d, zero), SpreadAlpha(shi));
        Store(dst + i, _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
    BlendMappedScalar(dst + i, src + i, map, n - i);
}

void BlendScaledSse2(uint32_t* dst, const uint32_t* src, const ChannelScale& scale, int n)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(kOpaque));
    const __m128i ones = _mm_set1_epi16(1);
    // Pairs (channel, 1) times (factor, 2048) give x·factor + 2048 in one
    // multiply-add; alpha's factor 1.0 keeps it.
    const __m128i factors =
        _mm_setr_epi16(short(scale.blue), 2048, short(scale.green), 2048, short(scale.red), 2048, 4096, 2048);
    const auto scalePixel = [&](__m128i pairs) { return _mm_srai_epi32(_mm_madd_epi16(pairs, factors), 12); };
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i raw = Load(src + i);
        const __m128i alpha = _mm_and_si128(raw, opaque);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) continue;
        const __m128i lo = _mm_unpacklo_epi8(raw, zero), hi = _mm_unpackhi_epi8(raw, zero);
        const __m128i slo =
            _mm_packs_epi32(scalePixel(_mm_unpacklo_epi16(lo, ones)), scalePixel(_mm_unpackhi_epi16(lo, ones)));
        const __m128i shi =
            _mm_packs_epi32(scalePixel(_mm_unpacklo_epi16(hi, ones)), scalePixel(_mm_unpackhi_epi16(hi, ones)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, opaque)) == 0xFFFF) {
            Store(dst + i, _mm_packus_epi16(slo, shi));
            continue;
        }
        // Clamped to bytes before the blend, as the scalar code does.
        const __m128i s = _mm_packus_epi16(slo, shi);
        const __m128i d = Load(dst + i);
        const __m128i s8lo = _mm_unpacklo_epi8(s, zero), s8hi = _mm_unpackhi_epi8(s, zero);
        const __m128i mlo = Mix16(s8lo, _mm_unpacklo_epi8(d, zero), SpreadAlpha(s8lo));
        const __m128i mhi = Mix16(s8hi, _mm_unpackhi_epi8(d, zero), SpreadAlpha(s8hi));
        Store(dst + i, _mm_or_si128(_mm_packus_epi16(mlo, mhi), opaque));
    }
    BlendScaledScalar(dst + i, src + i, scale, n - i);
}

void BlendFadedSse2(uint32_t* dst, const uint32_t* src, const uint16_t* weightOfAlpha, int n)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(kOpaque));
    const uint16_t clear = weightOfAlpha[0];
    const __m128i full = _mm_set1_epi16(short(weightOfAlpha[255]));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = Load(src + i);
        // Runs of clear or opaque pixels share one weight: no lookups.
        const __m128i alpha = _mm_and_si128(s, opaque);
        __m128i wlo, whi;
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(alpha, opaque)) == 0xFFFF) {
            wlo = whi = full;
        } else if (clear == 0 && _mm_movemask_epi8(_mm_cmpeq_epi32(alpha, zero)) == 0xFFFF) {
            continue;
        } else {
            const short w0 = short(weightOfAlpha[src[i] >> 24]), w1 = short(weightOfAlpha[src[i + 1] >> 24]);
            const short w2 = short(weightOfAlpha[src[i + 2] >> 24]), w3 = short(weightOfAlpha[src[i + 3] >> 24]);
            if ((w0 | w1 | w2 | w3) == 0) continue;
            wlo = _mm_setr_epi16(w0, w0, w0, w0, w1, w1, w1, w1);
            whi = _mm_setr_epi16(w2, w2, w2, w2, w3, w3, w3, w3);
        }
        const __m128i d = Load(dst + i);
        const __m128i lo = Weigh16(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), wlo);
        const __m128i hi = Weigh16(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), whi);
        Store(dst + i, _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
    BlendFadedScalar(dst + i, src + i, weightOfAlpha, n - i);
}

void FillSse2(uint32_t* dst, uint32_t colour, int n)
{
    colour |= kOpaque;
    const __m128i c = _mm_set1_epi32(int(colour));
    int i = 0;
    for (; i + 16 <= n; i += 16) {
        Store(dst + i, c);
        Store(dst + i + 4, c);
        Store(dst + i + 8, c);
        Store(dst + i + 12, c);
    }
    for (; i + 4 <= n; i += 4) Store(dst + i, c);
    FillScalar(dst + i, colour, n - i);
}

void FillBlendSse2(uint32_t* dst, uint32_t colour, uint32_t alpha, int n)
{
    if (alpha == 0) return;
    if (alpha >= 255) return FillSse2(dst, colour, n);
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(kOpaque));
    const __m128i s = _mm_unpacklo_epi8(_mm_set1_epi32(int(colour)), zero);
    const __m128i a = _mm_set1_epi16(short(alpha));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i d = Load(dst + i);
        const __m128i lo = Mix16(s, _mm_unpacklo_epi8(d, zero), a);
        const __m128i hi = Mix16(s, _mm_unpackhi_epi8(d, zero), a);
        Store(dst + i, _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
    FillBlendScalar(dst + i, colour, alpha, n - i);
}

void FillBlendWeightedSse2(uint32_t* dst, uint32_t colour, uint16_t w, int n)
{
    if (w == 0) return;
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(int(kOpaque));
    const __m128i s = _mm_unpacklo_epi8(_mm_set1_epi32(int(colour)), zero);
    const __m128i w16 = _mm_set1_epi16(short(w));
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i d = Load(dst + i);
        const __m128i lo = Weigh16(s, _mm_unpacklo_epi8(d, zero), w16);
        const __m128i hi = Weigh16(s, _mm_unpackhi_epi8(d, zero), w16);
        Store(dst + i, _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
    FillBlendWeightedScalar(dst + i, colour, w, n - i);
}

const SpanKernels kSse2 = {"sse2",         CopySse2, BlendSse2,     BlendMappedSse2,      BlendScaledSse2,
                           BlendFadedSse2, FillSse2, FillBlendSse2, FillBlendWeightedSse2};

#endif

} // namespace

const SpanKernels& ScalarSpanKernels()
{
    return kScalar;
}

const SpanKernels* Sse2SpanKernels()
{
#if defined(__SSE2__)
    return &kSse2;
#else
    return nullptr;
#endif
}

const SpanKernels& SelectSpanKernels()
{
    if (const SpanKernels* avx2 = Avx2SpanKernels()) return *avx2;
    const SpanKernels* sse2 = Sse2SpanKernels();
    return sse2 ? *sse2 : kScalar;
}

} // namespace kes::d3d9
