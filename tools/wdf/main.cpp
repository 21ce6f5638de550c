// kesto-wdf: packs, lists, extracts and checks WDF archives.
#include "Commands.h"
#include "Console.h"

#include <cstring>

using namespace kes::wdf::tool;

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(nullptr, true);
        return kExitUsage;
    }
    const char* command = argv[1];
    if (!strcmp(command, "-h") || !strcmp(command, "--help") || !strcmp(command, "help")) {
        if (argc > 2 && !PrintUsage(argv[2], false))
            return UsageError(std::string("unknown command ") + argv[2]);
        if (argc == 2) PrintUsage(nullptr, false);
        return kExitOk;
    }
    if (!strcmp(command, "list")) return RunList(argc, argv, 2);
    if (!strcmp(command, "extract")) return RunExtract(argc, argv, 2);
    if (!strcmp(command, "pack")) return RunPack(argc, argv, 2);
    if (!strcmp(command, "verify")) return RunVerify(argc, argv, 2);
    return UsageError(std::string("unknown command '") + command + "'");
}
