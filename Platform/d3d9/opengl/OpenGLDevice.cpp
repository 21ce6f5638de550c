// The OpenGL device: context, back buffer, drawing, presenting.
#include "OpenGLDevice.h"

#include "GlMagnification.h"

#include "../effect/EffectModulate.h"

#include "../../config/Log.h"
#include "../../win32/sdl/SdlVideo.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kes::d3d9 {
namespace {

GLenum ModeOf(D3DPRIMITIVETYPE type)
{
    switch (type) {
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLELIST: return GL_TRIANGLES;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    default: return GL_POINTS; // not drawn, as on the software device
    }
}

} // namespace

OpenGLDevice::OpenGLDevice(HWND window, const D3DPRESENT_PARAMETERS& params) : Device(window, params) {}

OpenGLDevice::~OpenGLDevice()
{
    Shutdown();
}

bool OpenGLDevice::Start(bool acceptCpu, std::string* why, bool* cpu)
{
    *cpu = false;
    if (!m_context.Create(sdl::WindowOf(Window()), why)) {
        *why = "no OpenGL context (" + *why + ")";
        return false;
    }
    if (!acceptCpu && gl::IsSoftwareRasterizer(m_context.Renderer())) {
        *cpu = true;
        *why = "OpenGL is " + m_context.Vendor() + " " + m_context.Renderer() + ", a CPU rasterizer";
        return false;
    }
    m_stream.Create(m_context.Gl());
    if (!BuildTargets(m_params, why)) return false;
    return true;
}

bool OpenGLDevice::BuildTargets(const D3DPRESENT_PARAMETERS& params, std::string* why)
{
    const gl::Api& gl = m_context.Gl();
    if (!m_target.Create(gl, params.BackBufferWidth, params.BackBufferHeight, why)) return false;
    m_textures.ForgetBinding(); // the new target's texture was bound to make it
    if (!m_program.Build(gl, m_context.Es(), why)) return false;
    m_program.Use(gl, params.BackBufferWidth, params.BackBufferHeight);
    m_renderState.Invalidate();
    m_mayDrawInWindow = MayDrawInWindow();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(m_context.Window(), &w, &h);
    ChooseTarget(sdl::ViewportOf(Window()), w, h);
    PixelStore next;
    if (!next.Allocate(D3DFMT_X8R8G8B8, params.BackBufferWidth, params.BackBufferHeight)) {
        *why = "no memory for the read-back copy of the back buffer";
        return false;
    }
    next.revision = m_backBuffer.revision + 1;
    m_backBuffer = std::move(next);
    m_readBackStale = true;
    return true;
}

bool OpenGLDevice::MayDrawInWindow() const
{
    // Set to "framebuffer" (tests of that path, diagnostics): never.
    const char* asked = getenv("KESTO_OPENGL_TARGET");
    if (asked && SDL_strcasecmp(asked, "framebuffer") == 0) return false;
    if (!m_context.Gl().ClipControl) return false;
    // On a GPU the copy at present costs next to nothing, and a swap may
    // leave the window's back buffer undefined: the framebuffer object keeps
    // the frame for read-backs after the present. A CPU rasterizer pays for
    // the copy with a hundred sprites' time, and on X11 (the frame is put
    // into the window from memory) and on SDL's offscreen driver (a pbuffer)
    // its back buffer stays as it was drawn.
    if (!gl::IsSoftwareRasterizer(m_context.Renderer())) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && (SDL_strcmp(driver, "x11") == 0 || SDL_strcmp(driver, "offscreen") == 0);
}

void OpenGLDevice::ChooseTarget(const sdl::Viewport& view, int drawableW, int drawableH)
{
    const gl::Api& gl = m_context.Gl();
    const bool inWindow = m_mayDrawInWindow && m_target.OneToOne(view, drawableW, drawableH);
    if (inWindow == m_target.InWindow()) return;
    m_target.DrawInWindow(gl, inWindow);
    m_readBackStale = true;
}

bool OpenGLDevice::Current()
{
    if (m_context.MakeCurrent()) return true;
    if (m_context.WindowGone()) Abandon();
    return false;
}

void OpenGLDevice::Abandon()
{
    // A game may destroy its window before it releases the device (and
    // still draw the frames of its last turn of the loop). The context can
    // draw nowhere any more; what was made on it goes with it, and from now
    // on the device draws and shows nothing, as the software device does
    // without a window.
    m_windowGone = true;
    m_batch.Clear();
    m_textures = gl::TextureCache();
    m_effectCopies = gl::EffectCopies();
    m_program = gl::EffectProgramGl();
    m_target = gl::BackBuffer();
    m_stream = gl::VertexStream();
    m_renderState = gl::RenderState();
    m_context.Destroy();
}

HRESULT OpenGLDevice::NotCurrent() const
{
    return m_windowGone ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT OpenGLDevice::ResetBackBuffer(const D3DPRESENT_PARAMETERS& params)
{
    if (!Current()) return D3DERR_NOTAVAILABLE;
    m_batch.Clear(); // the old frame's draws go with its back buffer
    m_effectCopies.Destroy(m_context.Gl());
    std::string why;
    if (!BuildTargets(params, &why)) {
        platform::Log("OpenGL device cannot reset to %u x %u: %s", params.BackBufferWidth, params.BackBufferHeight,
                      why.c_str());
        return D3DERR_NOTAVAILABLE;
    }
    return D3D_OK;
}

void OpenGLDevice::ForgetTexture(Texture* texture)
{
    if (!Current()) return;
    if (m_batch.Key().texture == texture) Flush(); // while its pixels are there
    const uint64_t serial = m_textures.Forget(m_context.Gl(), texture);
    if (serial) m_effectCopies.Forget(m_context.Gl(), serial);
}

void OpenGLDevice::Shutdown()
{
    // Without the context current, the objects go with the context itself.
    m_batch.Clear();
    if (Current()) {
        const gl::Api& gl = m_context.Gl();
        m_textures.Destroy(gl);
        m_effectCopies.Destroy(gl);
        m_program.Destroy(gl);
        m_target.Destroy(gl);
        m_stream.Destroy(gl);
    }
    m_context.Destroy();
}

HRESULT OpenGLDevice::Clear(DWORD Count, const void* pRects, DWORD Flags, D3DCOLOR Color, float, DWORD)
{
    if (Count != 0 || pRects) return D3DERR_INVALIDCALL; // whole-target clears only
    if (!(Flags & D3DCLEAR_TARGET) || IsLost()) return D3D_OK;
    if (!Current()) return NotCurrent();
    Flush();
    m_target.Clear(m_context.Gl(), Color);
    m_readBackStale = true;
    return D3D_OK;
}

HRESULT OpenGLDevice::Draw(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* vertices, UINT count)
{
    const GLenum mode = ModeOf(type);
    if (mode == GL_POINTS) return D3D_OK;
    if (!Current()) return NotCurrent();
    m_readBackStale = true;
    const gl::DrawKey key = KeyOfDraw(type, vertices, count);
    if (gl::Batchable(type)) {
        if (m_batch.Empty() || key != m_batch.Key() ||
            m_batch.Vertices().size() + count > gl::TriangleBatch::kMaxVertices) {
            Flush();
            ApplyState(key);
            m_batch.Start(key);
        }
        m_batch.Add(type, vertices, count);
        return D3D_OK;
    }
    Flush();
    ApplyState(key);
    const gl::Api& gl = m_context.Gl();
    gl.DrawArrays(mode, m_stream.Append(gl, vertices, count), GLsizei(count));
    ++m_drawCalls;
    return D3D_OK;
}

gl::DrawKey OpenGLDevice::KeyOfDraw(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* vertices, UINT count) const
{
    gl::DrawKey key = gl::KeyOf(m_state, gl::ConstantsFor(m_state));
    if (key.texture && key.minFilter != key.magFilter) {
        const PixelStore& level = key.texture->Level(0);
        if (gl::WholeDrawMagnified(type, vertices, count, level.width, level.height)) key.minFilter = key.magFilter;
    }
    return key;
}

void OpenGLDevice::ApplyState(const gl::DrawKey& key)
{
    const gl::Api& gl = m_context.Gl();
    m_renderState.Apply(gl, m_state);
    const EffectConstants& k = key.constants;
    if (UseEffectCopy(key)) {
        m_textures.ForgetBinding();
        // The copy holds the program's output but for the fade.
        if (m_program.SetModulation(gl, Float4{1.0f, 1.0f, 1.0f, EffectFade(k)})) return;
    }
    m_textures.Bind(gl, m_context.Es(), m_state, key.minFilter);
    Float4 factor;
    const bool filtered = key.minFilter == D3DTEXF_LINEAR && key.magFilter == D3DTEXF_LINEAR;
    if (!EffectAsModulation(k, &factor) || !m_program.SetModulation(gl, factor, filtered))
        m_program.SetConstants(gl, k);
}

bool OpenGLDevice::UseEffectCopy(const gl::DrawKey& key)
{
    // The copy holds what the program makes of each texel: right only for
    // pixels that sample one texel.
    if (!key.texture || !EffectChangesColours(key.constants) || key.magFilter == D3DTEXF_LINEAR ||
        key.minFilter == D3DTEXF_LINEAR)
        return false;
    gl::EffectCopyKey copy;
    copy.serial = m_textures.SerialOf(key.texture);
    copy.revision = key.revision;
    copy.constants = key.constants;
    copy.constants.alpha = 1.0f;
    return m_effectCopies.Use(m_context.Gl(), copy, key.texture->Level(0), key.addressU, key.addressV);
}

void OpenGLDevice::Flush()
{
    if (m_batch.Empty()) return;
    // The GL state is still the one applied when the batch began.
    const gl::Api& gl = m_context.Gl();
    const std::vector<VertexXyzrhwTex1>& v = m_batch.Vertices();
    const GLint base = m_stream.Append(gl, v.data(), UINT(v.size()));
    const GLsizei total = GLsizei(v.size());
    if (gl.MultiDrawArrays && m_batch.Counts().size() > 1) {
        m_firsts.assign(m_batch.Firsts().begin(), m_batch.Firsts().end());
        for (GLint& first : m_firsts) first += base;
        gl.MultiDrawArrays(GL_TRIANGLES, m_firsts.data(), m_batch.Counts().data(), GLsizei(m_firsts.size()));
    } else if (total % 6 == 3 && total > 3) {
        // As the batch splits draws of an odd number of triangles (GlBatch.h).
        gl.DrawArrays(GL_TRIANGLES, base, total - 3);
        gl.DrawArrays(GL_TRIANGLES, base + total - 3, 3);
        ++m_drawCalls;
    } else {
        gl.DrawArrays(GL_TRIANGLES, base, total);
    }
    ++m_drawCalls;
    m_batch.Clear();
}

void OpenGLDevice::PaceAndSwap()
{
    const UINT interval = m_params.PresentationInterval;
    // A desktop's swap chain waits for the retrace itself; offscreen
    // surfaces have none, and keep to the display's refresh as the software
    // device does.
    const int wanted = interval == D3DPRESENT_INTERVAL_IMMEDIATE ? 0 : 1;
    bool swapWaits = false;
    if (sdl::HasDisplay()) {
        if (m_swapInterval != wanted) m_swapInterval = SDL_GL_SetSwapInterval(wanted) == 0 ? wanted : -1;
        swapWaits = m_swapInterval == wanted;
    }
    SDL_GL_SwapWindow(m_context.Window());
    if (!swapWaits) m_retrace.Wait(Window(), interval);
}

HRESULT OpenGLDevice::Present(const RECT*, const RECT*, HWND, const void*)
{
    if (InScene()) return D3DERR_INVALIDCALL;
    // After the application released the device there is no context and
    // nothing to show.
    const bool current = Current();
    if (current) Flush();
    if (IsLost()) {
        // Nothing is drawn until the reset; the copies are made again after it.
        if (current) m_effectCopies.Destroy(m_context.Gl());
        return D3DERR_DEVICELOST;
    }
    if (!current) return D3D_OK;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(m_context.Window(), &w, &h);
    const sdl::Viewport view = sdl::ViewportOf(Window());
    m_target.Show(m_context.Gl(), view, w, h);
    PaceAndSwap();
    // The window may have changed size or left the full screen: the next
    // frame goes where it is shown best.
    ChooseTarget(view, w, h);
    return D3D_OK;
}

HRESULT OpenGLDevice::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE,
                                    IDirect3DSurface9** ppBackBuffer)
{
    if (!ppBackBuffer || iSwapChain != 0 || iBackBuffer != 0) return D3DERR_INVALIDCALL;
    // The surface shows the frame as it is now: read it back once here
    // rather than after every draw.
    if (m_readBackStale && Current()) {
        Flush();
        m_target.ReadInto(m_context.Gl(), m_context.Es(), m_backBuffer);
        ++m_backBuffer.revision;
        m_readBackStale = false;
    }
    *ppBackBuffer = new Surface(this, nullptr, &m_backBuffer, D3DPOOL_DEFAULT);
    return D3D_OK;
}

HRESULT OpenGLDevice::GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface)
{
    if (pRenderTarget && &static_cast<Surface*>(pRenderTarget)->Store() == &m_backBuffer) {
        // The back buffer may have been drawn into since the surface was taken.
        IDirect3DSurface9* fresh = nullptr;
        if (SUCCEEDED(GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &fresh))) fresh->Release();
    }
    return Device::GetRenderTargetData(pRenderTarget, pDestSurface);
}

bool OpenGLDevice::ReadWindow(std::vector<uint32_t>* pixels, int* width, int* height)
{
    if (!Current()) return false;
    Flush();
    const gl::Api& gl = m_context.Gl();
    SDL_GL_GetDrawableSize(m_context.Window(), width, height);
    if (*width <= 0 || *height <= 0) return false;
    std::vector<uint8_t> rgba(size_t(*width) * size_t(*height) * 4);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 4);
    gl.ReadPixels(0, 0, *width, *height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    m_target.Bind(gl);
    pixels->resize(size_t(*width) * size_t(*height));
    for (int y = 0; y < *height; ++y) {
        const uint8_t* row = &rgba[size_t(*height - 1 - y) * size_t(*width) * 4]; // bottom row first in GL
        for (int x = 0; x < *width; ++x, row += 4)
            (*pixels)[size_t(y) * size_t(*width) + size_t(x)] =
                uint32_t(row[3]) << 24 | uint32_t(row[0]) << 16 | uint32_t(row[1]) << 8 | row[2];
    }
    return true;
}

} // namespace kes::d3d9
