// The effect program for many texels at once, where its output colour
// depends on the texel's colour alone: the colour bytes the software device
// stores for each texel colour, computed four texels at a time in SSE2.
//
// Every step is the one EffectPixel takes, in the same order and the same
// single precision (no fused multiply-adds: this file and the program are
// compiled without contraction), each branch of the program a selection
// between lanes, so that each lane gives the bytes EffectPixel gives:
//   ToByte(EffectPixel(k, {r/255, g/255, b/255, 1})) for red, green, blue.
// Tests compare the two over every 24-bit colour and every hue byte.
#ifndef KESTO_PLATFORM_D3D9_EFFECT_EFFECTCOLOURS_H
#define KESTO_PLATFORM_D3D9_EFFECT_EFFECTCOLOURS_H

#include "EffectProgram.h"

#include <cstdint>

namespace kes::d3d9 {

// Whether EffectColours computes the program for these constants: the
// functions whose colour mixes the channels (tint and hue, 1; the grey
// level, 2 with blend 0; levels with tint and hue, 3) with finite constants
// in the range the engine sets (hue value within -0.5..1.5, colour channels
// below 1e30 in size). Others go through EffectPixel itself.
bool EffectColoursHandles(const EffectConstants& k);

// For `n` texels given as 0xAARRGGBB, the program's output colour as
// 0x00RRGGBB bytes (each channel saturated and rounded to nearest), alpha
// not looked at. Only for constants EffectColoursHandles accepts.
void EffectColours(const EffectConstants& k, const uint32_t* argb, uint32_t* rgb, int n);

} // namespace kes::d3d9

#endif
