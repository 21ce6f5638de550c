// What the command-line tools share: exit codes, messages, and the parsing
// of options.
//
// Messages for people go to standard error prefixed with the tool's name, so
// that standard output carries only what a command prints as its result.
// Options may stand anywhere after the command, as "--name value",
// "--name=value" or, for short aliases, "-o value"; "--" ends them so that a
// file whose name starts with '-' can still be given.
#ifndef KESTO_TOOLS_CLI_H
#define KESTO_TOOLS_CLI_H

#include <string>
#include <utility>
#include <vector>

namespace kes::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // bad input file, unreadable input, failed write
constexpr int kExitUsage = 2;   // the command line itself is wrong

// The name messages start with ("kesto-wdf"); set once by main.
void SetToolName(const char* name);

void Error(const std::string& message);
void Warning(const std::string& message);
void Note(const std::string& message);
// Reports a command line mistake and points at the help; returns kExitUsage.
int UsageError(const std::string& message, const char* command = nullptr);

// "1 entry", "2 entries": a count with the word that goes with it.
std::string Count(unsigned long long n, const char* one, const char* many);

struct OptionSpec {
    const char* name;  // "--output"
    const char* alias; // "-o", or nullptr
    bool takesValue;
    bool repeats = false; // may be given more than once (else that is a mistake)
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

// Parses argv[first..argc). False with a message for unknown options,
// options without their value and options given twice that do not repeat.
// "-h"/"--help" set `help`.
bool ParseArgs(int argc, char** argv, int first, const std::vector<OptionSpec>& specs, ParsedArgs* out,
               std::string* error);

struct Command {
    const char* name;
    int (*run)(int argc, char** argv, int first); // argv[first..] are the command's own arguments
};

// A tool's main: names the tool for messages, answers "--help", "-h" and
// "help [command]" through printUsage (which is false for an unknown
// command), "--version" with the tool's name and Kesto's version, and runs
// the command argv[1] names.
int RunTool(int argc, char** argv, const char* tool, const std::vector<Command>& commands,
            bool (*printUsage)(const char* command, bool toStderr));

} // namespace kes::cli

#endif
