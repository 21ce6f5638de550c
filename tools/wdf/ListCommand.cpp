// kesto-wdf list: the header and the index of an archive.
#include "Args.h"
#include "Commands.h"
#include "Console.h"
#include "NameTable.h"
#include "WdfReader.h"

#include <cstdio>

namespace kes::wdf::tool {

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

    NameTable names;
    if (!names.AddSources(args.Values("--names"), &error)) {
        Error(error);
        return kExitFailure;
    }
    ArchiveReader archive;
    if (!archive.Open(args.positional[0], &error)) {
        Error(error);
        return kExitFailure;
    }

    const ArchiveHeader& h = archive.Header();
    printf("%s: magic %s, %s, index at offset %u, %llu bytes\n", archive.Path().c_str(),
           MagicName(h.magic).c_str(), kes::cli::Count(h.count, "entry", "entries").c_str(), h.indexOffset,
           (unsigned long long)archive.FileSize());
    printf("%-10s  %10s  %10s  %s\n", "id", "offset", "size", "name");
    size_t named = 0, outside = 0;
    for (const IndexEntry& e : archive.Entries()) {
        const std::string* name = names.Find(e.id);
        named += name != nullptr;
        const bool inside = archive.Inside(e);
        outside += !inside;
        printf("%s  %10u  %10u  %s%s\n", HexId(e.id).c_str(), e.offset, e.size, name ? name->c_str() : "",
               inside ? "" : (name ? "  <outside the archive>" : "<outside the archive>"));
    }
    if (!names.Empty()) Note(std::to_string(named) + " of " + kes::cli::Count(h.count, "entry", "entries") + " named");
    if (outside)
        Warning(kes::cli::Count(outside, "entry points", "entries point") +
                " outside the archive; run 'kesto-wdf verify' for details");
    return kExitOk;
}

} // namespace kes::wdf::tool
