#include "SoftwareDeviceFixture.h"

#include "DeviceWindow.h"

#include <KesPlatform.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kes::test {

const char* const kEffectProgramText = "int g_function = 0;\tint g_blend = 8;\tfloat g_alpha = 1.0;\tfloat4 g_color;\t"
                                       "sampler TexSampler : register(s0);\t"
                                       "float4 shifthub(float4 c, float val) { return c; }\t"
                                       "float4 renderimg_shifthub(float4 c) { return shifthub(c, g_color.a); }\t"
                                       "float4 renderimg_blend(float4 c) { return c; }\t"
                                       "float4 main(float2 uv : TEXCOORD0) : COLOR { return tex2D(TexSampler, uv); }";

std::vector<Vertex> Quad(float left, float top, float right, float bottom, float u0, float v0, float u1, float v1)
{
    return {Vertex{left, top, 0, 1, u0, v0}, Vertex{right, top, 0, 1, u1, v0}, Vertex{left, bottom, 0, 1, u0, v1},
            Vertex{right, bottom, 0, 1, u1, v1}};
}

std::vector<Vertex> ImageQuad(float left, float top, int w, int h, float sx, float sy)
{
    const float du = 0.5f / float(w), dv = 0.5f / float(h);
    return Quad(left, top, left + float(w) * sx, top + float(h) * sy, du, dv, 1 + du, 1 + dv);
}

namespace {

int RoundByte(double x)
{
    x = x > 0 ? (x < 1 ? x : 1) : 0;
    return int(std::floor(x * 255.0 + 0.5));
}

double Sat(float x)
{
    return x > 0 ? (x < 1 ? x : 1) : 0;
}

} // namespace

uint32_t Over(Float4 src, uint32_t dst)
{
    const double a = Sat(src.a);
    const auto mix = [&](float s, int shift) {
        return uint32_t(RoundByte(Sat(s) * a + Channel(dst, shift) / 255.0 * (1 - a))) << shift;
    };
    return 0xFF000000u | mix(src.r, 16) | mix(src.g, 8) | mix(src.b, 0);
}

uint32_t Opaque(Float4 src)
{
    return 0xFF000000u | uint32_t(RoundByte(Sat(src.r))) << 16 | uint32_t(RoundByte(Sat(src.g))) << 8 |
           uint32_t(RoundByte(Sat(src.b)));
}

int ColourDistance(uint32_t a, uint32_t b)
{
    int d = 0;
    for (int shift : {16, 8, 0}) d = std::max(d, std::abs(Channel(a, shift) - Channel(b, shift)));
    return d;
}

void SoftwareDeviceTest::SetUp()
{
    m_window = support::MakeDeviceWindow(kWidth, kHeight, DeviceName());
    ASSERT_NE(m_window, nullptr);
    m_device = support::MakeDevice(m_window, support::WindowedParams(m_window, kWidth, kHeight));
    ASSERT_NE(m_device, nullptr);
    ASSERT_STREQ(KesPlatformDeviceName(m_device), DeviceName());

    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(D3DXCompileShader(kEffectProgramText, UINT(strlen(kEffectProgramText)), nullptr, nullptr, "main",
                                "ps_3_0", 0x800, &code, &errors, &m_constants),
              D3D_OK);
    ASSERT_EQ(m_device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &m_shader), D3D_OK);
    code->Release();

    ASSERT_EQ(m_device->CreateVertexBuffer(kMaxVertices * sizeof(Vertex), 0, D3DFVF_XYZRHW | D3DFVF_TEX1,
                                           D3DPOOL_DEFAULT, &m_vertices, nullptr),
              D3D_OK);
    SetEngineState();
}

void SoftwareDeviceTest::SetEngineState()
{
    m_device->SetStreamSource(0, m_vertices, 0, sizeof(Vertex));
    m_device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
    m_device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    m_device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    m_device->SetPixelShader(m_shader);
    SetEffect(0, 14, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.5f});
}

void SoftwareDeviceTest::TearDown()
{
    for (IDirect3DTexture9* t : m_textures) t->Release();
    m_textures.clear();
    if (m_device) m_device->SetTexture(0, nullptr);
    if (m_vertices) m_vertices->Release();
    if (m_shader) m_shader->Release();
    if (m_constants) m_constants->Release();
    if (m_device) m_device->Release();
    if (m_d3d) m_d3d->Release();
    if (m_window) DestroyWindow(m_window);
}

IDirect3DTexture9* SoftwareDeviceTest::MakeTexture(int w, int h, D3DFORMAT format,
                                                   const std::function<uint32_t(int, int)>& texel)
{
    IDirect3DTexture9* tex = nullptr;
    if (m_device->CreateTexture(UINT(w), UINT(h), 1, 0, format, D3DPOOL_MANAGED, &tex, nullptr) != D3D_OK) {
        ADD_FAILURE() << "CreateTexture failed";
        return nullptr;
    }
    m_textures.push_back(tex);
    D3DLOCKED_RECT lr;
    if (tex->LockRect(0, &lr, nullptr, 0) != D3D_OK) {
        ADD_FAILURE() << "LockRect failed";
        return tex;
    }
    for (int y = 0; y < h; ++y) {
        uint8_t* row = static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch;
        for (int x = 0; x < w; ++x) {
            const uint32_t v = texel(x, y);
            switch (format) {
            case D3DFMT_R5G6B5: {
                const uint16_t v16 = uint16_t(v);
                memcpy(row + x * 2, &v16, 2);
                break;
            }
            case D3DFMT_A8: row[x] = uint8_t(v); break;
            default: memcpy(row + x * 4, &v, 4); break;
            }
        }
    }
    tex->UnlockRect(0);
    return tex;
}

void SoftwareDeviceTest::SetEffect(int function, int blend, float alpha, Float4 color)
{
    m_device->SetPixelShader(m_shader);
    const float c[4] = {color.r, color.g, color.b, color.a};
    ASSERT_EQ(m_constants->SetFloatArray(m_device, m_constants->GetConstantByName(nullptr, "g_color"), c, 4), D3D_OK);
    ASSERT_EQ(m_constants->SetInt(m_device, m_constants->GetConstantByName(nullptr, "g_function"), function), D3D_OK);
    ASSERT_EQ(m_constants->SetFloat(m_device, m_constants->GetConstantByName(nullptr, "g_alpha"), alpha), D3D_OK);
    ASSERT_EQ(m_constants->SetInt(m_device, m_constants->GetConstantByName(nullptr, "g_blend"), blend), D3D_OK);
}

void SoftwareDeviceTest::UnbindShader()
{
    m_device->SetPixelShader(nullptr);
}

void SoftwareDeviceTest::Clear(uint32_t colour)
{
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    ASSERT_EQ(m_device->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
}

void SoftwareDeviceTest::Draw(D3DPRIMITIVETYPE type, const std::vector<Vertex>& vertices)
{
    ASSERT_LE(vertices.size(), kMaxVertices);
    void* data = nullptr;
    ASSERT_EQ(m_vertices->Lock(0, 0, &data, 0), D3D_OK);
    memcpy(data, vertices.data(), vertices.size() * sizeof(Vertex));
    m_vertices->Unlock();
    UINT primitives = 0;
    const UINT n = UINT(vertices.size());
    switch (type) {
    case D3DPT_LINELIST: primitives = n / 2; break;
    case D3DPT_LINESTRIP: primitives = n - 1; break;
    case D3DPT_TRIANGLELIST: primitives = n / 3; break;
    default: primitives = n - 2; break;
    }
    ASSERT_EQ(m_device->BeginScene(), D3D_OK);
    EXPECT_EQ(m_device->DrawPrimitive(type, 0, primitives), D3D_OK);
    ASSERT_EQ(m_device->EndScene(), D3D_OK);
}

std::vector<uint32_t> SoftwareDeviceTest::ReadBack()
{
    std::vector<uint32_t> out;
    IDirect3DSurface9* back = nullptr;
    if (m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) != D3D_OK) {
        ADD_FAILURE() << "GetBackBuffer failed";
        return out;
    }
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    EXPECT_EQ(desc.Format, D3DFMT_X8R8G8B8);
    EXPECT_EQ(desc.Width, UINT(kWidth));
    EXPECT_EQ(desc.Height, UINT(kHeight));
    D3DLOCKED_RECT lr;
    if (back->LockRect(&lr, nullptr, D3DLOCK_READONLY) == D3D_OK) {
        for (UINT y = 0; y < desc.Height; ++y) {
            const uint32_t* row =
                reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(lr.pBits) + y * lr.Pitch);
            out.insert(out.end(), row, row + desc.Width);
        }
        back->UnlockRect();
    } else {
        ADD_FAILURE() << "LockRect of the back buffer failed";
    }
    back->Release();
    return out;
}

} // namespace kes::test
