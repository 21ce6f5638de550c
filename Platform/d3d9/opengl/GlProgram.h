// The effect program on the GPU: the GLSL text of effect/EffectGlsl.cpp
// behind a vertex shader for pre-transformed vertices, its uniforms found by
// name. Draws without a pixel shader run it too, as function 0 at full
// alpha, which returns the texel unchanged.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLPROGRAM_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLPROGRAM_H

#include "GlApi.h"

#include "../Device.h"
#include "../effect/EffectProgram.h"

#include <string>

namespace kes::d3d9::gl {

// Vertex attribute slots.
constexpr GLuint kPositionAttribute = 0;
constexpr GLuint kUvAttribute = 1;

// The effect constants a draw runs with: the bound effect program's
// registers, or the pass-through function when no pixel shader is bound.
EffectConstants ConstantsFor(const PipelineState& state);

class EffectProgramGl {
public:
    // Compiles and links for the context's dialect. False with the
    // driver's info log in `why`.
    bool Build(const Api& gl, bool es, std::string* why);
    void Destroy(const Api& gl);

    // Makes the program current for a target of width x height pixels.
    void Use(const Api& gl, UINT width, UINT height);
    // Sends the constants that differ from the ones last sent.
    void SetConstants(const Api& gl, const EffectConstants& k);

private:
    GLuint m_program = 0;
    GLint m_function = -1, m_blend = -1, m_alpha = -1, m_color = -1, m_toClip = -1;
    EffectConstants m_sent;
    bool m_anySent = false;
};

} // namespace kes::d3d9::gl

#endif
