// The OpenGL device: draws on the GPU through OpenGL 3.3 core or OpenGL ES
// 3.0, on a context made on the window's SDL window.
//
// Implements what the software device does, through the same state: the
// four texture formats, pre-transformed triangle strips, lists and fans,
// line lists and strips, point or linear filtering with clamp or wrap
// addressing, the blend factors the engine uses, the effect program (GLSL,
// compiled at creation and after every reset), clears, presents paced by the
// swap interval, the scaled full screen (the back buffer is a framebuffer
// object, drawn into the window scaled to fit), read-back, reset and lost
// devices. Not implemented: point lists (not drawn, as on the software
// device), writes through a locked back-buffer surface (they reach the
// memory copy, not the GPU's).
//
// What keeps a CPU rasterizer (llvmpipe) busy is the work per pixel, so the
// device asks it for as little as the same pixels allow: draws whose effect
// constants reduce to texel x constant run that multiply alone, or only the
// sample for a factor of one (effect/EffectModulate.h); hue turns, tints
// and blend levels drawn point-sampled use copies of their texture made on
// the CPU (GlEffectCopies.h); a draw that magnifies everywhere minifies with its
// magnification filter too (GlMagnification.h); and gathered sprites stay
// draws of their own within one call (GlBatch.h).
#ifndef KESTO_PLATFORM_D3D9_OPENGL_OPENGLDEVICE_H
#define KESTO_PLATFORM_D3D9_OPENGL_OPENGLDEVICE_H

#include "GlBackBuffer.h"
#include "GlBatch.h"
#include "GlContext.h"
#include "GlEffectCopies.h"
#include "GlProgram.h"
#include "GlRenderState.h"
#include "GlTextures.h"
#include "GlVertexStream.h"

#include "../Device.h"
#include "../WindowPresenter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kes::d3d9 {

class OpenGLDevice : public Device {
public:
    OpenGLDevice(HWND window, const D3DPRESENT_PARAMETERS& params);
    ~OpenGLDevice() override;

    const char* Name() const override { return "opengl"; }

    // Makes the context, the back buffer and the effect program; false with
    // the reason in `why`. When `acceptCpu` is false, a GL that is a CPU
    // rasterizer is refused too (the software device is faster there), and
    // `cpu` says so.
    bool Start(bool acceptCpu, std::string* why, bool* cpu);

    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const void* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* pRenderTarget, IDirect3DSurface9* pDestSurface) override;
    HRESULT Clear(DWORD Count, const void* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;

    // What the driver calls itself ("llvmpipe (LLVM 15.0.6, 256 bits)").
    const std::string& Renderer() const { return m_context.Renderer(); }
    bool Es() const { return m_context.Es(); }
    uint64_t TextureRowsUploaded() const { return m_textures.RowsUploaded(); }
    // GL draw calls made so far; tests check that draws are gathered.
    uint64_t DrawCalls() const { return m_drawCalls; }
    // Copies through the effect made so far, and the bytes those kept now hold.
    uint64_t EffectCopiesMade() const { return m_effectCopies.Made(); }
    size_t EffectCopyBytes() const { return m_effectCopies.Bytes(); }
    // True while frames are drawn straight into the window's back buffer.
    bool DrawsInWindow() const { return m_target.InWindow(); }
    // The window's framebuffer as the last present left it, top row first,
    // as 0xAARRGGBB words; false when it cannot be read.
    bool ReadWindow(std::vector<uint32_t>* pixels, int* width, int* height);

protected:
    HRESULT Draw(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* vertices, UINT count) override;
    HRESULT ResetBackBuffer(const D3DPRESENT_PARAMETERS& params) override;
    void ForgetTexture(Texture* texture) override;
    void Shutdown() override;

private:
    // Builds what a reset remakes: the back buffer and the effect program.
    bool BuildTargets(const D3DPRESENT_PARAMETERS& params, std::string* why);
    // Makes the context current; false once it is gone (after Shutdown, or
    // once the window has gone, which abandons the context).
    bool Current();
    void Abandon();
    // What drawing answers without a context: nothing to do once the window
    // has gone, a failure otherwise.
    HRESULT NotCurrent() const;
    void PaceAndSwap();
    // Draws into the window's own back buffer when it shows the back buffer
    // pixel for pixel (and GL can take its rows the Direct3D way up), else
    // into the framebuffer object.
    void ChooseTarget(const sdl::Viewport& view, int drawableW, int drawableH);
    // Whether this context and platform may draw into the window at all
    // (KESTO_OPENGL_TARGET=framebuffer says never).
    bool MayDrawInWindow() const;
    // The key of a draw of `count` vertices made now.
    gl::DrawKey KeyOfDraw(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* vertices, UINT count) const;
    // Sets blend, texture, sampler and program for draws of `key`.
    void ApplyState(const gl::DrawKey& key);
    // Binds the copy through the effect for `key` when it has (or now gets) one.
    bool UseEffectCopy(const gl::DrawKey& key);
    // Draws the gathered triangles, if any.
    void Flush();

    gl::Context m_context;
    gl::EffectProgramGl m_program;
    gl::TextureCache m_textures;
    gl::EffectCopies m_effectCopies;
    gl::BackBuffer m_target;
    gl::VertexStream m_stream;
    gl::TriangleBatch m_batch;
    std::vector<GLint> m_firsts; // the batch's draws in the vertex stream
    gl::RenderState m_renderState;
    PixelStore m_backBuffer;    // the read-back copy (X8R8G8B8)
    bool m_readBackStale = true; // drawn into since the last read-back
    uint64_t m_drawCalls = 0;
    bool m_mayDrawInWindow = false;
    bool m_windowGone = false;
    RetraceClock m_retrace;
    int m_swapInterval = -1; // what SDL was last told; -1 unknown or refused
};

extern const struct DeviceDriver kOpenGLDriver;

} // namespace kes::d3d9

#endif
