#include "Log.h"

#include <KesPlatform.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace kes::platform {
namespace {

struct LogTarget {
    std::mutex lock; // the sound layer may speak from another thread than the game's
    KesPlatformLogHandler handler = nullptr;
    void* user = nullptr;
};

LogTarget& Target()
{
    static LogTarget target;
    return target;
}

} // namespace

void Log(const char* format, ...)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);

    LogTarget& t = Target();
    std::lock_guard<std::mutex> hold(t.lock);
    if (t.handler)
        t.handler(line, t.user);
    else
        fprintf(stderr, "kesto: %s\n", line);
}

} // namespace kes::platform

extern "C" void KesPlatformSetLogHandler(KesPlatformLogHandler handler, void* user)
{
    kes::platform::LogTarget& t = kes::platform::Target();
    std::lock_guard<std::mutex> hold(t.lock);
    t.handler = handler;
    t.user = handler ? user : nullptr;
}
