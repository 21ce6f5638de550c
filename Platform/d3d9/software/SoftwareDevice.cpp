// The software device: back buffer, clearing, presenting; drawing goes to
// the rasterizer.
#include "SoftwareDevice.h"

#include "../DeviceDrivers.h"
#include "../WindowPresenter.h"

namespace kes::d3d9 {

SoftwareDevice::SoftwareDevice(HWND window, const D3DPRESENT_PARAMETERS& params) : Device(window, params) {}

namespace {

Device* CreateSoftwareDevice(HWND window, const D3DPRESENT_PARAMETERS& params)
{
    auto* device = new SoftwareDevice(window, params);
    if (!device->BackBuffer().Allocate(D3DFMT_X8R8G8B8, params.BackBufferWidth, params.BackBufferHeight)) {
        device->Release();
        return nullptr;
    }
    return device;
}

} // namespace

const DeviceDriver kSoftwareDriver = {"software", "CPU rasterizer, runs anywhere", CreateSoftwareDevice};

HRESULT SoftwareDevice::ResetBackBuffer(const D3DPRESENT_PARAMETERS& params)
{
    PixelStore next;
    if (!next.Allocate(D3DFMT_X8R8G8B8, params.BackBufferWidth, params.BackBufferHeight))
        return D3DERR_OUTOFVIDEOMEMORY;
    next.revision = m_backBuffer.revision + 1;
    m_backBuffer = std::move(next);
    return D3D_OK;
}

void SoftwareDevice::Shutdown()
{
    m_open = false;
}

HRESULT SoftwareDevice::Clear(DWORD Count, const void* pRects, DWORD Flags, D3DCOLOR Color, float, DWORD)
{
    if (Count != 0 || pRects) return D3DERR_INVALIDCALL; // whole-target clears only
    if (!(Flags & D3DCLEAR_TARGET) || IsLost()) return D3D_OK;
    m_rasterizer.Fill(m_backBuffer, Color);
    ++m_backBuffer.revision;
    return D3D_OK;
}

HRESULT SoftwareDevice::Draw(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* vertices, UINT count)
{
    m_rasterizer.Draw(m_state, m_backBuffer, type, vertices, count);
    ++m_backBuffer.revision;
    return D3D_OK;
}

HRESULT SoftwareDevice::Present(const RECT*, const RECT*, HWND, const void*)
{
    if (InScene()) return D3DERR_INVALIDCALL;
    if (IsLost()) return D3DERR_DEVICELOST;
    // Without a window to show it in, the back buffer stays readable.
    if (m_open) ShowInWindow(Window(), m_backBuffer);
    m_retrace.Wait(Window(), m_params.PresentationInterval);
    return D3D_OK;
}

HRESULT SoftwareDevice::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE,
                                      IDirect3DSurface9** ppBackBuffer)
{
    if (!ppBackBuffer || iSwapChain != 0 || iBackBuffer != 0) return D3DERR_INVALIDCALL;
    *ppBackBuffer = new Surface(this, nullptr, &m_backBuffer, D3DPOOL_DEFAULT);
    return D3D_OK;
}

} // namespace kes::d3d9
