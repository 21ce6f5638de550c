// Option values and file reading shared by the commands.
#include "Tool.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kes::was::tool {

namespace {

bool ParseInt(const std::string& text, long min, long max, long* value)
{
    long long v = 0;
    if (!kes::cli::ParseInteger(text, min, max, &v)) return false;
    *value = long(v);
    return true;
}

} // namespace

bool ParsePair(const std::string& text, int* x, int* y)
{
    const size_t comma = text.find(',');
    long a = 0, b = 0;
    if (comma == std::string::npos || !ParseInt(text.substr(0, comma), -32768, 32767, &a) ||
        !ParseInt(text.substr(comma + 1), -32768, 32767, &b))
        return false;
    *x = int(a);
    *y = int(b);
    return true;
}

bool ParseCount(const std::string& text, int max, int* value)
{
    long v = 0;
    if (!ParseInt(text, 1, max, &v)) return false;
    *value = int(v);
    return true;
}

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        *error = path + ": is a folder, not a file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot open: " + strerror(errno);
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) {
        *error = path + ": cannot read";
        return false;
    }
    *bytes = s.str();
    return true;
}

} // namespace kes::was::tool
