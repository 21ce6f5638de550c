// Win32 clocks over POSIX: QueryPerformanceCounter/Frequency, timeGetTime,
// timeBeginPeriod/timeEndPeriod and Sleep, all on CLOCK_MONOTONIC so that
// the three agree with one another (a Sleep(16) measured with the
// performance counter takes at least 16 ms of it).
//
// Not implemented: timer callbacks (timeSetEvent), timeGetDevCaps, alertable
// sleeps (SleepEx).
#include <windows.h>

#include <sched.h>
#include <time.h>

#include <cerrno>
#include <cstdint>

namespace {

// Ten ticks a microsecond, as current Windows reports on nearly every PC.
// Games written for Windows scale counter values by 10^6 or 10^3 in 64-bit
// arithmetic before dividing by the frequency; at 10 MHz that product stays
// in range for as long as it does on Windows (ten days of uptime for the
// 10^6 case), where a nanosecond counter would overflow after 2.5 hours.
constexpr LONGLONG kCounterFrequency = 10000000;

// The range that Windows' timeGetDevCaps reports for timer periods.
constexpr UINT kMinPeriod = 1;
constexpr UINT kMaxPeriod = 1000000;


uint64_t MonotonicNanoseconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000000u + uint64_t(ts.tv_nsec);
}

} // namespace

extern "C" {

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* lpFrequency)
{
    if (!lpFrequency) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpFrequency->QuadPart = kCounterFrequency;
    return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* lpPerformanceCount)
{
    if (!lpPerformanceCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    lpPerformanceCount->QuadPart = LONGLONG(MonotonicNanoseconds() / (1000000000 / kCounterFrequency));
    return TRUE;
}

DWORD WINAPI timeGetTime(void)
{
    // Milliseconds since boot, wrapping every 49.7 days as Windows' does;
    // callers subtract two readings in DWORD arithmetic, which survives it.
    return DWORD(MonotonicNanoseconds() / 1000000);
}

// Linux's timers already wake a sleeper within well under a millisecond, so
// there is no system timer resolution to raise; only the argument checks
// remain, so that a game sees the results it would on Windows.
MMRESULT WINAPI timeBeginPeriod(UINT uPeriod)
{
    return uPeriod >= kMinPeriod && uPeriod <= kMaxPeriod ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

MMRESULT WINAPI timeEndPeriod(UINT uPeriod)
{
    return uPeriod >= kMinPeriod && uPeriod <= kMaxPeriod ? TIMERR_NOERROR : TIMERR_NOCANDO;
}

void WINAPI Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == 0) {
        // Windows gives the rest of the time slice to another ready thread.
        sched_yield();
        return;
    }
    if (dwMilliseconds == INFINITE) {
        for (;;) {
            timespec day = {86400, 0};
            nanosleep(&day, nullptr);
        }
    }
    // An absolute deadline on the counter's own clock: a signal that cuts the
    // sleep short only makes us wait again for the same moment, and the
    // remainder is not rounded at every interruption as nanosleep's is.
    const uint64_t deadline = MonotonicNanoseconds() + uint64_t(dwMilliseconds) * 1000000;
    timespec ts;
    ts.tv_sec = time_t(deadline / 1000000000);
    ts.tv_nsec = long(deadline % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

} // extern "C"
