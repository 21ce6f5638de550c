#include "Args.h"

#include <cctype>
#include <climits>

namespace kes::wdf::tool {
namespace {

// Decimal digits only: strtoull would accept signs, spaces and hex.
bool ParseDigits(const std::string& text, size_t end, uint64_t* value)
{
    if (end == 0) return false;
    uint64_t v = 0;
    for (size_t i = 0; i < end; ++i) {
        if (!isdigit((unsigned char)text[i])) return false;
        const uint64_t digit = uint64_t(text[i] - '0');
        if (v > (UINT64_MAX - digit) / 10) return false;
        v = v * 10 + digit;
    }
    *value = v;
    return true;
}

} // namespace

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
    uint64_t n;
    if (!ParseDigits(text, end, &n) || n == 0 || n > UINT64_MAX / unit) return false;
    *value = n * unit;
    return true;
}

bool ParsePositive(const std::string& text, uint64_t* value)
{
    long long n = 0;
    if (!kes::cli::ParseInteger(text, 1, LLONG_MAX, &n)) return false;
    *value = uint64_t(n);
    return true;
}

} // namespace kes::wdf::tool
