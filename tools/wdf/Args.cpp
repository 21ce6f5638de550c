#include "Args.h"

#include <cctype>
#include <cstring>

namespace kes::wdf::tool {
namespace {

const OptionSpec* FindSpec(const std::vector<OptionSpec>& specs, const std::string& name)
{
    for (const OptionSpec& s : specs) {
        if (name == s.name || (s.alias && name == s.alias)) return &s;
    }
    return nullptr;
}

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

bool ParsedArgs::Has(const char* name) const
{
    for (const auto& o : options)
        if (o.first == name) return true;
    return false;
}

std::vector<std::string> ParsedArgs::Values(const char* name) const
{
    std::vector<std::string> values;
    for (const auto& o : options)
        if (o.first == name) values.push_back(o.second);
    return values;
}

std::string ParsedArgs::Last(const char* name) const
{
    std::string value;
    for (const auto& o : options)
        if (o.first == name) value = o.second;
    return value;
}

bool ParseArgs(int argc, char** argv, int first, const std::vector<OptionSpec>& specs, ParsedArgs* out,
               std::string* error)
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
        std::string name = arg, value;
        bool inlineValue = false;
        const size_t eq = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            inlineValue = true;
        }
        const OptionSpec* wanted = FindSpec(specs, name);
        if (!wanted) {
            *error = "unknown option " + name;
            return false;
        }
        if (!wanted->takesValue) {
            if (inlineValue) {
                *error = std::string(wanted->name) + " takes no value";
                return false;
            }
        } else if (!inlineValue) {
            if (i + 1 >= argc) {
                *error = std::string(wanted->name) + " needs a value";
                return false;
            }
            value = argv[++i];
        }
        if (wanted->takesValue && value.empty()) {
            *error = std::string(wanted->name) + " needs a value";
            return false;
        }
        out->options.emplace_back(wanted->name, value);
    }
    return true;
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
    uint64_t n;
    if (!ParseDigits(text, end, &n) || n == 0 || n > UINT64_MAX / unit) return false;
    *value = n * unit;
    return true;
}

bool ParsePositive(const std::string& text, uint64_t* value)
{
    uint64_t n;
    if (!ParseDigits(text, text.size(), &n) || n == 0) return false;
    *value = n;
    return true;
}

} // namespace kes::wdf::tool
