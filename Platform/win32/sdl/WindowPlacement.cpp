// Where windows are and how they look: showing and hiding, placement,
// styles, captions, class icons, system metrics, and the mapping between a
// window's client area and its SDL window.
#include <windows.h>

#include "SdlVideo.h"
#include "WindowTable.h"
#include "../posix/TextCodec.h"

#include <SDL.h>

namespace kes::sdl {
namespace {

// Windows' sizes at 96 dots per inch, so that rectangles computed by games
// come out as on Windows.
constexpr int kCaption = 23;
constexpr int kFixedFrame = 3;
constexpr int kSizeFrame = 4;
constexpr int kBorder = 1;
constexpr int kDoubleClickSize = 4;
constexpr UINT kDoubleClickTime = 500;

bool HasBorder(DWORD style)
{
    return (style & (WS_CAPTION | WS_THICKFRAME)) != 0;
}

int FloorDiv(long long a, long long b)
{
    return int(a >= 0 ? a / b : -((-a + b - 1) / b));
}

} // namespace

FrameSize FrameOf(DWORD style)
{
    int frame = 0;
    if (style & WS_THICKFRAME)
        frame = kSizeFrame;
    else if (style & WS_DLGFRAME)
        frame = kFixedFrame;
    else if (style & WS_BORDER)
        frame = kBorder;
    const int caption = (style & WS_CAPTION) == WS_CAPTION ? kCaption : 0;
    return FrameSize{frame, frame + caption, frame, frame};
}

void ApplyPlacement(HWND hWnd)
{
    if (hWnd->deviceFullscreen) return;
    const FrameSize f = FrameOf(hWnd->style);
    SDL_SetWindowBordered(hWnd->sdl, HasBorder(hWnd->style) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(hWnd->sdl, hWnd->clientW > 0 ? hWnd->clientW : 1, hWnd->clientH > 0 ? hWnd->clientH : 1);
    SDL_SetWindowPosition(hWnd->sdl, hWnd->outer.left + f.left, hWnd->outer.top + f.top);
}

Viewport ViewportOf(HWND hWnd)
{
    if (!LiveWindow(hWnd)) return Viewport{0, 0, 0, 0, {0, 0, 0, 0}};
    Viewport v{hWnd->clientW, hWnd->clientH, 0, 0, {0, 0, 0, 0}};
    SDL_GetWindowSize(hWnd->sdl, &v.windowW, &v.windowH);
    v.dest = SDL_Rect{0, 0, v.windowW, v.windowH};
    if (v.clientW <= 0 || v.clientH <= 0 || (v.clientW == v.windowW && v.clientH == v.windowH)) return v;
    // The largest rectangle of the client's shape, centred; bars fill the rest.
    if ((long long)(v.windowW) * v.clientH <= (long long)(v.windowH) * v.clientW) {
        v.dest.w = v.windowW;
        v.dest.h = int((long long)(v.clientH) * v.windowW / v.clientW);
    } else {
        v.dest.h = v.windowH;
        v.dest.w = int((long long)(v.clientW) * v.windowH / v.clientH);
    }
    v.dest.x = (v.windowW - v.dest.w) / 2;
    v.dest.y = (v.windowH - v.dest.h) / 2;
    return v;
}

POINT WindowToClient(HWND hWnd, int x, int y)
{
    const Viewport v = ViewportOf(hWnd);
    if (v.Identity() || v.dest.w <= 0 || v.dest.h <= 0) return POINT{x, y};
    return POINT{FloorDiv((long long)(x - v.dest.x) * v.clientW, v.dest.w),
                 FloorDiv((long long)(y - v.dest.y) * v.clientH, v.dest.h)};
}

POINT ClientToWindow(HWND hWnd, int x, int y)
{
    const Viewport v = ViewportOf(hWnd);
    if (v.Identity() || v.clientW <= 0 || v.clientH <= 0) return POINT{x, y};
    return POINT{v.dest.x + FloorDiv((long long)x * v.dest.w, v.clientW),
                 v.dest.y + FloorDiv((long long)y * v.dest.h, v.clientH)};
}

void SetDeviceFullscreen(HWND hWnd, bool on, int width, int height)
{
    hWnd = LiveWindow(hWnd);
    if (!hWnd) return;
    if (on) {
        hWnd->clientW = width;
        hWnd->clientH = height;
    }
    if (on == hWnd->deviceFullscreen) return;

    // SDL puts the cursor back where it was relative to the window, which
    // after a change of mode is somewhere else on the screen: the player's
    // cursor must not jump, so it goes back to its screen position.
    const bool hasMouse = SDL_GetMouseFocus() == hWnd->sdl;
    int cursorX = 0, cursorY = 0, windowX = 0, windowY = 0;
    SDL_GetMouseState(&cursorX, &cursorY);
    SDL_GetWindowPosition(hWnd->sdl, &windowX, &windowY);

    hWnd->deviceFullscreen = on;
    if (on) {
        // The desktop's own mode stays: changing modes misbehaves on today's
        // desktops, so the back buffer is scaled to cover it instead. The
        // window covers the display by itself too, for desktops whose window
        // manager does nothing with the request (or where there is none).
        SDL_Rect bounds;
        const int display = SDL_GetWindowDisplayIndex(hWnd->sdl);
        if (SDL_GetDisplayBounds(display < 0 ? 0 : display, &bounds) == 0) {
            SDL_SetWindowBordered(hWnd->sdl, SDL_FALSE);
            SDL_SetWindowPosition(hWnd->sdl, bounds.x, bounds.y);
            SDL_SetWindowSize(hWnd->sdl, bounds.w, bounds.h);
        }
        SDL_SetWindowFullscreen(hWnd->sdl, SDL_WINDOW_FULLSCREEN_DESKTOP);
    } else {
        SDL_SetWindowFullscreen(hWnd->sdl, 0);
        ApplyPlacement(hWnd);
    }
    if (hasMouse) SDL_WarpMouseGlobal(windowX + cursorX, windowY + cursorY);
}

void ApplyClassIcon(HWND hWnd)
{
    const WNDCLASSA* wc = ClassOf(hWnd);
    if (wc && wc->hIcon && wc->hIcon->picture) SDL_SetWindowIcon(hWnd->sdl, wc->hIcon->picture);
}

} // namespace kes::sdl

using namespace kes::sdl;

extern "C" {

BOOL WINAPI ShowWindow(HWND hWnd, int nCmdShow)
{
    if (!LiveWindow(hWnd)) return FALSE;
    const BOOL wasVisible = hWnd->visible ? TRUE : FALSE;
    switch (nCmdShow) {
    case SW_HIDE:
        SDL_HideWindow(hWnd->sdl);
        hWnd->visible = false;
        return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        if (!hWnd->visible) SDL_ShowWindow(hWnd->sdl);
        hWnd->visible = true;
        if (!hWnd->minimized) {
            hWnd->minimized = true;
            SDL_MinimizeWindow(hWnd->sdl);
        }
        return wasVisible;
    case SW_MAXIMIZE:
        SDL_ShowWindow(hWnd->sdl);
        SDL_MaximizeWindow(hWnd->sdl);
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (hWnd->minimized) {
            hWnd->minimized = false;
            SDL_RestoreWindow(hWnd->sdl);
        }
        SDL_ShowWindow(hWnd->sdl);
        break;
    default: // SW_SHOW, SW_SHOWNA, SW_SHOWNOACTIVATE
        if (!hWnd->visible) SDL_ShowWindow(hWnd->sdl);
        break;
    }
    if (!hWnd->visible) hWnd->needsPaint = true;
    hWnd->visible = true;
    return wasVisible;
}

BOOL WINAPI IsIconic(HWND hWnd)
{
    return LiveWindow(hWnd) && hWnd->minimized ? TRUE : FALSE;
}

BOOL WINAPI UpdateWindow(HWND hWnd)
{
    if (!LiveWindow(hWnd)) return FALSE;
    if (hWnd->needsPaint && hWnd->visible) SendMessageA(hWnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL WINAPI ValidateRect(HWND hWnd, const RECT*)
{
    // The whole client area is one region here: validating any part of it
    // validates it all.
    if (!LiveWindow(hWnd)) return FALSE;
    hWnd->needsPaint = false;
    return TRUE;
}

BOOL WINAPI InvalidateRect(HWND hWnd, const RECT*, BOOL)
{
    if (!LiveWindow(hWnd)) return FALSE;
    hWnd->needsPaint = true;
    return TRUE;
}

BOOL WINAPI SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    if (!LiveWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    RECT& r = hWnd->outer;
    if (!(uFlags & SWP_NOMOVE)) {
        r.right += X - r.left;
        r.bottom += Y - r.top;
        r.left = X;
        r.top = Y;
    }
    if (!(uFlags & SWP_NOSIZE)) {
        r.right = r.left + (cx > 0 ? cx : 0);
        r.bottom = r.top + (cy > 0 ? cy : 0);
    }
    const FrameSize f = FrameOf(hWnd->style);
    const int clientW = (r.right - r.left) - f.left - f.right, clientH = (r.bottom - r.top) - f.top - f.bottom;
    hWnd->clientW = clientW > 0 ? clientW : 0;
    hWnd->clientH = clientH > 0 ? clientH : 0;
    if (!(uFlags & SWP_NOZORDER)) {
        if (hWndInsertAfter == HWND_TOPMOST) hWnd->exStyle |= WS_EX_TOPMOST;
        if (hWndInsertAfter == HWND_NOTOPMOST) hWnd->exStyle &= ~DWORD(WS_EX_TOPMOST);
        SDL_SetWindowAlwaysOnTop(hWnd->sdl, (hWnd->exStyle & WS_EX_TOPMOST) ? SDL_TRUE : SDL_FALSE);
    }
    ApplyPlacement(hWnd);
    if (uFlags & SWP_SHOWWINDOW) ShowWindow(hWnd, SW_SHOW);
    if (uFlags & SWP_HIDEWINDOW) ShowWindow(hWnd, SW_HIDE);
    return TRUE;
}

BOOL WINAPI GetWindowRect(HWND hWnd, RECT* lpRect)
{
    if (!LiveWindow(hWnd) || !lpRect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *lpRect = hWnd->outer;
    return TRUE;
}

BOOL WINAPI AdjustWindowRectEx(RECT* lpRect, DWORD dwStyle, BOOL, DWORD)
{
    if (!lpRect) return FALSE;
    const FrameSize f = FrameOf(dwStyle);
    lpRect->left -= f.left;
    lpRect->top -= f.top;
    lpRect->right += f.right;
    lpRect->bottom += f.bottom;
    return TRUE;
}

BOOL WINAPI SetWindowTextA(HWND hWnd, LPCSTR lpString)
{
    if (!LiveWindow(hWnd)) return FALSE;
    SDL_SetWindowTitle(hWnd->sdl, kes::posix::AnsiToUtf8(lpString ? lpString : "").c_str());
    return TRUE;
}

LONG WINAPI GetWindowLongA(HWND hWnd, int nIndex)
{
    if (!LiveWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (nIndex) {
    case GWL_STYLE:
        return LONG(hWnd->style | (hWnd->visible ? WS_VISIBLE : 0) | (hWnd->minimized ? WS_MINIMIZE : 0));
    case GWL_EXSTYLE: return LONG(hWnd->exStyle);
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

LONG WINAPI SetWindowLongA(HWND hWnd, int nIndex, LONG dwNewLong)
{
    const LONG previous = GetWindowLongA(hWnd, nIndex);
    if (!LiveWindow(hWnd)) return 0;
    switch (nIndex) {
    case GWL_STYLE:
        // Visibility and the minimised state stay ShowWindow's; the frame
        // takes effect when the window is next placed (SWP_FRAMECHANGED).
        hWnd->style = DWORD(dwNewLong) & ~DWORD(WS_VISIBLE | WS_MINIMIZE);
        return previous;
    case GWL_EXSTYLE: hWnd->exStyle = DWORD(dwNewLong); return previous;
    default: return 0;
    }
}

DWORD WINAPI SetClassLongA(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    if (!LiveWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    WNDCLASSA& wc = Windows().classes[hWnd->classKey].wc;
    DWORD previous = 0;
    switch (nIndex) {
    case GCL_HICON:
        previous = DWORD(ULONG_PTR(wc.hIcon));
        wc.hIcon = reinterpret_cast<HICON>(dwNewLong);
        for (HWND w : Windows().windows)
            if (w->classKey == hWnd->classKey) ApplyClassIcon(w);
        return previous;
    case GCL_HCURSOR:
        previous = DWORD(ULONG_PTR(wc.hCursor));
        wc.hCursor = reinterpret_cast<HCURSOR>(dwNewLong);
        return previous;
    default: SetLastError(ERROR_INVALID_INDEX); return 0;
    }
}

int WINAPI GetSystemMetrics(int nIndex)
{
    switch (nIndex) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
        int w = 0, h = 0;
        DesktopSize(&w, &h);
        return nIndex == SM_CXSCREEN ? w : h;
    }
    case SM_CYCAPTION: return kCaption;
    case SM_CXBORDER:
    case SM_CYBORDER: return kBorder;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME: return kFixedFrame;
    case SM_CXSIZEFRAME:
    case SM_CYSIZEFRAME: return kSizeFrame;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return kDoubleClickSize;
    default: return 0;
    }
}

UINT WINAPI GetDoubleClickTime(void)
{
    return kDoubleClickTime;
}

} // extern "C"
