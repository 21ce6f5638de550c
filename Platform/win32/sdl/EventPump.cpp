// SDL's events as window messages, in the order a Windows window receives
// them.
//
// Keys: WM_KEYDOWN / WM_KEYUP, or WM_SYSKEYDOWN / WM_SYSKEYUP while Alt is
// held without Ctrl and for F10, with lParam's repeat count, scan code,
// extended, context, previous-state and transition bits; auto-repeat
// arrives as further presses with the previous-state bit set. Typed text
// rides on its key press until TranslateMessage makes WM_CHAR of it. Mouse:
// moves (merged while waiting, as Windows merges them), buttons with double
// clicks for classes that ask for them, the wheel in units of 120 per
// notch with finer steps kept; positions in client coordinates of the game's
// client area, also when a device shows it scaled over the desktop. Window:
// the close box → WM_CLOSE, minimise and restore → WM_SYSCOMMAND, focus →
// WM_ACTIVATEAPP and WM_ACTIVATE, exposure → a paint request. A signal to
// end the process (SIGINT, SIGTERM) asks every window to close.
#include <windows.h>

#include "EventPump.h"
#include "KeyCodes.h"
#include "Keyboard.h"
#include "MessageQueue.h"
#include "WindowTable.h"
#include "../posix/TextCodec.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>

namespace kes::sdl {
namespace {

struct PumpState {
    POINT cursor{}; // screen coordinates
    // Double clicks: the last press that could start one.
    UINT lastDown = 0;
    HWND lastDownWindow = nullptr;
    Uint32 lastDownTime = 0;
    POINT lastDownAt{};
    float wheelRest = 0; // wheel movement not yet worth a unit of 1/120 notch
    bool locksSynced = false;
    // Buttons and modifiers as the events read so far left them: SDL's own
    // state is already past events still being translated.
    Uint32 buttons = 0;
    Uint16 modifiers = 0;
};

PumpState& State()
{
    static PumpState s;
    return s;
}

WPARAM MouseFlags()
{
    return MouseKeyFlags(State().buttons, State().modifiers);
}

LPARAM PointParam(POINT p)
{
    return MAKELPARAM(WORD(SHORT(p.x)), WORD(SHORT(p.y)));
}

POINT ScreenPoint(HWND hWnd, int windowX, int windowY)
{
    int x = 0, y = 0;
    SDL_GetWindowPosition(hWnd->sdl, &x, &y);
    return POINT{x + windowX, y + windowY};
}

void Key(const SDL_KeyboardEvent& e)
{
    HWND hWnd = WindowFromSdlId(e.windowID);
    if (!hWnd) return;
    PumpState& s = State();
    if (!s.locksSynced) {
        SyncLockKeys((e.keysym.mod & KMOD_CAPS) != 0, (e.keysym.mod & KMOD_NUM) != 0);
        s.locksSynced = true;
    }
    s.modifiers = e.keysym.mod;
    const WinKey key = WinKeyOf(e.keysym);
    if (!key.vk) return;
    const bool up = e.type == SDL_KEYUP;
    // SDL's modifiers already include a modifier being pressed and no longer
    // the one being released; Windows counts the Alt being released as held.
    const bool alt = (e.keysym.mod & KMOD_ALT) || (up && key.vk == VK_MENU);
    const bool ctrl = (e.keysym.mod & KMOD_CTRL) != 0;
    const bool sys = (alt && !ctrl) || key.vk == VK_F10;
    DWORD lParam = 1 | (DWORD(key.scan) << 16);
    if (key.extended) lParam |= 1u << 24;
    if (sys && alt) lParam |= 1u << 29;
    if (up || e.repeat) lParam |= 1u << 30;
    if (up) lParam |= 1u << 31;
    const UINT message = up ? (sys ? WM_SYSKEYUP : WM_KEYUP) : (sys ? WM_SYSKEYDOWN : WM_KEYDOWN);
    PostInput(hWnd, message, key.vk, LPARAM(LONG(lParam)));
}

void Text(const SDL_TextInputEvent& e)
{
    HWND hWnd = WindowFromSdlId(e.windowID);
    if (!hWnd) return;
    // The text belongs to the key press just read, when it is still waiting.
    QueuedMessage* last = LastWaitingInput();
    if (last && last->msg.hwnd == hWnd && (last->msg.message == WM_KEYDOWN || last->msg.message == WM_SYSKEYDOWN)) {
        last->text += e.text;
        return;
    }
    // Text with no key behind it (an input method's) arrives as characters.
    std::string ansi = kes::posix::Utf8ToAnsi(e.text);
    for (char c : ansi) PostInput(hWnd, WM_CHAR, WPARAM(BYTE(c)), 1);
}

void Motion(const SDL_MouseMotionEvent& e)
{
    HWND hWnd = WindowFromSdlId(e.windowID);
    if (!hWnd) return;
    State().cursor = ScreenPoint(hWnd, e.x, e.y);
    State().buttons = e.state;
    const POINT p = WindowToClient(hWnd, e.x, e.y);
    const WPARAM flags = MouseFlags();
    // Windows keeps one move waiting, at the newest position.
    QueuedMessage* last = LastWaitingInput();
    if (last && last->msg.hwnd == hWnd && last->msg.message == WM_MOUSEMOVE && last->msg.wParam == flags) {
        last->msg.lParam = PointParam(p);
        last->msg.pt = State().cursor;
        return;
    }
    PostInput(hWnd, WM_MOUSEMOVE, flags, PointParam(p));
}

void Button(const SDL_MouseButtonEvent& e)
{
    HWND hWnd = WindowFromSdlId(e.windowID);
    if (!hWnd) return;
    UINT down, up;
    switch (e.button) {
    case SDL_BUTTON_LEFT: down = WM_LBUTTONDOWN; up = WM_LBUTTONUP; break;
    case SDL_BUTTON_RIGHT: down = WM_RBUTTONDOWN; up = WM_RBUTTONUP; break;
    case SDL_BUTTON_MIDDLE: down = WM_MBUTTONDOWN; up = WM_MBUTTONUP; break;
    default: return;
    }
    PumpState& s = State();
    s.cursor = ScreenPoint(hWnd, e.x, e.y);
    const POINT p = WindowToClient(hWnd, e.x, e.y);
    if (e.type == SDL_MOUSEBUTTONDOWN)
        s.buttons |= SDL_BUTTON(e.button);
    else
        s.buttons &= ~Uint32(SDL_BUTTON(e.button));
    const WPARAM flags = MouseFlags();
    if (e.type == SDL_MOUSEBUTTONUP) {
        PostInput(hWnd, up, flags, PointParam(p));
        return;
    }
    // A second press of the same button, soon enough and close enough to
    // the first, is a double click; the press after it starts afresh.
    UINT message = down;
    const WNDCLASSA* wc = ClassOf(hWnd);
    const int dx = GetSystemMetrics(SM_CXDOUBLECLK) / 2, dy = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (wc && (wc->style & CS_DBLCLKS) && s.lastDown == down && s.lastDownWindow == hWnd &&
        e.timestamp - s.lastDownTime <= GetDoubleClickTime() && std::abs(s.cursor.x - s.lastDownAt.x) <= dx &&
        std::abs(s.cursor.y - s.lastDownAt.y) <= dy) {
        message = down + (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN);
        s.lastDown = 0;
    } else {
        s.lastDown = down;
        s.lastDownWindow = hWnd;
        s.lastDownTime = e.timestamp;
        s.lastDownAt = s.cursor;
    }
    PostInput(hWnd, message, flags, PointParam(p));
}

void Wheel(const SDL_MouseWheelEvent& e)
{
    HWND hWnd = WindowFromSdlId(e.windowID);
    if (!hWnd) return;
    PumpState& s = State();
    float notches = e.preciseY;
    if (e.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
    // Precise wheels move in fractions of a notch: keep them, down to
    // Windows' unit of 1/120, and carry what is left to the next event
    // (not across a change of direction).
    if ((notches > 0) != (s.wheelRest > 0)) s.wheelRest = 0;
    const float units = notches * WHEEL_DELTA + s.wheelRest;
    const int delta = int(std::trunc(units));
    s.wheelRest = units - float(delta);
    if (delta == 0) return;
    s.cursor = ScreenPoint(hWnd, e.mouseX, e.mouseY);
    const WPARAM flags = MouseFlags();
    PostInput(hWnd, WM_MOUSEWHEEL, MAKEWPARAM(flags, WORD(SHORT(delta))), PointParam(s.cursor));
}

void Window(const SDL_WindowEvent& e)
{
    HWND hWnd = WindowFromSdlId(e.windowID);
    if (!hWnd) return;
    switch (e.event) {
    case SDL_WINDOWEVENT_CLOSE: PostInput(hWnd, WM_CLOSE, 0, 0); break;
    case SDL_WINDOWEVENT_EXPOSED: hWnd->needsPaint = true; break;
    case SDL_WINDOWEVENT_MINIMIZED:
        if (!hWnd->minimized) {
            hWnd->minimized = true;
            PostInput(hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        }
        break;
    case SDL_WINDOWEVENT_RESTORED:
        if (hWnd->minimized) {
            hWnd->minimized = false;
            PostInput(hWnd, WM_SYSCOMMAND, SC_RESTORE, 0);
        }
        break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        PostInput(hWnd, WM_ACTIVATEAPP, TRUE, 0);
        PostInput(hWnd, WM_ACTIVATE, WA_ACTIVE, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        PostInput(hWnd, WM_ACTIVATE, WA_INACTIVE, 0);
        PostInput(hWnd, WM_ACTIVATEAPP, FALSE, 0);
        break;
    case SDL_WINDOWEVENT_MOVED:
        // The player moved the window: its rectangle follows.
        if (!hWnd->deviceFullscreen && !hWnd->minimized) {
            const FrameSize f = FrameOf(hWnd->style);
            const LONG w = hWnd->outer.right - hWnd->outer.left, h = hWnd->outer.bottom - hWnd->outer.top;
            hWnd->outer.left = e.data1 - f.left;
            hWnd->outer.top = e.data2 - f.top;
            hWnd->outer.right = hWnd->outer.left + w;
            hWnd->outer.bottom = hWnd->outer.top + h;
        }
        break;
    default: break;
    }
}

void Quit()
{
    for (HWND w : Windows().windows) PostInput(w, WM_CLOSE, 0, 0);
}

} // namespace

void PumpEvents()
{
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    static bool started = false;
    if (!started) {
        State().modifiers = Uint16(SDL_GetModState());
        State().buttons = SDL_GetMouseState(nullptr, nullptr);
        started = true;
    }
    SDL_PumpEvents();
    SDL_Event events[64];
    int n;
    while ((n = SDL_PeepEvents(events, 64, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT)) > 0) {
        for (int i = 0; i < n; ++i) {
            const SDL_Event& e = events[i];
            switch (e.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP: Key(e.key); break;
            case SDL_TEXTINPUT: Text(e.text); break;
            case SDL_MOUSEMOTION: Motion(e.motion); break;
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: Button(e.button); break;
            case SDL_MOUSEWHEEL: Wheel(e.wheel); break;
            case SDL_WINDOWEVENT: Window(e.window); break;
            case SDL_QUIT: Quit(); break;
            default: break;
            }
        }
    }
}

POINT LastCursorPos()
{
    return State().cursor;
}

} // namespace kes::sdl
