#include "RenderFixture.h"

#include "DeviceWindow.h"
#include "TestSupport.h"

#include <KesPlatform.h>

#include <cstdio>
#include <cstring>

namespace kes::test {
namespace {

std::string Hex(const void* p)
{
    char buf[32];
    snprintf(buf, sizeof buf, "%p", p);
    return buf;
}

class LoggingDevice : public IDirect3DDevice9 {
public:
    LoggingDevice(IDirect3DDevice9* real, CallLog* log) : m_real(real), m_log(log) { m_real->AddRef(); }

    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0) {
            m_real->Release();
            delete this;
        }
        return left;
    }
    HRESULT TestCooperativeLevel() override { return m_real->TestCooperativeLevel(); }
    HRESULT Reset(D3DPRESENT_PARAMETERS* p) override
    {
        Log("Reset");
        return m_real->Reset(p);
    }
    HRESULT Present(const RECT* a, const RECT* b, HWND c, const void* d) override
    {
        Log("Present");
        return m_real->Present(a, b, c, d);
    }
    HRESULT GetBackBuffer(UINT a, UINT b, D3DBACKBUFFER_TYPE c, IDirect3DSurface9** d) override
    {
        return m_real->GetBackBuffer(a, b, c, d);
    }
    HRESULT CreateTexture(UINT a, UINT b, UINT c, DWORD d, D3DFORMAT e, D3DPOOL f, IDirect3DTexture9** g,
                          HANDLE* h) override
    {
        return m_real->CreateTexture(a, b, c, d, e, f, g, h);
    }
    HRESULT CreateVertexBuffer(UINT a, DWORD b, DWORD c, D3DPOOL d, IDirect3DVertexBuffer9** e, HANDLE* f) override
    {
        Log("CreateVertexBuffer " + std::to_string(a));
        return m_real->CreateVertexBuffer(a, b, c, d, e, f);
    }
    HRESULT CreateOffscreenPlainSurface(UINT a, UINT b, D3DFORMAT c, D3DPOOL d, IDirect3DSurface9** e,
                                        HANDLE* f) override
    {
        return m_real->CreateOffscreenPlainSurface(a, b, c, d, e, f);
    }
    HRESULT GetRenderTargetData(IDirect3DSurface9* a, IDirect3DSurface9* b) override
    {
        return m_real->GetRenderTargetData(a, b);
    }
    HRESULT BeginScene() override
    {
        Log("BeginScene");
        return m_real->BeginScene();
    }
    HRESULT EndScene() override
    {
        Log("EndScene");
        return m_real->EndScene();
    }
    HRESULT Clear(DWORD a, const void* b, DWORD c, D3DCOLOR d, float e, DWORD f) override
    {
        char buf[64];
        snprintf(buf, sizeof buf, "Clear %u %08X", (unsigned)c, (unsigned)d);
        Log(buf);
        return m_real->Clear(a, b, c, d, e, f);
    }
    HRESULT SetRenderState(D3DRENDERSTATETYPE a, DWORD b) override
    {
        Log("SetRenderState " + std::to_string(a) + " " + std::to_string(b));
        return m_real->SetRenderState(a, b);
    }
    HRESULT SetTexture(DWORD a, IDirect3DBaseTexture9* b) override
    {
        Log("SetTexture " + std::to_string(a) + " " + (b ? Hex(b) : std::string("null")));
        return m_real->SetTexture(a, b);
    }
    HRESULT SetSamplerState(DWORD a, D3DSAMPLERSTATETYPE b, DWORD c) override
    {
        Log("SetSamplerState " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
        return m_real->SetSamplerState(a, b, c);
    }
    HRESULT DrawPrimitive(D3DPRIMITIVETYPE a, UINT b, UINT c) override
    {
        Log("DrawPrimitive " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c));
        return m_real->DrawPrimitive(a, b, c);
    }
    HRESULT SetFVF(DWORD a) override
    {
        Log("SetFVF " + std::to_string(a));
        return m_real->SetFVF(a);
    }
    HRESULT CreatePixelShader(const DWORD* a, IDirect3DPixelShader9** b) override
    {
        return m_real->CreatePixelShader(a, b);
    }
    HRESULT SetPixelShader(IDirect3DPixelShader9* a) override
    {
        Log(std::string("SetPixelShader ") + (a ? "shader" : "null"));
        return m_real->SetPixelShader(a);
    }
    HRESULT SetPixelShaderConstantF(UINT a, const float* b, UINT c) override
    {
        char buf[128];
        snprintf(buf, sizeof buf, "ConstF %u %g %g %g %g", a, b[0], b[1], b[2], b[3]);
        Log(buf);
        return m_real->SetPixelShaderConstantF(a, b, c);
    }
    HRESULT SetPixelShaderConstantI(UINT a, const int* b, UINT c) override
    {
        Log("ConstI " + std::to_string(a) + " " + std::to_string(b[0]));
        return m_real->SetPixelShaderConstantI(a, b, c);
    }
    HRESULT SetStreamSource(UINT a, IDirect3DVertexBuffer9* b, UINT c, UINT d) override
    {
        Log("SetStreamSource " + std::to_string(a) + " " + std::to_string(c) + " " + std::to_string(d));
        return m_real->SetStreamSource(a, b, c, d);
    }

private:
    void Log(std::string s) { m_log->push_back(std::move(s)); }

    IDirect3DDevice9* m_real;
    CallLog* m_log;
    ULONG m_refs = 1;
};

} // namespace

IDirect3DDevice9* MakeLoggingDevice(IDirect3DDevice9* real, CallLog* log)
{
    return new LoggingDevice(real, log);
}

void RenderTest::SetUp()
{
    // The suites run on the software device, and again on the OpenGL
    // device with KESTO_RENDER_DEVICE=opengl.
    const std::string device = SuiteRenderDevice();
    m_window = kes::support::MakeDeviceWindow(kWidth, kHeight, device.c_str());
    ASSERT_NE(m_window, nullptr);
    m_app = kes::support::MakeRenderApp(m_window, kWidth, kHeight);
    ASSERT_NE(m_app, nullptr);
    m_render = m_app->m_pRender;
    ASSERT_STREQ(KesPlatformDeviceName(m_render->m_pDevice), device.c_str());
}

bool RenderTest::OnSoftwareDevice() const
{
    return strcmp(KesPlatformDeviceName(m_realDevice ? m_realDevice : m_render->m_pDevice), "software") == 0;
}

void RenderTest::TearDown()
{
    delete m_app;
    m_app = nullptr;
    if (m_window) DestroyWindow(m_window);
    KesPlatformSetPow2Textures(0);
}

void RenderTest::LogCalls()
{
    m_realDevice = m_render->m_pDevice;
    m_render->m_pDevice = MakeLoggingDevice(m_realDevice, &m_log);
    m_realDevice->Release(); // the proxy holds it now
}

void RenderTest::Frame()
{
    ASSERT_EQ(m_render->BeginFrame(), 1);
    m_render->ClearFrame();
    m_render->DrawBatch();
    m_render->EndFrame();
}

std::vector<uint32_t> RenderTest::ReadBack()
{
    std::vector<uint32_t> out;
    IDirect3DSurface9* back = nullptr;
    if (FAILED(m_render->m_pDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) {
        ADD_FAILURE() << "no back buffer";
        return out;
    }
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    D3DLOCKED_RECT rect;
    if (SUCCEEDED(back->LockRect(&rect, NULL, D3DLOCK_READONLY))) {
        for (UINT y = 0; y < desc.Height; ++y) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(rect.pBits) + y * rect.Pitch);
            out.insert(out.end(), row, row + desc.Width);
        }
        back->UnlockRect();
    }
    back->Release();
    return out;
}

uint32_t RenderTest::Pixel(int x, int y)
{
    const std::vector<uint32_t> all = ReadBack();
    return all.at(size_t(y) * kWidth + size_t(x));
}

void WritePixel(MImage* img, unsigned char* bits, int pitch, int x, int y, uint32_t argb)
{
    unsigned char* row = bits + y * pitch;
    switch (img->m_format) {
    case KES_FMT_A8R8G8B8:
    case KES_FMT_X8R8G8B8: memcpy(row + x * 4, &argb, 4); break;
    case KES_FMT_R5G6B5: {
        const uint16_t v = uint16_t(((argb >> 8) & 0xF800) | ((argb >> 5) & 0x07E0) | ((argb >> 3) & 0x001F));
        memcpy(row + x * 2, &v, 2);
        break;
    }
    case KES_FMT_A8: row[x] = uint8_t(argb >> 24); break;
    }
}

} // namespace kes::test
