// The framebuffer object behind the OpenGL device's back buffer.
#include "GlBackBuffer.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace kes::d3d9::gl {
namespace {

// Draws leave the alpha channel alone, so it stays at the one that clears
// write: the read-back is then X8R8G8B8 as it comes.
void WriteAlpha(const Api& gl, bool on)
{
    gl.ColorMask(GL_TRUE, GL_TRUE, GL_TRUE, on ? GL_TRUE : GL_FALSE);
}

} // namespace

bool BackBuffer::Create(const Api& gl, UINT width, UINT height, std::string* why)
{
    Destroy(gl);
    gl.GenTextures(1, &m_colour);
    gl.BindTexture(GL_TEXTURE_2D, m_colour);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(width), GLsizei(height), 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.BindTexture(GL_TEXTURE_2D, 0);
    gl.GenFramebuffers(1, &m_framebuffer);
    gl.BindFramebuffer(GL_FRAMEBUFFER, m_framebuffer);
    gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, m_colour, 0);
    const GLenum status = gl.CheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        char text[96];
        snprintf(text, sizeof text, "a %u x %u framebuffer is incomplete (status 0x%04X)", width, height, status);
        *why = text;
        Destroy(gl);
        return false;
    }
    m_width = width;
    m_height = height;
    Bind(gl);
    Clear(gl, 0);
    return true;
}

void BackBuffer::Destroy(const Api& gl)
{
    if (m_framebuffer) gl.DeleteFramebuffers(1, &m_framebuffer);
    if (m_colour) gl.DeleteTextures(1, &m_colour);
    m_framebuffer = m_colour = 0;
    m_width = m_height = 0;
}

void BackBuffer::DrawInWindow(const Api& gl, bool on)
{
    m_inWindow = on && gl.ClipControl;
    // The upper-left origin turns the window's rows the way the framebuffer
    // object's are (top row first in memory) without flipping a vertex, so
    // the rasterizer decides the pixels on an edge alike in both, and
    // triangles keep their winding.
    if (gl.ClipControl) gl.ClipControl(m_inWindow ? GL_UPPER_LEFT : GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    Bind(gl);
}

void BackBuffer::Bind(const Api& gl) const
{
    gl.BindFramebuffer(GL_FRAMEBUFFER, m_inWindow ? 0 : m_framebuffer);
    gl.Viewport(0, 0, GLsizei(m_width), GLsizei(m_height));
}

void BackBuffer::Clear(const Api& gl, D3DCOLOR c) const
{
    WriteAlpha(gl, true);
    gl.ClearColor(float((c >> 16) & 255) / 255.0f, float((c >> 8) & 255) / 255.0f, float(c & 255) / 255.0f, 1.0f);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    WriteAlpha(gl, false);
}

void BackBuffer::ReadInto(const Api& gl, bool es, PixelStore& store) const
{
    if (store.width != m_width || store.height != m_height || store.pitch != INT(m_width * 4)) return;
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, m_inWindow ? 0 : m_framebuffer);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    // Desktop GL hands out B, G, R, A bytes, the store's own layout; GLES
    // promises R, G, B, A only.
    gl.ReadPixels(0, 0, GLsizei(m_width), GLsizei(m_height), es ? GL_RGBA : GL_BGRA, GL_UNSIGNED_BYTE,
                  store.bytes.data());
    if (es) {
        uint8_t* p = store.bytes.data();
        for (size_t i = 0, n = size_t(m_width) * m_height; i < n; ++i, p += 4) std::swap(p[0], p[2]);
    }
    if (m_inWindow && m_height > 1) {
        // Read-back goes by window coordinates: the window's bottom row came first.
        const size_t pitch = size_t(m_width) * 4;
        for (size_t top = 0, bottom = m_height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(&store.bytes[top * pitch], &store.bytes[top * pitch] + pitch, &store.bytes[bottom * pitch]);
    }
}

bool BackBuffer::OneToOne(const sdl::Viewport& view, int drawableW, int drawableH) const
{
    // The viewport is in window units; HiDPI drawables have more pixels.
    return view.Identity() && view.windowW == drawableW && view.windowH == drawableH && UINT(drawableW) == m_width &&
           UINT(drawableH) == m_height;
}

void BackBuffer::Show(const Api& gl, const sdl::Viewport& view, int drawableW, int drawableH) const
{
    if (m_inWindow) {
        if (OneToOne(view, drawableW, drawableH)) return;
        // The window changed under a frame drawn in it: the frame goes into
        // the framebuffer object first, and is shown from there. It lies in
        // the viewport's rows, the upper-left origin turned them within it.
        gl.BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, m_framebuffer);
        WriteAlpha(gl, true);
        gl.BlitFramebuffer(0, 0, GLint(m_width), GLint(m_height), 0, GLint(m_height), GLint(m_width), 0,
                           GL_COLOR_BUFFER_BIT, GL_NEAREST);
        WriteAlpha(gl, false);
    }
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, m_framebuffer);
    gl.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    // The viewport is in window units; HiDPI drawables have more pixels.
    const double sx = view.windowW > 0 ? double(drawableW) / view.windowW : 1.0;
    const double sy = view.windowH > 0 ? double(drawableH) / view.windowH : 1.0;
    const int x0 = int(view.dest.x * sx + 0.5), x1 = int((view.dest.x + view.dest.w) * sx + 0.5);
    const int top = int(view.dest.y * sy + 0.5), bottom = int((view.dest.y + view.dest.h) * sy + 0.5);
    const bool exact = x0 == 0 && top == 0 && x1 == drawableW && bottom == drawableH && UINT(drawableW) == m_width &&
                       UINT(drawableH) == m_height;
    WriteAlpha(gl, true);
    if (!exact) {
        gl.ClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        gl.Clear(GL_COLOR_BUFFER_BIT);
    }
    // The window's rows run bottom to top: the destination is given upside
    // down, which flips the frame as it is copied.
    gl.BlitFramebuffer(0, 0, GLint(m_width), GLint(m_height), x0, drawableH - top, x1, drawableH - bottom,
                       GL_COLOR_BUFFER_BIT, exact ? GL_NEAREST : GL_LINEAR);
    WriteAlpha(gl, false);
    Bind(gl);
}

} // namespace kes::d3d9::gl
