// What the tests' fixtures and the benchmarks share to draw through the
// engine without a whole game: a hidden window for a render device, and an
// application object whose render object has a device on it, as a game has
// after Init.
#ifndef KESTO_SUPPORT_DEVICEWINDOW_H
#define KESTO_SUPPORT_DEVICEWINDOW_H

#include <KesApp.h>

namespace kes::support {

// A window of width x height client pixels for the render device named
// `device`; null when the window layer cannot make one.
HWND MakeDeviceWindow(int width, int height, const char* device = "software");

// A new MApp whose render object has a device on `window` (retrace wait
// off, windowed); null when the device cannot be made.
MApp* MakeRenderApp(HWND window, int width, int height);

} // namespace kes::support

#endif
