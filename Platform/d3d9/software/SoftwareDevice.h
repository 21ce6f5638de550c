// The software device: a CPU rasterizer that follows Direct3D 9's rules and
// runs anywhere, deterministically. Presents into the window's SDL surface
// (scaled to fit when they differ, paced to the display when asked);
// its back buffer stays readable (GetBackBuffer) for screenshots and tests.
#ifndef KESTO_PLATFORM_D3D9_SOFTWAREDEVICE_H
#define KESTO_PLATFORM_D3D9_SOFTWAREDEVICE_H

#include "Rasterizer.h"

#include "../Device.h"
#include "../WindowPresenter.h"

namespace kes::d3d9 {

class SoftwareDevice : public Device {
public:
    SoftwareDevice(HWND window, const D3DPRESENT_PARAMETERS& params);

    const char* Name() const override { return "software"; }

    HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                    const void* pDirtyRegion) override;
    HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE Type,
                          IDirect3DSurface9** ppBackBuffer) override;
    HRESULT Clear(DWORD Count, const void* pRects, DWORD Flags, D3DCOLOR Color, float Z, DWORD Stencil) override;

    PixelStore& BackBuffer() { return m_backBuffer; }
    Rasterizer& Raster() { return m_rasterizer; }

protected:
    HRESULT Draw(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* vertices, UINT count) override;
    HRESULT ResetBackBuffer(const D3DPRESENT_PARAMETERS& params) override;
    void ForgetTexture(Texture* texture) override { m_rasterizer.ForgetTexture(texture); }
    void Shutdown() override;

private:
    PixelStore m_backBuffer; // X8R8G8B8
    Rasterizer m_rasterizer;
    RetraceClock m_retrace;
    bool m_open = true; // false once the application released the device
};

} // namespace kes::d3d9

#endif
