#include "Console.h"

#include <cstdio>

namespace kes::wdf::tool {

void Error(const std::string& message)
{
    fprintf(stderr, "kesto-wdf: error: %s\n", message.c_str());
}

void Warning(const std::string& message)
{
    fprintf(stderr, "kesto-wdf: warning: %s\n", message.c_str());
}

void Note(const std::string& message)
{
    fprintf(stderr, "kesto-wdf: %s\n", message.c_str());
}

int UsageError(const std::string& message, const char* command)
{
    Error(message);
    if (command)
        fprintf(stderr, "Run 'kesto-wdf %s --help' for its usage.\n", command);
    else
        fprintf(stderr, "Run 'kesto-wdf --help' for usage.\n");
    return kExitUsage;
}

std::string HexId(unsigned long id)
{
    char buf[16];
    snprintf(buf, sizeof buf, "0x%08lx", id & 0xFFFFFFFFul);
    return buf;
}

} // namespace kes::wdf::tool
