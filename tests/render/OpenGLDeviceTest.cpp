// The OpenGL device's own paths: being chosen or passed over (and saying
// why), texture refreshes that send only what changed, read-back, reset and
// the lost device, and the scaled full screen. Like the scene comparisons,
// these need a GL context and fail without one.
#include "DeviceRig.h"
#include "DeviceWindow.h"
#include "LogCapture.h"

#include "d3d9/opengl/GlContext.h"
#include "d3d9/opengl/OpenGLDevice.h"
#include "win32/sdl/SdlVideo.h"

#include <KesPlatform.h>

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace kes::test {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;

// A window and a device made the way a game makes them, for the cases the
// rig's fixed setup does not cover.
class WindowDevice {
public:
    // The window's client area is width x height unless given.
    WindowDevice(UINT width, UINT height, bool windowed = true, int windowW = 0, int windowH = 0)
    {
        m_window = support::MakeWindow(windowW ? windowW : int(width), windowH ? windowH : int(height));
        params = support::WindowedParams(m_window, width, height, windowed);
    }
    ~WindowDevice()
    {
        Drop();
        if (m_window) DestroyWindow(m_window);
    }

    HRESULT Create()
    {
        Drop();
        HRESULT made = E_FAIL;
        device = support::MakeDevice(m_window, params, &made);
        return made;
    }
    // The OpenGL device asked for by name; later devices are chosen as usual.
    HRESULT CreateOpenGL()
    {
        KesPlatformSetRenderDevice("opengl");
        const HRESULT made = Create();
        KesPlatformSetRenderDevice(nullptr);
        return made;
    }
    void Drop()
    {
        if (device) device->Release();
        device = nullptr;
    }
    const char* Name() const { return device ? KesPlatformDeviceName(device) : "(none)"; }
    HWND Window() const { return m_window; }

    D3DPRESENT_PARAMETERS params;
    IDirect3DDevice9* device = nullptr;

private:
    HWND m_window = nullptr;
};

class OpenGLDeviceChoice : public ::testing::Test {
protected:
    void TearDown() override
    {
        d3d9::gl::SetContextVersion(d3d9::gl::ContextVersion{});
        KesPlatformSetRenderDevice(nullptr);
        unsetenv("KESTO_RENDER_DEVICE");
    }
};

TEST_F(OpenGLDeviceChoice, AskingByNameGivesTheOpenGLDevice)
{
    for (const char* name : {"opengl", "OpenGL"}) {
        SCOPED_TRACE(name);
        WindowDevice w(64, 48);
        KesPlatformSetRenderDevice(name);
        ASSERT_EQ(w.Create(), D3D_OK);
        EXPECT_STREQ(w.Name(), "opengl");
        const auto* gl = static_cast<d3d9::OpenGLDevice*>(w.device);
        EXPECT_FALSE(gl->Renderer().empty());
    }
    // The player's choice through the environment, when the program made none.
    KesPlatformSetRenderDevice(nullptr);
    setenv("KESTO_RENDER_DEVICE", "opengl", 1);
    WindowDevice w(64, 48);
    ASSERT_EQ(w.Create(), D3D_OK);
    EXPECT_STREQ(w.Name(), "opengl");
}

TEST_F(OpenGLDeviceChoice, WithoutAContextTheSoftwareDeviceRunsAndTheLogSaysWhy)
{
    // No driver offers OpenGL 9.9.
    d3d9::gl::SetContextVersion(d3d9::gl::ContextVersion{9, 9, false});
    LogCapture log;
    WindowDevice w(64, 48);
    ASSERT_EQ(w.Create(), D3D_OK);
    EXPECT_STREQ(w.Name(), "software");
    ASSERT_EQ(log.Lines().size(), 1u) << log.All();
    EXPECT_EQ(log.Lines()[0].rfind("render device: software (opengl: no OpenGL context (no OpenGL 9.9 core context: ", 0), 0u)
        << log.All();

    // Asked for by name, the device fails instead, saying why.
    KesPlatformSetRenderDevice("opengl");
    EXPECT_EQ(w.Create(), D3DERR_NOTAVAILABLE);
    EXPECT_EQ(w.device, nullptr);
    ASSERT_GE(log.Lines().size(), 2u);
    EXPECT_NE(log.Lines()[1].find("OpenGL device: no OpenGL context"), std::string::npos) << log.All();
}

TEST_F(OpenGLDeviceChoice, ACpuRasterizerLeavesTheAutomaticChoiceToTheSoftwareDeviceOnce)
{
    std::string renderer;
    {
        WindowDevice probe(64, 48);
        ASSERT_EQ(probe.CreateOpenGL(), D3D_OK) << "no OpenGL context on this machine";
        renderer = static_cast<d3d9::OpenGLDevice*>(probe.device)->Renderer();
    }
    // A different line first, so that the choice below is news however
    // this process got here.
    d3d9::gl::SetContextVersion(d3d9::gl::ContextVersion{9, 9, false});
    WindowDevice(64, 48).Create();
    d3d9::gl::SetContextVersion(d3d9::gl::ContextVersion{});

    LogCapture log;
    for (int i = 0; i < 3; ++i) {
        WindowDevice w(64, 48);
        ASSERT_EQ(w.Create(), D3D_OK);
        if (!d3d9::gl::IsSoftwareRasterizer(renderer)) {
            EXPECT_STREQ(w.Name(), "opengl") << renderer;
            continue;
        }
        EXPECT_STREQ(w.Name(), "software") << renderer;
    }
    if (d3d9::gl::IsSoftwareRasterizer(renderer)) {
        ASSERT_EQ(log.Lines().size(), 1u) << log.All();
        EXPECT_NE(log.Lines()[0].find("render device: software (opengl: OpenGL is "), std::string::npos) << log.All();
        EXPECT_NE(log.Lines()[0].find(renderer + ", a CPU rasterizer)"), std::string::npos) << log.All();
    } else {
        EXPECT_TRUE(log.Lines().empty()) << log.All();
    }
}

TEST(OpenGLRendererNames, CpuRasterizersAreKnownByName)
{
    const struct {
        const char* renderer;
        bool cpu;
    } cases[] = {
        {"llvmpipe (LLVM 15.0.6, 256 bits)", true},
        {"softpipe", true},
        {"Mesa X11 Software Rasterizer", true},
        {"AMD Radeon RX 6600 (navi23, LLVM 15.0.6, DRM 3.49, 6.1.0)", false},
        {"Mesa Intel(R) UHD Graphics 620 (KBL GT2)", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(d3d9::gl::IsSoftwareRasterizer(c.renderer), c.cpu) << c.renderer;
}

// ---- the device at work -------------------------------------------------------

class OpenGLDeviceWorks : public DevicePairTest {
protected:
    d3d9::OpenGLDevice& Gl() { return *static_cast<d3d9::OpenGLDevice*>(m_gl.Device()); }
};

// Writes rows [top, bottom) of a texture through a locked sub-rectangle.
void Repaint(IDirect3DTexture9* tex, LONG left, LONG top, LONG right, LONG bottom, uint32_t argb)
{
    RECT r{left, top, right, bottom};
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, &r, 0), D3D_OK);
    for (LONG y = 0; y < bottom - top; ++y)
        for (LONG x = 0; x < right - left; ++x)
            memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &argb, 4);
    ASSERT_EQ(tex->UnlockRect(0), D3D_OK);
}

TEST_F(OpenGLDeviceWorks, ChangedTexturesAreSentAgainRowsThatChangedOnly)
{
    std::vector<uint32_t> texels(64 * 64);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | uint32_t(i * 2654435761u >> 8);
    IDirect3DTexture9* soft = m_soft.BindArgb(64, 64, texels);
    IDirect3DTexture9* gl = m_gl.BindArgb(64, 64, texels);
    const auto drawBoth = [&] {
        for (DeviceRig* d : {&m_soft, &m_gl}) {
            d->Clear(kBlack);
            d->DrawQuad(ImageQuad(20, 20, 64, 64));
        }
        EXPECT_EQ(ColourDifferences(m_soft.ReadBack(), m_gl.ReadBack(), 0), "");
    };
    drawBoth();
    const uint64_t first = Gl().TextureRowsUploaded();
    // Each change must reach the screen; once the texture is known to
    // change, only the band of changed rows goes up.
    const struct {
        LONG left, top, right, bottom;
        uint32_t colour;
        uint64_t rowsAtMost;
    } changes[] = {
        {5, 10, 30, 13, 0xFFFF0000, 64},  // the first refresh sends everything
        {40, 30, 41, 31, 0xFF00FF00, 1},  // one texel
        {0, 50, 64, 54, 0xFF0000FF, 4},   // four whole rows
        {10, 2, 12, 62, 0xFFFFFF00, 60},  // a column
    };
    uint64_t before = first;
    for (const auto& c : changes) {
        SCOPED_TRACE(c.top);
        Repaint(soft, c.left, c.top, c.right, c.bottom, c.colour);
        Repaint(gl, c.left, c.top, c.right, c.bottom, c.colour);
        drawBoth();
        const uint64_t sent = Gl().TextureRowsUploaded() - before;
        EXPECT_GE(sent, uint64_t(c.bottom - c.top));
        EXPECT_LE(sent, c.rowsAtMost);
        before = Gl().TextureRowsUploaded();
    }
    // Unlocked but unchanged: nothing to send.
    Repaint(gl, 40, 30, 41, 31, 0xFF00FF00);
    drawBoth();
    EXPECT_EQ(Gl().TextureRowsUploaded(), before);
}

TEST_F(OpenGLDeviceWorks, DrawsWithTheSameStateGoTogetherInTheirOrder)
{
    // A frame as the engine replays one: many small draws, most with the
    // state of the one before. Each pixel must come out as the software
    // device draws it, and draws that share their state must be one call.
    const std::vector<uint32_t> red(16 * 16, 0xFFFF0000u);
    IDirect3DTexture9* texture[2] = {m_soft.BindArgb(16, 16, red), m_gl.BindArgb(16, 16, red)};
    const uint64_t callsBefore = Gl().DrawCalls();
    int rig = 0;
    for (DeviceRig* d : {&m_soft, &m_gl}) {
        IDirect3DTexture9* t = texture[rig++];
        d->Clear(kBlack);
        d->Device()->SetTexture(0, t);
        d->SetEffect(0, 14, 1.0f, Float4{});
        // Forty overlapping sprites of one state: the later covers the earlier.
        for (int i = 0; i < 40; ++i) d->DrawQuad(ImageQuad(float(2 * i), float(i), 16, 16));
        // The texture changes between two draws: the draws before keep its
        // old pixels.
        Repaint(t, 0, 0, 16, 16, 0x80FF00FF);
        d->DrawQuad(ImageQuad(100, 4, 16, 16));
        // Constants that change every draw, and a list and a fan among strips.
        d->Device()->SetTexture(0, nullptr);
        for (int i = 0; i < 8; ++i) {
            d->UseFlatColour(0x60000000u | uint32_t(i * 0x1F2F3F));
            d->DrawQuad(Quad(float(10 + 6 * i), 60, float(40 + 6 * i), 90));
        }
        d->UseFlatColour(0xC0FFFFFF);
        const std::vector<Vertex> q = Quad(120, 60, 150, 110);
        d->Draw(D3DPT_TRIANGLELIST, {q[0], q[1], q[2], q[1], q[3], q[2]});
        d->Draw(D3DPT_TRIANGLEFAN, {q[0], q[1], q[3], q[2]});
    }
    EXPECT_EQ(ColourDifferences(m_soft.ReadBack(), m_gl.ReadBack(), 1), "");
    // The forty sprites, the one after the change, eight colours, and the
    // list with the fan (same colour): 11 calls, not 51.
    EXPECT_EQ(Gl().DrawCalls() - callsBefore, 11u);
}

TEST_F(OpenGLDeviceWorks, ReadBackFollowsTheFrameAfterTheSurfaceWasTaken)
{
    IDirect3DDevice9* device = m_gl.Device();
    m_gl.Clear(0xFF102030);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    IDirect3DSurface9* copy = nullptr;
    ASSERT_EQ(device->CreateOffscreenPlainSurface(DeviceRig::kWidth, DeviceRig::kHeight, D3DFMT_X8R8G8B8,
                                                  D3DPOOL_SYSTEMMEM, &copy, nullptr),
              D3D_OK);
    // Drawn after the surface was taken: the copy must show it.
    m_gl.UseFlatColour(0xFFC08040);
    m_gl.DrawQuad(Quad(10, 10, 20, 20));
    ASSERT_EQ(device->GetRenderTargetData(back, copy), D3D_OK);
    D3DLOCKED_RECT lr;
    ASSERT_EQ(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto at = [&](int x, int y) {
        uint32_t v;
        memcpy(&v, static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, 4);
        return v;
    };
    EXPECT_EQ(at(15, 15), 0xFFC08040u);
    EXPECT_EQ(at(25, 15), 0xFF102030u);
    EXPECT_EQ(at(DeviceRig::kWidth - 1, DeviceRig::kHeight - 1), 0xFF102030u);
    copy->UnlockRect();
    copy->Release();
    back->Release();
}

TEST_F(OpenGLDeviceWorks, LostDeviceRefusesToPresentUntilResetAndKeepsManagedTextures)
{
    std::vector<uint32_t> texels(8 * 8);
    for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000u | uint32_t(i * 0x030507);
    m_soft.BindArgb(8, 8, texels);
    m_gl.BindArgb(8, 8, texels);
    IDirect3DDevice9* device = m_gl.Device();
    m_gl.Clear(0xFF00FF00);

    KesPlatformLoseDevice(device);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    // Drawing still succeeds and changes nothing.
    m_gl.Clear(0xFFFF0000);
    m_gl.DrawQuad(Quad(0, 0, 50, 50));
    EXPECT_EQ(m_gl.ReadBack()[0], 0xFF00FF00u);

    // A default-pool resource alive keeps the reset from succeeding.
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = DeviceRig::kWidth;
    pp.BackBufferHeight = DeviceRig::kHeight;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.Windowed = TRUE;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

    // Both devices go through the same reset, then draw the kept texture
    // with the state set again, as the engine does after a reset.
    for (DeviceRig* d : {&m_soft, &m_gl}) {
        ASSERT_EQ(d->ResetDevice(pp), D3D_OK);
        d->Clear(0xFF203040);
        d->SetEffect(1, 14, 1.0f, Float4{0.5f, 0.75f, 0.25f, 0.6f});
        d->Device()->SetTexture(0, d->LastTexture());
        d->DrawQuad(ImageQuad(30, 30, 8, 8, 3, 3));
    }
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_EQ(ColourDifferences(m_soft.ReadBack(), m_gl.ReadBack(), 2), "");
}

// A game destroys its window (ExitApp) before it releases its device, and
// its loop may draw one more frame in between: both devices then draw and
// present nothing, never reach the window that has gone, and let their
// textures and themselves go cleanly afterwards.
TEST_F(OpenGLDeviceWorks, BothDevicesOutliveTheirWindow)
{
    for (DeviceRig* d : {&m_soft, &m_gl}) {
        SCOPED_TRACE(d->DeviceName());
        d->BindArgb(8, 8, std::vector<uint32_t>(64, 0xFF336699u));
        d->Clear(kBlack);
        d->DrawQuad(ImageQuad(10, 10, 8, 8));
        const HWND window = d->Window();
        d->DestroyWindowFirst();
        EXPECT_EQ(d3d9::Device::OfWindow(window), nullptr);
        EXPECT_EQ(static_cast<d3d9::Device*>(d->Device())->Window(), nullptr);

        IDirect3DDevice9* device = d->Device();
        EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
        d->DrawQuad(ImageQuad(30, 30, 8, 8));
        EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
        IDirect3DSurface9* back = nullptr;
        ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        back->Release();
        // A texture made afterwards is made and released like any other.
        d->BindArgb(4, 4, std::vector<uint32_t>(16, 0xFFFFFFFFu));
        d->DrawQuad(ImageQuad(0, 0, 4, 4));
    }
    // A window made afterwards (perhaps at a freed handle's address) is not
    // the devices' to present into.
    HWND later = support::MakeDeviceWindow(64, 48);
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(d3d9::Device::OfWindow(later), nullptr);
    DestroyWindow(later);
}

// ---- presenting --------------------------------------------------------------------

TEST(OpenGLPresent, FullScreenShowsTheBackBufferScaledWithBlackBars)
{
    int desktopW = 0, desktopH = 0;
    SDL_DisplayMode mode;
    ASSERT_TRUE(kes::sdl::EnsureVideo());
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &mode), 0);
    desktopW = mode.w;
    desktopH = mode.h;
    // 2:1, on a desktop of another shape: bars above and below or beside.
    // The window starts at the desktop's size: SDL's offscreen driver keeps
    // a window's GL surface at the size it was made with.
    WindowDevice w(200, 100, false, desktopW, desktopH);
    ASSERT_EQ(w.CreateOpenGL(), D3D_OK) << "no OpenGL context on this machine";
    IDirect3DDevice9* device = w.device;
    // A red frame.
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(device->EndScene(), D3D_OK);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    auto* gl = static_cast<d3d9::OpenGLDevice*>(device);
    std::vector<uint32_t> px;
    int width = 0, height = 0;
    ASSERT_TRUE(gl->ReadWindow(&px, &width, &height));
    EXPECT_EQ(width, desktopW);
    EXPECT_EQ(height, desktopH);
    // The largest 2:1 rectangle, centred.
    const int destW = std::min(width, height * 2), destH = destW / 2;
    const int x0 = (width - destW) / 2, y0 = (height - destH) / 2;
    const auto at = [&](int x, int y) { return px[size_t(y) * size_t(width) + size_t(x)] & 0xFFFFFFu; };
    EXPECT_EQ(at(x0 + destW / 2, y0 + destH / 2), 0xFF0000u);
    EXPECT_EQ(at(x0 + 2, y0 + 2), 0xFF0000u);
    EXPECT_EQ(at(x0 + destW - 3, y0 + destH - 3), 0xFF0000u);
    if (y0 > 1) {
        EXPECT_EQ(at(width / 2, y0 / 2), 0u);
        EXPECT_EQ(at(width / 2, height - 1 - y0 / 2), 0u);
    }
    if (x0 > 1) {
        EXPECT_EQ(at(x0 / 2, height / 2), 0u);
        EXPECT_EQ(at(width - 1 - x0 / 2, height / 2), 0u);
    }
    EXPECT_TRUE(x0 > 1 || y0 > 1) << "the desktop has the back buffer's shape";
}

// The back buffer as 0xRRGGBB words, row by row (alpha dropped: X8R8G8B8);
// empty when it cannot be read.
std::vector<uint32_t> BackBufferRgb(IDirect3DDevice9* device)
{
    std::vector<uint32_t> out;
    IDirect3DSurface9* back = nullptr;
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return out;
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT lr;
    if (SUCCEEDED(back->GetDesc(&desc)) && SUCCEEDED(back->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
        out.resize(size_t(desc.Width) * desc.Height);
        for (UINT y = 0; y < desc.Height; ++y)
            memcpy(&out[size_t(y) * desc.Width], static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch, desc.Width * 4);
        for (uint32_t& v : out) v &= 0xFFFFFFu;
        back->UnlockRect();
    }
    back->Release();
    return out;
}

// One scene of a 64-pixel-wide white frame with a black band over its top
// eight rows (nothing bound: the texel is opaque black).
void DrawBandedFrame(IDirect3DDevice9* device)
{
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(4 * sizeof(Vertex), 0, D3DFVF_XYZRHW | D3DFVF_TEX1, D3DPOOL_MANAGED, &vb,
                                         nullptr),
              D3D_OK);
    const std::vector<Vertex> band = Quad(0, 0, 64, 8);
    void* data = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &data, 0), D3D_OK);
    memcpy(data, band.data(), band.size() * sizeof(Vertex));
    vb->Unlock();
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFFFFFF, 1.0f, 0);
    device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    device->SetStreamSource(0, vb, 0, sizeof(Vertex));
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2), D3D_OK);
    EXPECT_EQ(device->EndScene(), D3D_OK);
    device->SetStreamSource(0, nullptr, 0, 0); // the device does not hold it
    vb->Release();
}

TEST(OpenGLPresent, WindowedPresentShowsTheFrameTheRightWayUp)
{
    WindowDevice w(64, 48);
    ASSERT_EQ(w.CreateOpenGL(), D3D_OK) << "no OpenGL context on this machine";
    IDirect3DDevice9* device = w.device;
    DrawBandedFrame(device);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    std::vector<uint32_t> px;
    int width = 0, height = 0;
    ASSERT_TRUE(static_cast<d3d9::OpenGLDevice*>(device)->ReadWindow(&px, &width, &height));
    ASSERT_EQ(width, 64);
    ASSERT_EQ(height, 48);
    EXPECT_EQ(px[2 * 64 + 10] & 0xFFFFFFu, 0u);
    EXPECT_EQ(px[40 * 64 + 10] & 0xFFFFFFu, 0xFFFFFFu);
    // And every pixel as the read-back has it.
    const std::vector<uint32_t> back = BackBufferRgb(device);
    ASSERT_EQ(back.size(), px.size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(px[size_t(y) * 64 + size_t(x)] & 0xFFFFFFu, back[size_t(y) * 64 + size_t(x)]) << x << ", " << y;
}

// Where the frames go: straight into the window's back buffer on a CPU
// rasterizer (the copy at present would cost a hundred sprites' time), into
// the framebuffer object on a GPU, when asked (KESTO_OPENGL_TARGET), and
// whenever the window does not show the back buffer pixel for pixel.
TEST(OpenGLPresent, FramesGoIntoTheWindowOnlyWhereItShowsThemPixelForPixel)
{
    WindowDevice w(64, 48);
    ASSERT_EQ(w.CreateOpenGL(), D3D_OK) << "no OpenGL context on this machine";
    auto* gl = static_cast<d3d9::OpenGLDevice*>(w.device);
    const char* target = getenv("KESTO_OPENGL_TARGET");
    const bool framebufferAsked = target && strcmp(target, "framebuffer") == 0;
    const bool cpu = d3d9::gl::IsSoftwareRasterizer(gl->Renderer());
    EXPECT_EQ(gl->DrawsInWindow(), cpu && !framebufferAsked) << gl->Renderer();

    // Each frame, whichever way it went, shows in the window and reads back.
    const struct {
        UINT width, height;
        uint32_t colour;
        bool oneToOne;
    } frames[] = {{32, 24, 0xFF20C040, false}, {64, 48, 0xFF4080F0, true}};
    for (const auto& f : frames) {
        SCOPED_TRACE(f.width);
        D3DPRESENT_PARAMETERS pp = w.params;
        pp.BackBufferWidth = f.width;
        pp.BackBufferHeight = f.height;
        ASSERT_EQ(w.device->Reset(&pp), D3D_OK);
        EXPECT_EQ(gl->DrawsInWindow(), f.oneToOne && cpu && !framebufferAsked);
        ASSERT_EQ(w.device->BeginScene(), D3D_OK);
        ASSERT_EQ(w.device->Clear(0, nullptr, D3DCLEAR_TARGET, f.colour, 1.0f, 0), D3D_OK);
        ASSERT_EQ(w.device->EndScene(), D3D_OK);
        ASSERT_EQ(w.device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        std::vector<uint32_t> px;
        int width = 0, height = 0;
        ASSERT_TRUE(gl->ReadWindow(&px, &width, &height));
        ASSERT_EQ(width, 64);
        EXPECT_EQ(px[size_t(height / 2) * size_t(width) + size_t(width / 2)] & 0xFFFFFFu, f.colour & 0xFFFFFFu);
        const std::vector<uint32_t> back = BackBufferRgb(w.device);
        ASSERT_EQ(back.size(), size_t(f.width) * f.height);
        EXPECT_EQ(back.back(), f.colour & 0xFFFFFFu); // the bottom-right corner
    }
}

// A window that stops showing the frame pixel for pixel while the frame is
// drawn in it (on a CPU rasterizer): the frame is copied aside the right way
// up and shown from there, and the next frames go to the framebuffer object.
// With the framebuffer object from the start, the frame simply stays there.
TEST(OpenGLPresent, AFrameDrawnInAWindowThatChangesKeepsItself)
{
    WindowDevice w(64, 48);
    ASSERT_EQ(w.CreateOpenGL(), D3D_OK) << "no OpenGL context on this machine";
    auto* gl = static_cast<d3d9::OpenGLDevice*>(w.device);
    IDirect3DDevice9* device = w.device;
    DrawBandedFrame(device);
    // The window grows before the present.
    ASSERT_TRUE(SetWindowPos(w.Window(), nullptr, 0, 0, 128, 96, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    EXPECT_FALSE(gl->DrawsInWindow());
    const std::vector<uint32_t> back = BackBufferRgb(device);
    ASSERT_EQ(back.size(), size_t(64 * 48));
    const auto at = [&](int x, int y) { return back[size_t(y) * 64 + size_t(x)]; };
    EXPECT_EQ(at(10, 2), 0u);
    EXPECT_EQ(at(10, 7), 0u);
    EXPECT_EQ(at(10, 8), 0xFFFFFFu);
    EXPECT_EQ(at(10, 40), 0xFFFFFFu);
}

} // namespace
} // namespace kes::test
