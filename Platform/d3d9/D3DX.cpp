// D3DX: texture creation, shader compilation with constant tables, surface
// copies with format conversion, and saving surfaces as PNG.
#include <d3dx9.h>

#include "../config/PlatformConfig.h"
#include "Device.h"
#include "shader/PixelShader.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace kes::d3d9 {
namespace {

class Buffer : public RefCounted<ID3DXBuffer> {
public:
    explicit Buffer(std::vector<uint8_t> bytes) : m_bytes(std::move(bytes)) {}
    void* GetBufferPointer() override { return m_bytes.data(); }
    DWORD GetBufferSize() override { return DWORD(m_bytes.size()); }

private:
    std::vector<uint8_t> m_bytes;
};

class ConstantTable : public RefCounted<ID3DXConstantTable> {
public:
    explicit ConstantTable(ProgramInfo info) : m_info(std::move(info)) {}

    void* GetBufferPointer() override { return &m_info; }
    DWORD GetBufferSize() override { return DWORD(sizeof m_info); }

    // Handles are the constants' own names, as D3DX allows handles to be.
    D3DXHANDLE GetConstantByName(D3DXHANDLE parent, LPCSTR name) override
    {
        if (parent || !name) return nullptr;
        const ShaderConstant* c = m_info.Find(name);
        return c ? c->name.c_str() : nullptr;
    }

    HRESULT SetInt(IDirect3DDevice9* device, D3DXHANDLE h, INT n) override
    {
        const ShaderConstant* c = Lookup(device, h);
        if (!c) return D3DERR_INVALIDCALL;
        const int v[4] = {n, 0, 0, 0};
        if (c->set == RegisterSet::Int) return device->SetPixelShaderConstantI(c->reg, v, 1);
        const float f[4] = {float(n), 0, 0, 0};
        return device->SetPixelShaderConstantF(c->reg, f, 1);
    }

    HRESULT SetFloat(IDirect3DDevice9* device, D3DXHANDLE h, float f) override
    {
        return SetFloatArray(device, h, &f, 1);
    }

    HRESULT SetFloatArray(IDirect3DDevice9* device, D3DXHANDLE h, const float* pf, UINT count) override
    {
        const ShaderConstant* c = Lookup(device, h);
        if (!c || !pf) return D3DERR_INVALIDCALL;
        if (c->set == RegisterSet::Int) {
            const int v[4] = {count > 0 ? int(pf[0]) : 0, 0, 0, 0};
            return device->SetPixelShaderConstantI(c->reg, v, 1);
        }
        float v[4] = {0, 0, 0, 0};
        memcpy(v, pf, sizeof(float) * (count < c->columns ? count : c->columns));
        return device->SetPixelShaderConstantF(c->reg, v, 1);
    }

private:
    const ShaderConstant* Lookup(IDirect3DDevice9* device, D3DXHANDLE h) const
    {
        return device && h ? m_info.Find(h) : nullptr;
    }

    ProgramInfo m_info;
};

UINT RoundUpPow2(UINT v)
{
    UINT p = 1;
    while (p < v && p < 0x80000000u) p <<= 1;
    return p;
}

// Clears what lies past the first width x height pixels of level 0.
void ClearMargin(IDirect3DTexture9* texture, UINT width, UINT height)
{
    D3DSURFACE_DESC desc;
    D3DLOCKED_RECT rect;
    if (FAILED(texture->GetLevelDesc(0, &desc)) || FAILED(texture->LockRect(0, &rect, nullptr, 0))) return;
    const size_t pitch = size_t(rect.Pitch);
    const size_t used = size_t(width) * size_t(BytesPerPixel(desc.Format));
    unsigned char* const bits = static_cast<unsigned char*>(rect.pBits);
    for (UINT y = 0; y < desc.Height; ++y) {
        unsigned char* const row = bits + pitch * y;
        if (y < height)
            memset(row + used, 0, pitch - used);
        else
            memset(row, 0, pitch);
    }
    texture->UnlockRect(0);
}

bool ValidRect(const RECT& r, const PixelStore& s)
{
    return r.left >= 0 && r.top >= 0 && r.left < r.right && r.top < r.bottom && UINT(r.right) <= s.width &&
           UINT(r.bottom) <= s.height;
}

} // namespace
} // namespace kes::d3d9

using namespace kes::d3d9;

HRESULT WINAPI D3DXCreateTexture(IDirect3DDevice9* pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                 D3DFORMAT Format, D3DPOOL Pool, IDirect3DTexture9** ppTexture)
{
    if (!pDevice || !ppTexture) return D3DERR_INVALIDCALL;
    *ppTexture = nullptr;
    if (Width == 0 || Height == 0) return D3DERR_INVALIDCALL;
    const UINT width = Width, height = Height;
    if (kes::platform::Settings().pow2Textures) {
        Width = RoundUpPow2(Width);
        Height = RoundUpPow2(Height);
    }
    const HRESULT hr = pDevice->CreateTexture(Width, Height, MipLevels, Usage, Format, Pool, ppTexture, nullptr);
    // Past the picture a rounded-up store's texels are never written, yet
    // filtering samples them at its right and bottom edges: they must read
    // clear, not whatever the memory held.
    if (SUCCEEDED(hr) && (Width != width || Height != height)) ClearMargin(*ppTexture, width, height);
    return hr;
}

HRESULT WINAPI D3DXCompileShader(LPCSTR pSrcData, UINT srcDataLen, const D3DXMACRO*, LPD3DXINCLUDE,
                                 LPCSTR pFunctionName, LPCSTR pProfile, DWORD, LPD3DXBUFFER* ppShader,
                                 LPD3DXBUFFER* ppErrorMsgs, LPD3DXCONSTANTTABLE* ppConstantTable)
{
    if (ppShader) *ppShader = nullptr;
    if (ppErrorMsgs) *ppErrorMsgs = nullptr;
    if (ppConstantTable) *ppConstantTable = nullptr;
    if (!pSrcData || !ppShader) return D3DERR_INVALIDCALL;

    std::string error;
    ProgramInfo info;
    const bool pixelProfile = pProfile && strncmp(pProfile, "ps_", 3) == 0;
    if (!pixelProfile) error = "error X3501: only pixel shader profiles are supported";
    if (pixelProfile && RecogniseProgram(pSrcData, srcDataLen, pFunctionName, &info, &error)) {
        const std::vector<DWORD> code = EncodeProgram(info);
        std::vector<uint8_t> bytes(code.size() * sizeof(DWORD));
        memcpy(bytes.data(), code.data(), bytes.size());
        *ppShader = new Buffer(std::move(bytes));
        if (ppConstantTable) *ppConstantTable = new ConstantTable(std::move(info));
        return D3D_OK;
    }
    if (ppErrorMsgs) *ppErrorMsgs = new Buffer(std::vector<uint8_t>(error.c_str(), error.c_str() + error.size() + 1));
    return E_FAIL;
}

HRESULT WINAPI D3DXLoadSurfaceFromSurface(IDirect3DSurface9* pDestSurface, const void*, const RECT* pDestRect,
                                          IDirect3DSurface9* pSrcSurface, const void*, const RECT* pSrcRect, DWORD,
                                          D3DCOLOR ColorKey)
{
    if (!pDestSurface || !pSrcSurface) return D3DERR_INVALIDCALL;
    PixelStore& to = static_cast<Surface*>(pDestSurface)->Store();
    const PixelStore& from = static_cast<Surface*>(pSrcSurface)->Store();
    const RECT whole{0, 0, LONG(from.width), LONG(from.height)};
    const RECT wholeDest{0, 0, LONG(to.width), LONG(to.height)};
    const RECT src = pSrcRect ? *pSrcRect : whole;
    const RECT dst = pDestRect ? *pDestRect : wholeDest;
    if (!ValidRect(src, from) || !ValidRect(dst, to)) return D3DERR_INVALIDCALL;
    // Same-size copies only: scaling between rectangles is not offered.
    if (src.right - src.left != dst.right - dst.left || src.bottom - src.top != dst.bottom - dst.top)
        return D3DERR_INVALIDCALL;
    for (LONG y = 0; y < src.bottom - src.top; ++y) {
        const uint8_t* in = from.Row(UINT(src.top + y));
        uint8_t* out = to.Row(UINT(dst.top + y));
        for (LONG x = 0; x < src.right - src.left; ++x) {
            uint32_t argb = ReadArgb(from.format, in, UINT(src.left + x));
            // A colour key turns matching pixels transparent black.
            if (ColorKey && argb == ColorKey) argb = 0;
            WriteArgb(to.format, out, UINT(dst.left + x), argb);
        }
    }
    ++to.revision;
    return D3D_OK;
}

HRESULT WINAPI D3DXSaveSurfaceToFileA(LPCSTR pDestFile, D3DXIMAGE_FILEFORMAT DestFormat,
                                      IDirect3DSurface9* pSrcSurface, const void*, const RECT* pSrcRect)
{
    if (!pDestFile || !pSrcSurface || DestFormat != D3DXIFF_PNG) return D3DERR_INVALIDCALL;
    const PixelStore& from = static_cast<Surface*>(pSrcSurface)->Store();
    const RECT whole{0, 0, LONG(from.width), LONG(from.height)};
    const RECT r = pSrcRect ? *pSrcRect : whole;
    if (!ValidRect(r, from)) return D3DERR_INVALIDCALL;
    const UINT w = UINT(r.right - r.left), h = UINT(r.bottom - r.top);
    const bool alpha = from.format == D3DFMT_A8R8G8B8 || from.format == D3DFMT_A8;

    // Convert first, so that libpng's writer needs no error jumps over our objects.
    std::vector<uint8_t> rgba(size_t(w) * h * 4);
    for (UINT y = 0; y < h; ++y) {
        const uint8_t* in = from.Row(UINT(r.top) + y);
        for (UINT x = 0; x < w; ++x) {
            const uint32_t argb = ReadArgb(from.format, in, UINT(r.left) + x);
            uint8_t* px = &rgba[(size_t(y) * w + x) * 4];
            px[0] = uint8_t(argb >> 16);
            px[1] = uint8_t(argb >> 8);
            px[2] = uint8_t(argb);
            px[3] = alpha ? uint8_t(argb >> 24) : 255;
        }
    }
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = w;
    image.height = h;
    image.format = PNG_FORMAT_RGBA;
    if (!png_image_write_to_file(&image, pDestFile, 0, rgba.data(), 0, nullptr)) return E_FAIL;
    return D3D_OK;
}
