// kesto-wdf list: the header and the index of an archive, or of each part
// of a chain.
#include "ArchiveChain.h"
#include "Commands.h"
#include "GamePath.h"
#include "NameTable.h"

#include <Cli.h>
#include <Numbers.h>

#include <cstdio>

namespace kes::wdf::tool {

using namespace kes::cli;

int RunList(int argc, char** argv, int first)
{
    ParsedArgs args;
    std::string error;
    if (!ParseArgs(argc, argv, first, {{"--names", nullptr, true, true}}, &args, &error))
        return UsageError(error, "list");
    if (args.help) {
        PrintUsage("list", false);
        return kExitOk;
    }
    if (args.positional.size() != 1)
        return UsageError(args.positional.empty() ? "list needs an archive" : "list takes one archive",
                          "list");

    NameTable names(args.positional[0]);
    if (!names.AddSources(args.Values("--names"), &error)) {
        Error(error);
        return kExitFailure;
    }
    ArchiveChain chain;
    std::vector<std::string> errors;
    if (!chain.Open(args.positional[0], &errors)) {
        for (const std::string& e : errors) Error(e);
        return kExitFailure;
    }

    // Each part of a chain under its own header: the header says which
    // archive file holds the entries listed below it. A name is shown as a
    // game passes it to the loaders (shape/char/0001.was); an archive no
    // game reaches by name shows the paths inside it.
    const std::string folder = GameFolderOf(chain.Path());
    size_t entries = 0, named = 0, outside = 0;
    for (const ArchiveReader& part : chain.Parts()) {
        const ArchiveHeader& h = part.Header();
        printf("%s: magic %s, %s, index at offset %u, %llu bytes\n", part.Path().c_str(),
               MagicName(h.magic).c_str(), Count(h.count, "entry", "entries").c_str(), h.indexOffset,
               (unsigned long long)part.FileSize());
        printf("%-10s  %10s  %10s  %s\n", "id", "offset", "size", "name");
        for (const IndexEntry& e : part.Entries()) {
            const std::string* name = names.Find(e.id);
            named += name != nullptr;
            const std::string shown = !name ? std::string() : folder.empty() ? *name : folder + "/" + *name;
            const bool inside = part.Inside(e);
            outside += !inside;
            printf("%s  %10u  %10u  %s%s\n", HexId(e.id).c_str(), e.offset, e.size, shown.c_str(),
                   inside ? "" : (name ? "  <outside the archive>" : "<outside the archive>"));
        }
        entries += h.count;
    }
    if (chain.Parts().size() > 1)
        printf("%s: a chain of %s, %s\n", chain.Path().c_str(),
               Count(chain.Parts().size(), "archive", "archives").c_str(),
               Count(entries, "entry", "entries").c_str());
    if (!names.Empty()) Note(std::to_string(named) + " of " + Count(entries, "entry", "entries") + " named");
    if (outside)
        Warning(Count(outside, "entry points", "entries point") +
                " outside its archive; run 'kesto-wdf verify' for details");
    for (const std::string& part : chain.Unreached())
        Warning(part + " is not listed: a game stops at the first missing part of the chain");
    return kExitOk;
}

} // namespace kes::wdf::tool
