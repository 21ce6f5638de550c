// The thread's key state and TranslateMessage.
//
// The key state follows the key and button messages the thread retrieves,
// posted ones included, so that a game driven by injected messages sees
// the keys it was sent. Characters: a key press read from SDL carries the
// text the desktop's keyboard layout typed with it (SDL's text input, which
// honours dead keys and input methods), turned into code page 936; keys
// that type no text give the control characters Windows gives. A press
// that did not come from the keyboard (PostMessageA) is typed as a US
// keyboard would type it.
#include <windows.h>

#include "Keyboard.h"
#include "MessageQueue.h"
#include "../posix/TextCodec.h"

#include <SDL_keyboard.h>
#include <SDL_mouse.h>

#include <cstring>
#include <string>

namespace kes::sdl {
namespace {

BYTE g_keys[256]; // 0x80 down, 0x01 toggled

void SetDown(int vk, bool down)
{
    BYTE& k = g_keys[vk & 0xFF];
    if (down && !(k & 0x80)) k ^= 1; // a new press toggles
    k = BYTE((k & 1) | (down ? 0x80 : 0));
}

// A modifier's generic code is down while either of its keys is.
void SetModifier(int generic, int left, int right, int which, bool down)
{
    SetDown(which, down);
    SetDown(generic, IsKeyDown(left) || IsKeyDown(right));
}

void NoteKey(const MSG& m, bool down)
{
    const int vk = int(m.wParam & 0xFF);
    const int scan = int((m.lParam >> 16) & 0xFF);
    const bool extended = (m.lParam >> 24) & 1;
    switch (vk) {
    case VK_SHIFT: SetModifier(VK_SHIFT, VK_LSHIFT, VK_RSHIFT, scan == 0x36 ? VK_RSHIFT : VK_LSHIFT, down); break;
    case VK_CONTROL: SetModifier(VK_CONTROL, VK_LCONTROL, VK_RCONTROL, extended ? VK_RCONTROL : VK_LCONTROL, down); break;
    case VK_MENU: SetModifier(VK_MENU, VK_LMENU, VK_RMENU, extended ? VK_RMENU : VK_LMENU, down); break;
    case VK_LSHIFT:
    case VK_RSHIFT: SetModifier(VK_SHIFT, VK_LSHIFT, VK_RSHIFT, vk, down); break;
    case VK_LCONTROL:
    case VK_RCONTROL: SetModifier(VK_CONTROL, VK_LCONTROL, VK_RCONTROL, vk, down); break;
    case VK_LMENU:
    case VK_RMENU: SetModifier(VK_MENU, VK_LMENU, VK_RMENU, vk, down); break;
    default: SetDown(vk, down); break;
    }
}

// What Enter, Backspace, Tab, Escape and Ctrl with a letter type.
std::string ControlCharacter(int vk)
{
    const bool ctrl = IsKeyDown(VK_CONTROL), alt = IsKeyDown(VK_MENU);
    switch (vk) {
    case VK_RETURN: return ctrl ? "\n" : "\r";
    case VK_BACK: return ctrl ? "\x7F" : "\b";
    case VK_TAB: return ctrl ? "" : "\t";
    case VK_ESCAPE: return "\x1B";
    case VK_CANCEL: return "\x03";
    default: break;
    }
    if (!ctrl || alt) return "";
    if (vk >= 'A' && vk <= 'Z') return std::string(1, char(vk - 'A' + 1));
    switch (vk) {
    case VK_OEM_4: return "\x1B";
    case VK_OEM_5: return "\x1C";
    case VK_OEM_6: return "\x1D";
    default: return "";
    }
}

// A press with no keyboard behind it, typed as on a US keyboard.
std::string UsCharacter(int vk)
{
    std::string control = ControlCharacter(vk);
    if (!control.empty()) return control;
    // Alt alone still types (WM_SYSCHAR); with Ctrl nothing is typed.
    if (IsKeyDown(VK_CONTROL)) return "";
    const bool shift = IsKeyDown(VK_SHIFT);
    if (vk >= 'A' && vk <= 'Z') {
        const bool upper = shift != ((g_keys[VK_CAPITAL] & 1) != 0);
        return std::string(1, char(upper ? vk : vk - 'A' + 'a'));
    }
    if (vk >= '0' && vk <= '9') return std::string(1, shift ? ")!@#$%^&*("[vk - '0'] : char(vk));
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return std::string(1, char('0' + vk - VK_NUMPAD0));
    struct Pair {
        int vk;
        char plain, shifted;
    };
    static const Pair kPairs[] = {
        {VK_SPACE, ' ', ' '},     {VK_OEM_1, ';', ':'},      {VK_OEM_PLUS, '=', '+'},   {VK_OEM_COMMA, ',', '<'},
        {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},      {VK_OEM_3, '`', '~'},
        {VK_OEM_4, '[', '{'},     {VK_OEM_5, '\\', '|'},     {VK_OEM_6, ']', '}'},      {VK_OEM_7, '\'', '"'},
        {VK_OEM_102, '\\', '|'},  {VK_MULTIPLY, '*', '*'},   {VK_ADD, '+', '+'},        {VK_SUBTRACT, '-', '-'},
        {VK_DECIMAL, '.', '.'},   {VK_DIVIDE, '/', '/'},
    };
    for (const Pair& p : kPairs)
        if (p.vk == vk) return std::string(1, shift ? p.shifted : p.plain);
    return "";
}

bool SameMessage(const MSG& a, const MSG& b)
{
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam &&
           a.time == b.time;
}

} // namespace

void NoteRetrieved(const MSG& m)
{
    switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: NoteKey(m, true); break;
    case WM_KEYUP:
    case WM_SYSKEYUP: NoteKey(m, false); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: SetDown(VK_LBUTTON, true); break;
    case WM_LBUTTONUP: SetDown(VK_LBUTTON, false); break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: SetDown(VK_RBUTTON, true); break;
    case WM_RBUTTONUP: SetDown(VK_RBUTTON, false); break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: SetDown(VK_MBUTTON, true); break;
    case WM_MBUTTONUP: SetDown(VK_MBUTTON, false); break;
    default: break;
    }
}

bool IsKeyDown(int vk)
{
    return (g_keys[vk & 0xFF] & 0x80) != 0;
}

WPARAM MouseKeyFlags(Uint32 buttons, Uint16 modifiers)
{
    WPARAM flags = 0;
    if (buttons & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
    if (buttons & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
    if (buttons & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
    if (modifiers & KMOD_SHIFT) flags |= MK_SHIFT;
    if (modifiers & KMOD_CTRL) flags |= MK_CONTROL;
    return flags;
}

void SyncLockKeys(bool capsOn, bool numOn)
{
    g_keys[VK_CAPITAL] = BYTE((g_keys[VK_CAPITAL] & 0x80) | (capsOn ? 1 : 0));
    g_keys[VK_NUMLOCK] = BYTE((g_keys[VK_NUMLOCK] & 0x80) | (numOn ? 1 : 0));
}

} // namespace kes::sdl

using namespace kes::sdl;

extern "C" {

SHORT WINAPI GetKeyState(int nVirtKey)
{
    const BYTE k = g_keys[nVirtKey & 0xFF];
    return SHORT(((k & 0x80) ? 0xFF80 : 0) | (k & 1));
}

BOOL WINAPI TranslateMessage(const MSG* lpMsg)
{
    if (!lpMsg) return FALSE;
    const UINT m = lpMsg->message;
    if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
    if (m != WM_KEYDOWN && m != WM_SYSKEYDOWN) return FALSE;
    const int vk = int(lpMsg->wParam & 0xFF);
    const QueuedMessage* last = LastRetrievedKey();
    std::string bytes;
    if (last && last->fromInput && SameMessage(last->msg, *lpMsg))
        bytes = last->text.empty() ? ControlCharacter(vk) : kes::posix::Utf8ToAnsi(last->text);
    else
        bytes = UsCharacter(vk);
    const UINT charMessage = m == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR;
    // A double-byte character arrives as two messages, lead byte first, as
    // in any window of a double-byte code page.
    for (char c : bytes) PostMessageA(lpMsg->hwnd, charMessage, WPARAM(BYTE(c)), lpMsg->lParam);
    return TRUE;
}

} // extern "C"
