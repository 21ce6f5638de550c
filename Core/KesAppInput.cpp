// The window procedure, and the one input event it records for the game.
#include <KesApp.h>

namespace {

// 4 Alt, else 1 Shift, else 2 Ctrl, else 0: the first one held decides.
int ModifierCode()
{
    if (GetKeyState(VK_MENU) & 0x8000) return 4;
    if (GetKeyState(VK_SHIFT) & 0x8000) return 1;
    if (GetKeyState(VK_CONTROL) & 0x8000) return 2;
    return 0;
}

bool MaskPasses(int mask, int state)
{
    return mask == 0 || (state & mask) != 0;
}

} // namespace

LRESULT CALLBACK MApp::WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MApp* app = GetSingletonPtr();
    // Until Init has succeeded (and with no application at all) the window
    // behaves as any window does.
    if (!app || !app->m_inited) return DefWindowProcA(hWnd, message, wParam, lParam);

    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        ValidateRect(hWnd, NULL);
        return DefWindowProcA(hWnd, message, wParam, lParam);
    case WM_CLOSE:
        app->_CloseRequest();
        return 0;
    case WM_ERASEBKGND:
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && app->m_hideMouse)
            SetCursor(NULL);
        else
            SetCursor(LoadCursorA(NULL, IDC_ARROW));
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
        app->_InputKeyEven(UINT(wParam), LONG(lParam));
        return 0;
    case WM_CHAR:
        app->_InputCharEven(UINT(wParam), LONG(lParam));
        return 0;
    case WM_SYSKEYUP:
        // Alt+Enter and Alt+F4 act on the release; the press was recorded.
        if (wParam == VK_RETURN)
            app->ToggleFullscreen();
        else if (wParam == VK_F4)
            app->_CloseRequest();
        else
            app->_InputKeyEven(UINT(wParam), LONG(lParam));
        return 0;
    case WM_SYSCOMMAND:
        if (wParam == SC_RESTORE) {
            if (app->m_activeFunc) app->m_activeFunc();
        } else if (wParam == SC_MINIMIZE) {
            if (app->m_deActiveFunc) app->m_deActiveFunc();
        } else if (wParam == SC_KEYMENU) {
            return 0; // the keyboard never opens the system menu
        }
        return DefWindowProcA(hWnd, message, wParam, lParam);
    case WM_MENUCHAR:
        return MAKELONG(0, MNC_CLOSE); // no beep for Alt with a key no menu uses
    case WM_MOUSEMOVE:
        app->_InputMouseMoveEven(LONG(lParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        app->_InputMouseClickEven(int(message), UINT(wParam), LONG(lParam));
        return 0;
    case WM_MOUSEWHEEL:
        app->_InputMouseWheelEven(UINT(wParam), LONG(lParam));
        return 0;
    default:
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
}

void MApp::_CloseRequest()
{
    // A game with an exit callback decides for itself (it may ask the
    // player first) and ends with ExitApp.
    if (m_exitFunc)
        m_exitFunc();
    else
        ExitApp();
}

// ---- recorders -------------------------------------------------------------------

void MApp::_InputKeyEven(UINT wParam, LONG lParam)
{
    m_input.m_type = MInputEven::KEY;
    m_input.m_vkey = wParam;
    m_input.m_state = ModifierCode();
    m_input.m_bit12 = int((DWORD(lParam) >> 12) & 1);
    m_input.m_keyUp = int((DWORD(lParam) >> 31) & 1);
    m_input.m_repeat = int(LOWORD(lParam));
}

void MApp::_InputCharEven(UINT wParam, LONG lParam)
{
    m_input.m_type = MInputEven::CHARACTER;
    m_input.m_repeat = int(LOWORD(lParam));
    m_input.m_char = char(wParam & 0xFF);
}

void MApp::_InputMouseClickEven(int message, UINT wParam, LONG lParam)
{
    m_input.m_type = MInputEven::MOUSE_BUTTON;
    m_input.m_button = message;
    m_input.m_state = int(wParam);
    m_input.m_x = GET_X_LPARAM(lParam);
    m_input.m_y = GET_Y_LPARAM(lParam);
    m_input.m_wheel = 0;
}

void MApp::_InputMouseMoveEven(LONG lParam)
{
    m_input.m_type = MInputEven::MOUSE_MOVE;
    m_input.m_x = GET_X_LPARAM(lParam);
    m_input.m_y = GET_Y_LPARAM(lParam);
}

void MApp::_InputMouseWheelEven(UINT wParam, LONG lParam)
{
    m_input.m_type = MInputEven::MOUSE_WHEEL;
    m_input.m_state = int(LOWORD(wParam));
    m_input.m_x = GET_X_LPARAM(lParam);
    m_input.m_y = GET_Y_LPARAM(lParam);
    // Whole notches, truncated toward zero.
    m_input.m_wheel = int(GET_WHEEL_DELTA_WPARAM(wParam)) / WHEEL_DELTA;
}

// ---- queries -------------------------------------------------------------------------

int MApp::InputGetVKey(int vkey, int mask, int keyUp, int bit12)
{
    if (m_input.m_type != MInputEven::KEY) return 0;
    if (vkey != 0 && DWORD(vkey) != m_input.m_vkey) return 0;
    if (!MaskPasses(mask, m_input.m_state)) return 0;
    if (m_input.m_keyUp != keyUp) return 0;
    if (bit12 != 0 && bit12 != m_input.m_bit12) return 0;
    return m_input.m_repeat;
}

int MApp::InputGetChar(char* ch)
{
    if (m_input.m_type != MInputEven::CHARACTER) return 0;
    *ch = m_input.m_char;
    return m_input.m_repeat;
}

int MApp::InputCheckMouseClick(int button, int mask, POINT* pt)
{
    if (m_input.m_type != MInputEven::MOUSE_BUTTON || !MaskPasses(mask, m_input.m_state) ||
        m_input.m_button != button)
        return 0;
    pt->x = m_input.m_x;
    pt->y = m_input.m_y;
    return 1;
}

int MApp::InputCheckMouseMove(POINT* pt)
{
    if (m_input.m_type != MInputEven::MOUSE_MOVE) return 0;
    pt->x = m_input.m_x;
    pt->y = m_input.m_y;
    return 1;
}

int MApp::InputCheckMouseWheel(int mask, POINT& pt, int& delta)
{
    delta = 0;
    if (m_input.m_type != MInputEven::MOUSE_WHEEL || !MaskPasses(mask, m_input.m_state)) return 0;
    delta = m_input.m_wheel;
    pt.x = m_input.m_x;
    pt.y = m_input.m_y;
    return m_input.m_wheel;
}
