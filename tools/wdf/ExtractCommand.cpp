// kesto-wdf extract: files out of an archive, or out of a whole chain.
#include "ArchiveChain.h"
#include "Commands.h"
#include "ExtractWriter.h"
#include "FolderScan.h"
#include "GamePath.h"
#include "NameTable.h"

#include <Cli.h>
#include <Numbers.h>

#include <algorithm>
#include <map>

namespace kes::wdf::tool {

using namespace kes::cli;

namespace {

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

// Chooses the entries to extract and where each goes.
class Selection {
public:
    Selection(const ArchiveChain& chain, const NameTable& names)
        : m_chain(chain)
        , m_names(names)
    {
    }

    // Queues the entry that `selector` names. False when there is none.
    bool Select(const std::string& selector)
    {
        unsigned long id;
        if (ParseHexId(selector, &id)) {
            const ChainEntry at = m_chain.Find(id);
            if (!at.entry) return false;
            Queue(at, KnownName(id));
            return true;
        }
        // A game path that leads to this archive first (shape/char/0001.was
        // or shape\\char\\0001.was, written as char/0001.was), then a path
        // inside the archive (char/0001.was).
        std::string relative = ArchivePathOf(selector);
        DWORD gameId = 0;
        if (MayName(selector, m_chain.Path()) && FileId(selector.c_str(), &gameId)) {
            const ChainEntry at = m_chain.Find(gameId);
            if (at.entry) {
                Queue(at, relative);
                return true;
            }
        }
        relative = selector;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        if (RelativePathId(relative, &id)) {
            const ChainEntry at = m_chain.Find(id);
            if (at.entry) {
                Queue(at, relative);
                return true;
            }
        }
        return false;
    }

    void SelectAll()
    {
        for (const ArchiveReader& part : m_chain.Parts()) {
            for (const IndexEntry& e : part.Entries()) {
                // The entry a game finds is the one extracted; `verify`
                // reports the repeat.
                const ChainEntry found = m_chain.Find(e.id);
                if (found.entry != &e) {
                    Warning("entry " + HexId(e.id) + " of " + part.Path() + " repeats an id that " +
                            (found.part == &part ? "it" : found.part->Path()) +
                            " holds earlier; only the first is extracted");
                    continue;
                }
                Queue(found, KnownName(e.id));
            }
        }
    }

    const std::vector<Extraction>& Queued() const { return m_queue; }
    // Whether an entry was left out because another took its path.
    bool Clashed() const { return m_clashed; }

private:
    std::string KnownName(unsigned long id) const
    {
        const std::string* name = m_names.Find(id);
        return name ? *name : std::string();
    }

    // Without a name, an entry is written as <0xID>.bin, which pack stores
    // under that id again.
    void Queue(const ChainEntry& at, std::string relative)
    {
        if (!relative.empty() && !SafeRelative(relative)) {
            Warning("'" + relative + "' would leave the output folder; writing " + HexId(at.entry->id) +
                    ".bin instead");
            relative.clear();
        }
        if (relative.empty()) relative = HexId(at.entry->id) + ".bin";
        // One file per target: the same entry asked for twice is written
        // once, and a second entry may not take a path the first has.
        const auto [it, added] = m_targets.emplace(relative, at.entry);
        if (!added) {
            if (it->second != at.entry) {
                Error(relative + " is named by two entries; " + HexId(at.entry->id) + " of " + at.part->Path() +
                      " is not extracted");
                m_clashed = true;
            }
            return;
        }
        m_queue.push_back(Extraction{at, std::move(relative)});
    }

    const ArchiveChain& m_chain;
    const NameTable& m_names;
    std::vector<Extraction> m_queue;
    std::map<std::string, const IndexEntry*> m_targets;
    bool m_clashed = false;
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
    for (const std::string& part : chain.Unreached())
        Warning(part + " is not extracted: a game stops at the first missing part of the chain");

    Selection selection(chain, names);
    if (args.positional.size() == 1) {
        selection.SelectAll();
    } else {
        // Every file asked for is found before any is written: an extract
        // refused for a mistyped name leaves no folder and no file.
        size_t missing = 0;
        for (size_t i = 1; i < args.positional.size(); ++i) {
            if (!selection.Select(args.positional[i])) {
                Error(args.positional[i] + ": not in " + chain.Describe());
                ++missing;
            }
        }
        if (missing) {
            Error("nothing was extracted; 'kesto-wdf list " + chain.Path() + "' shows what there is");
            return kExitFailure;
        }
    }
    int result = selection.Clashed() ? kExitFailure : kExitOk;
    const std::vector<Extraction>& queue = selection.Queued();
    ExtractCounts counts;
    if (!WriteExtractions(queue, folder, args.Has("--force"), &counts)) result = kExitFailure;
    const size_t done = counts.written + counts.unchanged;
    std::string summary = "extracted " + (done == queue.size() ? Count(done, "entry", "entries")
                                                               : std::to_string(done) + " of " +
                                                  Count(queue.size(), "entry", "entries"));
    summary += " from " + chain.Describe() + " to " + folder;
    if (counts.unchanged) summary += " (" + std::to_string(counts.unchanged) + " already there, unchanged)";
    Note(summary);
    return result;
}

} // namespace kes::wdf::tool
