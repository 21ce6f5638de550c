// Direct3D's blend and cull states as OpenGL state, sent only when they
// change. Blend factors ZERO, ONE, SRCALPHA and INVSRCALPHA with the add
// operation, as the software device implements them (any other factor
// acts as ONE for the source and ZERO for the destination, there as here).
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLRENDERSTATE_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLRENDERSTATE_H

#include "GlApi.h"

#include "../Device.h"

namespace kes::d3d9::gl {

class RenderState {
public:
    // Forgets what was sent (a new context, or a reset).
    void Invalidate() { m_known = false; }
    void Apply(const Api& gl, const PipelineState& state);

private:
    bool m_known = false;
    bool m_blend = false;
    GLenum m_src = GL_ONE, m_dst = GL_ZERO;
    DWORD m_cull = 0;
};

} // namespace kes::d3d9::gl

#endif
