// SDL keys as Windows reports them on a PC keyboard: virtual-key code, set-1
// scan code and extended flag, per physical key (SDL's scancode, which names
// the key by its place on a US keyboard).
//
// The layout counts for letters only: a key that types a letter reports
// that letter's code, wherever the layout puts it (the top-left letter key
// of a French keyboard is VK 'A'). Digits and punctuation keys keep the
// codes of the US layout, as the top row does on Windows for most layouts.
//
// Not covered (vk 0): media and browser keys, the Japanese and Korean
// conversion keys, and the keypad keys found only on non-PC keyboards.
#include "KeyCodes.h"

#include <SDL_keycode.h>

namespace kes::sdl {

namespace {

struct Entry {
    SDL_Scancode scancode;
    BYTE vk;
    BYTE scan;
    bool extended;
};

constexpr bool kExt = true;

constexpr Entry kKeys[] = {
    // Letters, by their place on a US keyboard.
    {SDL_SCANCODE_A, 'A', 0x1E, false},
    {SDL_SCANCODE_B, 'B', 0x30, false},
    {SDL_SCANCODE_C, 'C', 0x2E, false},
    {SDL_SCANCODE_D, 'D', 0x20, false},
    {SDL_SCANCODE_E, 'E', 0x12, false},
    {SDL_SCANCODE_F, 'F', 0x21, false},
    {SDL_SCANCODE_G, 'G', 0x22, false},
    {SDL_SCANCODE_H, 'H', 0x23, false},
    {SDL_SCANCODE_I, 'I', 0x17, false},
    {SDL_SCANCODE_J, 'J', 0x24, false},
    {SDL_SCANCODE_K, 'K', 0x25, false},
    {SDL_SCANCODE_L, 'L', 0x26, false},
    {SDL_SCANCODE_M, 'M', 0x32, false},
    {SDL_SCANCODE_N, 'N', 0x31, false},
    {SDL_SCANCODE_O, 'O', 0x18, false},
    {SDL_SCANCODE_P, 'P', 0x19, false},
    {SDL_SCANCODE_Q, 'Q', 0x10, false},
    {SDL_SCANCODE_R, 'R', 0x13, false},
    {SDL_SCANCODE_S, 'S', 0x1F, false},
    {SDL_SCANCODE_T, 'T', 0x14, false},
    {SDL_SCANCODE_U, 'U', 0x16, false},
    {SDL_SCANCODE_V, 'V', 0x2F, false},
    {SDL_SCANCODE_W, 'W', 0x11, false},
    {SDL_SCANCODE_X, 'X', 0x2D, false},
    {SDL_SCANCODE_Y, 'Y', 0x15, false},
    {SDL_SCANCODE_Z, 'Z', 0x2C, false},
    // The top row.
    {SDL_SCANCODE_1, '1', 0x02, false},
    {SDL_SCANCODE_2, '2', 0x03, false},
    {SDL_SCANCODE_3, '3', 0x04, false},
    {SDL_SCANCODE_4, '4', 0x05, false},
    {SDL_SCANCODE_5, '5', 0x06, false},
    {SDL_SCANCODE_6, '6', 0x07, false},
    {SDL_SCANCODE_7, '7', 0x08, false},
    {SDL_SCANCODE_8, '8', 0x09, false},
    {SDL_SCANCODE_9, '9', 0x0A, false},
    {SDL_SCANCODE_0, '0', 0x0B, false},
    {SDL_SCANCODE_MINUS, VK_OEM_MINUS, 0x0C, false},
    {SDL_SCANCODE_EQUALS, VK_OEM_PLUS, 0x0D, false},
    // Punctuation, with the US layout's codes.
    {SDL_SCANCODE_LEFTBRACKET, VK_OEM_4, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, VK_OEM_6, 0x1B, false},
    {SDL_SCANCODE_BACKSLASH, VK_OEM_5, 0x2B, false},
    // The ISO keyboard's key beside Enter sends the same scan code as the
    // US backslash key, which it replaces.
    {SDL_SCANCODE_NONUSHASH, VK_OEM_5, 0x2B, false},
    {SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, VK_OEM_7, 0x28, false},
    {SDL_SCANCODE_GRAVE, VK_OEM_3, 0x29, false},
    {SDL_SCANCODE_COMMA, VK_OEM_COMMA, 0x33, false},
    {SDL_SCANCODE_PERIOD, VK_OEM_PERIOD, 0x34, false},
    {SDL_SCANCODE_SLASH, VK_OEM_2, 0x35, false},
    {SDL_SCANCODE_NONUSBACKSLASH, VK_OEM_102, 0x56, false},
    // Editing and whitespace.
    {SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01, false},
    {SDL_SCANCODE_BACKSPACE, VK_BACK, 0x0E, false},
    {SDL_SCANCODE_TAB, VK_TAB, 0x0F, false},
    {SDL_SCANCODE_RETURN, VK_RETURN, 0x1C, false},
    {SDL_SCANCODE_SPACE, VK_SPACE, 0x39, false},
    // Modifiers: the generic codes, as WM_KEYDOWN carries them; the side
    // is in the scan code (Shift) or the extended flag (Ctrl, Alt).
    {SDL_SCANCODE_LSHIFT, VK_SHIFT, 0x2A, false},
    {SDL_SCANCODE_RSHIFT, VK_SHIFT, 0x36, false},
    {SDL_SCANCODE_LCTRL, VK_CONTROL, 0x1D, false},
    {SDL_SCANCODE_RCTRL, VK_CONTROL, 0x1D, kExt},
    {SDL_SCANCODE_LALT, VK_MENU, 0x38, false},
    {SDL_SCANCODE_RALT, VK_MENU, 0x38, kExt},
    {SDL_SCANCODE_LGUI, VK_LWIN, 0x5B, kExt},
    {SDL_SCANCODE_RGUI, VK_RWIN, 0x5C, kExt},
    {SDL_SCANCODE_APPLICATION, VK_APPS, 0x5D, kExt},
    // Locks and system keys. Pause and Num Lock share scan code 0x45; Num
    // Lock is the extended one.
    {SDL_SCANCODE_CAPSLOCK, VK_CAPITAL, 0x3A, false},
    {SDL_SCANCODE_NUMLOCKCLEAR, VK_NUMLOCK, 0x45, kExt},
    {SDL_SCANCODE_SCROLLLOCK, VK_SCROLL, 0x46, false},
    {SDL_SCANCODE_PAUSE, VK_PAUSE, 0x45, false},
    {SDL_SCANCODE_PRINTSCREEN, VK_SNAPSHOT, 0x37, kExt},
    {SDL_SCANCODE_SYSREQ, VK_SNAPSHOT, 0x54, false},
    {SDL_SCANCODE_SLEEP, VK_SLEEP, 0x5F, kExt},
    // Function keys. F11 and F12 came later than F1-F10 and are numbered
    // after the keypad; F13-F24 later still.
    {SDL_SCANCODE_F1, VK_F1, 0x3B, false},
    {SDL_SCANCODE_F2, VK_F2, 0x3C, false},
    {SDL_SCANCODE_F3, VK_F3, 0x3D, false},
    {SDL_SCANCODE_F4, VK_F4, 0x3E, false},
    {SDL_SCANCODE_F5, VK_F5, 0x3F, false},
    {SDL_SCANCODE_F6, VK_F6, 0x40, false},
    {SDL_SCANCODE_F7, VK_F7, 0x41, false},
    {SDL_SCANCODE_F8, VK_F8, 0x42, false},
    {SDL_SCANCODE_F9, VK_F9, 0x43, false},
    {SDL_SCANCODE_F10, VK_F10, 0x44, false},
    {SDL_SCANCODE_F11, VK_F11, 0x57, false},
    {SDL_SCANCODE_F12, VK_F12, 0x58, false},
    {SDL_SCANCODE_F13, VK_F13, 0x64, false},
    {SDL_SCANCODE_F14, VK_F14, 0x65, false},
    {SDL_SCANCODE_F15, VK_F15, 0x66, false},
    {SDL_SCANCODE_F16, VK_F16, 0x67, false},
    {SDL_SCANCODE_F17, VK_F17, 0x68, false},
    {SDL_SCANCODE_F18, VK_F18, 0x69, false},
    {SDL_SCANCODE_F19, VK_F19, 0x6A, false},
    {SDL_SCANCODE_F20, VK_F20, 0x6B, false},
    {SDL_SCANCODE_F21, VK_F21, 0x6C, false},
    {SDL_SCANCODE_F22, VK_F22, 0x6D, false},
    {SDL_SCANCODE_F23, VK_F23, 0x6E, false},
    {SDL_SCANCODE_F24, VK_F24, 0x76, false},
    // The cursor block: extended, which is what tells it from the keypad
    // keys that send the same scan codes with Num Lock off.
    {SDL_SCANCODE_INSERT, VK_INSERT, 0x52, kExt},
    {SDL_SCANCODE_DELETE, VK_DELETE, 0x53, kExt},
    {SDL_SCANCODE_HOME, VK_HOME, 0x47, kExt},
    {SDL_SCANCODE_END, VK_END, 0x4F, kExt},
    {SDL_SCANCODE_PAGEUP, VK_PRIOR, 0x49, kExt},
    {SDL_SCANCODE_PAGEDOWN, VK_NEXT, 0x51, kExt},
    {SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, kExt},
    {SDL_SCANCODE_RIGHT, VK_RIGHT, 0x4D, kExt},
    {SDL_SCANCODE_UP, VK_UP, 0x48, kExt},
    {SDL_SCANCODE_DOWN, VK_DOWN, 0x50, kExt},
    // The keypad, digits as with Num Lock on (see WinKeyOf for off).
    {SDL_SCANCODE_KP_0, VK_NUMPAD0, 0x52, false},
    {SDL_SCANCODE_KP_1, VK_NUMPAD1, 0x4F, false},
    {SDL_SCANCODE_KP_2, VK_NUMPAD2, 0x50, false},
    {SDL_SCANCODE_KP_3, VK_NUMPAD3, 0x51, false},
    {SDL_SCANCODE_KP_4, VK_NUMPAD4, 0x4B, false},
    {SDL_SCANCODE_KP_5, VK_NUMPAD5, 0x4C, false},
    {SDL_SCANCODE_KP_6, VK_NUMPAD6, 0x4D, false},
    {SDL_SCANCODE_KP_7, VK_NUMPAD7, 0x47, false},
    {SDL_SCANCODE_KP_8, VK_NUMPAD8, 0x48, false},
    {SDL_SCANCODE_KP_9, VK_NUMPAD9, 0x49, false},
    {SDL_SCANCODE_KP_PERIOD, VK_DECIMAL, 0x53, false},
    {SDL_SCANCODE_KP_DIVIDE, VK_DIVIDE, 0x35, kExt},
    {SDL_SCANCODE_KP_MULTIPLY, VK_MULTIPLY, 0x37, false},
    {SDL_SCANCODE_KP_MINUS, VK_SUBTRACT, 0x4A, false},
    {SDL_SCANCODE_KP_PLUS, VK_ADD, 0x4E, false},
    {SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, kExt},
};

struct KeyTable {
    WinKey keys[SDL_NUM_SCANCODES];
};

constexpr KeyTable MakeTable()
{
    KeyTable t{};
    for (const Entry& e : kKeys) t.keys[e.scancode] = WinKey{e.vk, e.scan, e.extended};
    return t;
}

constexpr KeyTable kTable = MakeTable();

// What the keypad's digit keys and its point are with Num Lock off: the
// cursor keys printed under the digits, not extended.
BYTE KeypadCursorKey(SDL_Scancode scancode)
{
    switch (scancode) {
    case SDL_SCANCODE_KP_0: return VK_INSERT;
    case SDL_SCANCODE_KP_1: return VK_END;
    case SDL_SCANCODE_KP_2: return VK_DOWN;
    case SDL_SCANCODE_KP_3: return VK_NEXT;
    case SDL_SCANCODE_KP_4: return VK_LEFT;
    case SDL_SCANCODE_KP_5: return VK_CLEAR;
    case SDL_SCANCODE_KP_6: return VK_RIGHT;
    case SDL_SCANCODE_KP_7: return VK_HOME;
    case SDL_SCANCODE_KP_8: return VK_UP;
    case SDL_SCANCODE_KP_9: return VK_PRIOR;
    case SDL_SCANCODE_KP_PERIOD: return VK_DELETE;
    default: return 0;
    }
}

// The keys whose code Windows takes from the layout: the letter keys and
// the punctuation keys, any of which a layout may give a letter.
bool FollowsLayout(BYTE vk)
{
    return (vk >= 'A' && vk <= 'Z') || (vk >= VK_OEM_1 && vk <= VK_OEM_3) || (vk >= VK_OEM_4 && vk <= VK_OEM_7) ||
           vk == VK_OEM_102;
}

} // namespace

WinKey WinKeyOf(const SDL_Keysym& sym)
{
    const int scancode = int(sym.scancode);
    if (scancode <= SDL_SCANCODE_UNKNOWN || scancode >= SDL_NUM_SCANCODES) return WinKey{0, 0, false};
    WinKey key = kTable.keys[scancode];

    if (const BYTE cursor = KeypadCursorKey(sym.scancode)) {
        // Shift held with Num Lock on gives the cursor keys too: Windows
        // lifts Shift for the key and reports VK_LEFT and so on.
        const bool digits = (sym.mod & KMOD_NUM) && !(sym.mod & KMOD_SHIFT);
        if (!digits) key.vk = cursor;
        return key;
    }
    // Ctrl turns Pause into Break, and Alt turns Print Screen into SysRq;
    // the keyboard itself sends different scan codes for them.
    if (sym.scancode == SDL_SCANCODE_PAUSE && (sym.mod & KMOD_CTRL)) return WinKey{VK_CANCEL, 0x46, true};
    if (sym.scancode == SDL_SCANCODE_PRINTSCREEN && (sym.mod & KMOD_ALT)) return WinKey{VK_SNAPSHOT, 0x54, false};

    if (FollowsLayout(key.vk) && sym.sym >= SDLK_a && sym.sym <= SDLK_z) key.vk = BYTE('A' + (sym.sym - SDLK_a));
    return key;
}

} // namespace kes::sdl
