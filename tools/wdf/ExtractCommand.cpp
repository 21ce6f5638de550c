// kesto-wdf extract: files out of an archive.
#include "Args.h"
#include "Commands.h"
#include "Console.h"
#include "FolderScan.h"
#include "NameTable.h"
#include "WdfReader.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <unordered_map>

namespace fs = std::filesystem;

namespace kes::wdf::tool {
namespace {

struct Extraction {
    const IndexEntry* entry;
    std::string relative; // where below the output folder; empty: <0xID>.bin
};

// Names come from the user's lists, but a list may be foreign too: nothing
// may be written outside the output folder.
bool SafeRelative(const std::string& relative)
{
    if (relative.empty() || relative[0] == '/') return false;
    size_t start = 0;
    while (true) {
        const size_t end = relative.find('/', start);
        const std::string part =
            relative.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == "..") return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

class Extractor {
public:
    Extractor(const ArchiveReader& archive, const NameTable& names, bool force)
        : m_archive(archive)
        , m_names(names)
        , m_force(force)
    {
        // The first entry of an id is the one extracted; the engine may
        // find either, and `verify` reports the repeat.
        for (const IndexEntry& e : archive.Entries()) m_byId.emplace(e.id, &e);
    }

    // Queues the entry that `selector` names. False when there is none.
    bool Select(const std::string& selector)
    {
        unsigned long id;
        if (ParseHexId(selector, &id)) {
            const IndexEntry* e = Find(id);
            if (!e) return false;
            Queue(e, KnownName(id));
            return true;
        }
        // A game path first (shape/char/0001.was, written as char/0001.was),
        // then a path inside the archive (char/0001.was).
        std::string relative = ArchivePathOf(selector);
        DWORD gameId = 0;
        if (!relative.empty() && FileId(selector.c_str(), &gameId)) {
            if (const IndexEntry* e = Find(gameId)) {
                Queue(e, relative);
                return true;
            }
        }
        relative = selector;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        if (RelativePathId(relative, &id)) {
            if (const IndexEntry* e = Find(id)) {
                Queue(e, relative);
                return true;
            }
        }
        return false;
    }

    void SelectAll()
    {
        for (const IndexEntry& e : m_archive.Entries()) {
            if (Find(e.id) != &e) {
                Warning("entry with id " + HexId(e.id) +
                        " repeats an earlier id; only the first is extracted");
                continue;
            }
            Queue(&e, KnownName(e.id));
        }
    }

    // Writes the queued files below `folder`. The number that failed.
    size_t WriteAll(const std::string& folder)
    {
        size_t failed = 0;
        for (const Extraction& x : m_queue) {
            if (!Write(folder, x)) ++failed;
        }
        return failed;
    }

    size_t Queued() const { return m_queue.size(); }

private:
    const IndexEntry* Find(unsigned long id) const
    {
        const auto it = m_byId.find(id);
        return it == m_byId.end() ? nullptr : it->second;
    }

    std::string KnownName(unsigned long id) const
    {
        const std::string* name = m_names.Find(id);
        return name ? *name : std::string();
    }

    void Queue(const IndexEntry* e, std::string relative)
    {
        if (!relative.empty() && !SafeRelative(relative)) {
            Warning("'" + relative + "' would leave the output folder; writing " + HexId(e->id) +
                    ".bin instead");
            relative.clear();
        }
        m_queue.push_back(Extraction{e, std::move(relative)});
    }

    bool Write(const std::string& folder, const Extraction& x) const
    {
        const std::string relative = x.relative.empty() ? HexId(x.entry->id) + ".bin" : x.relative;
        const fs::path out = fs::path(folder) / relative;
        std::error_code ec;
        fs::create_directories(out.parent_path(), ec);
        if (ec) {
            Error(out.parent_path().string() + ": " + ec.message());
            return false;
        }
        // Written beside the target first: an existing file is only ever
        // replaced by a whole one, and only when asked to if it differs.
        const fs::path partial = out.string() + ".partial";
        FILE* f = fopen(partial.c_str(), "wb");
        if (!f) {
            Error("cannot create " + partial.string() + ": " + std::strerror(errno));
            return false;
        }
        std::string error;
        bool ok = m_archive.CopyEntry(*x.entry, f, &error);
        if (fclose(f) != 0 && ok) {
            error = std::strerror(errno);
            ok = false;
        }
        if (!ok) {
            Error(HexId(x.entry->id) + " (" + relative + "): " + error);
            fs::remove(partial, ec);
            return false;
        }
        if (fs::exists(out, ec)) {
            if (SameBytes(out, partial)) {
                fs::remove(partial, ec);
                return true;
            }
            if (!m_force) {
                Error(out.string() + " exists and differs from the archive's " + HexId(x.entry->id) +
                      "; give --force to replace it");
                fs::remove(partial, ec);
                return false;
            }
        }
        fs::rename(partial, out, ec);
        if (ec) {
            Error("cannot move " + partial.string() + " to " + out.string() + ": " + ec.message());
            fs::remove(partial, ec);
            return false;
        }
        return true;
    }

    static bool SameBytes(const fs::path& a, const fs::path& b)
    {
        std::error_code ec;
        if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) return false;
        FILE* fa = fopen(a.c_str(), "rb");
        FILE* fb = fopen(b.c_str(), "rb");
        bool same = fa && fb;
        char ba[65536], bb[65536];
        while (same) {
            const size_t na = fread(ba, 1, sizeof ba, fa), nb = fread(bb, 1, sizeof bb, fb);
            if (na != nb || memcmp(ba, bb, na) != 0) same = false;
            if (na < sizeof ba) break;
        }
        if (fa) fclose(fa);
        if (fb) fclose(fb);
        return same;
    }

    const ArchiveReader& m_archive;
    const NameTable& m_names;
    bool m_force;
    std::unordered_map<unsigned long, const IndexEntry*> m_byId;
    std::vector<Extraction> m_queue;
};

} // namespace

int RunExtract(int argc, char** argv, int first)
{
    ParsedArgs args;
    std::string error;
    const std::vector<OptionSpec> specs = {
        {"--names", nullptr, true, true}, {"--output", "-o", true}, {"--force", nullptr, false}};
    if (!ParseArgs(argc, argv, first, specs, &args, &error)) return UsageError(error, "extract");
    if (args.help) {
        PrintUsage("extract", false);
        return kExitOk;
    }
    if (args.positional.empty()) return UsageError("extract needs an archive", "extract");
    const std::string folder = args.Has("--output") ? args.Last("--output") : ".";

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

    Extractor extractor(archive, names, args.Has("--force"));
    int result = kExitOk;
    if (args.positional.size() == 1) {
        extractor.SelectAll();
    } else {
        for (size_t i = 1; i < args.positional.size(); ++i) {
            if (!extractor.Select(args.positional[i])) {
                Error(args.positional[i] + ": not in " + archive.Path());
                result = kExitFailure;
            }
        }
    }
    const size_t failed = extractor.WriteAll(folder);
    if (failed) result = kExitFailure;
    Note("extracted " + std::to_string(extractor.Queued() - failed) + " of " +
         kes::cli::Count(extractor.Queued(), "file", "files") + " to " + folder);
    return result;
}

} // namespace kes::wdf::tool
