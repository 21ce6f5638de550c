#include "Numbers.h"

#include <cctype>
#include <climits>
#include <cstdio>

namespace kes::cli {

bool ParseInteger(const std::string& text, long long min, long long max, long long* value)
{
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    if (i == text.size()) return false;
    unsigned long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        const unsigned digit = unsigned(text[i] - '0');
        if (v > (ULLONG_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    if (v > (unsigned long long)LLONG_MAX) return false;
    const long long signedValue = negative ? -(long long)v : (long long)v;
    if (signedValue < min || signedValue > max) return false;
    *value = signedValue;
    return true;
}

bool ParsePair(const std::string& text, int* x, int* y)
{
    const size_t comma = text.find(',');
    return comma != std::string::npos && ParseInteger(text.substr(0, comma), -32768, 32767, x) &&
           ParseInteger(text.substr(comma + 1), -32768, 32767, y);
}

bool ParseByteCount(const std::string& text, uint64_t* value)
{
    size_t end = text.size();
    if (end > 0 && (text[end - 1] == 'B' || text[end - 1] == 'b')) --end;
    uint64_t unit = 1;
    if (end > 0) {
        switch (toupper((unsigned char)text[end - 1])) {
        case 'K': unit = uint64_t(1) << 10; break;
        case 'M': unit = uint64_t(1) << 20; break;
        case 'G': unit = uint64_t(1) << 30; break;
        default: break;
        }
        if (unit != 1) --end;
    }
    uint64_t n = 0;
    if (!ParseInteger(text.substr(0, end), 1, LLONG_MAX, &n) || n > UINT64_MAX / unit) return false;
    *value = n * unit;
    return true;
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

std::string HexId(unsigned long id)
{
    char buf[16];
    snprintf(buf, sizeof buf, "0x%08lx", id & 0xFFFFFFFFul);
    return buf;
}

} // namespace kes::cli
