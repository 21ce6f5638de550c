// Command line values of kesto-wdf: the tools' shared option parsing, and
// the byte counts and counts that its options take.
#ifndef KESTO_TOOLS_WDF_ARGS_H
#define KESTO_TOOLS_WDF_ARGS_H

#include <Cli.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kes::wdf::tool {

using kes::cli::OptionSpec;
using kes::cli::ParseArgs;
using kes::cli::ParsedArgs;

// A byte count with an optional binary suffix: 1048576, 1024K, 1M, 2G (K, M,
// G and the same with a trailing B, any case). False for 0, for garbage and
// for values that do not fit 64 bits.
bool ParseByteCount(const std::string& text, uint64_t* value);

// A positive decimal count. False for 0, for garbage and for overflow.
bool ParsePositive(const std::string& text, uint64_t* value);

} // namespace kes::wdf::tool

#endif
