// Draws that differ only in their vertices, gathered into one.
//
// The engine replays a frame as one small draw per sprite, each after its
// texture and effect constants were set, mostly to the values they already
// had. A GL driver's cost is per draw call (state validation, and on a CPU
// rasterizer a pass over the binned triangles per state): so triangles are
// kept here while the state they would be drawn with stays the same, and
// drawn together, as one triangle list, when it changes or the frame needs
// its pixels. Coverage does not change: a strip or fan becomes the very
// triangles it stands for.
//
// Each gathered draw stays a draw of its own within the call (where GL has
// glMultiDrawArrays): a CPU rasterizer such as llvmpipe recognises a
// sprite's two triangles as one rectangle, and fills rectangles faster,
// only when they come as a draw of their own.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLBATCH_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLBATCH_H

#include "GlApi.h"

#include "../Device.h"
#include "../effect/EffectProgram.h"

#include <vector>

namespace kes::d3d9::gl {

// Everything a triangle's pixels depend on besides its vertices.
struct DrawKey {
    const Texture* texture = nullptr;
    uint32_t revision = 0; // of the texture's pixels: a change must not reach earlier draws
    DWORD magFilter = 0, minFilter = 0, addressU = 0, addressV = 0;
    bool alphaBlend = false;
    DWORD srcBlend = 0, destBlend = 0, cullMode = 0;
    EffectConstants constants;

    bool operator==(const DrawKey& o) const;
    bool operator!=(const DrawKey& o) const { return !(*this == o); }
};

// The key of a draw made now; `constants` as the draw would feed the program.
DrawKey KeyOf(const PipelineState& state, const EffectConstants& constants);

class TriangleBatch {
public:
    bool Empty() const { return m_vertices.empty(); }
    const DrawKey& Key() const { return m_key; }
    // Begins gathering for draws of `key`; the batch must be empty.
    void Start(const DrawKey& key) { m_key = key; }
    // Adds a triangle strip, list or fan of `count` vertices as a list.
    void Add(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* v, UINT count);
    const std::vector<VertexXyzrhwTex1>& Vertices() const { return m_vertices; }
    // Where each added draw's triangles begin in Vertices(), and how many
    // vertices they have (a draw of an odd number of triangles above one
    // is two entries, its last triangle the second).
    const std::vector<GLint>& Firsts() const { return m_firsts; }
    const std::vector<GLsizei>& Counts() const { return m_counts; }
    void Clear()
    {
        m_vertices.clear();
        m_firsts.clear();
        m_counts.clear();
    }

    // Gathering stops at this many vertices: a draw of a few hundred KB
    // keeps the upload and the draw overlapping.
    static constexpr size_t kMaxVertices = 6 * 4096;

private:
    DrawKey m_key;
    std::vector<VertexXyzrhwTex1> m_vertices;
    std::vector<GLint> m_firsts;
    std::vector<GLsizei> m_counts;
};

// True for the primitive types a batch can take.
inline bool Batchable(D3DPRIMITIVETYPE type)
{
    return type == D3DPT_TRIANGLESTRIP || type == D3DPT_TRIANGLELIST || type == D3DPT_TRIANGLEFAN;
}

} // namespace kes::d3d9::gl

#endif
