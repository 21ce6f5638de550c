// Backend choices made by tools and tests through KesPlatform.h.
#include "PlatformConfig.h"

#include <KesPlatform.h>

#include "../d3d9/Device.h"

namespace kes::platform {

Config& Settings()
{
    static Config config;
    return config;
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

void KesPlatformLoseDevice(IDirect3DDevice9* device)
{
    if (device) static_cast<kes::d3d9::Device*>(device)->Lose();
}

} // extern "C"
