// The SDL video system under the Win32 window subset, and the one door
// through which render devices reach a window: its SDL window, where the
// client area lies in it, and full screen. Devices see nothing else of the
// window layer (its handles, classes or message queue).
#ifndef KESTO_PLATFORM_SDL_SDLVIDEO_H
#define KESTO_PLATFORM_SDL_SDLVIDEO_H

#include <windows.h>

#include <SDL_rect.h>
#include <SDL_stdinc.h>

struct SDL_Window;

namespace kes::sdl {

// Starts SDL's video system once: the driver asked for through
// KesPlatformSetVideoDriver, else SDL's own choice where the environment
// names a desktop (DISPLAY, WAYLAND_DISPLAY) or a driver (SDL_VIDEODRIVER),
// else "offscreen", else "dummy" (so windows exist even without a display).
// False when none starts.
bool EnsureVideo();

// The primary display's size (1024 x 768 where a headless driver has none).
void DesktopSize(int* width, int* height);

// True when the running video driver shows windows to a person (not
// "offscreen" or "dummy").
bool HasDisplay();

// The SDL window behind a window handle, or null for a handle that is not
// a live window.
SDL_Window* WindowOf(HWND hWnd);

// A device's hold on the window it presents into. A game may destroy the
// window before it releases the device, and a later window may be given the
// freed handle's address: the hold names only the window it was taken on
// (by SDL's window id, which is never reused) and gives null once that
// window has gone.
class WindowHold {
public:
    WindowHold() = default;
    explicit WindowHold(HWND hWnd);
    // The window's handle, or null once it has gone.
    HWND Handle() const;
    // Its SDL window, or null once it has gone.
    SDL_Window* Sdl() const;

private:
    HWND m_handle = nullptr;
    Uint32 m_id = 0;
};

// Where the client area lies inside the SDL window: the whole of it, or,
// when the two sizes differ (a device covering the desktop), the largest
// rectangle of the client's aspect ratio, centred.
struct Viewport {
    int clientW, clientH; // the client size the game sees
    int windowW, windowH; // the SDL window's size in pixels
    SDL_Rect dest;        // the client area inside it
    bool Identity() const
    {
        return dest.x == 0 && dest.y == 0 && dest.w == windowW && dest.h == windowH && clientW == windowW &&
               clientH == windowH;
    }
};
// All zero for a handle that is not a live window.
Viewport ViewportOf(HWND hWnd);

// A device presenting into the window goes full screen (covers the desktop
// and shows a `width` x `height` back buffer scaled to fit) or comes back.
// Nothing for a handle that is not a live window.
void SetDeviceFullscreen(HWND hWnd, bool on, int width, int height);

} // namespace kes::sdl

#endif
