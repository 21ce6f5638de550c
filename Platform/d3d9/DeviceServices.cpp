// What KesPlatform.h offers tools, tests and games about the devices behind
// their windows: a device's backend, the frame presented last as a PNG
// file, and a display taken away on purpose.
#include "Device.h"

#include "../config/Log.h"

#include <KesPlatform.h>

#include <d3dx9.h>

#include <cerrno>
#include <cstring>

extern "C" {

const char* KesPlatformDeviceName(IDirect3DDevice9* device)
{
    return device ? static_cast<kes::d3d9::Device*>(device)->Name() : nullptr;
}

int KesPlatformSaveScreenshot(HWND hWnd, const char* pngPath)
{
    if (!pngPath) return 0;
    kes::d3d9::Device* device = kes::d3d9::Device::OfWindow(hWnd);
    // Games that save a frame every frame meet the same failure every frame:
    // each cause is said once.
    if (!device) {
        kes::platform::LogOnce("screenshot %s cannot be written: no device presents in that window", pngPath);
        return 0;
    }
    IDirect3DSurface9* backBuffer = nullptr;
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) {
        kes::platform::LogOnce("screenshot %s cannot be written: the device has no back buffer", pngPath);
        return 0;
    }
    // The PNG writer gives up on the file the system refused; errno says why.
    errno = 0;
    const HRESULT saved = D3DXSaveSurfaceToFileA(pngPath, D3DXIFF_PNG, backBuffer, nullptr, nullptr);
    const int error = errno;
    backBuffer->Release();
    if (FAILED(saved))
        kes::platform::LogOnce("screenshot %s cannot be written: %s", pngPath,
                               error ? strerror(error) : "the PNG writer failed");
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
