// What every device does with the window it presents into: full screen on
// and off as the presentation parameters say, waiting for the display's
// refresh when asked to, and (for devices that draw on the CPU) showing the
// back buffer in the window, scaled to fit when the two differ in size.
#ifndef KESTO_PLATFORM_D3D9_WINDOWPRESENTER_H
#define KESTO_PLATFORM_D3D9_WINDOWPRESENTER_H

#include <d3d9.h>

#include <cstdint>

namespace kes::d3d9 {

struct PixelStore;

// Windowed = FALSE covers the desktop with the window and shows the back
// buffer scaled to fit (the desktop keeps its mode); TRUE returns the window.
void ApplyDisplayMode(HWND window, const D3DPRESENT_PARAMETERS& params);

// Presents pace themselves to the display's refresh when the interval asks
// for it (D3DPRESENT_INTERVAL_DEFAULT or ONE); IMMEDIATE does not wait.
class RetraceClock {
public:
    void Wait(HWND window, UINT presentationInterval);

private:
    int64_t m_last = 0; // nanoseconds of the last refresh waited for
};

// Copies an X8R8G8B8 back buffer into the window's surface: as it is when
// the sizes match, else scaled into the client area's place with black bars.
void ShowInWindow(HWND window, const PixelStore& backBuffer);

} // namespace kes::d3d9

#endif
