// The effect program as a GLSL fragment shader, for the OpenGL device.
//
// The text has no #version line: the device prepends "#version 330 core\n"
// on desktop GL, or "#version 300 es\nprecision highp float;\n" on GLES,
// then the definition of UV_INTERPOLATION (smooth unless noperspective), so
// the body uses only what both dialects share (texture(), in/out, no layout
// qualifiers, no default-precision statements of its own). It mirrors
// EffectProgram.cpp step by step; a change to one must be made to the other.
#include "EffectProgram.h"

namespace kes::d3d9 {

const char* const kEffectGlslFragment = R"glsl(
#ifdef EFFECT_FUNCTION
// Built for one function: the other functions' code falls away.
const int g_function = EFFECT_FUNCTION;
#else
uniform int g_function;
#endif
uniform int g_blend;
uniform float g_alpha;
uniform vec4 g_color;
uniform sampler2D TexSampler;

UV_INTERPOLATION in vec2 v_uv;
out vec4 o_color;

// Hue rotation: val 0.5 keeps the hue, each 1/6 turns it by one sixth.
vec4 shifthub(vec4 c, float val)
{
    float cmax = max(c.r, max(c.g, c.b));
    float cmin = min(c.r, min(c.g, c.b));
    float v = cmax;
    float s = (v == 0.0) ? 0.0 : 1.0 - cmin / cmax;
    float h;
    if (cmin == cmax) {
        h = 0.0;
    } else if (cmax == c.r) {
        h = (c.g - c.b) / (cmax - cmin);
        if (h < 0.0)
            h += 6.0;
    } else if (cmax == c.g) {
        h = 2.0 + (c.b - c.r) / (cmax - cmin);
    } else {
        h = 4.0 + (c.r - c.g) / (cmax - cmin);
    }
    h += 6.0 * (val - 0.5);
    if (h >= 6.0) {
        h -= 6.0;
    } else if (h < 0.0) {
        h += 6.0;
        if (h >= 6.0)
            h = 0.0;
    }
    float f = fract(h);
    h = floor(h);
    float p = v * (1.0 - s);
    float q = v * (1.0 - s * f);
    float w = v * (1.0 - s * (1.0 - f));
    vec3 rgb;
    if (h == 0.0)
        rgb = vec3(v, w, p);
    else if (h == 1.0)
        rgb = vec3(q, v, p);
    else if (h == 2.0)
        rgb = vec3(p, v, w);
    else if (h == 3.0)
        rgb = vec3(p, q, v);
    else if (h == 4.0)
        rgb = vec3(w, p, v);
    else
        rgb = vec3(v, p, q);
    return vec4(rgb, c.a);
}

// Tint (2 x g_color.rgb per channel), then hue rotation by g_color.a.
vec4 renderimg_shifthub(vec4 c)
{
    c.rgb *= 2.0 * g_color.rgb;
    return shifthub(c, g_color.a);
}

// Blend level and alpha factor.
vec4 renderimg_blend(vec4 c)
{
    if (g_blend == 0) {
        float grey = dot(c.rgb, vec3(0.30, 0.59, 0.11));
        c.rgb = mix(vec3(grey), c.rgb, 0.1);
    } else if (g_blend >= 6 && g_blend < 14) {
        c.rgb *= 0.5556 + float(g_blend - 5) * 0.05556;
    } else if (g_blend > 14 && g_blend <= 21) {
        c.rgb += c.rgb * (float(g_blend - 14) * 0.1);
    }
    if (g_alpha < 1.0)
        c.a *= g_alpha;
    return c;
}

void main()
{
    vec4 t = texture(TexSampler, v_uv);
    if (g_function == 0) {
        if (g_alpha < 1.0)
            t.a *= g_alpha;
        o_color = t;
    } else if (g_function == 1) {
        vec4 c = renderimg_shifthub(t);
        if (g_alpha < 1.0)
            c.a *= g_alpha;
        o_color = c;
    } else if (g_function == 2) {
        o_color = renderimg_blend(t);
    } else if (g_function == 3) {
        o_color = renderimg_shifthub(renderimg_blend(t));
    } else if (g_function == 4) {
        if (t.a == 0.0)
            o_color = vec4(0.0);
        else
            o_color = vec4(g_color.rgb, t.a * g_color.a);
    } else if (g_function == 5) {
        if (t.a > 0.0) {
            float a = t.a * 1.2;
            o_color = vec4(a * g_color.rgb, g_color.a);
        } else {
            o_color = t;
        }
    } else {
        o_color = g_color;
    }
}
)glsl";

} // namespace kes::d3d9
