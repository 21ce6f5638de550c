// Why something a game asked for failed, told to its developer: one line
// through OutputDebugStringA, which the debugger shows on Windows and the
// platform's log handler receives elsewhere. The engine's results stay as
// they are (null, 0, nothing); the line is the only place the reason shows.
//
// Games retry a failed load every frame as a matter of course, so each line
// is said the first time only: a line names its data and its cause, and the
// same cause says nothing new the second time.
#ifndef KESTO_CORE_KESREPORT_H
#define KESTO_CORE_KESREPORT_H

#include <windows.h>

#include <stddef.h>

#if defined(__GNUC__)
#define KES_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KES_PRINTF(fmt, args)
#endif

namespace kes {

// printf-style; one line, without a newline. Lines are remembered up to a
// few thousand; past that they are said every time rather than kept
// forever. Safe from any thread.
void Report(const char* format, ...) KES_PRINTF(1, 2);

// Why a decoder refused its data, for the loader that reports it: filled
// where the fault is found, where the offsets and counts are known. Fixed
// size: a decoder that is failing allocates nothing more.
struct Reason {
    char text[200];

    Reason() { text[0] = 0; }
};

// printf-style into `why`, replacing what it said; nothing when `why` is
// null (decoders take their reason as an optional pointer, so that callers
// that only want the result pass none).
void Why(Reason* why, const char* format, ...) KES_PRINTF(2, 3);

// The reason a CreateFileA failed, from its GetLastError code.
const char* OpenFailure(DWORD error);

} // namespace kes

#endif
