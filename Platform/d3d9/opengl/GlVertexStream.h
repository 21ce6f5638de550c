// Vertices on their way to the GPU: each draw's pre-transformed vertices
// are appended to one streaming buffer, which is orphaned and started again
// when full, so that a frame of many small draws makes no GPU round trips.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLVERTEXSTREAM_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLVERTEXSTREAM_H

#include "GlApi.h"

#include "../Device.h"

namespace kes::d3d9::gl {

class VertexStream {
public:
    void Create(const Api& gl);
    void Destroy(const Api& gl);

    // Copies the vertices into the buffer; the index of the first one.
    GLint Append(const Api& gl, const VertexXyzrhwTex1* vertices, UINT count);

private:
    GLuint m_array = 0, m_buffer = 0;
    size_t m_capacity = 0; // bytes
    size_t m_used = 0;
};

} // namespace kes::d3d9::gl

#endif
