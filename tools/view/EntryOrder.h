// The order of the entry list: sorting by any column (EntryFilter keeps
// the entries whose name holds what was typed).
#ifndef KESTO_TOOLS_VIEW_ENTRYORDER_H
#define KESTO_TOOLS_VIEW_ENTRYORDER_H

#include "DataSet.h"

#include <string>
#include <vector>

namespace kes::view {

enum class Column { Name, Size, Part, Kind };

// Every entry number, sorted by `column` (ties by name). Sorting by kind
// sniffs every entry.
std::vector<size_t> OrderEntries(DataSet& data, Column column, bool descending);

} // namespace kes::view

#endif
