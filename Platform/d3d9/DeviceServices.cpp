// What KesPlatform.h offers tools, tests and games about the devices behind
// their windows: a device's backend, the frame presented last as a PNG
// file, and a display taken away on purpose.
#include "Device.h"

#include <KesPlatform.h>

#include <d3dx9.h>

extern "C" {

const char* KesPlatformDeviceName(IDirect3DDevice9* device)
{
    return device ? static_cast<kes::d3d9::Device*>(device)->Name() : nullptr;
}

int KesPlatformSaveScreenshot(HWND hWnd, const char* pngPath)
{
    kes::d3d9::Device* device = kes::d3d9::Device::OfWindow(hWnd);
    if (!device || !pngPath) return 0;
    IDirect3DSurface9* backBuffer = nullptr;
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) return 0;
    const HRESULT saved = D3DXSaveSurfaceToFileA(pngPath, D3DXIFF_PNG, backBuffer, nullptr, nullptr);
    backBuffer->Release();
    return SUCCEEDED(saved) ? 1 : 0;
}

void KesPlatformLoseDevice(IDirect3DDevice9* device)
{
    if (device) static_cast<kes::d3d9::Device*>(device)->Lose();
}

void KesPlatformLoseWindowDevice(HWND hWnd)
{
    if (kes::d3d9::Device* device = kes::d3d9::Device::OfWindow(hWnd)) device->Lose();
}

} // extern "C"
