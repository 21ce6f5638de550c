// SDL's events become the messages a Windows window would receive.
#ifndef KESTO_PLATFORM_SDL_EVENTPUMP_H
#define KESTO_PLATFORM_SDL_EVENTPUMP_H

#include <windows.h>

namespace kes::sdl {

// Reads every waiting SDL event into the thread's message queue.
void PumpEvents();

// The cursor in screen coordinates as the last mouse event left it (for
// drivers that cannot tell where the cursor is).
POINT LastCursorPos();

} // namespace kes::sdl

#endif
