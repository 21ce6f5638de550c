// The general pixel path: program, saturation and blending in float.
#include "PixelPipeline.h"

namespace kes::d3d9 {

namespace {

float Factor(DWORD factor, float srcAlpha)
{
    switch (factor) {
    case D3DBLEND_ZERO: return 0.0f;
    case D3DBLEND_SRCALPHA: return srcAlpha;
    case D3DBLEND_INVSRCALPHA: return 1.0f - srcAlpha;
    default: return 1.0f;
    }
}

} // namespace

bool PixelStage::Linear(double rho) const
{
    const DWORD filter = UsesMagnification(rho) ? magFilter : minFilter;
    return filter == D3DTEXF_LINEAR;
}

PixelStage MakePixelStage(const PipelineState& state)
{
    PixelStage stage;
    stage.sampler.view = ViewOf(state.texture);
    if (stage.sampler.view) {
        stage.texture = state.texture;
        stage.textureRevision = state.texture->Level(0).revision;
    }
    stage.sampler.addressU = state.addressU;
    stage.sampler.addressV = state.addressV;
    stage.magFilter = state.magFilter;
    stage.minFilter = state.minFilter;

    if (BoundEffectConstants(state, &stage.constants)) stage.effect = true;

    if (state.alphaBlend) {
        const DWORD src = state.srcBlend, dst = state.destBlend;
        const bool srcKnown =
            src == D3DBLEND_ZERO || src == D3DBLEND_ONE || src == D3DBLEND_SRCALPHA || src == D3DBLEND_INVSRCALPHA;
        const bool dstKnown =
            dst == D3DBLEND_ZERO || dst == D3DBLEND_ONE || dst == D3DBLEND_SRCALPHA || dst == D3DBLEND_INVSRCALPHA;
        stage.srcBlend = srcKnown ? src : DWORD(D3DBLEND_ONE);
        stage.destBlend = dstKnown ? dst : DWORD(D3DBLEND_ZERO);
        if (stage.srcBlend == D3DBLEND_SRCALPHA && stage.destBlend == D3DBLEND_INVSRCALPHA)
            stage.blend = BlendKind::SourceAlpha;
        else if (stage.srcBlend == D3DBLEND_ONE && stage.destBlend == D3DBLEND_ZERO)
            stage.blend = BlendKind::Replace;
        else
            stage.blend = BlendKind::Factors;
    }
    return stage;
}

Float4 ShadeTexel(const PixelStage& stage, Float4 texel)
{
    const Float4 c = stage.effect ? EffectPixel(stage.constants, texel) : texel;
    return Float4{Saturate(c.r), Saturate(c.g), Saturate(c.b), Saturate(c.a)};
}

uint32_t BlendPixel(const PixelStage& stage, Float4 src, uint32_t dst)
{
    if (stage.blend == BlendKind::Replace)
        return 0xFF000000u | ToByte(src.r) << 16 | ToByte(src.g) << 8 | ToByte(src.b);

    const float* unorm = UnormTable8();
    const float dr = unorm[(dst >> 16) & 255], dg = unorm[(dst >> 8) & 255], db = unorm[dst & 255];
    float sf, df;
    if (stage.blend == BlendKind::SourceAlpha) {
        sf = src.a;
        df = 1.0f - src.a;
    } else {
        sf = Factor(stage.srcBlend, src.a);
        df = Factor(stage.destBlend, src.a);
    }
    return 0xFF000000u | ToByte(src.r * sf + dr * df) << 16 | ToByte(src.g * sf + dg * df) << 8 |
           ToByte(src.b * sf + db * df);
}

} // namespace kes::d3d9
