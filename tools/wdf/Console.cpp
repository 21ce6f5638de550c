#include "Console.h"

#include <cstdio>

namespace kes::wdf::tool {

std::string HexId(unsigned long id)
{
    char buf[16];
    snprintf(buf, sizeof buf, "0x%08lx", id & 0xFFFFFFFFul);
    return buf;
}

} // namespace kes::wdf::tool
