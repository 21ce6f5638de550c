// Backend choices made by tools and tests through KesPlatform.h.
#include "PlatformConfig.h"

#include <KesPlatform.h>

#include "Log.h"
#include "../d3d9/Device.h"

#include <d3dx9.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kes::platform {

Config& Settings()
{
    static Config config;
    return config;
}

std::string AskedRenderDevice()
{
    const Config& c = Settings();
    if (!c.renderDevice.empty()) return c.renderDevice;
    const char* env = getenv("KESTO_RENDER_DEVICE");
    return env ? env : "";
}

} // namespace kes::platform

extern "C" {

void KesPlatformSetVideoDriver(const char* name)
{
    kes::platform::Settings().videoDriver = name ? name : "";
}

void KesPlatformSetRenderDevice(const char* name)
{
    kes::platform::Settings().renderDevice = name ? name : "";
}

const char* KesPlatformDeviceName(IDirect3DDevice9* device)
{
    return device ? static_cast<kes::d3d9::Device*>(device)->Name() : nullptr;
}

void KesPlatformSetPow2Textures(int on)
{
    kes::platform::Settings().pow2Textures = on != 0;
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
