// The engine's effect program, as each device runs it.
//
// The engine hands D3DXCompileShader its HLSL text; the platform recognises
// the program and each device runs its own implementation of it: the
// software device this C++ function (and its faster equivalents, which must
// agree with it), GPU devices the GLSL text below. The program's inputs are
// four constants and one texel; its output one colour.
#ifndef KESTO_PLATFORM_D3D9_EFFECTPROGRAM_H
#define KESTO_PLATFORM_D3D9_EFFECTPROGRAM_H

namespace kes::d3d9 {

struct Float4 {
    float r, g, b, a;
};

struct EffectConstants {
    int function = 0; // g_function: 0..5 the effects, anything else flat colour
    int blend = 8;    // g_blend: blend level 0..21
    float alpha = 1;  // g_alpha: applied only when below 1
    Float4 color{};   // g_color: tint and hue (images) or flat colour
};

// The program for one texel (channels 0..1; results may leave that range,
// the render target saturates them).
Float4 EffectPixel(const EffectConstants& k, Float4 texel);

// Pieces of the program, exposed for tests of their own.
Float4 EffectShiftHue(Float4 c, float val);   // shifthub
Float4 EffectTintAndShift(const EffectConstants& k, Float4 c); // renderimg_shifthub
Float4 EffectBlend(const EffectConstants& k, Float4 c);        // renderimg_blend

// GLSL (version 330 core / 300 es compatible body) of the same program: a
// fragment shader with uniforms g_function, g_blend (int), g_alpha (float),
// g_color (vec4), sampler TexSampler, input vec2 v_uv, output vec4 o_color.
extern const char* const kEffectGlslFragment;

} // namespace kes::d3d9

#endif
