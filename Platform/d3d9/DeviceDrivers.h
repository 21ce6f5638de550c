// The devices behind Direct3DCreate9, one record per backend.
#ifndef KESTO_PLATFORM_D3D9_DEVICEDRIVERS_H
#define KESTO_PLATFORM_D3D9_DEVICEDRIVERS_H

#include "Device.h"

#include <string>

namespace kes::d3d9 {

// A record of the platform's backend tables (config/BackendTable.h).
struct DeviceDriver {
    const char* name;
    const char* description;
    // A device for the window, or null when this backend cannot run here
    // (it says why through the log).
    Device* (*open)(HWND window, const D3DPRESENT_PARAMETERS& params);
    // When set, the automatic choice calls this instead: null, with the
    // reason in `why`, also when the backend could run but the next one
    // serves better here (OpenGL whose GL is a CPU rasterizer).
    Device* (*openIfBest)(HWND window, const D3DPRESENT_PARAMETERS& params, std::string* why) = nullptr;
};

extern const DeviceDriver kOpenGLDriver;
extern const DeviceDriver kSoftwareDriver;

// In order of preference; the first that opens is used unless one is asked
// for by name (KesPlatformSetRenderDevice, KESTO_RENDER_DEVICE).
const DeviceDriver* const* DeviceDrivers();

} // namespace kes::d3d9

#endif
