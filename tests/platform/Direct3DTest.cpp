// The Direct3D 9 and D3DX subset beneath the engine: device creation for a
// window, resources, the reset rules, shader "compilation" of the known
// programs, surface copies between the engine's formats.
#include <KesPlatform.h>
#include <d3d9.h>
#include <d3dx9.h>
#include <windows.h>

#include "DeviceWindow.h"
#include "TestSupport.h"
#include "win32/sdl/SdlVideo.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

class Direct3DTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_window = kes::support::MakeDeviceWindow(64, 48, "software");
        ASSERT_NE(m_window, nullptr);
        m_d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(m_d3d, nullptr);
        D3DPRESENT_PARAMETERS pp = Params(64, 48);
        ASSERT_EQ(m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                      &pp, &m_device),
                  D3D_OK);
    }

    void TearDown() override
    {
        if (m_device) m_device->Release();
        if (m_d3d) m_d3d->Release();
        DestroyWindow(m_window);
    }

    D3DPRESENT_PARAMETERS Params(UINT w, UINT h) { return kes::support::WindowedParams(m_window, w, h); }

    HWND m_window = nullptr;
    IDirect3D9* m_d3d = nullptr;
    IDirect3DDevice9* m_device = nullptr;
};

TEST_F(Direct3DTest, AdapterAndDeviceAnswerWhatTheEngineAsks)
{
    D3DCAPS9 caps;
    ASSERT_EQ(m_d3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_TRUE(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT);
    D3DDISPLAYMODE mode;
    ASSERT_EQ(m_d3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);
    EXPECT_EQ(mode.Format, D3DFMT_X8R8G8B8);
    EXPECT_GT(mode.Width, 0u);
    EXPECT_STREQ(KesPlatformDeviceName(m_device), "software");
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);

    // No window, no device.
    D3DPRESENT_PARAMETERS pp = Params(8, 8);
    pp.hDeviceWindow = reinterpret_cast<HWND>(0x1234);
    IDirect3DDevice9* none = nullptr;
    EXPECT_EQ(m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, pp.hDeviceWindow, 0, &pp, &none),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(none, nullptr);
}

TEST_F(Direct3DTest, ResetNeedsDefaultPoolResourcesGoneAndRestoresTheDevice)
{
    IDirect3DVertexBuffer9* vb = nullptr;
    ASSERT_EQ(m_device->CreateVertexBuffer(240, 0, D3DFVF_XYZRHW | D3DFVF_TEX1, D3DPOOL_DEFAULT, &vb, NULL), D3D_OK);
    IDirect3DTexture9* managed = nullptr;
    ASSERT_EQ(D3DXCreateTexture(m_device, 4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed), D3D_OK);
    m_device->SetStreamSource(0, vb, 0, 24);
    KesPlatformLoseDevice(m_device);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(m_device->Present(NULL, NULL, NULL, NULL), D3DERR_DEVICELOST);

    D3DPRESENT_PARAMETERS pp = Params(32, 16);
    EXPECT_EQ(m_device->Reset(&pp), D3DERR_INVALIDCALL) << "a default-pool buffer is still alive";
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    vb->Release(); // bound, but released by its owner: no longer in the way
    ASSERT_EQ(m_device->Reset(&pp), D3D_OK);
    EXPECT_EQ(m_device->TestCooperativeLevel(), D3D_OK);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Width, 32u);
    EXPECT_EQ(desc.Height, 16u);
    back->Release();
    // Managed textures survive.
    D3DLOCKED_RECT rect;
    EXPECT_EQ(managed->LockRect(0, &rect, NULL, 0), D3D_OK);
    managed->UnlockRect(0);
    managed->Release();
}

TEST_F(Direct3DTest, TexturesLockOncePerLevelAndDescribeThemselves)
{
    IDirect3DTexture9* tex = nullptr;
    ASSERT_EQ(D3DXCreateTexture(m_device, 10, 6, 0, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, &tex), D3D_OK);
    EXPECT_EQ(tex->GetLevelCount(), 4u); // 10x6, 5x3, 2x1, 1x1
    D3DSURFACE_DESC desc;
    ASSERT_EQ(tex->GetLevelDesc(0, &desc), D3D_OK);
    EXPECT_EQ(desc.Width, 10u);
    EXPECT_EQ(desc.Format, D3DFMT_R5G6B5);
    EXPECT_EQ(tex->GetLevelDesc(4, &desc), D3DERR_INVALIDCALL);
    D3DLOCKED_RECT rect;
    ASSERT_EQ(tex->LockRect(0, &rect, NULL, 0), D3D_OK);
    EXPECT_GE(rect.Pitch, 20);
    EXPECT_EQ(tex->LockRect(0, &rect, NULL, 0), D3DERR_INVALIDCALL) << "already locked";
    EXPECT_EQ(tex->UnlockRect(0), D3D_OK);
    EXPECT_EQ(tex->UnlockRect(0), D3DERR_INVALIDCALL);
    const RECT outside = {8, 0, 11, 2};
    EXPECT_EQ(tex->LockRect(0, &rect, &outside, 0), D3DERR_INVALIDCALL);
    tex->Release();

    IDirect3DTexture9* bad = nullptr;
    EXPECT_NE(D3DXCreateTexture(m_device, 0, 4, 0, 0, D3DFMT_A8, D3DPOOL_MANAGED, &bad), D3D_OK);
    EXPECT_NE(D3DXCreateTexture(m_device, 4, 4, 0, 0, D3DFMT_R8G8B8, D3DPOOL_MANAGED, &bad), D3D_OK);
    EXPECT_EQ(bad, nullptr);
}

const char kEffectLike[] =
    "sampler TexSampler : register(s0);\tint g_function = 0;\tint g_blend = 8;\tfloat g_alpha = 1.0;\tfloat4 g_color;\t"
    "float4 shifthub(float4 c, float val) {\treturn c;\t}\t"
    "float4 renderimg_shifthub(float4 c) {\treturn c;\t}\t"
    "float4 renderimg_blend(float4 c) {\treturn c;\t}\t"
    "float4 main(float2 uv : TEXCOORD0) : COLOR {\treturn tex2D(TexSampler, uv);\t}";

TEST_F(Direct3DTest, KnownProgramsCompileWithTheirConstantTable)
{
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    ID3DXConstantTable* table = nullptr;
    ASSERT_EQ(D3DXCompileShader(kEffectLike, UINT(strlen(kEffectLike)), NULL, NULL, "main", "ps_3_0", 0, &code, &errors,
                                &table),
              D3D_OK);
    EXPECT_EQ(errors, nullptr);
    IDirect3DPixelShader9* shader = nullptr;
    ASSERT_EQ(m_device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader), D3D_OK);
    for (const char* name : {"g_function", "g_blend", "g_alpha", "g_color"})
        EXPECT_NE(table->GetConstantByName(NULL, name), nullptr) << name;
    // Functions, their parameters and semantics are no constants.
    for (const char* name : {"g_nothing", "main", "uv", "COLOR", "TEXCOORD0", "shifthub", "c", "val"})
        EXPECT_EQ(table->GetConstantByName(NULL, name), nullptr) << name;
    const float color[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(table->SetFloatArray(m_device, table->GetConstantByName(NULL, "g_color"), color, 4), D3D_OK);
    EXPECT_EQ(table->SetInt(m_device, table->GetConstantByName(NULL, "g_function"), 3), D3D_OK);
    EXPECT_EQ(table->SetInt(m_device, NULL, 3), D3DERR_INVALIDCALL);
    shader->Release();
    code->Release();
    table->Release();

    // Anything else does not compile, and says so.
    const struct {
        const char* text;
        const char* entry;
        const char* profile;
    } bad[] = {
        {"float4 main() : COLOR { return 0; }", "main", "ps_3_0"},
        {kEffectLike, "other", "ps_3_0"},
        {kEffectLike, "main", "vs_3_0"},
    };
    for (const auto& b : bad) {
        code = errors = nullptr;
        table = nullptr;
        EXPECT_TRUE(FAILED(D3DXCompileShader(b.text, UINT(strlen(b.text)), NULL, NULL, b.entry, b.profile, 0, &code,
                                             &errors, &table)));
        EXPECT_EQ(code, nullptr);
        EXPECT_EQ(table, nullptr);
        ASSERT_NE(errors, nullptr);
        EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer())).find("error"), std::string::npos);
        errors->Release();
    }
    // Code that is not ours is refused by the device.
    const DWORD junk[] = {0xFFFF0300, 0x0000FFFF};
    IDirect3DPixelShader9* none = nullptr;
    EXPECT_EQ(m_device->CreatePixelShader(junk, &none), D3DERR_INVALIDCALL);
}

TEST_F(Direct3DTest, SurfaceCopiesConvertBetweenTheEngineFormats)
{
    struct Format {
        D3DFORMAT format;
        // The ARGB a pixel written as 0x80FF8040 reads back as.
        uint32_t roundTrip;
    } formats[] = {
        {D3DFMT_A8R8G8B8, 0x80FF8040u},
        {D3DFMT_X8R8G8B8, 0xFFFF8040u},
        {D3DFMT_R5G6B5, 0xFFFF8040u}, // (31, 32, 8) read back with low bits refilled from the fields
        {D3DFMT_A8, 0x80000000u},
    };
    for (const Format& from : formats) {
        for (const Format& to : formats) {
            IDirect3DTexture9 *a = nullptr, *b = nullptr;
            ASSERT_EQ(D3DXCreateTexture(m_device, 3, 2, 1, 0, from.format, D3DPOOL_MANAGED, &a), D3D_OK);
            ASSERT_EQ(D3DXCreateTexture(m_device, 4, 4, 1, 0, to.format, D3DPOOL_MANAGED, &b), D3D_OK);
            IDirect3DSurface9 *sa = nullptr, *sb = nullptr;
            a->GetSurfaceLevel(0, &sa);
            b->GetSurfaceLevel(0, &sb);
            // Fill the source through a lock with 0x80FF8040 in its own format.
            D3DLOCKED_RECT r;
            ASSERT_EQ(sa->LockRect(&r, NULL, 0), D3D_OK);
            for (int y = 0; y < 2; ++y) {
                uint8_t* row = static_cast<uint8_t*>(r.pBits) + y * r.Pitch;
                for (int x = 0; x < 3; ++x) {
                    switch (from.format) {
                    case D3DFMT_A8R8G8B8:
                    case D3DFMT_X8R8G8B8: {
                        const uint32_t v = 0x80FF8040u;
                        memcpy(row + 4 * x, &v, 4);
                        break;
                    }
                    case D3DFMT_R5G6B5: {
                        const uint16_t v = 0xFC08; // (31, 32, 8)
                        memcpy(row + 2 * x, &v, 2);
                        break;
                    }
                    default: row[x] = 0x80; break;
                    }
                }
            }
            sa->UnlockRect();
            const RECT rect = {0, 0, 3, 2};
            ASSERT_EQ(D3DXLoadSurfaceFromSurface(sb, NULL, &rect, sa, NULL, &rect, D3DX_DEFAULT, 0), D3D_OK);
            ASSERT_EQ(sb->LockRect(&r, NULL, D3DLOCK_READONLY), D3D_OK);
            const uint8_t* px = static_cast<const uint8_t*>(r.pBits) + r.Pitch + 2 * (to.format == D3DFMT_A8 ? 1 : to.format == D3DFMT_R5G6B5 ? 2 : 4);
            uint32_t got = 0;
            switch (to.format) {
            case D3DFMT_A8R8G8B8: memcpy(&got, px, 4); break;
            case D3DFMT_X8R8G8B8: memcpy(&got, px, 4); got |= 0xFF000000u; break;
            case D3DFMT_R5G6B5: {
                uint16_t v;
                memcpy(&v, px, 2);
                got = v;
                break;
            }
            default: got = uint32_t(*px) << 24; break;
            }
            sb->UnlockRect();
            // What the source holds, as ARGB, then as the destination stores it.
            const uint32_t held = from.roundTrip;
            uint32_t want;
            switch (to.format) {
            case D3DFMT_A8R8G8B8: want = held; break;
            case D3DFMT_X8R8G8B8: want = held | 0xFF000000u; break;
            case D3DFMT_R5G6B5: want = ((held >> 8) & 0xF800) | ((held >> 5) & 0x07E0) | ((held >> 3) & 0x1F); break;
            default: want = held & 0xFF000000u; break;
            }
            EXPECT_EQ(got, want) << from.format << " -> " << to.format;
            sa->Release();
            sb->Release();
            a->Release();
            b->Release();
        }
    }
}

TEST_F(Direct3DTest, SurfaceCopiesRefuseRectanglesOutsideEitherSurface)
{
    IDirect3DTexture9 *a = nullptr, *b = nullptr;
    ASSERT_EQ(D3DXCreateTexture(m_device, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &a), D3D_OK);
    ASSERT_EQ(D3DXCreateTexture(m_device, 2, 2, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &b), D3D_OK);
    IDirect3DSurface9 *sa = nullptr, *sb = nullptr;
    a->GetSurfaceLevel(0, &sa);
    b->GetSurfaceLevel(0, &sb);
    const RECT big = {0, 0, 4, 4}, empty = {1, 1, 1, 3}, negative = {-1, 0, 1, 1};
    EXPECT_EQ(D3DXLoadSurfaceFromSurface(sb, NULL, &big, sa, NULL, &big, D3DX_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadSurfaceFromSurface(sb, NULL, &empty, sa, NULL, &empty, D3DX_DEFAULT, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(D3DXLoadSurfaceFromSurface(sb, NULL, &negative, sa, NULL, &negative, D3DX_DEFAULT, 0),
              D3DERR_INVALIDCALL);
    for (IUnknown* u : std::initializer_list<IUnknown*>{sa, sb, a, b}) u->Release();
}

TEST_F(Direct3DTest, AFullScreenDeviceShowsItsBackBufferScaledWithBars)
{
    // A 2:1 back buffer over the desktop: scaled to the desktop's width,
    // centred, black above and below.
    m_device->Release();
    m_device = nullptr;
    D3DPRESENT_PARAMETERS pp = Params(200, 100);
    pp.Windowed = FALSE;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    ASSERT_EQ(m_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &pp,
                                  &m_device),
              D3D_OK);
    ASSERT_EQ(m_device->Clear(0, NULL, D3DCLEAR_TARGET, 0xFFC00000, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->Present(NULL, NULL, NULL, NULL), D3D_OK);
    SDL_Surface* surface = SDL_GetWindowSurface(kes::sdl::WindowOf(m_window));
    ASSERT_NE(surface, nullptr);
    ASSERT_GT(surface->w, 200) << "the window covers the desktop";
    ASSERT_LT(surface->w * 100, surface->h * 200) << "a desktop narrower than 2:1";
    const auto pixel = [&](int x, int y) {
        Uint32 v = 0;
        memcpy(&v, static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * 4, 4);
        Uint8 r, g, b;
        SDL_GetRGB(v, surface->format, &r, &g, &b);
        return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
    };
    const int barHeight = (surface->h - surface->w / 2) / 2;
    EXPECT_EQ(pixel(surface->w / 2, surface->h / 2), 0xC00000u);
    EXPECT_EQ(pixel(0, barHeight + 2), 0xC00000u);
    EXPECT_EQ(pixel(surface->w / 2, barHeight - 2), 0u);
    EXPECT_EQ(pixel(surface->w - 1, surface->h - 1), 0u);
    RECT client;
    ASSERT_TRUE(GetClientRect(m_window, &client));
    EXPECT_EQ(client.right, 200) << "the game's client is its back buffer";

    // Released, the device gives the desktop back.
    m_device->Release();
    m_device = nullptr;
    EXPECT_EQ(SDL_GetWindowFlags(kes::sdl::WindowOf(m_window)) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
}

TEST(Windows, ClassesWindowsAndClientSizes)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = "Kesto_Window_Test";
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(RegisterClassA(&wc), 0) << "registered twice";
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
    // Class names compare without regard to case.
    HWND w = CreateWindowExA(0, "KESTO_WINDOW_TEST", "\xB2\xE2\xCA\xD4", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                             CW_USEDEFAULT, 300, 200, NULL, NULL, NULL, NULL);
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(IsWindow(w));
    // The size given is the outer one: the caption and frame take their share.
    RECT r;
    ASSERT_TRUE(GetClientRect(w, &r));
    EXPECT_EQ(r.right, 300 - 2 * GetSystemMetrics(SM_CXFIXEDFRAME));
    EXPECT_EQ(r.bottom, 200 - GetSystemMetrics(SM_CYCAPTION) - 2 * GetSystemMetrics(SM_CYFIXEDFRAME));
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_FALSE(GetClientRect(w, &r));
    EXPECT_EQ(CreateWindowExA(0, "no such class", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CANNOT_FIND_WND_CLASS);
    EXPECT_TRUE(UnregisterClassA("kesto_window_test", NULL));
    EXPECT_FALSE(UnregisterClassA("kesto_window_test", NULL));
}

TEST(Windows, MessageBoxTextIsConvertedFromCodePage936)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(MessageBoxA(NULL, "D3D\xB4\xED\xCE\xF3", "Kesto \xCC\xE1\xCA\xBE", 0), IDOK);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Kesto \xE6\x8F\x90\xE7\xA4\xBA: D3D\xE9\x94\x99\xE8\xAF\xAF"), std::string::npos) << err;
}

} // namespace
