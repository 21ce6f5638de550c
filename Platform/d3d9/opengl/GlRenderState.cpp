// Blend and cull state.
#include "GlRenderState.h"

namespace kes::d3d9::gl {
namespace {

GLenum Factor(DWORD factor, GLenum otherwise)
{
    switch (factor) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    default: return otherwise;
    }
}

} // namespace

void RenderState::Apply(const Api& gl, const PipelineState& state)
{
    const GLenum src = Factor(state.srcBlend, GL_ONE), dst = Factor(state.destBlend, GL_ZERO);
    if (!m_known || state.alphaBlend != m_blend) (state.alphaBlend ? gl.Enable : gl.Disable)(GL_BLEND);
    if (state.alphaBlend && (!m_known || !m_blend || src != m_src || dst != m_dst)) {
        gl.BlendFunc(src, dst);
        m_src = src;
        m_dst = dst;
    }
    m_blend = state.alphaBlend;

    if (!m_known || state.cullMode != m_cull) {
        // Rows are not flipped on the way to the framebuffer, so a triangle
        // that turns clockwise on Direct3D's screen (y down) has a positive
        // area in OpenGL's window coordinates: OpenGL's front face.
        if (state.cullMode == D3DCULL_CCW || state.cullMode == D3DCULL_CW) {
            gl.Enable(GL_CULL_FACE);
            gl.FrontFace(GL_CCW);
            gl.CullFace(state.cullMode == D3DCULL_CCW ? GL_BACK : GL_FRONT);
        } else {
            gl.Disable(GL_CULL_FACE);
        }
        m_cull = state.cullMode;
    }
    m_known = true;
}

} // namespace kes::d3d9::gl
