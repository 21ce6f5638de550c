// Win32 window classes and windows on SDL2.
//
// Implemented: RegisterClassA, UnregisterClassA, CreateWindowExA,
// DestroyWindow, IsWindow, GetClientRect, DefWindowProcA (which does
// nothing yet), MessageBoxA. Windows have no frame of their own: SDL's
// window manager draws decorations outside the client area, so a window's
// outer size is its client size. Not implemented yet: messages sent to the
// window procedure, styles changing after creation, placement.
#include <windows.h>

#include "SdlVideo.h"
#include "../posix/TextCodec.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <string>

struct HWND__ {
    SDL_Window* sdl;
    std::string className;
    WNDPROC proc;
    DWORD style;
};

namespace {

std::string Folded(const char* s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

struct Registry {
    std::map<std::string, WNDCLASSA> classes; // by folded name, as Windows compares them
    std::set<HWND> windows;
    ATOM nextAtom = 0xC000;
};

Registry& Reg()
{
    static Registry* r = new Registry; // windows may be destroyed during static destruction
    return *r;
}

} // namespace

namespace kes::sdl {

SDL_Window* WindowOf(HWND hWnd)
{
    return Reg().windows.count(hWnd) ? hWnd->sdl : nullptr;
}

} // namespace kes::sdl

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc)
{
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    Registry& r = Reg();
    const std::string key = Folded(wc->lpszClassName);
    if (r.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    r.classes[key] = *wc;
    return r.nextAtom++;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE)
{
    if (!lpClassName) return FALSE;
    Registry& r = Reg();
    const std::string key = Folded(lpClassName);
    if (!r.classes.count(key)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    r.classes.erase(key);
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND, HMENU, HINSTANCE, LPVOID)
{
    Registry& r = Reg();
    auto cls = lpClassName ? r.classes.find(Folded(lpClassName)) : r.classes.end();
    if (cls == r.classes.end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (!kes::sdl::EnsureVideo()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const int w = (nWidth == CW_USEDEFAULT || nWidth <= 0) ? 640 : nWidth;
    const int h = (nHeight == CW_USEDEFAULT || nHeight <= 0) ? 480 : nHeight;
    const int x = X == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : X;
    const int y = Y == CW_USEDEFAULT ? int(SDL_WINDOWPOS_UNDEFINED) : Y;
    Uint32 flags = (dwStyle & WS_VISIBLE) ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
    if (!(dwStyle & (WS_CAPTION | WS_THICKFRAME))) flags |= SDL_WINDOW_BORDERLESS;
    const std::string title = kes::posix::AnsiToUtf8(lpWindowName ? lpWindowName : "");
    SDL_Window* sdl = SDL_CreateWindow(title.c_str(), x, y, w, h, flags);
    if (!sdl) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    HWND hWnd = new HWND__{sdl, cls->first, cls->second.lpfnWndProc, dwStyle};
    r.windows.insert(hWnd);
    return hWnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    Registry& r = Reg();
    if (!r.windows.count(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    r.windows.erase(hWnd);
    SDL_DestroyWindow(hWnd->sdl);
    delete hWnd;
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    return Reg().windows.count(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI GetClientRect(HWND hWnd, RECT* rect)
{
    SDL_Window* sdl = kes::sdl::WindowOf(hWnd);
    if (!sdl || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(sdl, &w, &h);
    *rect = RECT{0, 0, w, h};
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const std::string text = kes::posix::AnsiToUtf8(lpText ? lpText : "");
    const std::string caption = kes::posix::AnsiToUtf8(lpCaption ? lpCaption : "Error");
    // Always on standard error too: a box nobody can see must not be the
    // only trace of a fatal error.
    fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    fflush(stderr);
    if (kes::sdl::EnsureVideo() && kes::sdl::HasDisplay()) {
        const Uint32 flags = (uType & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
        SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), kes::sdl::WindowOf(hWnd));
    }
    return IDOK;
}

} // extern "C"
