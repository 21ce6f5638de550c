#include "DeviceWindow.h"

#include <KesD3D9.h>
#include <KesPlatform.h>

namespace kes::support {
namespace {

LRESULT CALLBACK QuietWindowProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

const char kClassName[] = "KESTO_DEVICE_WINDOW";

} // namespace

HWND MakeDeviceWindow(int width, int height, const char* device)
{
    KesPlatformSetRenderDevice(device);
    return MakeWindow(width, height);
}

HWND MakeWindow(int width, int height)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = QuietWindowProc;
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // already there for a later window of the process
    return CreateWindowExA(0, kClassName, "Kesto", WS_POPUP, 0, 0, width, height, NULL, NULL, NULL, NULL);
}

D3DPRESENT_PARAMETERS WindowedParams(HWND window, UINT width, UINT height, bool windowed)
{
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_X8R8G8B8;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_FLIP;
    pp.hDeviceWindow = window;
    pp.Windowed = windowed ? TRUE : FALSE;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
}

IDirect3DDevice9* MakeDevice(HWND window, D3DPRESENT_PARAMETERS params, HRESULT* result)
{
    IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
    IDirect3DDevice9* device = nullptr;
    const HRESULT hr = d3d ? d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                               D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device)
                           : D3DERR_NOTAVAILABLE;
    if (d3d) d3d->Release(); // the device does not need it any more
    if (result) *result = hr;
    return SUCCEEDED(hr) ? device : nullptr;
}

MApp* MakeRenderApp(HWND window, int width, int height)
{
    MApp* app = new MApp;
    if (!app->m_pRender->CreateDevice(window, 0, width, height, 1)) {
        delete app;
        return nullptr;
    }
    return app;
}

} // namespace kes::support
