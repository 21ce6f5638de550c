// Command line parsing for the commands of kesto-wdf.
//
// Options may stand anywhere after the command, as "--name value",
// "--name=value" or, for short names, "-o value"; "--" ends them so that a
// file whose name starts with '-' can still be given.
#ifndef KESTO_TOOLS_WDF_ARGS_H
#define KESTO_TOOLS_WDF_ARGS_H

#include <cstdint>
#include <string>
#include <vector>

namespace kes::wdf::tool {

struct OptionSpec {
    const char* name; // "--output"
    const char* alias; // "-o", or nullptr
    bool takesValue;
};

struct ParsedArgs {
    std::vector<std::string> positional;
    // Options in the order given, under their long names; flags have no value.
    std::vector<std::pair<std::string, std::string>> options;
    bool help = false;

    bool Has(const char* name) const;
    // Every value given for `name`, in order (options such as --names repeat).
    std::vector<std::string> Values(const char* name) const;
    // The last value given for `name`; empty when it was not given.
    std::string Last(const char* name) const;
};

// Parses argv[first..argc). False with a message for unknown options and
// options without their value. "-h"/"--help" set `help`.
bool ParseArgs(int argc, char** argv, int first, const std::vector<OptionSpec>& specs, ParsedArgs* out,
               std::string* error);

// A byte count with an optional binary suffix: 1048576, 1024K, 1M, 2G (K, M,
// G and the same with a trailing B, any case). False for 0, for garbage and
// for values that do not fit 64 bits.
bool ParseByteCount(const std::string& text, uint64_t* value);

// A positive decimal count. False for 0, for garbage and for overflow.
bool ParsePositive(const std::string& text, uint64_t* value);

} // namespace kes::wdf::tool

#endif
