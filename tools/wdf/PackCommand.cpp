// kesto-wdf pack: a folder into an archive or a chain of archives.
#include "ChainPlan.h"
#include "Commands.h"
#include "FolderLevel.h"
#include "FolderScan.h"
#include "Progress.h"
#include "StaleParts.h"
#include "WdfWriter.h"

#include <Cli.h>
#include <Files.h>
#include <Numbers.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace kes::wdf::tool {

using namespace kes::cli;

namespace {

struct PackOptions {
    std::string folder;
    std::string archive;
    DWORD magic = kMagicPlain;
    bool split = false;
    bool force = false;
    bool removeStale = false;
    ChainLimits limits;
};

int ParsePackArgs(const ParsedArgs& args, PackOptions* o)
{
    if (args.positional.size() != 2)
        return UsageError(args.positional.size() < 2 ? "pack needs a folder and an archive"
                                                     : "pack takes a folder and one archive",
                          "pack");
    o->folder = args.positional[0];
    o->archive = args.positional[1];
    if (args.Has("--scrambled")) o->magic = kMagicScrambled;
    o->force = args.Has("--force");
    o->removeStale = args.Has("--remove-stale");
    if (args.Has("--split-size")) {
        const std::string text = args.Last("--split-size");
        if (!ParseByteCount(text, &o->limits.maxBytes))
            return UsageError("--split-size wants a positive size such as 600M, not '" + text + "'", "pack");
        o->split = true;
    }
    if (args.Has("--split-count")) {
        const std::string text = args.Last("--split-count");
        if (!ParseInteger(text, 1, LLONG_MAX, &o->limits.maxFiles))
            return UsageError("--split-count wants a positive number, not '" + text + "'", "pack");
        o->split = true;
    }
    // The engine finds the parts of a chain by name: <dir>.wdf, <dir>.wd1 ...
    if (o->split && !IsChainStart(o->archive))
        return UsageError("the first archive of a chain must be named <dir>.wdf, not " + o->archive, "pack");
    return kExitOk;
}

// An archive written inside the folder would be packed by the next run.
bool Inside(const fs::path& folder, const fs::path& file)
{
    std::error_code ec, ec2;
    const fs::path a = fs::weakly_canonical(folder, ec), b = fs::weakly_canonical(file, ec2);
    if (ec || ec2) return false; // then the write itself will tell what is wrong
    auto ia = a.begin(), ib = b.begin();
    for (; ia != a.end() && !ia->empty(); ++ia, ++ib) {
        if (ib == b.end() || *ia != *ib) return false;
    }
    return true;
}

// The ids of the files; false after reporting every name that is too long
// and every set of files that share an id.
bool AssignIds(const std::vector<ScannedFile>& files, std::vector<DWORD>* ids)
{
    bool ok = true;
    std::map<DWORD, std::vector<const ScannedFile*>> byId;
    ids->reserve(files.size());
    for (const ScannedFile& f : files) {
        unsigned long id = 0;
        if (PackedId(f.relative, &id)) {
            byId[DWORD(id)].push_back(&f);
        } else {
            Error(f.relative + ": the path is too long for the engine's " + std::to_string(kNameBuffer) +
                  "-byte names");
            ok = false;
        }
        ids->push_back(DWORD(id));
    }
    for (const auto& [id, same] : byId) {
        if (same.size() < 2) continue;
        std::string list;
        for (const ScannedFile* f : same) list += (list.empty() ? "" : ", ") + f->relative;
        Error("these files share the id " + HexId(id) + " and cannot be told apart in an archive: " + list);
        ok = false;
    }
    return ok;
}

// Part p of the chain that starts at `archive`.
std::string PartName(const std::string& archive, size_t p)
{
    return p == 0 ? archive : ChainFileName(archive, int(p));
}

} // namespace

int RunPack(int argc, char** argv, int first)
{
    ParsedArgs args;
    std::string error;
    const std::vector<OptionSpec> specs = {
        {"--scrambled", nullptr, false}, {"--split-size", nullptr, true}, {"--split-count", nullptr, true},
        {"--force", nullptr, false}, {"--remove-stale", nullptr, false}};
    if (!ParseArgs(argc, argv, first, specs, &args, &error)) return UsageError(error, "pack");
    if (args.help) {
        PrintUsage("pack", false);
        return kExitOk;
    }
    PackOptions o;
    if (const int bad = ParsePackArgs(args, &o)) return bad;

    std::vector<ScannedFile> files;
    if (!ScanFolder(o.folder, &files, &error)) {
        Error(error);
        return kExitFailure;
    }
    if (Inside(o.folder, o.archive)) {
        Error("write the archive outside the folder being packed (" + o.archive + " is inside " + o.folder +
              ")");
        return kExitFailure;
    }
    std::vector<DWORD> ids;
    if (!AssignIds(files, &ids)) return kExitFailure;

    std::vector<size_t> parts;
    if (!PlanChain(files, o.limits, kChainLength, &parts, &error)) {
        Error(error);
        return kExitFailure;
    }
    if (!o.split && parts.size() > 1) {
        Error("the files do not fit one archive of at most " + std::to_string(kMaxArchiveBytes) +
              " bytes; split them into a chain with --split-size");
        return kExitFailure;
    }
    if (files.empty()) Warning(o.folder + " holds no files; the archive will be empty");
    WarnAboutFolderLevel(files, o.folder, o.archive);
    // Every part is written under a temporary name first and all are moved
    // into place together, so that a failed pack leaves the archives of an
    // earlier one as they were. Existing archives, and parts of a longer
    // chain that would be left over, are refused before any is written. A
    // missing output folder is made last, and goes again if the pack fails
    // (the outputs, declared after it, are discarded before it).
    cli::MadeFolders folders;
    std::vector<cli::OutputFile> outputs(parts.size());
    for (size_t p = 0; p < parts.size(); ++p) {
        if (!cli::MayReplace(PartName(o.archive, p), o.force, &error)) {
            Error(error);
            return kExitFailure;
        }
    }
    const std::vector<std::string> stale = StaleParts(o.archive, parts.size());
    if (!stale.empty() && !o.removeStale) {
        Error(JoinNames(stale) + (stale.size() == 1 ? " is" : " are") +
              " left from an earlier pack and not part of this chain: a game would still search " +
              (stale.size() == 1 ? "it" : "them") + " and verify would fail; remove " +
              (stale.size() == 1 ? "it" : "them") + ", or give --remove-stale");
        return kExitFailure;
    }
    if (!folders.Make(fs::path(o.archive).parent_path().string(), &error)) {
        Error(error);
        return kExitFailure;
    }
    Progress progress("packing", files.size());
    std::vector<uint64_t> sizes;
    size_t next = 0;
    for (size_t p = 0; p < parts.size(); ++p) {
        ArchiveWriter writer(o.magic);
        const size_t base = next;
        for (size_t i = 0; i < parts[p]; ++i, ++next) writer.AddFile(ids[next], files[next].full);
        cli::OutputFile& out = outputs[p];
        if (!out.Open(PartName(o.archive, p), o.force, &error)) {
            Error(error);
            return kExitFailure;
        }
        if (!writer.WriteTo(out.Stream(), &error, [&](size_t done, size_t) { progress.Update(base + done); })) {
            Error(out.Path() + ": " + error);
            return kExitFailure;
        }
        sizes.push_back(writer.FileBytes());
    }
    for (size_t p = 0; p < parts.size(); ++p) {
        if (!outputs[p].Finish(&error)) {
            Error(error);
            return kExitFailure;
        }
        printf("%s: %s, %llu bytes\n", outputs[p].Path().c_str(), Count(parts[p], "file", "files").c_str(),
               (unsigned long long)sizes[p]);
    }
    folders.Keep();
    if (!stale.empty()) {
        if (!RemoveStaleParts(stale)) return kExitFailure;
        Note("removed " + JoinNames(stale) + ", left from an earlier pack");
    }
    return kExitOk;
}

} // namespace kes::wdf::tool
