// Messages and exit codes of kesto-wdf: the tools' shared ones, and how ids
// are written.
#ifndef KESTO_TOOLS_WDF_CONSOLE_H
#define KESTO_TOOLS_WDF_CONSOLE_H

#include <Cli.h>

#include <string>

namespace kes::wdf::tool {

using kes::cli::Error;
using kes::cli::kExitFailure;
using kes::cli::kExitOk;
using kes::cli::kExitUsage;
using kes::cli::Note;
using kes::cli::UsageError;
using kes::cli::Warning;

// "0x1234abcd": how ids are written everywhere in the tool's output.
std::string HexId(unsigned long id);

} // namespace kes::wdf::tool

#endif
