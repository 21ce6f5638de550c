// The Windows view of a key on an SDL keyboard: its virtual-key code and
// its PC scan code, as the key messages carry them.
#ifndef KESTO_PLATFORM_SDL_KEYCODES_H
#define KESTO_PLATFORM_SDL_KEYCODES_H

#include <windows.h>

#include <SDL_keyboard.h>

namespace kes::sdl {

struct WinKey {
    BYTE vk;       // VK_..., 0 for keys Windows has no code for
    BYTE scan;     // set-1 scan code (bits 16-23 of a key message's lParam)
    bool extended; // bit 24: the right-hand Ctrl and Alt, the cursor block, ...
};

// The key of an SDL key event, as Windows would report it for the same
// physical key with the same keyboard layout. Shift, Ctrl and Alt give the
// generic VK_SHIFT, VK_CONTROL and VK_MENU, as WM_KEYDOWN's wParam does;
// the scan code and the extended flag tell left from right. The keypad
// follows Num Lock in sym.mod. Keys Windows has no code for give {0, 0, false}.
WinKey WinKeyOf(const SDL_Keysym& sym);

} // namespace kes::sdl

#endif
