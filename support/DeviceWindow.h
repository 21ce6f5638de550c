// What the tests' fixtures and the benchmarks share to draw through the
// engine without a whole game: a hidden window for a render device, and an
// application object whose render object has a device on it, as a game has
// after Init.
#ifndef KESTO_SUPPORT_DEVICEWINDOW_H
#define KESTO_SUPPORT_DEVICEWINDOW_H

#include <KesApp.h>
#include <d3d9.h>

namespace kes::support {

// A hidden pop-up window of width x height client pixels whose procedure
// ignores every message; null when the window layer cannot make one.
HWND MakeWindow(int width, int height);
// The same, with the render device named `device` asked for the devices
// made afterwards (KesPlatformSetRenderDevice).
HWND MakeDeviceWindow(int width, int height, const char* device = "software");

// The presentation parameters a game's render object asks for, windowed
// (or not) with a width x height back buffer, presenting without waiting
// for the display's refresh.
D3DPRESENT_PARAMETERS WindowedParams(HWND window, UINT width, UINT height, bool windowed = true);

// A device for `window` with `params` (of the kind KesPlatformSetRenderDevice
// asked for), as Direct3DCreate9 and CreateDevice make it; null on failure,
// with the result in `result` when given.
IDirect3DDevice9* MakeDevice(HWND window, D3DPRESENT_PARAMETERS params, HRESULT* result = nullptr);

// A new MApp whose render object has a device on `window` (retrace wait
// off, windowed); null when the device cannot be made.
MApp* MakeRenderApp(HWND window, int width, int height);

} // namespace kes::support

#endif
