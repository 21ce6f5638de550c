// Backend choices made by tools and tests through KesPlatform.h. The
// settings depend on nothing: the backends read them when they start.
#include "PlatformConfig.h"

#include <KesPlatform.h>

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

void KesPlatformSetAudioDriver(const char* name)
{
    kes::platform::Settings().audioDriver = name ? name : "";
}

void KesPlatformSetRenderDevice(const char* name)
{
    kes::platform::Settings().renderDevice = name ? name : "";
}

void KesPlatformSetPow2Textures(int on)
{
    kes::platform::Settings().pow2Textures = on != 0;
}

} // extern "C"
