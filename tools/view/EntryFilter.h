// The filter of the entry list: the entries whose label holds what was
// typed, letters in any case.
//
// Every label is kept folded to lower case in one block, so that a key
// typed costs one memmem over a few megabytes instead of a compare per
// letter of every label; and a filter that holds the last one (a letter
// added) only narrows the last result.
#ifndef KESTO_TOOLS_VIEW_ENTRYFILTER_H
#define KESTO_TOOLS_VIEW_ENTRYFILTER_H

#include "DataSet.h"

#include <string>
#include <vector>

namespace kes::view {

class EntryFilter {
public:
    // `data` must outlive the filter.
    explicit EntryFilter(const DataSet& data) : m_data(data) {}

    // The entries of `order` whose label (EntryLabel) holds `filter` (letters
    // in any case; empty keeps all), in the order of `order`. `order` must
    // be the one of the last call unless Forget was called since.
    const std::vector<size_t>& Kept(const std::vector<size_t>& order, const std::string& filter);
    // The list was put in another order: the next call starts from it.
    void Forget() { m_narrowable = false; }

private:
    void FoldLabels(); // every label into m_block
    bool Holds(size_t entry, const std::string& lowered) const;
    std::vector<size_t> Scan(const std::vector<size_t>& from, const std::string& lowered) const;

    const DataSet& m_data;
    std::string m_block;         // every entry's label in lower case, one after another
    std::vector<size_t> m_start; // where entry i's label starts in m_block; one more for the end
    unsigned m_revision = 0;     // DataSet::LabelsRevision that m_block was folded at
    bool m_folded = false;
    bool m_narrowable = false;   // m_kept came from the current order and m_lowered
    std::string m_lowered;
    std::vector<size_t> m_kept;
};

} // namespace kes::view

#endif
