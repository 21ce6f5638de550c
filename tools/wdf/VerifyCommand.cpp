// kesto-wdf verify: is an archive, with the rest of its chain, valid for the
// engine?
#include "ArchiveChain.h"
#include "Commands.h"
#include "WdfCheck.h"

#include <Cli.h>

#include <cstdio>
#include <filesystem>
#include <set>

namespace kes::wdf::tool {

using namespace kes::cli;

namespace {

std::string Canonical(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : p.string();
}

} // namespace

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

    // Each archive is checked with the rest of its chain, and each part is
    // reported on its own. A part named as well as its chain's first is
    // checked once.
    int result = kExitOk;
    std::set<std::string> checked;
    for (const std::string& path : args.positional) {
        if (checked.count(Canonical(path))) continue;
        ArchiveChain chain;
        std::vector<std::string> errors;
        if (!chain.Open(path, &errors)) result = kExitFailure;
        for (const std::string& e : errors) Error(e);
        for (const ArchiveReader& part : chain.Parts()) {
            checked.insert(Canonical(part.Path()));
            const std::vector<std::string> problems = CheckArchive(part);
            for (const std::string& p : problems) Error(part.Path() + ": " + p);
            if (problems.empty()) {
                printf("%s: valid (magic %s, %s)\n", part.Path().c_str(), MagicName(part.Header().magic).c_str(),
                       Count(part.Header().count, "entry", "entries").c_str());
            } else {
                result = kExitFailure;
            }
        }
        const std::vector<std::string> problems = CheckChain(chain);
        for (const std::string& p : problems) Error(path + ": " + p);
        if (!problems.empty()) result = kExitFailure;
    }
    return result;
}

} // namespace kes::wdf::tool
