#include "WdfCheck.h"

#include <Cli.h>
#include <Numbers.h>

#include <algorithm>
#include <unordered_map>

namespace kes::wdf {
namespace {

using cli::HexId;

// Collects the messages of one kind, keeping the first few.
class ProblemKind {
public:
    explicit ProblemKind(std::vector<std::string>* out)
        : m_out(out)
    {
    }
    ~ProblemKind()
    {
        if (m_count > kProblemsShownPerKind)
            m_out->push_back("... and " + std::to_string(m_count - kProblemsShownPerKind) + " more like it");
    }
    void Add(const std::string& message)
    {
        if (m_count++ < kProblemsShownPerKind) m_out->push_back(message);
    }

private:
    std::vector<std::string>* m_out;
    size_t m_count = 0;
};

std::string EntryName(size_t i, const IndexEntry& e)
{
    return "entry " + std::to_string(i) + " (id " + HexId(e.id) + ")";
}

void CheckOrder(const std::vector<IndexEntry>& entries, std::vector<std::string>* out)
{
    // Lookups bisect the index: one entry out of order can hide many others.
    ProblemKind kind(out);
    for (size_t i = 1; i < entries.size(); ++i) {
        if (entries[i].id < entries[i - 1].id)
            kind.Add("index out of order: " + EntryName(i, entries[i]) + " comes after id " +
                     HexId(entries[i - 1].id) + "; lookups may miss files");
    }
}

void CheckUnique(const std::vector<IndexEntry>& entries, std::vector<std::string>* out)
{
    std::vector<std::pair<DWORD, size_t>> ids;
    ids.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) ids.emplace_back(entries[i].id, i);
    std::sort(ids.begin(), ids.end());

    ProblemKind kind(out);
    for (size_t i = 0; i < ids.size();) {
        size_t j = i + 1;
        while (j < ids.size() && ids[j].first == ids[i].first) ++j;
        if (j - i > 1) {
            std::string where;
            for (size_t k = i; k < j; ++k) where += (k == i ? "" : ", ") + std::to_string(ids[k].second);
            kind.Add("id " + HexId(ids[i].first) + " is used by " + std::to_string(j - i) + " entries (" +
                     where + "); the engine finds only one of them");
        }
        i = j;
    }
}

void CheckData(const ArchiveReader& archive, std::vector<std::string>* out)
{
    ProblemKind kind(out);
    const std::vector<IndexEntry>& entries = archive.Entries();
    for (size_t i = 0; i < entries.size(); ++i) {
        const IndexEntry& e = entries[i];
        const uint64_t end = uint64_t(e.offset) + e.size;
        if (e.offset == 0) {
            kind.Add(EntryName(i, e) + " has data offset 0, where the header lies; the engine ignores it");
        } else if (e.offset < kHeaderSize) {
            kind.Add(EntryName(i, e) + " starts at offset " + std::to_string(e.offset) +
                     ", inside the header");
        }
        if (end > archive.FileSize()) {
            kind.Add(EntryName(i, e) + " runs past the end of the file: offset " + std::to_string(e.offset) +
                     " + size " + std::to_string(e.size) + " = " + std::to_string(end) + " > " +
                     std::to_string(archive.FileSize()) + " bytes");
        }
    }
}

} // namespace

std::vector<std::string> CheckArchive(const ArchiveReader& archive)
{
    std::vector<std::string> problems;
    const ArchiveHeader& h = archive.Header();
    if (h.count > 0 && h.indexOffset < kHeaderSize)
        problems.push_back("the index starts at offset " + std::to_string(h.indexOffset) +
                           ", inside the header");
    CheckOrder(archive.Entries(), &problems);
    CheckUnique(archive.Entries(), &problems);
    CheckData(archive, &problems);
    return problems;
}

std::vector<std::string> CheckChain(const ArchiveChain& chain)
{
    std::vector<std::string> problems;
    {
        ProblemKind kind(&problems);
        std::unordered_map<DWORD, const std::string*> holder;
        for (const ArchiveReader& part : chain.Parts()) {
            std::unordered_map<DWORD, const std::string*> added;
            for (const IndexEntry& e : part.Entries()) {
                const auto earlier = holder.find(e.id);
                if (earlier != holder.end())
                    kind.Add("id " + HexId(e.id) + " is held by both " + *earlier->second + " and " + part.Path() +
                             "; a game finds only one of them");
                else
                    added.emplace(e.id, &part.Path());
            }
            holder.insert(added.begin(), added.end());
        }
    }
    for (const std::string& part : chain.Unreached())
        problems.push_back(part + " lies past a missing part of the chain; a game never reads it");
    return problems;
}

} // namespace kes::wdf
