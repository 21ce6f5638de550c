#include "EntryOrder.h"

#include <algorithm>
#include <string_view>

namespace kes::view {

std::vector<size_t> OrderEntries(DataSet& data, Column column, bool descending)
{
    const std::vector<Entry>& entries = data.Entries();
    // The labels compared are the names themselves where known: only an
    // entry known by its id has its label made.
    std::vector<std::string> made;
    std::vector<std::string_view> labels(entries.size());
    for (const Entry& e : entries)
        if (e.name.empty()) made.push_back(EntryLabel(e));
    for (size_t i = 0, m = 0; i < entries.size(); ++i)
        labels[i] = entries[i].name.empty() ? std::string_view(made[m++]) : std::string_view(entries[i].name);
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::vector<int> keys; // the part or the kind, as numbers
    if (column == Column::Kind || column == Column::Part) {
        keys.resize(entries.size());
        for (size_t i : order) keys[i] = column == Column::Kind ? int(data.Kind(i)) : entries[i].part;
    }
    auto less = [&](size_t a, size_t b) {
        switch (column) {
        case Column::Size:
            if (entries[a].size != entries[b].size) return entries[a].size < entries[b].size;
            break;
        case Column::Part:
        case Column::Kind:
            if (keys[a] != keys[b]) return keys[a] < keys[b];
            break;
        case Column::Name: break;
        }
        return labels[a] < labels[b];
    };
    std::stable_sort(order.begin(), order.end(), less);
    if (descending) std::reverse(order.begin(), order.end());
    return order;
}

} // namespace kes::view
