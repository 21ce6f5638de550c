// The one-line failure reports and the lines already said.
#include "KesReport.h"

#include <mutex>
#include <stdarg.h>
#include <stdio.h>
#include <string>
#include <unordered_set>

namespace kes {
namespace {

// Far more distinct causes than a game meets; one that meets more is broken
// beyond what remembering them would help, and memory stays bounded.
const size_t kRememberedLines = 4096;

struct SaidLines {
    std::mutex lock; // loads may come from a game's own threads
    std::unordered_set<std::string> lines;

    // True the first time `line` is offered.
    bool First(const char* line)
    {
        std::lock_guard<std::mutex> hold(lock);
        if (lines.count(line)) return false;
        if (lines.size() < kRememberedLines) lines.insert(line);
        return true;
    }
};

// Never destroyed: images and sounds may fail to go during static
// destruction and still say why.
SaidLines& Said()
{
    static SaidLines* said = new SaidLines;
    return *said;
}

} // namespace

void Report(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    // Said outside the lock: a handler that loads something in turn must
    // not find it held.
    if (Said().First(line)) OutputDebugStringA(line);
}

void Why(Reason* why, const char* format, ...)
{
    if (!why) return;
    va_list args;
    va_start(args, format);
    vsnprintf(why->text, sizeof why->text, format, args);
    va_end(args);
}

const char* OpenFailure(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND: return "no such file";
    case ERROR_PATH_NOT_FOUND: return "no such folder";
    case ERROR_ACCESS_DENIED: return "access denied";
    case ERROR_TOO_MANY_OPEN_FILES: return "too many open files";
    case ERROR_FILENAME_EXCED_RANGE: return "name too long";
    default: return "cannot be opened";
    }
}

} // namespace kes
