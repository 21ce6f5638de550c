// Messages and exit codes shared by the commands of kesto-wdf.
//
// Everything meant for a person goes to standard error, prefixed with the
// tool's name, so that standard output stays clean for listings that other
// programs read.
#ifndef KESTO_TOOLS_WDF_CONSOLE_H
#define KESTO_TOOLS_WDF_CONSOLE_H

#include <string>

namespace kes::wdf::tool {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // bad archive, unreadable input, failed write
constexpr int kExitUsage = 2; // the command line itself is wrong

void Error(const std::string& message);
void Warning(const std::string& message);
void Note(const std::string& message);

// Reports a command line mistake and points at the help; returns kExitUsage.
int UsageError(const std::string& message, const char* command = nullptr);

// "0x1234abcd": how ids are written everywhere in the tool's output.
std::string HexId(unsigned long id);

} // namespace kes::wdf::tool

#endif
