// The commands of kesto-was and what they share: exit codes, messages and
// the command line.
//
// Messages for people go to standard error prefixed with the tool's name;
// standard output carries only what a command prints as its result (info).
#ifndef KESTO_TOOLS_WAS_TOOL_H
#define KESTO_TOOLS_WAS_TOOL_H

#include <string>
#include <utility>
#include <vector>

namespace kes::was::tool {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // bad sprite or picture, unreadable input, failed write
constexpr int kExitUsage = 2;   // the command line itself is wrong

void Error(const std::string& message);
void Warning(const std::string& message);
void Note(const std::string& message);
// Reports a command line mistake and points at the help; returns kExitUsage.
int UsageError(const std::string& message, const char* command);

struct Option {
    const char* name; // "--groups"
    bool takesValue;
};

struct Args {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> options; // in order; flags have no value
    bool help = false;

    bool Has(const char* name) const;
    std::string Last(const char* name) const; // empty when not given
};

// argv[first..argc): "--name value", "--name=value", "-h"/"--help"; "--"
// ends the options. False with a message for unknown options and missing
// values.
bool ParseArgs(int argc, char** argv, int first, const std::vector<Option>& known, Args* out,
               std::string* error);

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
