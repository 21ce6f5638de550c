// The back buffer of the OpenGL device: a framebuffer object of the back
// buffer's size (RGBA8, alpha kept at one), read back into memory for
// screenshots and tests, and shown in the window scaled to fit.
//
// Rows are stored top row first (row 0 is Direct3D's y = 0), so a read-back
// needs no flip and the flip happens once, when the frame goes to the window.
//
// When the window shows the back buffer pixel for pixel and the context can
// take its rows the Direct3D way up (glClipControl with an upper-left
// origin), frames are drawn straight into the window's own back buffer
// instead: copying the whole frame at every present costs as much as drawing
// a hundred sprites on a CPU rasterizer. A read-back then reads the window's
// back buffer.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLBACKBUFFER_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLBACKBUFFER_H

#include "GlApi.h"

#include "../Resources.h"
#include "../../win32/sdl/SdlVideo.h"

#include <string>

namespace kes::d3d9::gl {

class BackBuffer {
public:
    // Makes the framebuffer for width x height pixels (any earlier one goes).
    bool Create(const Api& gl, UINT width, UINT height, std::string* why);
    // Draws go to the window's own back buffer (on; needs gl.ClipControl),
    // or to the framebuffer object (off).
    void DrawInWindow(const Api& gl, bool on);
    bool InWindow() const { return m_inWindow; }
    // True when the window shows the back buffer pixel for pixel.
    bool OneToOne(const sdl::Viewport& view, int drawableW, int drawableH) const;
    void Destroy(const Api& gl);

    // Makes it the target of draws and clears.
    void Bind(const Api& gl) const;
    void Clear(const Api& gl, D3DCOLOR colour) const;

    // Copies the pixels into an X8R8G8B8 store of the same size.
    void ReadInto(const Api& gl, bool es, PixelStore& store) const;

    // Draws the frame into the window's framebuffer (drawable pixels):
    // as it is when the sizes match, else scaled into the viewport's place
    // with black bars around it; nothing to do for a frame drawn there
    // when the sizes match. Leaves the back buffer bound.
    void Show(const Api& gl, const sdl::Viewport& view, int drawableW, int drawableH) const;

    UINT Width() const { return m_width; }
    UINT Height() const { return m_height; }

private:
    GLuint m_framebuffer = 0;
    GLuint m_colour = 0;
    UINT m_width = 0, m_height = 0;
    bool m_inWindow = false;
};

} // namespace kes::d3d9::gl

#endif
