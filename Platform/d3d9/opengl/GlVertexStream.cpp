// The streaming vertex buffer.
#include "GlVertexStream.h"

#include "GlProgram.h"

#include <cstddef>

namespace kes::d3d9::gl {
namespace {

constexpr size_t kInitialBytes = size_t(1) << 20; // 43690 vertices: a busy frame's sprites

} // namespace

void VertexStream::Create(const Api& gl)
{
    gl.GenVertexArrays(1, &m_array);
    gl.BindVertexArray(m_array);
    gl.GenBuffers(1, &m_buffer);
    gl.BindBuffer(GL_ARRAY_BUFFER, m_buffer);
    m_capacity = kInitialBytes;
    m_used = 0;
    gl.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_capacity), nullptr, GL_STREAM_DRAW);
    // Position x, y (z and rhw are not needed: no depth, no perspective)
    // and the texture coordinate.
    const GLsizei stride = sizeof(VertexXyzrhwTex1);
    gl.EnableVertexAttribArray(kPositionAttribute);
    gl.VertexAttribPointer(kPositionAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                           reinterpret_cast<const void*>(offsetof(VertexXyzrhwTex1, x)));
    gl.EnableVertexAttribArray(kUvAttribute);
    gl.VertexAttribPointer(kUvAttribute, 2, GL_FLOAT, GL_FALSE, stride,
                           reinterpret_cast<const void*>(offsetof(VertexXyzrhwTex1, u)));
}

void VertexStream::Destroy(const Api& gl)
{
    if (m_buffer) gl.DeleteBuffers(1, &m_buffer);
    if (m_array) gl.DeleteVertexArrays(1, &m_array);
    m_buffer = m_array = 0;
    m_capacity = m_used = 0;
}

GLint VertexStream::Append(const Api& gl, const VertexXyzrhwTex1* vertices, UINT count)
{
    const size_t bytes = size_t(count) * sizeof(VertexXyzrhwTex1);
    if (m_used + bytes > m_capacity) {
        // A fresh store: the driver keeps the old one until the draws that
        // read it are done, instead of waiting for them.
        while (m_capacity < bytes) m_capacity *= 2;
        gl.BufferData(GL_ARRAY_BUFFER, GLsizeiptr(m_capacity), nullptr, GL_STREAM_DRAW);
        m_used = 0;
    }
    gl.BufferSubData(GL_ARRAY_BUFFER, GLintptr(m_used), GLsizeiptr(bytes), vertices);
    const GLint first = GLint(m_used / sizeof(VertexXyzrhwTex1));
    m_used += bytes;
    return first;
}

} // namespace kes::d3d9::gl
