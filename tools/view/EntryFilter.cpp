#include "EntryFilter.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kes::view {
namespace {

// std::tolower of every byte, asked once: folding a hundred thousand
// labels a byte at a time through the locale costs more than searching them.
struct FoldTable {
    FoldTable()
    {
        for (int c = 0; c < 256; ++c) to[c] = char(std::tolower(c));
    }
    char to[256];
};

const FoldTable& Fold()
{
    static const FoldTable table;
    return table;
}

void Lower(char* s, size_t n)
{
    const FoldTable& t = Fold();
    for (size_t i = 0; i < n; ++i) s[i] = t.to[static_cast<unsigned char>(s[i])];
}

} // namespace

void EntryFilter::FoldLabels()
{
    const std::vector<Entry>& entries = m_data.Entries();
    size_t bytes = 0;
    for (const Entry& e : entries) bytes += e.name.empty() ? 10 : e.name.size(); // "0x%08x" when unnamed
    m_block.clear();
    m_block.reserve(bytes);
    m_start.assign(1, 0);
    m_start.reserve(entries.size() + 1);
    for (const Entry& e : entries) {
        const size_t at = m_block.size();
        if (e.name.empty()) m_block += EntryLabel(e);
        else m_block += e.name;
        Lower(m_block.data() + at, m_block.size() - at);
        m_start.push_back(m_block.size());
    }
    m_revision = m_data.LabelsRevision();
    m_folded = true;
}

bool EntryFilter::Holds(size_t entry, const std::string& lowered) const
{
    const size_t n = m_start[entry + 1] - m_start[entry];
    return memmem(m_block.data() + m_start[entry], n, lowered.data(), lowered.size()) != nullptr;
}

std::vector<size_t> EntryFilter::Scan(const std::vector<size_t>& from, const std::string& lowered) const
{
    std::vector<size_t> kept;
    if (lowered.empty()) return from;
    const size_t entries = m_start.size() - 1;
    // A few entries (a narrowed list) are looked at one by one; many, by
    // one pass over the whole block, then taken in the list's order.
    if (from.size() < entries / 8) {
        for (size_t i : from)
            if (Holds(i, lowered)) kept.push_back(i);
        return kept;
    }
    std::vector<bool> hit(entries, false);
    const char* const begin = m_block.data();
    const char* const end = begin + m_block.size();
    const char* at = begin;
    while (at < end) {
        const void* found = memmem(at, size_t(end - at), lowered.data(), lowered.size());
        if (!found) break;
        const size_t pos = size_t(static_cast<const char*>(found) - begin);
        // The label holding the match's first byte; a match running on into
        // the next label is none: look again from the byte after its start.
        const size_t entry = size_t(std::upper_bound(m_start.begin(), m_start.end(), pos) - m_start.begin()) - 1;
        if (pos + lowered.size() <= m_start[entry + 1]) {
            hit[entry] = true;
            at = begin + m_start[entry + 1];
        } else {
            at = begin + pos + 1;
        }
    }
    for (size_t i : from)
        if (hit[i]) kept.push_back(i);
    return kept;
}

const std::vector<size_t>& EntryFilter::Kept(const std::vector<size_t>& order, const std::string& filter)
{
    if (!m_folded || m_revision != m_data.LabelsRevision() || m_start.size() != m_data.Entries().size() + 1) {
        FoldLabels();
        m_narrowable = false;
    }
    std::string lowered = filter;
    Lower(lowered.data(), lowered.size());
    // Every label that holds the new text holds the old one it contains:
    // only those kept last time need a look.
    const bool narrow = m_narrowable && lowered.find(m_lowered) != std::string::npos;
    m_kept = Scan(narrow ? m_kept : order, lowered);
    m_lowered = std::move(lowered);
    m_narrowable = true;
    return m_kept;
}

} // namespace kes::view
