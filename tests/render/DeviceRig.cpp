#include "DeviceRig.h"

#include <KesPlatform.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace kes::test {

void DeviceRig::UseFlatColour(uint32_t argb)
{
    m_device->SetTexture(0, nullptr);
    SetEffect(6, 0, 1.0f, FromArgb(argb));
}

IDirect3DTexture9* DeviceRig::BindArgb(int w, int h, const std::vector<uint32_t>& words)
{
    IDirect3DTexture9* tex =
        MakeTexture(w, h, D3DFMT_A8R8G8B8, [&](int x, int y) { return words[size_t(y) * size_t(w) + size_t(x)]; });
    m_device->SetTexture(0, tex);
    return tex;
}

void DeviceRig::ReleaseTexture(IDirect3DTexture9* texture)
{
    m_textures.erase(std::remove(m_textures.begin(), m_textures.end(), texture), m_textures.end());
    texture->Release();
}

void DeviceRig::SetFilters(DWORD mag, DWORD min)
{
    m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, mag);
    m_device->SetSamplerState(0, D3DSAMP_MINFILTER, min);
}

HRESULT DeviceRig::ResetDevice(D3DPRESENT_PARAMETERS params)
{
    m_vertices->Release();
    m_vertices = nullptr;
    params.hDeviceWindow = m_window;
    const HRESULT hr = m_device->Reset(&params);
    if (FAILED(hr)) return hr;
    const HRESULT made = m_device->CreateVertexBuffer(kMaxVertices * sizeof(Vertex), 0, D3DFVF_XYZRHW | D3DFVF_TEX1,
                                                      D3DPOOL_DEFAULT, &m_vertices, nullptr);
    if (FAILED(made)) return made;
    SetEngineState();
    return D3D_OK;
}

void DevicePairTest::SetUp()
{
    m_soft.SetUp();
    ASSERT_FALSE(HasFatalFailure());
    m_gl.SetUp();
    ASSERT_FALSE(HasFatalFailure()) << "no OpenGL device on this machine";
}

void DevicePairTest::TearDown()
{
    m_gl.TearDown();
    m_soft.TearDown();
    KesPlatformSetRenderDevice(nullptr);
}

Float4 FromArgb(uint32_t argb)
{
    return Float4{Channel(argb, 16) / 255.0f, Channel(argb, 8) / 255.0f, Channel(argb, 0) / 255.0f,
                  (argb >> 24) / 255.0f};
}

namespace {

constexpr int W = DeviceRig::kWidth, H = DeviceRig::kHeight;

std::string Hex(uint32_t v)
{
    char buf[16];
    snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

bool LitNear(const std::vector<uint32_t>& px, int x, int y, uint32_t background)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx >= 0 && ny >= 0 && nx < W && ny < H && px[size_t(ny) * W + nx] != background) return true;
        }
    return false;
}

} // namespace

std::string ColourDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int tolerance)
{
    if (a.size() != size_t(W) * H || b.size() != a.size()) return "frames of the wrong size";
    std::ostringstream out;
    int wrong = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const uint32_t p = a[size_t(y) * W + x], q = b[size_t(y) * W + x];
            if (ColourDistance(p, q) <= tolerance && (p >> 24) == (q >> 24)) continue;
            if (++wrong <= 4) out << "(" << x << ", " << y << "): " << Hex(p) << " vs " << Hex(q) << "; ";
        }
    if (wrong) out << wrong << " pixels differ by more than " << tolerance;
    return out.str();
}

std::string CoverageDifferences(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, uint32_t background,
                                int slack)
{
    if (a.size() != size_t(W) * H || b.size() != a.size()) return "frames of the wrong size";
    std::ostringstream out;
    const auto lit = [&](const std::vector<uint32_t>& px) {
        return long(px.size()) - long(std::count(px.begin(), px.end(), background));
    };
    const long litA = lit(a), litB = lit(b);
    if (std::abs(litA - litB) > slack) out << litA << " vs " << litB << " pixels lit; ";
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const size_t i = size_t(y) * W + x;
            if (a[i] != background && !LitNear(b, x, y, background))
                out << "(" << x << ", " << y << ") lit only in the first; ";
            if (b[i] != background && !LitNear(a, x, y, background))
                out << "(" << x << ", " << y << ") lit only in the second; ";
        }
    return out.str();
}

} // namespace kes::test
