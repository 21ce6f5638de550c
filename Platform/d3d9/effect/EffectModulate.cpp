// The effect program as texel x constant, where it is one.
#include "EffectModulate.h"

namespace kes::d3d9 {

const char* const kEffectGlslModulate = R"glsl(
uniform sampler2D TexSampler;

UV_INTERPOLATION in vec2 v_uv;
out vec4 o_color;

#ifdef EFFECT_TEXEL_ONLY
// A factor of exactly one: the texel as it is. A CPU rasterizer fills
// sprites of a shader that only samples faster than of one that also
// multiplies.
void main()
{
    o_color = texture(TexSampler, v_uv);
}
#else
uniform vec4 g_factor;

void main()
{
    o_color = texture(TexSampler, v_uv) * g_factor;
}
#endif
)glsl";

namespace {

// The blend level's factor on the colour channels (EffectBlend's steps),
// or false for the grey level, which mixes channels.
bool BlendFactor(int blend, float* m)
{
    if (blend == 0) return false;
    if (blend >= 6 && blend < 14)
        *m = 0.5556f + static_cast<float>(blend - 5) * 0.05556f;
    else if (blend > 14 && blend <= 21)
        *m = 1.0f + static_cast<float>(blend - 14) * 0.1f;
    else
        *m = 1.0f;
    return true;
}

} // namespace

float EffectFade(const EffectConstants& k)
{
    switch (k.function) {
    case 0:
    case 1:
    case 2:
    case 3: return k.alpha < 1.0f ? k.alpha : 1.0f;
    default: return 1.0f;
    }
}

bool EffectTurnsHue(const EffectConstants& k)
{
    // At exactly 0.5 the rotation adds nothing to the hue, and turning the
    // colour into hue, saturation and value and back gives it again.
    return (k.function == 1 || k.function == 3) && !(k.color.a == 0.5f);
}

bool EffectChangesColours(const EffectConstants& k)
{
    if (k.function < 1 || k.function > 3) return false;
    Float4 f;
    return !EffectAsModulation(k, &f) || !(f.r == 1.0f && f.g == 1.0f && f.b == 1.0f);
}

bool EffectAsModulation(const EffectConstants& k, Float4* factor)
{
    if (k.function < 0 || k.function > 3 || EffectTurnsHue(k)) return false;
    float level = 1.0f;
    if ((k.function == 2 || k.function == 3) && !BlendFactor(k.blend, &level)) return false;
    float r = level, g = level, b = level;
    if (k.function == 1 || k.function == 3) {
        r *= 2.0f * k.color.r;
        g *= 2.0f * k.color.g;
        b *= 2.0f * k.color.b;
    }
    *factor = Float4{r, g, b, EffectFade(k)};
    return true;
}

} // namespace kes::d3d9
