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
    WNDCLASSA wc = {};
    wc.lpfnWndProc = QuietWindowProc;
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc); // already there for a later window of the process
    return CreateWindowExA(0, kClassName, "Kesto", WS_POPUP, 0, 0, width, height, NULL, NULL, NULL, NULL);
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
