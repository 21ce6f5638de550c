// Win32 window classes and windows on SDL2: registering classes, creating
// and destroying windows, the default window procedure, message boxes.
//
// A window's outer rectangle includes a frame and caption of Windows' usual
// sizes (GetSystemMetrics), so that games compute the same rectangles as on
// Windows; SDL's window is the client area, and the desktop's window
// manager draws its own decorations around it. Not implemented: child
// windows, menus, WM_CREATE and the non-client messages.
#include <windows.h>

#include "SdlVideo.h"
#include "WindowTable.h"
#include "../posix/TextCodec.h"
#include "../../config/Log.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace kes::sdl {

WindowTable& Windows()
{
    static WindowTable* table = new WindowTable;
    return *table;
}

std::string FoldedName(const char* s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

HWND LiveWindow(HWND hWnd)
{
    return hWnd && Windows().windows.count(hWnd) ? hWnd : nullptr;
}

SDL_Window* WindowOf(HWND hWnd)
{
    return LiveWindow(hWnd) ? hWnd->sdl : nullptr;
}

WindowHold::WindowHold(HWND hWnd)
{
    if (!LiveWindow(hWnd)) return;
    m_handle = hWnd;
    m_id = hWnd->sdlId;
}

HWND WindowHold::Handle() const
{
    // The handle alone could name a newer window at a reused address; its
    // SDL window's id cannot.
    return m_handle && LiveWindow(m_handle) && m_handle->sdlId == m_id ? m_handle : nullptr;
}

SDL_Window* WindowHold::Sdl() const
{
    const HWND h = Handle();
    return h ? h->sdl : nullptr;
}

HWND WindowFromSdlId(Uint32 id)
{
    for (HWND w : Windows().windows)
        if (w->sdlId == id) return w;
    return nullptr;
}

const WNDCLASSA* ClassOf(HWND hWnd)
{
    if (!LiveWindow(hWnd)) return nullptr;
    auto it = Windows().classes.find(hWnd->classKey);
    return it == Windows().classes.end() ? nullptr : &it->second.wc;
}

} // namespace kes::sdl

using namespace kes::sdl;

extern "C" {

ATOM WINAPI RegisterClassA(const WNDCLASSA* wc)
{
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WindowTable& t = Windows();
    const std::string key = FoldedName(wc->lpszClassName);
    if (t.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    // The name is kept by value: the caller's text may not outlive the call.
    WindowClass& c = t.classes[key];
    c.name = wc->lpszClassName;
    c.wc = *wc;
    c.wc.lpszClassName = c.name.c_str();
    c.wc.lpszMenuName = nullptr;
    return t.nextAtom++;
}

BOOL WINAPI UnregisterClassA(LPCSTR lpClassName, HINSTANCE)
{
    if (!lpClassName) return FALSE;
    WindowTable& t = Windows();
    const std::string key = FoldedName(lpClassName);
    if (!t.classes.count(key)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    for (HWND w : t.windows)
        if (w->classKey == key) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    t.classes.erase(key);
    return TRUE;
}

HWND WINAPI CreateWindowExA(DWORD dwExStyle, LPCSTR lpClassName, LPCSTR lpWindowName, DWORD dwStyle, int X, int Y,
                            int nWidth, int nHeight, HWND, HMENU, HINSTANCE, LPVOID)
{
    WindowTable& t = Windows();
    auto cls = lpClassName ? t.classes.find(FoldedName(lpClassName)) : t.classes.end();
    if (cls == t.classes.end()) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (!EnsureVideo()) {
        // The drivers said why as they refused.
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    const FrameSize frame = FrameOf(dwStyle);
    const int outerW = (nWidth == CW_USEDEFAULT) ? 640 + frame.left + frame.right : nWidth;
    const int outerH = (nHeight == CW_USEDEFAULT) ? 480 + frame.top + frame.bottom : nHeight;
    const int x = X == CW_USEDEFAULT ? 0 : X;
    const int y = Y == CW_USEDEFAULT ? 0 : Y;

    HWND hWnd = new HWND__;
    hWnd->classKey = cls->first;
    hWnd->proc = cls->second.wc.lpfnWndProc;
    hWnd->style = dwStyle;
    hWnd->exStyle = dwExStyle;
    hWnd->outer = RECT{x, y, x + outerW, y + outerH};
    // A window may be smaller than its frame (full-screen windows start at
    // 0 x 0); SDL's window then keeps one pixel until it is placed.
    hWnd->clientW = outerW - frame.left - frame.right;
    hWnd->clientH = outerH - frame.top - frame.bottom;
    if (hWnd->clientW < 0) hWnd->clientW = 0;
    if (hWnd->clientH < 0) hWnd->clientH = 0;

    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (!(dwStyle & (WS_CAPTION | WS_THICKFRAME))) flags |= SDL_WINDOW_BORDERLESS;
    if (dwExStyle & WS_EX_TOPMOST) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    const std::string title = kes::posix::AnsiToUtf8(lpWindowName ? lpWindowName : "");
    // SDL makes OpenGL contexts only on windows made for them, and the
    // OpenGL device comes after the window. Where SDL can load OpenGL it
    // stays loaded, or SDL would start it (EGL: tens of milliseconds) anew
    // for every window.
    if (SDL_GL_GetProcAddress("glGetString") || SDL_GL_LoadLibrary(nullptr) == 0) flags |= SDL_WINDOW_OPENGL;
    hWnd->sdl = SDL_CreateWindow(title.c_str(), x + frame.left, y + frame.top, hWnd->clientW > 0 ? hWnd->clientW : 1,
                                 hWnd->clientH > 0 ? hWnd->clientH : 1, flags);
    if (!hWnd->sdl) {
        const char* why = SDL_GetError();
        kes::platform::Log("cannot create a window of %d x %d on video driver '%s': %s", hWnd->clientW, hWnd->clientH,
                           SDL_GetCurrentVideoDriver(), why);
        delete hWnd;
        SetLastError(strstr(why, "Out of memory") ? ERROR_NOT_ENOUGH_MEMORY : ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    hWnd->sdlId = SDL_GetWindowID(hWnd->sdl);
    t.windows.insert(hWnd);
    ApplyClassIcon(hWnd);
    if (dwStyle & WS_VISIBLE) ShowWindow(hWnd, SW_SHOW);
    return hWnd;
}

BOOL WINAPI DestroyWindow(HWND hWnd)
{
    if (!LiveWindow(hWnd) || hWnd->destroying) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    // The window procedure hears of it while the window still exists, as on
    // Windows; a second DestroyWindow from inside it is refused above.
    hWnd->destroying = true;
    if (hWnd->proc) hWnd->proc(hWnd, WM_DESTROY, 0, 0);
    ForgetQueuedMessages(hWnd);
    Windows().windows.erase(hWnd);
    SDL_DestroyWindow(hWnd->sdl);
    delete hWnd;
    return TRUE;
}

BOOL WINAPI IsWindow(HWND hWnd)
{
    return LiveWindow(hWnd) ? TRUE : FALSE;
}

BOOL WINAPI GetClientRect(HWND hWnd, RECT* rect)
{
    if (!LiveWindow(hWnd) || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, hWnd->clientW, hWnd->clientH};
    return TRUE;
}

LRESULT WINAPI DefWindowProcA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    switch (Msg) {
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SYSKEYDOWN:
        // Alt+F4 asks the window to close, through its system menu's command.
        if (wParam == VK_F4 && (lParam & (1 << 29))) SendMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(hWnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hWnd, SW_MINIMIZE); break;
        case SC_RESTORE: ShowWindow(hWnd, SW_RESTORE); break;
        case SC_MAXIMIZE: ShowWindow(hWnd, SW_MAXIMIZE); break;
        default: break; // no system menu to open
        }
        return 0;
    case WM_PAINT:
        ValidateRect(hWnd, nullptr);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            const WNDCLASSA* wc = ClassOf(hWnd);
            if (wc && wc->hCursor) {
                SetCursor(wc->hCursor);
                return TRUE;
            }
        }
        return FALSE;
    default:
        return 0;
    }
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const std::string text = kes::posix::AnsiToUtf8(lpText ? lpText : "");
    const std::string caption = kes::posix::AnsiToUtf8(lpCaption ? lpCaption : "Error");
    // Always on standard error too: a box nobody can see must not be the
    // only trace of a fatal error.
    fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    fflush(stderr);
    if (EnsureVideo() && HasDisplay()) {
        const Uint32 flags = (uType & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
        SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), WindowOf(hWnd));
    }
    return IDOK;
}

} // extern "C"
