// kesto-was: shows, exports and encodes WAS sprite animations.
#include "Tool.h"

#include <cstring>

using namespace kes::was::tool;

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(nullptr, true);
        return kExitUsage;
    }
    const char* command = argv[1];
    if (!strcmp(command, "-h") || !strcmp(command, "--help") || !strcmp(command, "help")) {
        if (argc > 2 && !PrintUsage(argv[2], false))
            return UsageError(std::string("unknown command ") + argv[2], nullptr);
        if (argc == 2) PrintUsage(nullptr, false);
        return kExitOk;
    }
    if (!strcmp(command, "info")) return RunInfo(argc, argv, 2);
    if (!strcmp(command, "export")) return RunExport(argc, argv, 2);
    if (!strcmp(command, "encode")) return RunEncode(argc, argv, 2);
    return UsageError(std::string("unknown command '") + command + "'", nullptr);
}
