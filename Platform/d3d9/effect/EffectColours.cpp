// The effect program's colour, four texels at a time: EffectProgram.cpp's
// steps with its branches turned into lane selections.
#include "EffectColours.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kes::d3d9 {

namespace {

// The channel bytes as EffectPixel stores them: saturated, ·255, + 0.5,
// truncated (ToByte).
inline uint32_t ByteOf(float x)
{
    const float s = x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
    return uint32_t(s * 255.0f + 0.5f);
}

// One texel through EffectPixel itself.
inline uint32_t ColourOf(const EffectConstants& k, uint32_t argb)
{
    const Float4 o = EffectPixel(k, Float4{float((argb >> 16) & 255) / 255.0f, float((argb >> 8) & 255) / 255.0f,
                                           float(argb & 255) / 255.0f, 1.0f});
    return ByteOf(o.r) << 16 | ByteOf(o.g) << 8 | ByteOf(o.b);
}

} // namespace

bool EffectColoursHandles(const EffectConstants& k)
{
    const bool mixes = k.function == 1 || k.function == 3 || (k.function == 2 && k.blend == 0);
    if (!mixes) return false;
    const auto moderate = [](float v) { return std::isfinite(v) && std::fabs(v) < 1e30f; };
    return moderate(k.color.r) && moderate(k.color.g) && moderate(k.color.b) && k.color.a >= -0.5f && k.color.a <= 1.5f;
}

#if defined(__SSE2__)

namespace {

inline __m128 Select(__m128 mask, __m128 a, __m128 b)
{
    return _mm_or_ps(_mm_and_ps(mask, a), _mm_andnot_ps(mask, b));
}

struct Lanes {
    __m128 r, g, b;
};

// EffectBlend's colour part.
inline Lanes Blend(const EffectConstants& k, Lanes c)
{
    if (k.blend == 0) {
        const __m128 grey =
            _mm_add_ps(_mm_add_ps(_mm_mul_ps(c.r, _mm_set1_ps(0.30f)), _mm_mul_ps(c.g, _mm_set1_ps(0.59f))),
                       _mm_mul_ps(c.b, _mm_set1_ps(0.11f)));
        const __m128 tenth = _mm_set1_ps(0.1f);
        c.r = _mm_add_ps(grey, _mm_mul_ps(tenth, _mm_sub_ps(c.r, grey)));
        c.g = _mm_add_ps(grey, _mm_mul_ps(tenth, _mm_sub_ps(c.g, grey)));
        c.b = _mm_add_ps(grey, _mm_mul_ps(tenth, _mm_sub_ps(c.b, grey)));
    } else if (k.blend >= 6 && k.blend < 14) {
        const __m128 m = _mm_set1_ps(0.5556f + static_cast<float>(k.blend - 5) * 0.05556f);
        c.r = _mm_mul_ps(c.r, m);
        c.g = _mm_mul_ps(c.g, m);
        c.b = _mm_mul_ps(c.b, m);
    } else if (k.blend > 14 && k.blend <= 21) {
        const __m128 m = _mm_set1_ps(static_cast<float>(k.blend - 14) * 0.1f);
        c.r = _mm_add_ps(c.r, _mm_mul_ps(c.r, m));
        c.g = _mm_add_ps(c.g, _mm_mul_ps(c.g, m));
        c.b = _mm_add_ps(c.b, _mm_mul_ps(c.b, m));
    }
    return c;
}

// EffectShiftHue's colour part, for hues that one wrap brings into 0..6.
inline Lanes ShiftHue(Lanes c, float val)
{
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f), six = _mm_set1_ps(6.0f);
    // maxps and minps give their second operand unless the first is greater
    // (smaller): Max3's and Min3's ternaries exactly.
    const __m128 cmax = _mm_max_ps(c.r, _mm_max_ps(c.g, c.b));
    const __m128 cmin = _mm_min_ps(c.r, _mm_min_ps(c.g, c.b));
    const __m128 v = cmax;
    const __m128 s = Select(_mm_cmpeq_ps(v, zero), zero, _mm_sub_ps(one, _mm_div_ps(cmin, cmax)));

    const __m128 range = _mm_sub_ps(cmax, cmin);
    __m128 hr = _mm_div_ps(_mm_sub_ps(c.g, c.b), range);
    hr = Select(_mm_cmplt_ps(hr, zero), _mm_add_ps(hr, six), hr);
    const __m128 hg = _mm_add_ps(_mm_set1_ps(2.0f), _mm_div_ps(_mm_sub_ps(c.b, c.r), range));
    const __m128 hb = _mm_add_ps(_mm_set1_ps(4.0f), _mm_div_ps(_mm_sub_ps(c.r, c.g), range));
    __m128 h = Select(_mm_cmpeq_ps(cmax, c.g), hg, hb);
    h = Select(_mm_cmpeq_ps(cmax, c.r), hr, h);
    h = Select(_mm_cmpeq_ps(cmin, cmax), zero, h);

    h = _mm_add_ps(h, _mm_set1_ps(6.0f * (val - 0.5f)));
    const __m128 down = _mm_sub_ps(h, six);
    __m128 up = _mm_add_ps(h, six);
    up = Select(_mm_cmpge_ps(up, six), zero, up);
    h = Select(_mm_cmpge_ps(h, six), down, Select(_mm_cmplt_ps(h, zero), up, h));

    // h lies in 0..6 here, where truncation is floor.
    const __m128 fl = _mm_cvtepi32_ps(_mm_cvttps_epi32(h));
    const __m128 f = _mm_sub_ps(h, fl);
    const __m128 p = _mm_mul_ps(v, _mm_sub_ps(one, s));
    const __m128 q = _mm_mul_ps(v, _mm_sub_ps(one, _mm_mul_ps(s, f)));
    const __m128 w = _mm_mul_ps(v, _mm_sub_ps(one, _mm_mul_ps(s, _mm_sub_ps(one, f))));

    const auto sextant = [&](float n) { return _mm_cmpeq_ps(fl, _mm_set1_ps(n)); };
    const __m128 h0 = sextant(0.0f), h1 = sextant(1.0f), h2 = sextant(2.0f), h3 = sextant(3.0f), h4 = sextant(4.0f);
    // Sextant 0: v w p; 1: q v p; 2: p v w; 3: p q v; 4: w p v; else v p q.
    Lanes o;
    o.r = Select(h0, v, Select(h1, q, Select(h2, p, Select(h3, p, Select(h4, w, v)))));
    o.g = Select(h0, w, Select(h1, v, Select(h2, v, Select(h3, q, Select(h4, p, p)))));
    o.b = Select(h0, p, Select(h1, p, Select(h2, w, Select(h3, v, Select(h4, v, q)))));
    return o;
}

inline __m128i Bytes(__m128 x)
{
    // Saturate: maxps gives 0 for NaN and below, minps caps at 1.
    const __m128 s = _mm_min_ps(_mm_max_ps(x, _mm_setzero_ps()), _mm_set1_ps(1.0f));
    return _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(s, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f)));
}

} // namespace

void EffectColours(const EffectConstants& k, const uint32_t* argb, uint32_t* rgb, int n)
{
    const __m128 tintR = _mm_set1_ps(2.0f * k.color.r), tintG = _mm_set1_ps(2.0f * k.color.g),
                 tintB = _mm_set1_ps(2.0f * k.color.b);
    const __m128i byte = _mm_set1_epi32(255);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(argb + i));
        // byte / 255 as UnormTable8 holds it: the division, correctly rounded.
        const auto unorm = [&](int shift) {
            return _mm_div_ps(_mm_cvtepi32_ps(_mm_and_si128(_mm_srli_epi32(px, shift), byte)), _mm_set1_ps(255.0f));
        };
        Lanes c{unorm(16), unorm(8), unorm(0)};
        if (k.function != 1) c = Blend(k, c);
        if (k.function != 2) {
            c.r = _mm_mul_ps(c.r, tintR);
            c.g = _mm_mul_ps(c.g, tintG);
            c.b = _mm_mul_ps(c.b, tintB);
            c = ShiftHue(c, k.color.a);
        }
        const __m128i out =
            _mm_or_si128(_mm_or_si128(_mm_slli_epi32(Bytes(c.r), 16), _mm_slli_epi32(Bytes(c.g), 8)), Bytes(c.b));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(rgb + i), out);
    }
    for (; i < n; ++i) rgb[i] = ColourOf(k, argb[i]);
}

#else

void EffectColours(const EffectConstants& k, const uint32_t* argb, uint32_t* rgb, int n)
{
    for (int i = 0; i < n; ++i) rgb[i] = ColourOf(k, argb[i]);
}

#endif

} // namespace kes::d3d9
