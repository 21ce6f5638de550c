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
// "0x" and one to eight hex digits, any case; false for anything else.
bool ParseHexId(const std::string& text, unsigned long* id);
// The id in the name of a file that extract wrote without a known name
// ("0x1234abcd.bin", any case), so that pack stores it under that id again.
bool IdOfExtractedName(const std::string& fileName, unsigned long* id);

} // namespace kes::wdf::tool

#endif
