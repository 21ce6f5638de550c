// Messages, command line parsing and file reading shared by the commands.
#include "Tool.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kes::was::tool {

void Error(const std::string& message)
{
    fprintf(stderr, "kesto-was: error: %s\n", message.c_str());
}

void Warning(const std::string& message)
{
    fprintf(stderr, "kesto-was: warning: %s\n", message.c_str());
}

void Note(const std::string& message)
{
    fprintf(stderr, "kesto-was: %s\n", message.c_str());
}

int UsageError(const std::string& message, const char* command)
{
    Error(message);
    if (command)
        fprintf(stderr, "Run 'kesto-was %s --help' for its usage.\n", command);
    else
        fprintf(stderr, "Run 'kesto-was --help' for usage.\n");
    return kExitUsage;
}

bool Args::Has(const char* name) const
{
    for (const auto& o : options)
        if (o.first == name) return true;
    return false;
}

std::string Args::Last(const char* name) const
{
    std::string value;
    for (const auto& o : options)
        if (o.first == name) value = o.second;
    return value;
}

bool ParseArgs(int argc, char** argv, int first, const std::vector<Option>& known, Args* out, std::string* error)
{
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out->positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            out->help = true;
            continue;
        }
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        const Option* wanted = nullptr;
        for (const Option& o : known)
            if (name == o.name) wanted = &o;
        if (!wanted) {
            *error = "unknown option " + name;
            return false;
        }
        std::string value;
        if (wanted->takesValue) {
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
            } else if (i + 1 < argc) {
                value = argv[++i];
            } else {
                *error = name + " needs a value";
                return false;
            }
        } else if (eq != std::string::npos) {
            *error = name + " takes no value";
            return false;
        }
        out->options.emplace_back(name, value);
    }
    return true;
}

namespace {

bool ParseInt(const std::string& text, long min, long max, long* value)
{
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long v = strtol(text.c_str(), &end, 10);
    if (errno || *end || v < min || v > max || text[0] == ' ' || text[0] == '+') return false;
    *value = v;
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
