// The effect program in C++: the reference every faster path of the software
// device is checked against. It is written the way the GPU runs it, in single
// precision, one statement per step, so that results agree with the GLSL text
// (EffectGlsl.cpp) up to the GPU's own rounding. Keep it plain: speed belongs
// in the specialised paths, not here.
#include "EffectProgram.h"

#include <cmath>

namespace kes::d3d9 {

namespace {

inline float Max3(float r, float g, float b)
{
    const float gb = g > b ? g : b;
    return r > gb ? r : gb;
}

inline float Min3(float r, float g, float b)
{
    const float gb = g < b ? g : b;
    return r < gb ? r : gb;
}

// g_alpha is a multiplier only below 1: a value of 1 or more (the usual
// "no fade") must leave the texel's alpha bit-exact.
inline float FadeAlpha(const EffectConstants& k, float a)
{
    return k.alpha < 1.0f ? a * k.alpha : a;
}

} // namespace

Float4 EffectShiftHue(Float4 c, float val)
{
    const float cmax = Max3(c.r, c.g, c.b);
    const float cmin = Min3(c.r, c.g, c.b);
    const float v = cmax;
    const float s = v == 0.0f ? 0.0f : 1.0f - cmin / cmax;

    // Hue in sixths of a turn. Red is tested before green and green before
    // blue, so ties resolve the same way on every device.
    float h;
    if (cmin == cmax) {
        h = 0.0f;
    } else if (cmax == c.r) {
        h = (c.g - c.b) / (cmax - cmin);
        if (h < 0.0f)
            h += 6.0f;
    } else if (cmax == c.g) {
        h = 2.0f + (c.b - c.r) / (cmax - cmin);
    } else {
        h = 4.0f + (c.r - c.g) / (cmax - cmin);
    }

    // val 0.5 is no rotation; 0 and 1 are half a turn. The engine's hue
    // values (bytes (b - 1) / 254) never need more than one wrap, and the
    // program does exactly one: whatever is left out of 0..6 falls into the
    // last case below. A hue a hair below 0 can round up to exactly 6 when
    // wrapped; it is 0 (red), not the last case's magenta.
    h += 6.0f * (val - 0.5f);
    if (h >= 6.0f) {
        h -= 6.0f;
    } else if (h < 0.0f) {
        h += 6.0f;
        if (h >= 6.0f) h = 0.0f;
    }

    const float fl = std::floor(h);
    const float f = h - fl; // frac
    h = fl;
    const float p = v * (1.0f - s);
    const float q = v * (1.0f - s * f);
    const float w = v * (1.0f - s * (1.0f - f));

    if (h == 0.0f)
        return Float4{v, w, p, c.a};
    if (h == 1.0f)
        return Float4{q, v, p, c.a};
    if (h == 2.0f)
        return Float4{p, v, w, c.a};
    if (h == 3.0f)
        return Float4{p, q, v, c.a};
    if (h == 4.0f)
        return Float4{w, p, v, c.a};
    return Float4{v, p, q, c.a};
}

Float4 EffectTintAndShift(const EffectConstants& k, Float4 c)
{
    // The colour bytes arrive as (byte - 1) / 254, so 128 is exactly 0.5 and
    // scales by exactly 1; brighter bytes may push channels above 1.
    c.r *= 2.0f * k.color.r;
    c.g *= 2.0f * k.color.g;
    c.b *= 2.0f * k.color.b;
    return EffectShiftHue(c, k.color.a);
}

Float4 EffectBlend(const EffectConstants& k, Float4 c)
{
    if (k.blend == 0) {
        // 90 % of the way to grey: lerp(grey, c, 0.1).
        const float grey = c.r * 0.30f + c.g * 0.59f + c.b * 0.11f;
        c.r = grey + 0.1f * (c.r - grey);
        c.g = grey + 0.1f * (c.g - grey);
        c.b = grey + 0.1f * (c.b - grey);
    } else if (k.blend >= 6 && k.blend < 14) {
        // Darkening levels; level 13 lands just above 1 (1.00008), which is
        // the program's own constant, not a rounding slip to be "fixed".
        const float m = 0.5556f + static_cast<float>(k.blend - 5) * 0.05556f;
        c.r *= m;
        c.g *= m;
        c.b *= m;
    } else if (k.blend > 14 && k.blend <= 21) {
        const float m = static_cast<float>(k.blend - 14) * 0.1f;
        c.r += c.r * m;
        c.g += c.g * m;
        c.b += c.b * m;
    }
    c.a = FadeAlpha(k, c.a);
    return c;
}

Float4 EffectPixel(const EffectConstants& k, Float4 t)
{
    switch (k.function) {
    case 0:
        t.a = FadeAlpha(k, t.a);
        return t;
    case 1: {
        Float4 c = EffectTintAndShift(k, t);
        c.a = FadeAlpha(k, c.a);
        return c;
    }
    case 2:
        return EffectBlend(k, t);
    case 3:
        return EffectTintAndShift(k, EffectBlend(k, t));
    case 4:
        // Silhouette: text images are coverage masks; uncovered texels must
        // stay fully transparent black whatever the colour.
        if (t.a == 0.0f)
            return Float4{0.0f, 0.0f, 0.0f, 0.0f};
        return Float4{k.color.r, k.color.g, k.color.b, t.a * k.color.a};
    case 5:
        // Glow: the colour's alpha is the result's alpha, coverage (boosted
        // by 1.2) scales the colour instead.
        if (t.a > 0.0f) {
            const float a = t.a * 1.2f;
            return Float4{a * k.color.r, a * k.color.g, a * k.color.b, k.color.a};
        }
        return t;
    default:
        return k.color; // lines and rectangles
    }
}

} // namespace kes::d3d9
