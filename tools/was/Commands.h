// The commands of kesto-was. Each takes the arguments after its name and
// returns the process's exit code (Cli.h).
#ifndef KESTO_TOOLS_WAS_COMMANDS_H
#define KESTO_TOOLS_WAS_COMMANDS_H

namespace kes::was::tool {

int RunInfo(int argc, char** argv, int first);
int RunExport(int argc, char** argv, int first);
int RunEncode(int argc, char** argv, int first);

// The help of the tool or of one command (nullptr for the tool). False when
// there is no such command.
bool PrintUsage(const char* command, bool toStderr);

} // namespace kes::was::tool

#endif
