#include "EntryOrder.h"

#include <algorithm>
#include <cctype>

namespace kes::view {
namespace {

bool Holds(const std::string& label, const std::string& lowered)
{
    if (lowered.empty()) return true;
    auto it = std::search(label.begin(), label.end(), lowered.begin(), lowered.end(),
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    return it != label.end();
}

std::string Lowered(std::string s)
{
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

std::vector<size_t> FilterEntries(const DataSet& data, const std::vector<size_t>& order, const std::string& filter)
{
    if (filter.empty()) return order;
    const std::string lowered = Lowered(filter);
    std::vector<size_t> kept;
    for (size_t i : order) {
        const Entry& e = data.Entries()[i];
        if (e.name.empty() ? Holds(EntryLabel(e), lowered) : Holds(e.name, lowered)) kept.push_back(i);
    }
    return kept;
}

std::vector<size_t> OrderEntries(DataSet& data, Column column, bool descending, const std::string& filter)
{
    const std::string lowered = Lowered(filter);
    const std::vector<Entry>& entries = data.Entries();
    std::vector<size_t> order;
    std::vector<std::string> labels(entries.size());
    order.reserve(entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        labels[i] = EntryLabel(entries[i]);
        if (Holds(labels[i], lowered)) order.push_back(i);
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
