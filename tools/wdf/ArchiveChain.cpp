#include "ArchiveChain.h"

#include <Cli.h>
#include <WdfWriter.h>

#include <filesystem>

namespace kes::wdf {

bool ArchiveChain::Open(const std::string& first, std::vector<std::string>* errors)
{
    m_first = first;
    m_parts.clear();
    m_unreached.clear();
    m_byId.clear();
    std::vector<std::string> names = {first};
    if (IsChainStart(first)) {
        bool gap = false;
        for (int n = 1; n < kChainLength; ++n) {
            const std::string name = ChainFileName(first, n);
            std::error_code ec;
            const bool exists = std::filesystem::exists(name, ec);
            gap = gap || !exists;
            if (exists) (gap ? m_unreached : names).push_back(name);
        }
    }
    bool ok = true;
    m_parts.reserve(names.size());
    for (const std::string& name : names) {
        ArchiveReader part;
        std::string error;
        if (!part.Open(name, &error)) {
            errors->push_back(error);
            ok = false;
            continue;
        }
        m_parts.push_back(std::move(part));
    }
    // Indexed only now: the parts no longer move.
    size_t entries = 0;
    for (const ArchiveReader& part : m_parts) entries += part.Entries().size();
    m_byId.reserve(entries);
    for (const ArchiveReader& part : m_parts) {
        for (const IndexEntry& e : part.Entries()) m_byId.emplace(e.id, ChainEntry{&part, &e});
    }
    return ok;
}

std::string ArchiveChain::Describe() const
{
    if (m_parts.size() < 2) return m_first;
    return m_first + " and " + cli::Count(m_parts.size() - 1, "more part", "more parts");
}

ChainEntry ArchiveChain::Find(unsigned long id) const
{
    const auto it = m_byId.find(id);
    return it == m_byId.end() ? ChainEntry() : it->second;
}

} // namespace kes::wdf
