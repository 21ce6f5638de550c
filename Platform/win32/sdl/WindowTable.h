// What the window layer knows of its classes and windows: the state behind
// a window handle, shared by creation, placement, the message queue and the
// event pump.
#ifndef KESTO_PLATFORM_SDL_WINDOWTABLE_H
#define KESTO_PLATFORM_SDL_WINDOWTABLE_H

#include <windows.h>

#include "SdlVideo.h"

#include <SDL_mouse.h>
#include <SDL_video.h>

#include <map>
#include <set>
#include <string>

struct HWND__ {
    SDL_Window* sdl = nullptr;
    Uint32 sdlId = 0;
    std::string classKey; // the class's name, folded
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT outer{};          // outer rectangle in screen coordinates, frame included
    int clientW = 0;       // the client size the game sees; the SDL window
    int clientH = 0;       // differs from it only while a device covers the desktop
    bool visible = false;
    bool minimized = false;
    bool needsPaint = false;
    bool deviceFullscreen = false; // a device shows the client scaled over the whole desktop
    bool destroying = false;
};

// Icons and cursors share one handle type, as on Windows.
struct HICON__ {
    SDL_Cursor* cursor = nullptr;  // cursors
    SDL_Surface* picture = nullptr; // icons (null: the desktop's default icon)
};

namespace kes::sdl {

struct WindowClass {
    WNDCLASSA wc;
    std::string name;
};

struct WindowTable {
    std::map<std::string, WindowClass> classes; // by folded name, as Windows compares them
    std::set<HWND> windows;
    ATOM nextAtom = 0xC000;
};

// The one table; never destroyed, since windows may go during static destruction.
WindowTable& Windows();

// Class names compare without regard to ASCII case.
std::string FoldedName(const char* s);

// The live window behind a handle, or null.
HWND LiveWindow(HWND hWnd);
// The window whose SDL window has this id, or null.
HWND WindowFromSdlId(Uint32 id);
// The window's class, or null.
const WNDCLASSA* ClassOf(HWND hWnd);

// Frame sizes for a style, as AdjustWindowRectEx adds them.
struct FrameSize {
    int left, top, right, bottom;
};
FrameSize FrameOf(DWORD style);

// Puts the SDL window where the window's outer rectangle and client size
// say (nothing while a device covers the desktop with it).
void ApplyPlacement(HWND hWnd);

// SDL window pixels to client coordinates and back (not clamped).
POINT WindowToClient(HWND hWnd, int x, int y);
POINT ClientToWindow(HWND hWnd, int x, int y);

// Drops every queued message for a window that is going away.
void ForgetQueuedMessages(HWND hWnd);

// Applies a class's icon and cursor to the windows that use it.
void ApplyClassIcon(HWND hWnd);

} // namespace kes::sdl

#endif
