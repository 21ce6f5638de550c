// Cursors, icons and the stock brushes.
//
// Executables here carry no resources: LoadCursorA knows the system
// cursors, and LoadIconA takes a picture file (PNG or BMP) by name, found
// as CreateFileA finds files, so that a game's icon can be set as on
// Windows. The cursor shown over a window is SDL's; SetCursor(NULL) and a
// negative ShowCursor count hide it.
#include <windows.h>

#include "EventPump.h"
#include "SdlVideo.h"
#include "WindowTable.h"
#include "../posix/PathResolve.h"

#include <SDL.h>
#include <png.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

struct HBRUSH__ {
    DWORD colour;
};

namespace kes::sdl {
namespace {

struct CursorState {
    HCURSOR current = nullptr;
    int showCount = 0; // ShowCursor's display count; shown while >= 0
    std::map<ULONG_PTR, HICON__*> system;
};

CursorState& Cursors()
{
    static CursorState* s = new CursorState;
    return *s;
}

void ApplyCursor()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    CursorState& s = Cursors();
    // Windows' procedures set the cursor on every mouse move: tell the
    // desktop only of changes.
    SDL_Cursor* cursor = s.current ? s.current->cursor : nullptr;
    const int shown = s.current && s.showCount >= 0 ? SDL_ENABLE : SDL_DISABLE;
    if (cursor && cursor != SDL_GetCursor()) SDL_SetCursor(cursor);
    if (SDL_ShowCursor(SDL_QUERY) != shown) SDL_ShowCursor(shown);
}

SDL_SystemCursor SystemCursorFor(ULONG_PTR id)
{
    switch (id) {
    case 32513: return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32649: return SDL_SYSTEM_CURSOR_HAND;
    default: return SDL_SYSTEM_CURSOR_ARROW;
    }
}

bool IsSystemCursor(ULONG_PTR id)
{
    return id == 32512 || id == 32513 || id == 32514 || id == 32515 || id == 32649;
}

SDL_Surface* ReadPngPicture(const std::string& path)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return nullptr;
    image.format = PNG_FORMAT_BGRA; // ARGB8888 words in memory order
    if (image.width == 0 || image.height == 0 || image.width > 1024 || image.height > 1024) {
        png_image_free(&image);
        return nullptr;
    }
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, int(image.width), int(image.height), 32, SDL_PIXELFORMAT_ARGB8888);
    if (!s) {
        png_image_free(&image);
        return nullptr;
    }
    if (!png_image_finish_read(&image, nullptr, s->pixels, s->pitch, nullptr)) {
        SDL_FreeSurface(s);
        return nullptr;
    }
    return s;
}

SDL_Surface* ReadPicture(const char* name)
{
    std::string path;
    if (kes::posix::ResolveWindowsPath(name, path) != kes::posix::ResolveResult::Found) return nullptr;
    if (SDL_Surface* png = ReadPngPicture(path)) return png;
    return SDL_LoadBMP(path.c_str());
}

} // namespace
} // namespace kes::sdl

using namespace kes::sdl;

extern "C" {

HCURSOR WINAPI LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    const ULONG_PTR id = ULONG_PTR(lpCursorName);
    if (hInstance || !IS_INTRESOURCE(lpCursorName) || !IsSystemCursor(id)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    CursorState& s = Cursors();
    HICON__*& c = s.system[id];
    if (!c) c = new HICON__;
    // SDL makes cursors only once its video system runs.
    if (!c->cursor && EnsureVideo()) c->cursor = SDL_CreateSystemCursor(SystemCursorFor(id));
    return c;
}

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    if (!lpIconName) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    if (IS_INTRESOURCE(lpIconName)) {
        // The system's application icon is the desktop's default icon; a
        // module has no icons of its own here.
        if (!hInstance && ULONG_PTR(lpIconName) == 32512) {
            static HICON__ application;
            return &application;
        }
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    SDL_Surface* picture = ReadPicture(lpIconName);
    if (!picture) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    // Icons live as long as the process, as loaded resources do on Windows;
    // the same name gives the same icon.
    static std::map<std::string, HICON__*>* loaded = new std::map<std::string, HICON__*>;
    HICON__*& icon = (*loaded)[lpIconName];
    if (icon) {
        SDL_FreeSurface(picture);
        return icon;
    }
    icon = new HICON__;
    icon->picture = picture;
    return icon;
}

HCURSOR WINAPI SetCursor(HCURSOR hCursor)
{
    CursorState& s = Cursors();
    HCURSOR previous = s.current;
    s.current = hCursor;
    ApplyCursor();
    return previous;
}

int WINAPI ShowCursor(BOOL bShow)
{
    CursorState& s = Cursors();
    s.showCount += bShow ? 1 : -1;
    ApplyCursor();
    return s.showCount;
}

BOOL WINAPI GetCursorPos(POINT* lpPoint)
{
    if (!lpPoint) return FALSE;
    // A desktop knows where the cursor is, also outside our windows;
    // headless drivers only know where their events put it.
    if (SDL_WasInit(SDL_INIT_VIDEO) && HasDisplay()) {
        int x = 0, y = 0;
        SDL_GetGlobalMouseState(&x, &y);
        *lpPoint = POINT{x, y};
    } else {
        *lpPoint = LastCursorPos();
    }
    return TRUE;
}

BOOL WINAPI ScreenToClient(HWND hWnd, POINT* lpPoint)
{
    if (!LiveWindow(hWnd) || !lpPoint) return FALSE;
    int x = 0, y = 0;
    SDL_GetWindowPosition(hWnd->sdl, &x, &y);
    *lpPoint = WindowToClient(hWnd, lpPoint->x - x, lpPoint->y - y);
    return TRUE;
}

BOOL WINAPI ClientToScreen(HWND hWnd, POINT* lpPoint)
{
    if (!LiveWindow(hWnd) || !lpPoint) return FALSE;
    int x = 0, y = 0;
    SDL_GetWindowPosition(hWnd->sdl, &x, &y);
    const POINT p = ClientToWindow(hWnd, lpPoint->x, lpPoint->y);
    *lpPoint = POINT{p.x + x, p.y + y};
    return TRUE;
}

HGDIOBJ WINAPI GetStockObject(int i)
{
    static HBRUSH__ brushes[] = {{0xFFFFFF}, {0xC0C0C0}, {0x808080}, {0x404040}, {0x000000}, {0}};
    return (i >= WHITE_BRUSH && i <= NULL_BRUSH) ? &brushes[i] : nullptr;
}

} // extern "C"
