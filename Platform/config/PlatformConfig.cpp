// Backend choices made by tools and tests through KesPlatform.h.
#include "PlatformConfig.h"

#include <KesPlatform.h>

#include "../d3d9/Device.h"

#include <d3dx9.h>

#include <cstdlib>

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
