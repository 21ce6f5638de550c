// The effect program reduced, where its constants allow, to the texel times
// one constant colour.
//
// Most of the engine's draws ask for no hue turn (the hue byte is neutral or
// the colour is 0) and a blend level that scales: for those the program is
// texel x (blend level's factor x tint, fade) per channel, which a GPU runs
// as one multiply instead of the whole program with its hue rotation. The
// product differs from the program's own steps only in float rounding, far
// below one level of an eight-bit channel.
#ifndef KESTO_PLATFORM_D3D9_EFFECTMODULATE_H
#define KESTO_PLATFORM_D3D9_EFFECTMODULATE_H

#include "EffectProgram.h"

namespace kes::d3d9 {

// True, with the factor in `factor`, when EffectPixel(k, t) is t x factor
// for every texel t: functions 0 to 3 without a hue turn and without the
// grey level.
bool EffectAsModulation(const EffectConstants& k, Float4* factor);

// True when k turns hues: functions 1 and 3 with a hue other than 0.5.
bool EffectTurnsHue(const EffectConstants& k);

// True when k's program (functions 1 to 3) gives texels other colours:
// a hue turn, the grey level, or a tint or level whose factor is not one.
bool EffectChangesColours(const EffectConstants& k);

// The fade factor k applies to a texel's alpha (1 when it applies none).
float EffectFade(const EffectConstants& k);

// GLSL (same dialect rules as kEffectGlslFragment) of the reduced program:
// uniform vec4 g_factor, sampler TexSampler, input v_uv, output o_color.
// Built with EFFECT_TEXEL_ONLY defined, it is the program for a factor of
// exactly (1, 1, 1, 1), without g_factor.
extern const char* const kEffectGlslModulate;

} // namespace kes::d3d9

#endif
