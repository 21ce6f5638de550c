// The Direct3D object: the one adapter (the display SDL reports), its
// capabilities, and device creation through the driver table.
#include "DeviceDrivers.h"
#include "WindowPresenter.h"

#include "../config/BackendTable.h"
#include "../config/Log.h"
#include "../config/PlatformConfig.h"
#include "../win32/sdl/SdlVideo.h"

#include <SDL.h>

#include <string>

namespace kes::d3d9 {

const DeviceDriver* const* DeviceDrivers()
{
    static const DeviceDriver* const drivers[] = {&kOpenGLDriver, &kSoftwareDriver, nullptr};
    return drivers;
}

namespace {

// The automatic choice is told once, not for every device a program makes:
// the line is logged when it differs from the last one.
void LogChoice(const char* device, const std::string& passedOver)
{
    static std::string* last = new std::string;
    const std::string line = std::string("render device: ") + device + " (" + passedOver + ")";
    if (line == *last) return;
    *last = line;
    platform::Log("%s", line.c_str());
}

class Direct3D9 : public RefCounted<IDirect3D9> {
public:
    UINT GetAdapterCount() override { return 1; }

    HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override
    {
        if (Adapter != D3DADAPTER_DEFAULT || !pMode) return D3DERR_INVALIDCALL;
        if (!sdl::EnsureVideo()) return D3DERR_NOTAVAILABLE;
        SDL_DisplayMode mode;
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            // Headless drivers may have no display mode; any size will do.
            mode.w = 1024;
            mode.h = 768;
            mode.refresh_rate = 60;
        }
        *pMode = D3DDISPLAYMODE{UINT(mode.w), UINT(mode.h), UINT(mode.refresh_rate), D3DFMT_X8R8G8B8};
        return D3D_OK;
    }

    HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS9* pCaps) override
    {
        if (Adapter != D3DADAPTER_DEFAULT || DeviceType != D3DDEVTYPE_HAL || !pCaps) return D3DERR_INVALIDCALL;
        // Vertices arrive transformed, so where they would be processed does
        // not matter; the caps say hardware like any current adapter's.
        *pCaps = D3DCAPS9{D3DDEVTYPE_HAL, 0, D3DDEVCAPS_HWTRANSFORMANDLIGHT, 16384, 16384, 0xFFFF0300};
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD,
                         D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) override
    {
        if (!ppDevice) return D3DERR_INVALIDCALL;
        *ppDevice = nullptr;
        if (Adapter != D3DADAPTER_DEFAULT || DeviceType != D3DDEVTYPE_HAL || !pp) return D3DERR_INVALIDCALL;
        HWND window = pp->hDeviceWindow ? pp->hDeviceWindow : hFocusWindow;
        if (!sdl::WindowOf(window) || pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0 ||
            pp->BackBufferCount > 1 || pp->MultiSampleType != D3DMULTISAMPLE_NONE || pp->EnableAutoDepthStencil)
            return D3DERR_INVALIDCALL;
        if (pp->BackBufferFormat == D3DFMT_UNKNOWN) pp->BackBufferFormat = D3DFMT_X8R8G8B8;
        if (pp->BackBufferCount == 0) pp->BackBufferCount = 1;

        const std::string asked = platform::AskedRenderDevice();
        const DeviceDriver* named = platform::FindBackend(DeviceDrivers(), asked.c_str());
        if (!asked.empty() && !named) {
            platform::Log("render device '%s' unknown; known: %s", asked.c_str(),
                          platform::BackendNames(DeviceDrivers()).c_str());
            return D3DERR_NOTAVAILABLE;
        }
        Device* device = nullptr;
        std::string passedOver; // why the drivers before the one chosen stood aside
        const DeviceDriver* chosen = platform::ChooseBackend(
            DeviceDrivers(), named,
            [&](const DeviceDriver& d, std::string* why) {
                device = !named && d.openIfBest ? d.openIfBest(window, *pp, why) : d.open(window, *pp);
                if (!device && why->empty()) platform::Log("render device '%s' cannot run on this window", d.name);
                return device != nullptr;
            },
            &passedOver);
        if (chosen) {
            if (!passedOver.empty()) LogChoice(chosen->name, passedOver);
            ApplyDisplayMode(window, *pp);
            *ppDevice = device;
            return D3D_OK;
        }
        if (!passedOver.empty()) platform::Log("no render device runs here: %s", passedOver.c_str());
        return D3DERR_NOTAVAILABLE;
    }
};

} // namespace
} // namespace kes::d3d9

IDirect3D9* WINAPI Direct3DCreate9(UINT SDKVersion)
{
    if (SDKVersion != D3D_SDK_VERSION) return nullptr;
    return new kes::d3d9::Direct3D9;
}
