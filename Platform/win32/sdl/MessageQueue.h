// The thread's message queue: messages posted by the program, input read
// from SDL's events, the quit flag and paint requests, retrieved in the
// order Windows retrieves them.
#ifndef KESTO_PLATFORM_SDL_MESSAGEQUEUE_H
#define KESTO_PLATFORM_SDL_MESSAGEQUEUE_H

#include <windows.h>

#include <string>

namespace kes::sdl {

struct QueuedMessage {
    MSG msg;
    // Key presses read from SDL: the text the keyboard layout typed with
    // them, which TranslateMessage turns into WM_CHAR.
    std::string text;
    bool fromInput = false;
};

// Queues a message read from the input devices (the event pump's way in).
void PostInput(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// The last input message still waiting, or null: the pump merges mouse
// moves into it and attaches typed text to it.
QueuedMessage* LastWaitingInput();

// The key message most recently retrieved, for TranslateMessage.
const QueuedMessage* LastRetrievedKey();

} // namespace kes::sdl

#endif
