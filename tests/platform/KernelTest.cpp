// The kernel services beneath the engine: clocks, the module's own file
// name, and code page 936 / UTF-8 conversion with Windows' counting rules.
#include <windows.h>

#include "win32/posix/TextCodec.h"

#include <gtest/gtest.h>

#include <iconv.h>
#include <signal.h>
#include <pthread.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace {

int64_t MonotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int64_t CounterNs()
{
    LARGE_INTEGER f, c;
    EXPECT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_TRUE(QueryPerformanceCounter(&c));
    return int64_t((__int128)c.QuadPart * 1000000000 / f.QuadPart);
}

// ---- clocks ------------------------------------------------------------------

TEST(KernelClock, PerformanceCounterTellsMonotonicTimeInItsOwnUnits)
{
    // Read between two readings of CLOCK_MONOTONIC, the counter converted by
    // its frequency must land between them: that checks frequency and unit.
    LARGE_INTEGER f;
    ASSERT_TRUE(QueryPerformanceFrequency(&f));
    EXPECT_EQ(f.QuadPart, 10000000);
    const int64_t before = MonotonicNs();
    const int64_t counter = CounterNs();
    const int64_t after = MonotonicNs();
    EXPECT_GE(counter, before - 100); // one tick is 100 ns
    EXPECT_LE(counter, after);

    LARGE_INTEGER last;
    QueryPerformanceCounter(&last);
    for (int i = 0; i < 100000; ++i) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        ASSERT_GE(now.QuadPart, last.QuadPart);
        last = now;
    }
}

TEST(KernelClock, TimeGetTimeIsMonotonicMillisecondsInADword)
{
    const uint64_t before = uint64_t(MonotonicNs()) / 1000000;
    const DWORD t = timeGetTime();
    const uint64_t after = uint64_t(MonotonicNs()) / 1000000;
    // The low 32 bits of the millisecond count; a DWORD difference copes
    // with the wrap.
    EXPECT_LE(DWORD(t - DWORD(before)), DWORD(after - before));
}

TEST(KernelClock, SleepLastsAtLeastItsTimeOnAllThreeClocks)
{
    const int64_t c0 = CounterNs();
    const DWORD t0 = timeGetTime();
    Sleep(30);
    const int64_t slept = CounterNs() - c0;
    EXPECT_GE(slept, 30000000);
    EXPECT_LT(slept, 1000000000); // loose: a busy machine, sanitizers
    EXPECT_GE(timeGetTime() - t0, 30u);
}

volatile sig_atomic_t g_signals = 0;
void CountSignal(int)
{
    g_signals = g_signals + 1;
}

TEST(KernelClock, SleepResumesAfterASignal)
{
    // A handler installed without SA_RESTART cuts the sleep short with EINTR
    // every few milliseconds; the sleep must still last its whole time.
    struct sigaction sa = {}, old = {};
    sa.sa_handler = CountSignal;
    sigemptyset(&sa.sa_mask);
    ASSERT_EQ(sigaction(SIGUSR1, &sa, &old), 0);
    g_signals = 0;
    const pthread_t sleeper = pthread_self();
    std::atomic<bool> done{false};
    std::thread interrupter([&] {
        while (!done) {
            pthread_kill(sleeper, SIGUSR1);
            usleep(5000);
        }
    });
    const int64_t c0 = CounterNs();
    Sleep(60);
    const int64_t slept = CounterNs() - c0;
    done = true;
    interrupter.join();
    sigaction(SIGUSR1, &old, nullptr);
    EXPECT_GE(g_signals, 2);
    EXPECT_GE(slept, 60000000);
}

TEST(KernelClock, SleepZeroOnlyYields)
{
    // A sleep of even one millisecond never returns sooner; a yield on a
    // busy machine may take that long now and then, but not every time. So
    // the quickest of many calls tells the two apart however loaded the
    // machine is.
    int64_t quickest = INT64_MAX;
    for (int i = 0; i < 100; ++i) {
        const int64_t c0 = CounterNs();
        Sleep(0);
        quickest = std::min(quickest, CounterNs() - c0);
    }
    EXPECT_LT(quickest, 500000);
}

TEST(KernelClock, TimerPeriodsAreCheckedAsOnWindows)
{
    const struct {
        UINT period;
        MMRESULT result;
    } cases[] = {{0, TIMERR_NOCANDO}, {1, TIMERR_NOERROR}, {15, TIMERR_NOERROR},
                 {1000000, TIMERR_NOERROR}, {1000001, TIMERR_NOCANDO}, {0xFFFFFFFF, TIMERR_NOCANDO}};
    for (const auto& c : cases) {
        EXPECT_EQ(timeBeginPeriod(c.period), c.result) << c.period;
        EXPECT_EQ(timeEndPeriod(c.period), c.result) << c.period;
    }
}

// ---- module ----------------------------------------------------------------------

std::string ProcSelfExe()
{
    char buf[8192];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    return n > 0 ? std::string(buf, size_t(n)) : std::string();
}

constexpr DWORD kErrorModNotFound = 126;

TEST(KernelModule, HandleIsTheExecutablesAndNamesAreNotLookedUp)
{
    const HMODULE self = GetModuleHandleA(NULL);
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(GetModuleHandleA(NULL), self);
    // The handle is where the executable's headers are mapped, as on Windows.
    EXPECT_EQ(memcmp(self, "\x7F" "ELF", 4), 0);

    SetLastError(0);
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), kErrorModNotFound);
}

TEST(KernelModule, FileNameIsTheExecutablesPath)
{
    const std::string exe = ProcSelfExe();
    ASSERT_FALSE(exe.empty());
    for (HMODULE module : {HMODULE(NULL), GetModuleHandleA(NULL)}) {
        char buf[8192];
        memset(buf, 'x', sizeof buf);
        EXPECT_EQ(GetModuleFileNameA(module, buf, sizeof buf), DWORD(exe.size()));
        EXPECT_EQ(std::string(buf), exe);
    }

    char buf[16];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(HMODULE(uintptr_t(0x1000)), buf, sizeof buf), 0u);
    EXPECT_EQ(GetLastError(), kErrorModNotFound);
}

TEST(KernelModule, FileNameTruncationFollowsWindows)
{
    // Around the exact fit: len + 1 holds it all; anything shorter gets
    // size - 1 characters and a terminator, returns the size and says why.
    const std::string exe = ProcSelfExe();
    const DWORD len = DWORD(exe.size());
    ASSERT_GT(len, 2u);
    const struct {
        DWORD size;
        DWORD result;
        DWORD error;
    } cases[] = {{len + 1, len, 0}, {len, len, ERROR_INSUFFICIENT_BUFFER},
                 {len - 1, len - 1, ERROR_INSUFFICIENT_BUFFER}, {1, 1, ERROR_INSUFFICIENT_BUFFER},
                 {0, 0, ERROR_INSUFFICIENT_BUFFER}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        // Exactly `size` bytes on the heap, so a write past them is caught.
        std::unique_ptr<char[]> buf(new char[c.size + 1]);
        memset(buf.get(), '#', c.size + 1);
        SetLastError(0);
        EXPECT_EQ(GetModuleFileNameA(NULL, buf.get(), c.size), c.result);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(buf[c.size], '#');
        if (c.size > 0) {
            const size_t kept = std::min<size_t>(len, c.size - 1);
            EXPECT_EQ(std::string(buf.get()), exe.substr(0, kept));
        }
    }
}

// ---- code pages -----------------------------------------------------------------

// Bytes on the heap with nothing after them, so that a read past the count
// is caught by the sanitizer.
struct ExactBytes {
    explicit ExactBytes(const std::string& s) : data(new char[s.size()]), size(int(s.size()))
    {
        memcpy(data.get(), s.data(), s.size());
    }
    std::unique_ptr<char[]> data;
    int size;
};

std::wstring ToWide(UINT cp, const std::string& bytes, DWORD flags = 0)
{
    ExactBytes in(bytes);
    const int n = MultiByteToWideChar(cp, flags, in.data.get(), in.size, NULL, 0);
    EXPECT_GT(n, 0);
    std::wstring out(size_t(std::max(n, 0)), L'\0');
    EXPECT_EQ(MultiByteToWideChar(cp, flags, in.data.get(), in.size, &out[0], n), n);
    return out;
}

std::string ToBytes(UINT cp, const std::wstring& wide, BOOL* usedDefault = nullptr, const char* defaultChar = nullptr)
{
    const int n = WideCharToMultiByte(cp, 0, wide.data(), int(wide.size()), NULL, 0, defaultChar, usedDefault);
    EXPECT_GT(n, 0);
    std::string out(size_t(std::max(n, 0)), '\0');
    EXPECT_EQ(WideCharToMultiByte(cp, 0, wide.data(), int(wide.size()), &out[0], n, defaultChar, usedDefault), n);
    return out;
}

TEST(KernelCodePage, KnownTextConvertsBothWays)
{
    // Independent references: GBK and UTF-8 bytes as published for these
    // characters, and Windows' own extras in code page 936 (the euro sign at
    // 0x80, the user-defined areas in the Private Use Area).
    const struct {
        UINT cp;
        std::string bytes;
        std::wstring wide;
    } cases[] = {
        {CP_ACP, "Hello, Kesto!", L"Hello, Kesto!"},
        {936, "\xD6\xD0\xCE\xC4", L"\u4E2D\u6587"},                         // 中文
        {CP_ACP, "A\xB3\xA4\xB0\xB2-1", L"A\u957F\u5B89-1"},                // A长安-1
        {CP_ACP, "\xA1\xA1\xA1\xAA\xA3\xAC", L"\u3000\u2014\uFF0C"},        // ideographic space, dash, comma
        {CP_ACP, "\x81\x40\xB0\xA1", L"\u4E02\u554A"},                      // first of GBK, of GB 2312
        {CP_ACP, "\x80", L"\u20AC"},                                        // €
        {CP_ACP, "\xAA\xA1\xAF\xFE\xF8\xA1\xFE\xFE\xA1\x40\xA7\xA0",        // user-defined areas
         L"\uE000\uE233\uE234\uE4C5\uE4C6\uE765"},
        {CP_UTF8, "Hello, Kesto!", L"Hello, Kesto!"},
        {CP_UTF8, "\xE4\xB8\xAD\xE6\x96\x87", L"\u4E2D\u6587"},
        {CP_UTF8, "\xC3\xA9\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", L"\u00E9\U0001F600\U0010FFFF"},
        {CP_UTF8, std::string("a\0b", 3), std::wstring(L"a\0b", 3)},       // counted text keeps its NULs
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(ToWide(c.cp, c.bytes), c.wide);
        BOOL usedDefault = TRUE;
        EXPECT_EQ(ToBytes(c.cp, c.wide, c.cp == CP_UTF8 ? nullptr : &usedDefault), c.bytes);
        if (c.cp != CP_UTF8) {
            EXPECT_FALSE(usedDefault);
        }
    }
}

TEST(KernelCodePage, EveryGbkCharacterRoundTrips)
{
    // The whole double-byte table: each pair that reads as a character must
    // read as glibc's GBK reads it (outside the user-defined areas, which
    // glibc leaves out) and write back as the same pair.
    iconv_t gbk = iconv_open("WCHAR_T", "GBK");
    ASSERT_NE(gbk, (iconv_t)-1);
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            SCOPED_TRACE(testing::Message() << std::hex << lead << " " << trail);
            char pair[2] = {char(lead), char(trail)};
            WCHAR w[2] = {};
            const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, pair, 2, w, 2);

            char* in = pair;
            size_t inLeft = 2;
            uint32_t reference = 0;
            char* out = reinterpret_cast<char*>(&reference);
            size_t outLeft = 4;
            iconv(gbk, nullptr, nullptr, nullptr, nullptr);
            const bool glibcHasIt = iconv(gbk, &in, &inLeft, &out, &outLeft) != size_t(-1) && outLeft == 0;
            const bool userDefined = n == 1 && w[0] >= 0xE000 && w[0] <= 0xE765;
            if (glibcHasIt) {
                ASSERT_EQ(n, 1);
                ASSERT_EQ(uint32_t(w[0]), reference);
            }
            if (n == 0) continue;
            ASSERT_EQ(n, 1);
            ASSERT_TRUE(glibcHasIt || userDefined);
            char back[2];
            ASSERT_EQ(WideCharToMultiByte(936, 0, w, 1, back, 2, NULL, NULL), 2);
            ASSERT_EQ(memcmp(back, pair, 2), 0);
            ++characters;
        }
    }
    iconv_close(gbk);
    // GBK's 21791 characters and the 1894 user-defined ones.
    EXPECT_EQ(characters, 21791 + 1894);
}

TEST(KernelCodePage, CharactersOutsideGbkBecomeTheDefaultCharacter)
{
    const std::wstring text = L"a\u0E01b\U0001F600c"; // Thai KO KAI and an emoji: neither is in GBK
    BOOL used = FALSE;
    EXPECT_EQ(ToBytes(CP_ACP, text, &used), "a?b?c");
    EXPECT_TRUE(used);
    EXPECT_EQ(ToBytes(CP_ACP, text, &used, "*"), "a*b*c");
    EXPECT_TRUE(used);
    // A double-byte default character (the GBK full-width question mark).
    EXPECT_EQ(ToBytes(CP_ACP, text, &used, "\xA3\xBF"), "a\xA3\xBF" "b\xA3\xBF" "c");
    // Not code points at all: surrogates, past U+10FFFF, negative units.
    const std::wstring broken = {L'x', WCHAR(0xD800), WCHAR(0x110000), WCHAR(-1)};
    EXPECT_EQ(ToBytes(CP_ACP, broken, &used), "x???");
    EXPECT_TRUE(used);
    // UTF-8 has every character; what is none becomes U+FFFD.
    EXPECT_EQ(ToBytes(CP_UTF8, broken), "x\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0x80 /* WC_ERR_INVALID_CHARS */, broken.data(), 4, NULL, 0, NULL, NULL),
              0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(KernelCodePage, BrokenBytesReadAsWindowsReadsThem)
{
    // Code page 936 reads what is no character as U+30FB, UTF-8 as U+FFFD;
    // with MB_ERR_INVALID_CHARS both refuse the whole string.
    const struct {
        UINT cp;
        std::string bytes;
        std::wstring wide;
    } cases[] = {
        {936, "A\xD6", L"A\u30FB"},                // lone lead byte at the end
        {936, "\xD6 A", L"\u30FB A"},              // a lead byte does not swallow a space
        {936, "\xD6\x7F", L"\u30FB\x7F"},          // 0x7F is no trail byte
        {936, "\xFF" "a", L"\uF8F5a"},             // 0xFF keeps its value through the PUA
        {CP_UTF8, "a\xC3", L"a\uFFFD"},            // cut short
        {CP_UTF8, "\xE4\xB8" "b", L"\uFFFD" L"b"},  // cut short: one U+FFFD for both bytes
        {CP_UTF8, "\xC0\xAF", L"\uFFFD\uFFFD"},    // overlong
        {CP_UTF8, "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"}, // a surrogate
        {CP_UTF8, "\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD"}, // past U+10FFFF
        {CP_UTF8, "\x80x\xFF", L"\uFFFDx\uFFFD"},  // stray continuation byte, invalid byte
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(ToWide(c.cp, c.bytes), c.wide);
        ExactBytes in(c.bytes);
        WCHAR out[16];
        for (int size : {0, 16}) {
            SetLastError(0);
            EXPECT_EQ(MultiByteToWideChar(c.cp, MB_ERR_INVALID_CHARS, in.data.get(), in.size, size ? out : NULL, size),
                      0);
            EXPECT_EQ(GetLastError(), DWORD(ERROR_NO_UNICODE_TRANSLATION));
        }
    }
    // 0xFF, refused above, still comes back from its stand-in.
    EXPECT_EQ(ToBytes(CP_ACP, L"\uF8F5"), "\xFF");
    // With -1 the terminator is no trail byte either: it stays a terminator.
    WCHAR out[4];
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "A\xD6", -1, out, 4), 3);
    EXPECT_EQ(std::wstring(out, 3), std::wstring(L"A\u30FB\0", 3));
}

TEST(KernelCodePage, CountsFollowWindows)
{
    // 中文 in GBK: 4 bytes, 2 characters, 3 with the terminator.
    const char* gbk = "\xD6\xD0\xCE\xC4";
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, -1, NULL, 0), 3);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, 4, NULL, 0), 2);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, 3, NULL, 0), 2); // the lead byte left alone counts too

    WCHAR w[4] = {L'#', L'#', L'#', L'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, -1, w, 3), 3);
    EXPECT_EQ(std::wstring(w, 3), std::wstring(L"\u4E2D\u6587\0", 3));
    EXPECT_EQ(w[3], L'#');

    const wchar_t* wide = L"\u4E2D\u6587";
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, NULL, 0, NULL, NULL), 5);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, 2, NULL, 0, NULL, NULL), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL), 7);

    // Too small: 0 and ERROR_INSUFFICIENT_BUFFER, and not a byte written past
    // the size given, nor half a character.
    for (int size = 1; size < 3; ++size) {
        WCHAR out[4] = {L'#', L'#', L'#', L'#'};
        SetLastError(0);
        EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, gbk, -1, out, size), 0);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(out[size], L'#');
    }
    for (int size = 1; size < 5; ++size) {
        char out[8];
        memset(out, '#', sizeof out);
        SetLastError(0);
        EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, wide, -1, out, size, NULL, NULL), 0) << size;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
        const size_t whole = size_t(size / 2 * 2);
        EXPECT_EQ(std::string(out, sizeof out), std::string(gbk, whole) + std::string(sizeof out - whole, '#')) << size;
    }
}

TEST(KernelCodePage, BadArgumentsAreRefused)
{
    const char* s = "abc";
    const wchar_t* w = L"abc";
    WCHAR wbuf[8];
    char buf[8];
    BOOL used;
    const struct {
        const char* what;
        std::function<int()> call;
        DWORD error;
    } cases[] = {
        {"null source", [&] { return MultiByteToWideChar(CP_ACP, 0, NULL, 3, wbuf, 8); }, ERROR_INVALID_PARAMETER},
        {"zero length", [&] { return MultiByteToWideChar(CP_ACP, 0, s, 0, wbuf, 8); }, ERROR_INVALID_PARAMETER},
        {"length below -1", [&] { return MultiByteToWideChar(CP_ACP, 0, s, -2, wbuf, 8); }, ERROR_INVALID_PARAMETER},
        {"negative size", [&] { return MultiByteToWideChar(CP_ACP, 0, s, 3, wbuf, -1); }, ERROR_INVALID_PARAMETER},
        {"size without buffer", [&] { return MultiByteToWideChar(CP_ACP, 0, s, 3, NULL, 8); },
         ERROR_INVALID_PARAMETER},
        {"other code page", [&] { return MultiByteToWideChar(1252, 0, s, 3, wbuf, 8); }, ERROR_INVALID_PARAMETER},
        {"MB_PRECOMPOSED with UTF-8", [&] { return MultiByteToWideChar(CP_UTF8, 1, s, 3, wbuf, 8); },
         ERROR_INVALID_FLAGS},
        {"MB_COMPOSITE", [&] { return MultiByteToWideChar(CP_ACP, 2 /* MB_COMPOSITE */, s, 3, wbuf, 8); },
         ERROR_INVALID_FLAGS},
        {"wide: null source", [&] { return WideCharToMultiByte(CP_ACP, 0, NULL, 3, buf, 8, NULL, NULL); },
         ERROR_INVALID_PARAMETER},
        {"wide: zero length", [&] { return WideCharToMultiByte(CP_ACP, 0, w, 0, buf, 8, NULL, NULL); },
         ERROR_INVALID_PARAMETER},
        {"wide: length below -1", [&] { return WideCharToMultiByte(CP_ACP, 0, w, -5, buf, 8, NULL, NULL); },
         ERROR_INVALID_PARAMETER},
        {"wide: negative size", [&] { return WideCharToMultiByte(CP_ACP, 0, w, 3, buf, -1, NULL, NULL); },
         ERROR_INVALID_PARAMETER},
        {"wide: size without buffer", [&] { return WideCharToMultiByte(CP_ACP, 0, w, 3, NULL, 8, NULL, NULL); },
         ERROR_INVALID_PARAMETER},
        {"wide: other code page", [&] { return WideCharToMultiByte(1252, 0, w, 3, buf, 8, NULL, NULL); },
         ERROR_INVALID_PARAMETER},
        {"UTF-8 with a default character", [&] { return WideCharToMultiByte(CP_UTF8, 0, w, 3, buf, 8, "?", NULL); },
         ERROR_INVALID_PARAMETER},
        {"UTF-8 asked about defaults", [&] { return WideCharToMultiByte(CP_UTF8, 0, w, 3, buf, 8, NULL, &used); },
         ERROR_INVALID_PARAMETER},
        {"936 with WC_ERR_INVALID_CHARS", [&] { return WideCharToMultiByte(CP_ACP, 0x80, w, 3, buf, 8, NULL, NULL); },
         ERROR_INVALID_FLAGS},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_EQ(c.call(), 0) << c.what;
        EXPECT_EQ(GetLastError(), c.error) << c.what;
    }
}

TEST(KernelCodePage, TextHelpersForTheWindowLayer)
{
    using kes::posix::AnsiToUtf8;
    using kes::posix::Utf8ToAnsi;
    // SDL's text input to the games' code page and back.
    EXPECT_EQ(Utf8ToAnsi("A\xE4\xB8\xAD\xE6\x96\x87\xE2\x82\xAC"), "A\xD6\xD0\xCE\xC4\x80");
    EXPECT_EQ(AnsiToUtf8("A\xD6\xD0\xCE\xC4\x80"), "A\xE4\xB8\xAD\xE6\x96\x87\xE2\x82\xAC");
    // What GBK lacks, and broken UTF-8, become '?'.
    EXPECT_EQ(Utf8ToAnsi("\xF0\x9F\x98\x80x\xE0\xB8\x81y\xC3"), "?x?y?");
    // Bytes that are no GBK character become U+FFFD, each lone lead byte one.
    EXPECT_EQ(AnsiToUtf8("\xD6 \xFF\xD6"), "\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD");
}

} // namespace
