// The thread's key state (GetKeyState) and the characters TranslateMessage
// makes of key presses.
#ifndef KESTO_PLATFORM_SDL_KEYBOARD_H
#define KESTO_PLATFORM_SDL_KEYBOARD_H

#include <windows.h>

#include <SDL_stdinc.h>

namespace kes::sdl {

// A key or button message was retrieved: the key state follows it.
void NoteRetrieved(const MSG& msg);

// Whether a key is down in the thread's key state.
bool IsKeyDown(int vk);

// The MK_ flags of a mouse message: the buttons down (SDL's button state)
// and Shift and Ctrl as the keyboard has them at that moment.
WPARAM MouseKeyFlags(Uint32 sdlButtons, Uint16 sdlModifiers);

// Caps Lock and Num Lock as the keyboard has them (the toggled bits).
void SyncLockKeys(bool capsOn, bool numOn);

} // namespace kes::sdl

#endif
