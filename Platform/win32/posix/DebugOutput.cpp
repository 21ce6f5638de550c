// OutputDebugStringA: where Windows hands a program's diagnostic text to the
// debugger, here it becomes one line of the platform's log, which a game
// hears through its own handler (KesPlatformSetLogHandler) or finds on
// standard error. Lines are passed on as they come: a program that wants
// each said once keeps track itself, as it would on Windows.
#include <windows.h>

#include "../../config/Log.h"

#include <cstring>

void WINAPI OutputDebugStringA(LPCSTR lpOutputString)
{
    if (!lpOutputString) return;
    // Windows programs end their lines with a newline for the debugger's
    // window; the log's lines carry none.
    size_t n = strlen(lpOutputString);
    while (n > 0 && (lpOutputString[n - 1] == '\n' || lpOutputString[n - 1] == '\r')) --n;
    if (n == 0) return;
    kes::platform::Log("%.*s", int(n < 4096 ? n : 4096), lpOutputString);
}
