// The commands of kesto-was and what they share beyond the tools' common
// messages and option parsing: the values its options take, file reading.
#ifndef KESTO_TOOLS_WAS_TOOL_H
#define KESTO_TOOLS_WAS_TOOL_H

#include <Cli.h>

#include <string>

namespace kes::was::tool {

using kes::cli::Error;
using kes::cli::kExitFailure;
using kes::cli::kExitOk;
using kes::cli::kExitUsage;
using kes::cli::Note;
using kes::cli::OptionSpec;
using kes::cli::ParseArgs;
using kes::cli::ParsedArgs;
using kes::cli::UsageError;
using kes::cli::Warning;

// "X,Y" with two integers in [-32768, 32767].
bool ParsePair(const std::string& text, int* x, int* y);
// A decimal count in [1, max].
bool ParseCount(const std::string& text, int max, int* value);

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error);

int RunInfo(int argc, char** argv, int first);
int RunExport(int argc, char** argv, int first);
int RunEncode(int argc, char** argv, int first);

// The help of the tool or of one command (nullptr for the tool). False when
// there is no such command.
bool PrintUsage(const char* command, bool toStderr);

} // namespace kes::was::tool

#endif
