// The effect program every draw goes through, compiled by the device for
// "ps_3_0" when it is created and after each reset. One line: statements
// are separated by semicolons and tabs.
//
// g_function: 0 plain (with g_alpha), 1 tint and hue, 2 blend level,
// 3 blend level then tint and hue, 4 text silhouette, 5 text glow, anything
// else flat g_color. g_color is the tint (r, g, b: 0.5 neutral, up to 1 for
// double) and hue turn (a: 0.5 none) for images, the flat colour otherwise.
#include "KesD3D9.h"

namespace kes {

const char* const kEffectShaderSource =
    "sampler TexSampler : register(s0);\tint g_function = 0;\tint g_blend = 8;\tfloat g_alpha = 1.0;\t"
    "float4 g_color;\t"
    "float4 shifthub(float4 c, float val) {\tfloat r = c.r;\tfloat g = c.g;\tfloat b = c.b;\t"
    "float cmax = max(r, max(g, b));\tfloat cmin = min(r, min(g, b));\tfloat v = cmax;\tfloat s = 0;\t"
    "if (v != 0) s = 1 - cmin / cmax;\tfloat h = 0;\t"
    "if (cmin != cmax) {\tif (cmax == r) {\th = (g - b) / (cmax - cmin);\tif (h < 0) h += 6;\t}\t"
    "else if (cmax == g) h = 2 + (b - r) / (cmax - cmin);\telse h = 4 + (r - g) / (cmax - cmin);\t}\t"
    "h += 6 * (val - 0.5);\tif (h >= 6) h -= 6;\telse if (h < 0) {\th += 6;\tif (h >= 6) h = 0;\t}\t"
    "float f = frac(h);\th = floor(h);\tfloat p = v * (1 - s);\tfloat q = v * (1 - s * f);\t"
    "float w = v * (1 - s * (1 - f));\tfloat3 o;\t"
    "if (h == 0) o = float3(v, w, p);\telse if (h == 1) o = float3(q, v, p);\telse if (h == 2) o = float3(p, v, w);\t"
    "else if (h == 3) o = float3(p, q, v);\telse if (h == 4) o = float3(w, p, v);\telse o = float3(v, p, q);\t"
    "return float4(o, c.a);\t}\t"
    "float4 renderimg_shifthub(float4 c) {\tc.rgb = c.rgb * 2 * g_color.rgb;\treturn shifthub(c, g_color.a);\t}\t"
    "float4 renderimg_blend(float4 c) {\t"
    "if (g_blend == 0) {\tfloat grey = dot(c.rgb, float3(0.30, 0.59, 0.11));\t"
    "c.rgb = lerp(float3(grey, grey, grey), c.rgb, 0.1);\t}\t"
    "else if (g_blend >= 6 && g_blend < 14) c.rgb *= 0.5556 + (g_blend - 5) * 0.05556;\t"
    "else if (g_blend > 14 && g_blend <= 21) c.rgb += c.rgb * ((g_blend - 14) * 0.1);\t"
    "if (g_alpha < 1.0) c.a *= g_alpha;\treturn c;\t}\t"
    "float4 main(float2 uv : TEXCOORD0) : COLOR {\tfloat4 t = tex2D(TexSampler, uv);\t"
    "if (g_function == 0) {\tif (g_alpha < 1.0) t.a *= g_alpha;\treturn t;\t}\t"
    "if (g_function == 1) {\tfloat4 c = renderimg_shifthub(t);\tif (g_alpha < 1.0) c.a *= g_alpha;\treturn c;\t}\t"
    "if (g_function == 2) return renderimg_blend(t);\t"
    "if (g_function == 3) return renderimg_shifthub(renderimg_blend(t));\t"
    "if (g_function == 4) {\tif (t.a == 0) return float4(0, 0, 0, 0);\t"
    "return float4(g_color.r, g_color.g, g_color.b, t.a * g_color.a);\t}\t"
    "if (g_function == 5) {\tif (t.a > 0) {\tfloat a = t.a * 1.2;\t"
    "return float4(a * g_color.r, a * g_color.g, a * g_color.b, g_color.a);\t}\treturn t;\t}\t"
    "return g_color;\t}";

} // namespace kes
