// Integer span kernels: writing a run of 0xAARRGGBB source pixels into a run
// of X8R8G8B8 target pixels, with or without source-alpha blending.
//
// Sets with identical results: plain C++, SSE2 (four pixels at a time;
// every x86-64 processor has SSE2), and SSE2 with AVX2 kernels where eight
// pixels at a time gain, for processors found to have AVX2 at run time. The
// rasterizer takes the set that SelectSpanKernels gives once; tests run all.
//
// Blending with an 8-bit alpha a is exact integer arithmetic:
//   out = round((s·a + d·(255 − a)) / 255)   per channel,
// which is the float formula s·a + d·(1 − a) rounded to nearest. A weight
// that is not a whole byte (a faded alpha, a computed coverage) comes as a
// 15-bit fraction w = round(alpha·32768) (at most 32767) and gives
//   out = (64·d + ((s − d)·128·w >> 16) + 32) >> 6,
// that is d + (s − d)·alpha to within 1/64 before rounding. The target's top
// byte is always written as 0xFF.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_SPANKERNELS_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_SPANKERNELS_H

#include <cstdint>

namespace kes::d3d9 {

// Per-channel byte maps: red, green and blue bytes of a source pixel looked
// up in 256-entry tables (results already in their bit positions).
struct ChannelMap {
    const uint32_t* red;
    const uint32_t* green;
    const uint32_t* blue;
};

// Per-channel scales: each of red, green and blue multiplied by a factor
// given as a signed fixed-point number with 12 fraction bits (|factor| < 8):
//   out = clamp((x·factor + 2048) >> 12, 0, 255).
struct ChannelScale {
    int red, green, blue;
};

// A source pixel through the tables, alpha kept.
inline uint32_t MapChannels(uint32_t argb, const ChannelMap& m)
{
    return (argb & 0xFF000000u) | m.red[(argb >> 16) & 255] | m.green[(argb >> 8) & 255] | m.blue[argb & 255];
}

inline uint32_t ScaleChannel(uint32_t x, int factor)
{
    const int v = (int(x) * factor + 2048) >> 12;
    return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// A source pixel scaled, alpha kept.
inline uint32_t ScaleChannels(uint32_t argb, const ChannelScale& k)
{
    return (argb & 0xFF000000u) | ScaleChannel((argb >> 16) & 255, k.red) << 16 |
           ScaleChannel((argb >> 8) & 255, k.green) << 8 | ScaleChannel(argb & 255, k.blue);
}

struct SpanKernels {
    const char* name;
    // dst = src, opaque.
    void (*copy)(uint32_t* dst, const uint32_t* src, int n);
    // dst = src over dst, alpha from each source pixel's top byte.
    void (*blend)(uint32_t* dst, const uint32_t* src, int n);
    // dst = map(src) over dst, alpha from each source pixel's top byte:
    // the tint tables and the blend in one pass, skipping clear pixels.
    void (*blendMapped)(uint32_t* dst, const uint32_t* src, const ChannelMap& map, int n);
    // The same with scales instead of tables, where the program's channel
    // functions are straight lines through 0 (tints and blend levels).
    void (*blendScaled)(uint32_t* dst, const uint32_t* src, const ChannelScale& scale, int n);
    // dst = src over dst, the 15-bit weight looked up by each source
    // pixel's alpha byte (a faded sprite); pixels of weight 0 are skipped.
    void (*blendFaded)(uint32_t* dst, const uint32_t* src, const uint16_t* weightOfAlpha, int n);
    // dst = colour, opaque.
    void (*fill)(uint32_t* dst, uint32_t colour, int n);
    // dst = colour over dst with an 8-bit alpha.
    void (*fillBlend)(uint32_t* dst, uint32_t colour, uint32_t alpha, int n);
    // dst = colour over dst with a 15-bit weight.
    void (*fillBlendWeighted)(uint32_t* dst, uint32_t colour, uint16_t w, int n);
};

const SpanKernels& ScalarSpanKernels();
// The SSE2 set, or null where the compiler targets no SSE2.
const SpanKernels* Sse2SpanKernels();
// The SSE2 set with AVX2 kernels where they gain, or null where this
// processor has no AVX2.
const SpanKernels* Avx2SpanKernels();
// The fastest set this machine runs.
const SpanKernels& SelectSpanKernels();

// The 15-bit weight of a saturated alpha (0..1).
inline uint16_t AlphaWeight(float alpha)
{
    const float w = alpha * 32768.0f + 0.5f;
    return w >= 32767.0f ? uint16_t(32767) : w > 0.0f ? uint16_t(w) : uint16_t(0);
}

} // namespace kes::d3d9

#endif
