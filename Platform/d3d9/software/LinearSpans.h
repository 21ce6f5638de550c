// Bilinear filtering of screen-aligned quads in integers, for sprites that
// the engine draws scaled (it magnifies those linearly).
//
// A row of pixels is filtered in two passes: first the two texel rows that
// the pixel row lies between are blended vertically, once per texel column;
// then each pixel blends its two columns horizontally and is written or
// blended into the target. Channel values are kept in 1/64 steps of a byte
// and weights as 15-bit fractions, so that the result stays within a small
// fraction of a step of the float filter before the final rounding:
//   vertical    V = 64·top + ((bottom − top)·128·wy >> 16)
//   horizontal  P = V0 + ((V1 − V0)·2·wx >> 16)
//   scale       S = clamp((P·factor + 2048) >> 12, 0, 64·255)   (red, green, blue)
//   alpha       a15 = (4·Pa·32896) >> 16   (then · fade: (a15·2·f15) >> 16)
//   blend       out = (64·d + ((S − 64·d)·2·a15 >> 16) + 32) >> 6
//   no blend    out = (S + 32) >> 6
// Plain C++ and SSE2 give identical bytes. The colours that come here are
// those the program leaves alone (no shader, function 0 with or without its
// fade) or scales per channel (tints and blend levels: SpanKernels'
// ChannelScale, 4096 for 1.0), scaled after filtering as the program does.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_LINEARSPANS_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_LINEARSPANS_H

#include "SpanKernels.h"

#include <cstdint>

namespace kes::d3d9 {

// A pixel column's two texel columns (indices into the vertically filtered
// row) and the 15-bit weight of the second.
struct LinearColumn {
    int x0, x1;
    int w;
};

constexpr int kNoFade = 32768;
constexpr ChannelScale kUnscaled{4096, 4096, 4096};

struct LinearKernels {
    const char* name;
    // Blends `count` texels of the rows top and bottom (0xAARRGGBB) with
    // weight wy for bottom into out: four 16-bit channels per texel, in the
    // memory order blue, green, red, alpha.
    void (*vertical)(const uint32_t* top, const uint32_t* bottom, int count, int wy, int16_t* out);
    // Filters each pixel horizontally from `filtered`, scales its colour,
    // and writes it (blend false) or blends it over dst by its alpha, scaled
    // by fade (a 15-bit fraction, or kNoFade).
    void (*horizontal)(uint32_t* dst, const int16_t* filtered, const LinearColumn* columns, int n,
                       const ChannelScale& scale, int fade, bool blend);
    // horizontal in two halves, for filtered pixels kept between draws:
    // each pixel's P kept as four 16-bit values (2·P of blue, green and
    // red, and the 15-bit blend weight of P's alpha, the blend's own inputs)
    // into out, then kept pixels scaled and written or blended, with the
    // same bytes as horizontal.
    void (*filter)(int16_t* out, const int16_t* filtered, const LinearColumn* columns, int n);
    void (*write)(uint32_t* dst, const int16_t* pixels, int n, const ChannelScale& scale, int fade, bool blend);
};

const LinearKernels& ScalarLinearKernels();
// The SSE2 set, or null where the compiler targets no SSE2.
const LinearKernels* Sse2LinearKernels();
// The SSE2 set with an AVX2 write, or null where this processor has no AVX2.
const LinearKernels* Avx2LinearKernels();
const LinearKernels& SelectLinearKernels();

} // namespace kes::d3d9

#endif
