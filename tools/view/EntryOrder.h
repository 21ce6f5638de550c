// The order and the filter of the entry list: sorting by any column, and
// keeping the entries whose name holds what was typed.
#ifndef KESTO_TOOLS_VIEW_ENTRYORDER_H
#define KESTO_TOOLS_VIEW_ENTRYORDER_H

#include "DataSet.h"

#include <string>
#include <vector>

namespace kes::view {

enum class Column { Name, Size, Part, Kind };

// Entry numbers sorted by `column` (ties by name), among those whose label
// holds `filter` (letters in any case; empty keeps all). Sorting by kind
// sniffs every entry kept.
std::vector<size_t> OrderEntries(DataSet& data, Column column, bool descending, const std::string& filter);

// The entries of `order` whose label holds `filter`, in its order: what a
// key typed into the filter costs, without sorting again.
std::vector<size_t> FilterEntries(const DataSet& data, const std::vector<size_t>& order, const std::string& filter);

} // namespace kes::view

#endif
