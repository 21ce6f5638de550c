#include "Log.h"

#include <KesPlatform.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>
#include <unordered_set>

namespace kes::platform {
namespace {

// Enough for every distinct failure a game meets; a game that meets more is
// broken in a way a few more lines will not hide.
constexpr size_t kRememberedLines = 4096;

struct LogTarget {
    // The sound layer may speak from another thread than the game's: lines
    // reach the handler one at a time, and never after it was replaced.
    // Recursive, so that a handler that makes the engine say something more
    // (loading a file that is missing, say) hears it instead of waiting on
    // itself.
    std::recursive_mutex lock;
    KesPlatformLogHandler handler = nullptr;
    void* user = nullptr;
    std::unordered_set<std::string> said; // LogOnce's lines
};

// Never destroyed: sounds and devices may still speak during static
// destruction.
LogTarget& Target()
{
    static LogTarget* target = new LogTarget;
    return *target;
}

void Say(bool once, const char* format, va_list args)
{
    char line[1024];
    vsnprintf(line, sizeof line, format, args);

    LogTarget& t = Target();
    std::lock_guard<std::recursive_mutex> hold(t.lock);
    if (once) {
        if (t.said.count(line)) return;
        if (t.said.size() < kRememberedLines) t.said.insert(line);
    }
    if (t.handler)
        t.handler(line, t.user);
    else
        fprintf(stderr, "kesto: %s\n", line);
}

} // namespace

void Log(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Say(false, format, args);
    va_end(args);
}

void LogOnce(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Say(true, format, args);
    va_end(args);
}

} // namespace kes::platform

extern "C" void KesPlatformSetLogHandler(KesPlatformLogHandler handler, void* user)
{
    kes::platform::LogTarget& t = kes::platform::Target();
    std::lock_guard<std::recursive_mutex> hold(t.lock);
    t.handler = handler;
    t.user = handler ? user : nullptr;
}
