// Building the effect program and feeding it its constants.
#include "GlProgram.h"

#include "../effect/EffectModulate.h"

#include "../../config/Log.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace kes::d3d9::gl {
namespace {

const char* const kVertexShader = R"glsl(
in vec2 a_position;
in vec2 a_uv;
uniform vec2 u_toClip;
UV_INTERPOLATION out vec2 v_uv;

void main()
{
    // Direct3D puts pixel centres at integer coordinates, OpenGL at halves:
    // half a pixel moves the vertices onto the centres Direct3D means, so
    // both devices cover the same pixels and sample the same texels. Rows
    // are not flipped: the framebuffer holds the top row first, as the back
    // buffer does, which keeps Direct3D's top-left fill rule and its winding.
    gl_Position = vec4((a_position + 0.5) * u_toClip - 1.0, 0.0, 1.0);
    v_uv = a_uv;
}
)glsl";

const char* Header(bool es)
{
    return es ? "#version 300 es\nprecision highp float;\n" : "#version 330 core\n";
}

// After a program's defines, for both of its stages: the texture
// coordinate's interpolation, GL's own unless a define chose another.
const char* const kInterpolation = "#ifndef UV_INTERPOLATION\n#define UV_INTERPOLATION smooth\n#endif\n";

std::string InfoLog(const Api& gl, GLuint object, bool program)
{
    GLint length = 0;
    (program ? gl.GetProgramiv : gl.GetShaderiv)(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return "(no log)";
    std::vector<GLchar> log(size_t(length) + 1, 0);
    (program ? gl.GetProgramInfoLog : gl.GetShaderInfoLog)(object, length, nullptr, log.data());
    // One log line: the driver's lines joined.
    std::string text(log.data());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    for (char& c : text)
        if (c == '\n') c = ' ';
    return text;
}

GLuint Compile(const Api& gl, GLenum type, bool es, const char* define, const char* body, std::string* why)
{
    const GLuint shader = gl.CreateShader(type);
    const GLchar* parts[] = {Header(es), define, kInterpolation, body};
    gl.ShaderSource(shader, 4, parts, nullptr);
    gl.CompileShader(shader);
    GLint ok = GL_FALSE;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok != GL_TRUE) {
        *why = std::string(type == GL_VERTEX_SHADER ? "vertex" : "effect") + " shader does not compile: " +
               InfoLog(gl, shader, false);
        gl.DeleteShader(shader);
        return 0;
    }
    return shader;
}

int VariantOf(int function)
{
    return function >= 0 && function < EffectProgramGl::kVariants - 1 ? function : EffectProgramGl::kVariants - 1;
}

} // namespace

EffectConstants ConstantsFor(const PipelineState& state)
{
    EffectConstants k;
    if (!BoundEffectConstants(state, &k)) {
        // Draws without the effect program show the texel as it is.
        k.function = 0;
        k.alpha = 1.0f;
    }
    return k;
}

bool EffectProgramGl::Link(const Api& gl, const char* define, const char* body, Linked* out, std::string* why)
{
    // The vertex shader takes the same defines: the stages' interpolation
    // must match.
    const GLuint vs = Compile(gl, GL_VERTEX_SHADER, m_es, define, kVertexShader, why);
    if (!vs) return false;
    const GLuint fs = Compile(gl, GL_FRAGMENT_SHADER, m_es, define, body, why);
    if (!fs) {
        gl.DeleteShader(vs);
        return false;
    }
    const GLuint program = gl.CreateProgram();
    gl.AttachShader(program, vs);
    gl.AttachShader(program, fs);
    gl.BindAttribLocation(program, kPositionAttribute, "a_position");
    gl.BindAttribLocation(program, kUvAttribute, "a_uv");
    gl.LinkProgram(program);
    gl.DeleteShader(vs);
    gl.DeleteShader(fs);
    GLint ok = GL_FALSE;
    gl.GetProgramiv(program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        *why = "effect program does not link: " + InfoLog(gl, program, true);
        gl.DeleteProgram(program);
        return false;
    }
    Linked l;
    l.program = program;
    // A variant's compiler may drop a constant its function does not read:
    // its location is then -1, which GL ignores.
    l.function = gl.GetUniformLocation(program, "g_function");
    l.blend = gl.GetUniformLocation(program, "g_blend");
    l.alpha = gl.GetUniformLocation(program, "g_alpha");
    l.color = gl.GetUniformLocation(program, "g_color");
    l.toClip = gl.GetUniformLocation(program, "u_toClip");
    l.factor = gl.GetUniformLocation(program, "g_factor");
    l.sampler = gl.GetUniformLocation(program, "TexSampler");
    gl.UseProgram(program);
    m_current = program;
    if (l.sampler >= 0) gl.Uniform1i(l.sampler, 0);
    *out = l;
    return true;
}

bool EffectProgramGl::Build(const Api& gl, bool es, std::string* why)
{
    Destroy(gl);
    m_es = es;
    if (!Link(gl, "", kEffectGlslFragment, &m_general, why)) return false;
    const Linked& l = m_general;
    if (l.function < 0 || l.blend < 0 || l.alpha < 0 || l.color < 0 || l.toClip < 0 || l.sampler < 0) {
        *why = "effect program lacks one of its uniforms (g_function, g_blend, g_alpha, g_color, TexSampler)";
        Destroy(gl);
        return false;
    }
    return true;
}

void EffectProgramGl::Destroy(const Api& gl)
{
    const auto drop = [&](Linked& l) {
        if (l.program && gl.DeleteProgram) gl.DeleteProgram(l.program);
        l = Linked();
    };
    drop(m_general);
    for (Linked& l : m_variants) drop(l);
    for (bool& failed : m_variantFailed) failed = false;
    drop(m_modulate);
    drop(m_texelOnly);
    drop(m_texelFiltered);
    m_modulateFailed = m_texelOnlyFailed = m_texelFilteredFailed = false;
    m_current = 0;
}

void EffectProgramGl::Use(const Api&, UINT width, UINT height)
{
    m_toClipX = 2.0f / float(width);
    m_toClipY = 2.0f / float(height);
    m_general.sizeSent = false;
    for (Linked& l : m_variants) l.sizeSent = false;
    m_modulate.sizeSent = false;
    m_texelOnly.sizeSent = false;
    m_texelFiltered.sizeSent = false;
}

EffectProgramGl::Linked& EffectProgramGl::For(const Api& gl, int function)
{
    const int v = VariantOf(function);
    Linked& l = m_variants[v];
    if (l.program) return l;
    if (m_variantFailed[v]) return m_general;
    char define[48];
    snprintf(define, sizeof define, "#define EFFECT_FUNCTION %d\n", v);
    std::string why;
    if (!Link(gl, define, kEffectGlslFragment, &l, &why)) {
        platform::Log("OpenGL device runs effect %d through the general program: %s", v, why.c_str());
        m_variantFailed[v] = true;
        return m_general;
    }
    return l;
}

void EffectProgramGl::Bind(const Api& gl, Linked& l)
{
    if (m_current != l.program) {
        gl.UseProgram(l.program);
        m_current = l.program;
    }
    if (!l.sizeSent) {
        gl.Uniform2f(l.toClip, m_toClipX, m_toClipY);
        l.sizeSent = true;
    }
}

EffectProgramGl::Linked* EffectProgramGl::Reduced(const Api& gl, Linked& l, bool& failed, const char* define,
                                                  const char* instead)
{
    if (l.program) return &l;
    if (failed) return nullptr;
    std::string why;
    if (!Link(gl, define, kEffectGlslModulate, &l, &why)) {
        platform::Log("OpenGL device %s: %s", instead, why.c_str());
        failed = true;
        return nullptr;
    }
    return &l;
}

bool EffectProgramGl::SetModulation(const Api& gl, const Float4& factor, bool filtered)
{
    if (factor.r == 1.0f && factor.g == 1.0f && factor.b == 1.0f && factor.a == 1.0f) {
        // With w always 1 the two interpolations give the same coordinates;
        // llvmpipe fills linearly filtered sprites of perspective coordinates
        // on its narrow span path, which is slower than its wide one.
        // OpenGL ES has no noperspective.
        if (filtered && !m_es) {
            if (Linked* l = Reduced(gl, m_texelFiltered, m_texelFilteredFailed,
                                    "#define EFFECT_TEXEL_ONLY\n#define UV_INTERPOLATION noperspective\n",
                                    "samples magnified sprites with perspective")) {
                Bind(gl, *l);
                return true;
            }
        }
        if (Linked* l = Reduced(gl, m_texelOnly, m_texelOnlyFailed, "#define EFFECT_TEXEL_ONLY\n",
                                "multiplies plain sprites by one")) {
            Bind(gl, *l);
            return true;
        }
    }
    Linked* l = Reduced(gl, m_modulate, m_modulateFailed, "", "runs effects through their full program");
    if (!l) return false;
    Bind(gl, *l);
    if (!l->anySent || memcmp(&factor, &l->sent.color, sizeof factor) != 0) {
        gl.Uniform4f(l->factor, factor.r, factor.g, factor.b, factor.a);
        l->sent.color = factor;
        l->anySent = true;
    }
    return true;
}

void EffectProgramGl::SetConstants(const Api& gl, const EffectConstants& k)
{
    Linked& l = For(gl, k.function);
    Bind(gl, l);
    const bool all = !l.anySent;
    if (all || k.function != l.sent.function) gl.Uniform1i(l.function, k.function);
    if (all || k.blend != l.sent.blend) gl.Uniform1i(l.blend, k.blend);
    if (all || k.alpha != l.sent.alpha) gl.Uniform1f(l.alpha, k.alpha);
    if (all || memcmp(&k.color, &l.sent.color, sizeof k.color) != 0)
        gl.Uniform4f(l.color, k.color.r, k.color.g, k.color.b, k.color.a);
    l.sent = k;
    l.anySent = true;
}

} // namespace kes::d3d9::gl
