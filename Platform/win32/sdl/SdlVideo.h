// The SDL video system under the Win32 window subset, and the way from a
// window handle to its SDL window (devices present into it).
#ifndef KESTO_PLATFORM_SDL_SDLVIDEO_H
#define KESTO_PLATFORM_SDL_SDLVIDEO_H

#include <windows.h>

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

} // namespace kes::sdl

#endif
