// The devices behind Direct3DCreate9, one record per backend.
#ifndef KESTO_PLATFORM_D3D9_DEVICEDRIVERS_H
#define KESTO_PLATFORM_D3D9_DEVICEDRIVERS_H

#include "Device.h"

namespace kes::d3d9 {

struct DeviceDriver {
    const char* name;
    const char* description;
    // A device for the window, or null when this backend cannot run here.
    Device* (*create)(HWND window, const D3DPRESENT_PARAMETERS& params);
};

extern const DeviceDriver kSoftwareDriver;

// In order of preference; the first whose create succeeds is used unless one
// is asked for by name.
const DeviceDriver* const* DeviceDrivers();

} // namespace kes::d3d9

#endif
