// SDL keys as Windows reports the same physical keys: virtual-key code,
// set-1 scan code, extended flag. Expected values are those of a PC
// keyboard under Windows (the scan codes as the keyboard sends them, E0
// prefix = extended).
#include "win32/sdl/KeyCodes.h"

#include <gtest/gtest.h>

namespace {

using kes::sdl::WinKey;
using kes::sdl::WinKeyOf;

struct Case {
    const char* what;
    SDL_Scancode scancode;
    SDL_Keycode sym;
    Uint16 mod;
    BYTE vk;
    BYTE scan;
    bool extended;
};

void Check(const Case& c)
{
    SDL_Keysym sym = {};
    sym.scancode = c.scancode;
    sym.sym = c.sym;
    sym.mod = c.mod;
    const WinKey key = WinKeyOf(sym);
    EXPECT_EQ(int(key.vk), int(c.vk)) << c.what;
    EXPECT_EQ(int(key.scan), int(c.scan)) << c.what;
    EXPECT_EQ(key.extended, c.extended) << c.what;
}

TEST(KeyCodes, MainBlockOnAUsLayout)
{
    const Case cases[] = {
        {"A", SDL_SCANCODE_A, SDLK_a, 0, 'A', 0x1E, false},
        {"Q", SDL_SCANCODE_Q, SDLK_q, 0, 'Q', 0x10, false},
        {"M", SDL_SCANCODE_M, SDLK_m, KMOD_CAPS, 'M', 0x32, false},
        {"Z", SDL_SCANCODE_Z, SDLK_z, KMOD_LSHIFT, 'Z', 0x2C, false},
        {"1", SDL_SCANCODE_1, SDLK_1, 0, '1', 0x02, false},
        {"0", SDL_SCANCODE_0, SDLK_0, 0, '0', 0x0B, false},
        {"-", SDL_SCANCODE_MINUS, SDLK_MINUS, 0, VK_OEM_MINUS, 0x0C, false},
        {"=", SDL_SCANCODE_EQUALS, SDLK_EQUALS, 0, VK_OEM_PLUS, 0x0D, false},
        {"[", SDL_SCANCODE_LEFTBRACKET, SDLK_LEFTBRACKET, 0, VK_OEM_4, 0x1A, false},
        {"]", SDL_SCANCODE_RIGHTBRACKET, SDLK_RIGHTBRACKET, 0, VK_OEM_6, 0x1B, false},
        {"backslash", SDL_SCANCODE_BACKSLASH, SDLK_BACKSLASH, 0, VK_OEM_5, 0x2B, false},
        {";", SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, 0, VK_OEM_1, 0x27, false},
        {"'", SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE, 0, VK_OEM_7, 0x28, false},
        {"`", SDL_SCANCODE_GRAVE, SDLK_BACKQUOTE, 0, VK_OEM_3, 0x29, false},
        {",", SDL_SCANCODE_COMMA, SDLK_COMMA, 0, VK_OEM_COMMA, 0x33, false},
        {".", SDL_SCANCODE_PERIOD, SDLK_PERIOD, 0, VK_OEM_PERIOD, 0x34, false},
        {"/", SDL_SCANCODE_SLASH, SDLK_SLASH, 0, VK_OEM_2, 0x35, false},
        {"ISO <>", SDL_SCANCODE_NONUSBACKSLASH, SDLK_LESS, 0, VK_OEM_102, 0x56, false},
        {"Escape", SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, 0, VK_ESCAPE, 0x01, false},
        {"Backspace", SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, 0, VK_BACK, 0x0E, false},
        {"Tab", SDL_SCANCODE_TAB, SDLK_TAB, 0, VK_TAB, 0x0F, false},
        {"Enter", SDL_SCANCODE_RETURN, SDLK_RETURN, 0, VK_RETURN, 0x1C, false},
        {"Space", SDL_SCANCODE_SPACE, SDLK_SPACE, 0, VK_SPACE, 0x39, false},
        {"F1", SDL_SCANCODE_F1, SDLK_F1, 0, VK_F1, 0x3B, false},
        {"F10", SDL_SCANCODE_F10, SDLK_F10, 0, VK_F10, 0x44, false},
        {"F11", SDL_SCANCODE_F11, SDLK_F11, 0, VK_F11, 0x57, false},
        {"F12", SDL_SCANCODE_F12, SDLK_F12, 0, VK_F12, 0x58, false},
        {"F13", SDL_SCANCODE_F13, SDLK_F13, 0, VK_F13, 0x64, false},
        {"F24", SDL_SCANCODE_F24, SDLK_F24, 0, VK_F24, 0x76, false},
    };
    for (const Case& c : cases) Check(c);
}

TEST(KeyCodes, ModifiersAreGenericAndToldApartByScanCode)
{
    const Case cases[] = {
        {"left Shift", SDL_SCANCODE_LSHIFT, SDLK_LSHIFT, KMOD_LSHIFT, VK_SHIFT, 0x2A, false},
        {"right Shift", SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, KMOD_RSHIFT, VK_SHIFT, 0x36, false},
        {"left Ctrl", SDL_SCANCODE_LCTRL, SDLK_LCTRL, KMOD_LCTRL, VK_CONTROL, 0x1D, false},
        {"right Ctrl", SDL_SCANCODE_RCTRL, SDLK_RCTRL, KMOD_RCTRL, VK_CONTROL, 0x1D, true},
        {"left Alt", SDL_SCANCODE_LALT, SDLK_LALT, KMOD_LALT, VK_MENU, 0x38, false},
        {"right Alt", SDL_SCANCODE_RALT, SDLK_RALT, KMOD_RALT, VK_MENU, 0x38, true},
        {"left Win", SDL_SCANCODE_LGUI, SDLK_LGUI, 0, VK_LWIN, 0x5B, true},
        {"right Win", SDL_SCANCODE_RGUI, SDLK_RGUI, 0, VK_RWIN, 0x5C, true},
        {"Apps", SDL_SCANCODE_APPLICATION, SDLK_APPLICATION, 0, VK_APPS, 0x5D, true},
        {"Caps Lock", SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK, 0, VK_CAPITAL, 0x3A, false},
        {"Num Lock", SDL_SCANCODE_NUMLOCKCLEAR, SDLK_NUMLOCKCLEAR, 0, VK_NUMLOCK, 0x45, true},
        {"Scroll Lock", SDL_SCANCODE_SCROLLLOCK, SDLK_SCROLLLOCK, 0, VK_SCROLL, 0x46, false},
        {"Pause", SDL_SCANCODE_PAUSE, SDLK_PAUSE, 0, VK_PAUSE, 0x45, false},
        {"Ctrl+Pause is Break", SDL_SCANCODE_PAUSE, SDLK_PAUSE, KMOD_LCTRL, VK_CANCEL, 0x46, true},
        {"Print Screen", SDL_SCANCODE_PRINTSCREEN, SDLK_PRINTSCREEN, 0, VK_SNAPSHOT, 0x37, true},
        {"Alt+Print Screen is SysRq", SDL_SCANCODE_PRINTSCREEN, SDLK_PRINTSCREEN, KMOD_LALT, VK_SNAPSHOT, 0x54,
         false},
    };
    for (const Case& c : cases) Check(c);
}

TEST(KeyCodes, CursorBlockIsExtendedAndKeypadFollowsNumLock)
{
    const Uint16 num = KMOD_NUM;
    const Case cases[] = {
        {"Insert", SDL_SCANCODE_INSERT, SDLK_INSERT, 0, VK_INSERT, 0x52, true},
        {"Delete", SDL_SCANCODE_DELETE, SDLK_DELETE, num, VK_DELETE, 0x53, true},
        {"Home", SDL_SCANCODE_HOME, SDLK_HOME, 0, VK_HOME, 0x47, true},
        {"End", SDL_SCANCODE_END, SDLK_END, 0, VK_END, 0x4F, true},
        {"Page Up", SDL_SCANCODE_PAGEUP, SDLK_PAGEUP, 0, VK_PRIOR, 0x49, true},
        {"Page Down", SDL_SCANCODE_PAGEDOWN, SDLK_PAGEDOWN, 0, VK_NEXT, 0x51, true},
        {"Left", SDL_SCANCODE_LEFT, SDLK_LEFT, num, VK_LEFT, 0x4B, true},
        {"Right", SDL_SCANCODE_RIGHT, SDLK_RIGHT, 0, VK_RIGHT, 0x4D, true},
        {"Up", SDL_SCANCODE_UP, SDLK_UP, 0, VK_UP, 0x48, true},
        {"Down", SDL_SCANCODE_DOWN, SDLK_DOWN, 0, VK_DOWN, 0x50, true},
        // Num Lock on: digits.
        {"KP 0 on", SDL_SCANCODE_KP_0, SDLK_KP_0, num, VK_NUMPAD0, 0x52, false},
        {"KP 1 on", SDL_SCANCODE_KP_1, SDLK_KP_1, num, VK_NUMPAD1, 0x4F, false},
        {"KP 5 on", SDL_SCANCODE_KP_5, SDLK_KP_5, num, VK_NUMPAD5, 0x4C, false},
        {"KP 9 on", SDL_SCANCODE_KP_9, SDLK_KP_9, num, VK_NUMPAD9, 0x49, false},
        {"KP . on", SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, num, VK_DECIMAL, 0x53, false},
        // Num Lock off: the cursor keys, with the keypad's scan codes and
        // not extended.
        {"KP 0 off", SDL_SCANCODE_KP_0, SDLK_KP_0, 0, VK_INSERT, 0x52, false},
        {"KP 1 off", SDL_SCANCODE_KP_1, SDLK_KP_1, 0, VK_END, 0x4F, false},
        {"KP 2 off", SDL_SCANCODE_KP_2, SDLK_KP_2, 0, VK_DOWN, 0x50, false},
        {"KP 3 off", SDL_SCANCODE_KP_3, SDLK_KP_3, 0, VK_NEXT, 0x51, false},
        {"KP 4 off", SDL_SCANCODE_KP_4, SDLK_KP_4, 0, VK_LEFT, 0x4B, false},
        {"KP 5 off", SDL_SCANCODE_KP_5, SDLK_KP_5, 0, VK_CLEAR, 0x4C, false},
        {"KP 6 off", SDL_SCANCODE_KP_6, SDLK_KP_6, 0, VK_RIGHT, 0x4D, false},
        {"KP 7 off", SDL_SCANCODE_KP_7, SDLK_KP_7, 0, VK_HOME, 0x47, false},
        {"KP 8 off", SDL_SCANCODE_KP_8, SDLK_KP_8, 0, VK_UP, 0x48, false},
        {"KP 9 off", SDL_SCANCODE_KP_9, SDLK_KP_9, 0, VK_PRIOR, 0x49, false},
        {"KP . off", SDL_SCANCODE_KP_PERIOD, SDLK_KP_PERIOD, 0, VK_DELETE, 0x53, false},
        // Shift with Num Lock on gives the cursor keys, as on Windows.
        {"Shift+KP 4 on", SDL_SCANCODE_KP_4, SDLK_KP_4, Uint16(num | KMOD_LSHIFT), VK_LEFT, 0x4B, false},
        // The rest of the keypad ignores Num Lock.
        {"KP /", SDL_SCANCODE_KP_DIVIDE, SDLK_KP_DIVIDE, 0, VK_DIVIDE, 0x35, true},
        {"KP *", SDL_SCANCODE_KP_MULTIPLY, SDLK_KP_MULTIPLY, num, VK_MULTIPLY, 0x37, false},
        {"KP -", SDL_SCANCODE_KP_MINUS, SDLK_KP_MINUS, 0, VK_SUBTRACT, 0x4A, false},
        {"KP +", SDL_SCANCODE_KP_PLUS, SDLK_KP_PLUS, num, VK_ADD, 0x4E, false},
        {"KP Enter", SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, num, VK_RETURN, 0x1C, true},
    };
    for (const Case& c : cases) Check(c);
}

TEST(KeyCodes, LettersFollowTheLayoutAndNothingElseDoes)
{
    const Case cases[] = {
        // French AZERTY: the US Q key types 'a', the US ';' key types 'm'.
        {"AZERTY a", SDL_SCANCODE_Q, SDLK_a, 0, 'A', 0x10, false},
        {"AZERTY q", SDL_SCANCODE_A, SDLK_q, 0, 'Q', 0x1E, false},
        {"AZERTY m", SDL_SCANCODE_SEMICOLON, SDLK_m, 0, 'M', 0x27, false},
        // German QWERTZ.
        {"QWERTZ z", SDL_SCANCODE_Y, SDLK_z, 0, 'Z', 0x15, false},
        // AZERTY's top row types '&' and 'é' but stays VK '1', '2'.
        {"AZERTY 1", SDL_SCANCODE_1, SDLK_AMPERSAND, 0, '1', 0x02, false},
        {"AZERTY 2", SDL_SCANCODE_2, 0xE9, 0, '2', 0x03, false},
        // Russian: the US A key types U+0444; Windows still calls it VK 'A'.
        {"Russian ef", SDL_SCANCODE_A, 0x0444, 0, 'A', 0x1E, false},
        // A keypad key is never renamed by a letter.
        {"KP 4 as 'd'", SDL_SCANCODE_KP_4, SDLK_d, KMOD_NUM, VK_NUMPAD4, 0x4B, false},
    };
    for (const Case& c : cases) Check(c);
}

TEST(KeyCodes, UnknownKeysHaveNoCode)
{
    const Case cases[] = {
        {"unknown", SDL_SCANCODE_UNKNOWN, SDLK_UNKNOWN, 0, 0, 0, false},
        {"unknown with a letter", SDL_SCANCODE_UNKNOWN, SDLK_a, 0, 0, 0, false},
        {"volume up", SDL_SCANCODE_VOLUMEUP, SDLK_VOLUMEUP, 0, 0, 0, false},
        {"out of range", SDL_Scancode(SDL_NUM_SCANCODES), SDLK_a, 0, 0, 0, false},
    };
    for (const Case& c : cases) Check(c);
}

} // namespace
