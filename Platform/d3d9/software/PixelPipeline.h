// What happens to one pixel once the rasterizer has found it covered: the
// texture lookup, the pixel program, saturation and the blend into the
// target. This is the general path in float arithmetic; every faster path of
// the software device is checked against it.
//
// Implemented: no pixel shader (the texel is the colour) or the engine's
// effect program (EffectPixel with the four constants read from their
// registers); blending off, or on with the factors ZERO, ONE, SRCALPHA and
// INVSRCALPHA and the add operation. The target is X8R8G8B8: its top byte
// is always written as 0xFF. Not implemented: other blend factors and
// operations (they act as ONE and ZERO), colour write masks, alpha test.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_PIXELPIPELINE_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_PIXELPIPELINE_H

#include "Sampler.h"

#include "../Device.h"
#include "../effect/EffectProgram.h"

#include <cstdint>

namespace kes::d3d9 {

enum class BlendKind {
    Replace,     // blending off, or ONE / ZERO
    SourceAlpha, // SRCALPHA / INVSRCALPHA: src·a + dst·(1 − a)
    Factors,     // any other pair of the supported factors
};

// Everything about the pixel stage that stays fixed for one draw call.
struct PixelStage {
    SamplerSetup sampler;
    // The bound texture's identity and revision, for copies made from it.
    const Texture* texture = nullptr;
    uint32_t textureRevision = 0;
    DWORD magFilter = D3DTEXF_POINT;
    DWORD minFilter = D3DTEXF_POINT;
    bool effect = false; // the effect program is bound
    EffectConstants constants;
    BlendKind blend = BlendKind::Replace;
    DWORD srcBlend = D3DBLEND_ONE;
    DWORD destBlend = D3DBLEND_ZERO;

    bool Textured() const { return bool(sampler.view); }
    // True when the filter for a pixel footprint of `rho` texels is linear.
    bool Linear(double rho) const;
};

PixelStage MakePixelStage(const PipelineState& state);

// x limited to 0..1; NaN becomes 0, as render targets store it.
inline float Saturate(float x)
{
    return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
}

// A channel 0..1 (saturated first) to 8 bits, rounding to nearest.
inline uint32_t ToByte(float x)
{
    return uint32_t(Saturate(x) * 255.0f + 0.5f);
}

// The pixel program on one texel, saturated.
Float4 ShadeTexel(const PixelStage& stage, Float4 texel);

// The texel for texture coordinates in texels, filtered as `linear` says.
inline Float4 SampleTexel(const PixelStage& stage, bool linear, double s, double t)
{
    if (!stage.Textured()) return kUnboundTexel;
    return linear ? SampleLinear(stage.sampler, s, t) : SamplePoint(stage.sampler, s, t);
}

// The target pixel after writing the saturated colour `src` over `dst`.
uint32_t BlendPixel(const PixelStage& stage, Float4 src, uint32_t dst);

} // namespace kes::d3d9

#endif
