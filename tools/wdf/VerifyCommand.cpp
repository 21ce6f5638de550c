// kesto-wdf verify: is an archive valid for the engine?
#include "Args.h"
#include "Commands.h"
#include "Console.h"
#include "WdfCheck.h"
#include "WdfReader.h"

#include <cstdio>

namespace kes::wdf::tool {

int RunVerify(int argc, char** argv, int first)
{
    ParsedArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, first, {}, &args, &error)) return UsageError(error, "verify");
    if (args.help) {
        PrintUsage("verify", false);
        return kExitOk;
    }
    if (args.positional.empty()) return UsageError("verify needs an archive", "verify");

    // Several archives (a chain, say) may be checked at once; each is
    // reported on its own.
    int result = kExitOk;
    for (const std::string& path : args.positional) {
        ArchiveReader archive;
        if (!archive.Open(path, &error)) {
            Error(error);
            result = kExitFailure;
            continue;
        }
        const std::vector<std::string> problems = CheckArchive(archive);
        for (const std::string& p : problems) Error(path + ": " + p);
        if (problems.empty()) {
            printf("%s: valid (magic %s, %s)\n", path.c_str(), MagicName(archive.Header().magic).c_str(),
                   kes::cli::Count(archive.Header().count, "entry", "entries").c_str());
        } else {
            result = kExitFailure;
        }
    }
    return result;
}

} // namespace kes::wdf::tool
