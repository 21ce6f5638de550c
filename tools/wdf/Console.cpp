#include "Console.h"

#include <cctype>
#include <cstdio>
#include <strings.h>

namespace kes::wdf::tool {

std::string HexId(unsigned long id)
{
    char buf[16];
    snprintf(buf, sizeof buf, "0x%08lx", id & 0xFFFFFFFFul);
    return buf;
}

bool ParseHexId(const std::string& text, unsigned long* id)
{
    if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
        return false;
    unsigned long v = 0;
    for (size_t i = 2; i < text.size(); ++i) {
        if (!isxdigit((unsigned char)text[i])) return false;
        v = v * 16 + unsigned(isdigit((unsigned char)text[i]) ? text[i] - '0' : tolower(text[i]) - 'a' + 10);
    }
    *id = v;
    return true;
}

bool IdOfExtractedName(const std::string& fileName, unsigned long* id)
{
    const size_t n = fileName.size();
    return n > 4 && strcasecmp(fileName.c_str() + n - 4, ".bin") == 0 && ParseHexId(fileName.substr(0, n - 4), id);
}

} // namespace kes::wdf::tool
