// The commands of kesto-wdf. Each takes the arguments after its name and
// returns the process's exit code (Cli.h).
#ifndef KESTO_TOOLS_WDF_COMMANDS_H
#define KESTO_TOOLS_WDF_COMMANDS_H

namespace kes::wdf::tool {

int RunList(int argc, char** argv, int first);
int RunExtract(int argc, char** argv, int first);
int RunPack(int argc, char** argv, int first);
int RunVerify(int argc, char** argv, int first);

// The help of the tool, or of one command (nullptr for the tool). False
// when there is no such command.
bool PrintUsage(const char* command, bool toStderr);

} // namespace kes::wdf::tool

#endif
