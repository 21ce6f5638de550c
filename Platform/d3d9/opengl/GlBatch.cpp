#include "GlBatch.h"

namespace kes::d3d9::gl {

bool DrawKey::operator==(const DrawKey& o) const
{
    const EffectConstants &a = constants, &b = o.constants;
    return texture == o.texture && revision == o.revision && magFilter == o.magFilter && minFilter == o.minFilter &&
        addressU == o.addressU && addressV == o.addressV && alphaBlend == o.alphaBlend && srcBlend == o.srcBlend &&
        destBlend == o.destBlend && cullMode == o.cullMode && a.function == b.function && a.blend == b.blend &&
        a.alpha == b.alpha && a.color.r == b.color.r && a.color.g == b.color.g && a.color.b == b.color.b &&
        a.color.a == b.color.a;
}

DrawKey KeyOf(const PipelineState& state, const EffectConstants& constants)
{
    DrawKey k;
    // A texture without pixels samples as none at all.
    if (state.texture && !state.texture->Level(0).bytes.empty()) {
        k.texture = state.texture;
        k.revision = state.texture->Level(0).revision;
    }
    k.magFilter = state.magFilter;
    k.minFilter = state.minFilter;
    k.addressU = state.addressU;
    k.addressV = state.addressV;
    k.alphaBlend = state.alphaBlend;
    if (state.alphaBlend) {
        k.srcBlend = state.srcBlend;
        k.destBlend = state.destBlend;
    }
    k.cullMode = state.cullMode;
    k.constants = constants;
    return k;
}

void TriangleBatch::Add(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* v, UINT count)
{
    const size_t first = m_vertices.size();
    if (type == D3DPT_TRIANGLELIST) {
        m_vertices.insert(m_vertices.end(), v, v + count / 3 * 3);
    } else {
        for (UINT i = 0; i + 2 < count; ++i) {
            if (type == D3DPT_TRIANGLEFAN) {
                m_vertices.insert(m_vertices.end(), {v[0], v[i + 1], v[i + 2]});
            } else if (i % 2 == 0) {
                m_vertices.insert(m_vertices.end(), {v[i], v[i + 1], v[i + 2]});
            } else {
                // Every other triangle of a strip turns the other way round:
                // swapped, it keeps the winding culling looks at.
                m_vertices.insert(m_vertices.end(), {v[i + 1], v[i], v[i + 2]});
            }
        }
    }
    const size_t added = m_vertices.size() - first;
    if (added == 0) return;
    // An odd number of triangles goes as two draws, the last triangle on
    // its own: llvmpipe takes a draw of exactly 9 vertices whose last
    // triangle has no area (or 27, in some states) for a window border of
    // another system's and draws it as that, losing the other triangles.
    // Draws of whole pairs and of one triangle never meet that guess.
    if (added % 6 == 3 && added > 3) {
        m_firsts.push_back(GLint(first));
        m_counts.push_back(GLsizei(added - 3));
        m_firsts.push_back(GLint(first + added - 3));
        m_counts.push_back(3);
        return;
    }
    m_firsts.push_back(GLint(first));
    m_counts.push_back(GLsizei(added));
}

} // namespace kes::d3d9::gl
