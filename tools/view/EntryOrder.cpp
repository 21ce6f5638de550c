#include "EntryOrder.h"

#include <algorithm>

namespace kes::view {

std::vector<size_t> OrderEntries(DataSet& data, Column column, bool descending)
{
    const std::vector<Entry>& entries = data.Entries();
    std::vector<size_t> order;
    std::vector<std::string> labels(entries.size());
    order.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        labels[i] = EntryLabel(entries[i]);
        order.push_back(i);
    }
    std::vector<int> keys(entries.size(), 0); // the part or the kind, as numbers
    if (column == Column::Kind)
        for (size_t i : order) keys[i] = int(data.Kind(i));
    if (column == Column::Part)
        for (size_t i : order) keys[i] = entries[i].part;
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
