// Building the effect program and feeding it its constants.
#include "GlProgram.h"

#include <cstring>
#include <vector>

namespace kes::d3d9::gl {
namespace {

const char* const kVertexShader = R"glsl(
in vec2 a_position;
in vec2 a_uv;
uniform vec2 u_toClip;
out vec2 v_uv;

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

GLuint Compile(const Api& gl, GLenum type, bool es, const char* body, std::string* why)
{
    const GLuint shader = gl.CreateShader(type);
    const GLchar* parts[] = {Header(es), body};
    gl.ShaderSource(shader, 2, parts, nullptr);
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

bool EffectProgramGl::Build(const Api& gl, bool es, std::string* why)
{
    Destroy(gl);
    const GLuint vs = Compile(gl, GL_VERTEX_SHADER, es, kVertexShader, why);
    if (!vs) return false;
    const GLuint fs = Compile(gl, GL_FRAGMENT_SHADER, es, kEffectGlslFragment, why);
    if (!fs) {
        gl.DeleteShader(vs);
        return false;
    }
    m_program = gl.CreateProgram();
    gl.AttachShader(m_program, vs);
    gl.AttachShader(m_program, fs);
    gl.BindAttribLocation(m_program, kPositionAttribute, "a_position");
    gl.BindAttribLocation(m_program, kUvAttribute, "a_uv");
    gl.LinkProgram(m_program);
    gl.DeleteShader(vs);
    gl.DeleteShader(fs);
    GLint ok = GL_FALSE;
    gl.GetProgramiv(m_program, GL_LINK_STATUS, &ok);
    if (ok != GL_TRUE) {
        *why = "effect program does not link: " + InfoLog(gl, m_program, true);
        Destroy(gl);
        return false;
    }
    m_function = gl.GetUniformLocation(m_program, "g_function");
    m_blend = gl.GetUniformLocation(m_program, "g_blend");
    m_alpha = gl.GetUniformLocation(m_program, "g_alpha");
    m_color = gl.GetUniformLocation(m_program, "g_color");
    m_toClip = gl.GetUniformLocation(m_program, "u_toClip");
    const GLint sampler = gl.GetUniformLocation(m_program, "TexSampler");
    if (m_function < 0 || m_blend < 0 || m_alpha < 0 || m_color < 0 || m_toClip < 0 || sampler < 0) {
        *why = "effect program lacks one of its uniforms (g_function, g_blend, g_alpha, g_color, TexSampler)";
        Destroy(gl);
        return false;
    }
    gl.UseProgram(m_program);
    gl.Uniform1i(sampler, 0);
    m_anySent = false;
    return true;
}

void EffectProgramGl::Destroy(const Api& gl)
{
    if (m_program && gl.DeleteProgram) gl.DeleteProgram(m_program);
    m_program = 0;
    m_anySent = false;
}

void EffectProgramGl::Use(const Api& gl, UINT width, UINT height)
{
    gl.UseProgram(m_program);
    gl.Uniform2f(m_toClip, 2.0f / float(width), 2.0f / float(height));
}

void EffectProgramGl::SetConstants(const Api& gl, const EffectConstants& k)
{
    const bool all = !m_anySent;
    if (all || k.function != m_sent.function) gl.Uniform1i(m_function, k.function);
    if (all || k.blend != m_sent.blend) gl.Uniform1i(m_blend, k.blend);
    if (all || k.alpha != m_sent.alpha) gl.Uniform1f(m_alpha, k.alpha);
    if (all || memcmp(&k.color, &m_sent.color, sizeof k.color) != 0)
        gl.Uniform4f(m_color, k.color.r, k.color.g, k.color.b, k.color.a);
    m_sent = k;
    m_anySent = true;
}

} // namespace kes::d3d9::gl
