// The application object: construction and destruction, settings, the
// window's geometry, device resets, Init and Shutdown, random numbers.
#include <KesApp.h>

#include "KesD3D9.h"

#include <new>
#include <string.h>

#define KES_APP_SOURCE L"Core/KesApp"

template <>
MApp* Singleton<MApp>::m_Singleton = 0;

namespace {

const char kWindowClass[] = "KESTO_WINDOW_CLASS";

// Appends `tail` when all of it fits in `size` bytes with the terminator;
// otherwise leaves `dest` as it was (a cut path would name another file).
void AppendWhole(char* dest, size_t size, const char* tail)
{
    const size_t used = strlen(dest), more = strlen(tail);
    if (used + more < size) memcpy(dest + used, tail, more + 1);
}

// The outer size of a captioned window whose client area is width x height.
void WindowedOuterSize(int width, int height, int* cx, int* cy)
{
    *cx = width + 2 * GetSystemMetrics(SM_CXFIXEDFRAME);
    *cy = height + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFIXEDFRAME);
}

} // namespace

MApp::MApp()
{
    m_hInst = GetModuleHandleA(NULL);
    m_hWnd = 0;
    m_pRender = new (std::nothrow) MRender;
    m_deltaTime = m_curTime = 0.0;
    m_windowed = 1;
    m_async = 1;
    m_inited = 0;
    m_winWidth = 800;
    m_winHeight = 600;
    m_hideMouse = 0;
    m_fps = 0;
    m_title[0] = 0;
    m_icon = 0;
    m_path[0] = 0;
    GetModuleFileNameA(m_hInst, m_path, 260);
    AppendWhole(m_path, sizeof m_path, "\\");
    m_pause = 0;
    // A 1 ms timer resolution for the loop's Sleep(1), for the life of the process.
    timeBeginPeriod(1);
    m_seed = timeGetTime();
    m_lostDeviceFunc = m_restoreDeviceFunc = m_updateFrameFunc = m_windowShowedFunc = 0;
    m_exitFunc = m_activeFunc = m_deActiveFunc = 0;
    m_inputEvenFunc = 0;
    memset(&m_input, 0, sizeof m_input);
    memset(&m_winRect, 0, sizeof m_winRect);
    memset(&m_fullRect, 0, sizeof m_fullRect);
    m_winStyle = m_fullStyle = 0;
}

MApp::~MApp()
{
    delete m_pRender;
    m_pRender = 0;
    // Every cached object gives back one reference: the cache's owner's.
    // Destroyed ones leave the maps as they go, so walk from the end.
    for (int i = m_imageCache.GetCount() - 1; i >= 0; --i) static_cast<MImage*>(m_imageCache[i])->Release();
    for (int i = m_volumeCache.GetCount() - 1; i >= 0; --i) static_cast<MImageVolume*>(m_volumeCache[i])->Release();
    UninitFontSystem();
    UninitSoundSystem();
    m_volumeCache.Reset();
    m_imageCache.Reset();
    m_fontMap.Reset();
}

void MApp::OpenDataFile(const char* path)
{
    MFile::OpenDataFile(path);
}

POINT MApp::GetMousePos()
{
    POINT pt = {0, 0};
    GetCursorPos(&pt);
    ScreenToClient(m_hWnd, &pt);
    return pt;
}

// ---- settings ---------------------------------------------------------------------

void MApp::SetWinTitle(const char* title)
{
    if (!title) title = "";
    strncpy(m_title, title, sizeof m_title - 1);
    m_title[sizeof m_title - 1] = 0;
    if (m_inited) SetWindowTextA(m_hWnd, m_title);
}

void MApp::SetWinIcon(const char* name)
{
    m_icon = name;
    if (m_inited) SetClassLongA(m_hWnd, GCL_HICON, (LONG_PTR)LoadIconA(m_hInst, name));
}

void MApp::SetWindowSize(int width, int height)
{
    if (width == m_winWidth && height == m_winHeight) return;
    m_winWidth = width;
    m_winHeight = height;
    if (!m_inited) return;
    // The window keeps its top-left corner.
    int cx, cy;
    WindowedOuterSize(m_winWidth, m_winHeight, &cx, &cy);
    m_winRect.right = m_winRect.left + cx;
    m_winRect.bottom = m_winRect.top + cy;
    m_fullRect.left = m_fullRect.top = 0;
    m_fullRect.right = width;
    m_fullRect.bottom = height;
    if (_ResetGfx()) _AjustWindow();
}

void MApp::SetWindowMode(int windowed)
{
    if (windowed == m_windowed) return;
    if (!m_inited) {
        m_windowed = windowed;
        return;
    }
    // Leaving the window: remember where it was, to come back there.
    if (m_windowed) GetWindowRect(m_hWnd, &m_winRect);
    m_windowed = windowed;
    if (_ResetGfx()) _AjustWindow();
}

void MApp::ToggleFullscreen()
{
    SetWindowMode(!m_windowed);
}

void MApp::SetHideMouse(int hide)
{
    if (hide == m_hideMouse) return;
    m_hideMouse = hide;
    if (!m_inited) return;
    // Outside the client area the next cursor message decides.
    POINT pt = GetMousePos();
    RECT client;
    if (!GetClientRect(m_hWnd, &client)) return;
    if (pt.x >= client.left && pt.x < client.right && pt.y >= client.top && pt.y < client.bottom)
        SetCursor(hide ? NULL : LoadCursorA(NULL, IDC_ARROW));
}

void MApp::SetAsync(int async)
{
    if (async == m_async) return;
    m_async = async;
    if (m_inited) _ResetGfx();
}

void MApp::Pause(int pause)
{
    m_pause = pause;
}

// ---- the window and the device ------------------------------------------------------

void MApp::_AjustWindow()
{
    if (m_windowed) {
        SetWindowLongA(m_hWnd, GWL_STYLE, LONG(m_winStyle));
        SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) & ~WS_EX_TOPMOST);
        SetWindowPos(m_hWnd, HWND_NOTOPMOST, m_winRect.left, m_winRect.top, m_winRect.right - m_winRect.left,
                     m_winRect.bottom - m_winRect.top, SWP_FRAMECHANGED);
    } else {
        SetWindowLongA(m_hWnd, GWL_STYLE, LONG(m_fullStyle));
        SetWindowLongA(m_hWnd, GWL_EXSTYLE, GetWindowLongA(m_hWnd, GWL_EXSTYLE) | WS_EX_TOPMOST);
        SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, m_fullRect.right - m_fullRect.left, m_fullRect.bottom - m_fullRect.top,
                     SWP_FRAMECHANGED);
    }
    ShowWindow(m_hWnd, SW_SHOW);
    UpdateWindow(m_hWnd);
}

int MApp::_ResetGfx()
{
    m_pause = 1;
    if (m_lostDeviceFunc && !m_lostDeviceFunc()) {
        PostQuitMessage(0);
        return 0;
    }
    int result = m_pRender->ResetDevice(m_async, m_winWidth, m_winHeight, m_windowed);
    if (!result) {
        PostQuitMessage(0);
        return 0;
    }
    if (m_restoreDeviceFunc) {
        result = m_restoreDeviceFunc();
        if (!result) {
            PostQuitMessage(0);
            return 0;
        }
    }
    m_pause = 0;
    return result;
}

// ---- lifecycle ---------------------------------------------------------------------------

int MApp::Init()
{
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = WindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = m_hInst;
    wc.hIcon = LoadIconA(m_hInst, m_icon ? m_icon : MAKEINTRESOURCE(32512));
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszMenuName = NULL;
    wc.lpszClassName = kWindowClass;
    if (!RegisterClassA(&wc)) return 0;

    // The client area is exactly m_winWidth x m_winHeight, centred on the
    // primary screen.
    int cx, cy;
    WindowedOuterSize(m_winWidth, m_winHeight, &cx, &cy);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - cx) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - cy) / 2;
    m_winRect.left = left;
    m_winRect.top = top;
    m_winRect.right = left + cx;
    m_winRect.bottom = top + cy;
    m_fullRect.left = m_fullRect.top = 0;
    m_fullRect.right = m_winWidth;
    m_fullRect.bottom = m_winHeight;
    m_winStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    m_fullStyle = WS_POPUP | WS_VISIBLE;

    if (m_windowed)
        m_hWnd = CreateWindowExA(0, kWindowClass, m_title, m_winStyle, m_winRect.left, m_winRect.top, cx, cy, NULL,
                                 NULL, m_hInst, NULL);
    else
        // The device's full-screen mode gives the window its size.
        m_hWnd = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, m_title, m_fullStyle, 0, 0, 0, 0, NULL, NULL, m_hInst,
                                 NULL);
    if (!m_hWnd) return 0;

    if (!m_pRender || !m_pRender->CreateDevice(m_hWnd, m_async, m_winWidth, m_winHeight, m_windowed)) return 0;
    if (!InitFontSystem()) return 0;
    if (!InitSoundSystem()) return 0;
    m_inited = 1;
    return 1;
}

void MApp::ExitApp()
{
    m_pause = 1;
    DestroyWindow(m_hWnd);
}

void MApp::Shutdown()
{
    if (m_hWnd) {
        DestroyWindow(m_hWnd);
        m_hWnd = 0;
    }
    if (m_hInst) UnregisterClassA(kWindowClass, m_hInst);
}

// ---- random numbers --------------------------------------------------------------------
//
// One linear congruential stream; RandInt takes its bits mixed with their
// upper half, RandFloat its top sixteen.

int MApp::RandInt(int lo, int hi)
{
    m_seed = m_seed * 214013u + 2531011u;
    const DWORD r = (m_seed >> 15) ^ m_seed;
    const DWORD span = DWORD(hi) - DWORD(lo) + 1u;
    // A span of 0 is the whole 32-bit range (or hi one below lo): every value counts.
    const DWORD offset = span ? r % span : r;
    return int(DWORD(lo) + offset);
}

float MApp::RandFloat(float lo, float hi)
{
    m_seed = m_seed * 214013u + 2531011u;
    const DWORD t = m_seed >> 16;
    // The single-precision value nearest to 1/65535, as a double.
    const double k = 1.5259021893143654e-05;
    return float(double(lo) + (double(hi) - double(lo)) * double(t) * k);
}
