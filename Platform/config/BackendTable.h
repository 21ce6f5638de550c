// One shape for every backend choice of the platform layer: video drivers,
// sound outputs and render devices are each a null-terminated table of
// records { name, description, open, ... } in order of preference, chosen in
// one place by ChooseBackend. A program asks for a record by name through
// KesPlatform.h, a player through the environment; otherwise the first
// record that opens wins.
#ifndef KESTO_PLATFORM_CONFIG_BACKENDTABLE_H
#define KESTO_PLATFORM_CONFIG_BACKENDTABLE_H

#include <string>

#include <strings.h>

namespace kes::platform {

// The record named `name` (without regard to case), or null.
template <class Record>
const Record* FindBackend(const Record* const* table, const char* name)
{
    for (const Record* const* r = table; name && *r; ++r)
        if (strcasecmp((*r)->name, name) == 0) return *r;
    return nullptr;
}

// Every record's name, for a line that says what a table holds.
template <class Record>
std::string BackendNames(const Record* const* table)
{
    std::string names;
    for (const Record* const* r = table; *r; ++r) names += (names.empty() ? "" : ", ") + std::string((*r)->name);
    return names;
}

// Tries `asked` alone when it is set, else each record in order, with
// `open(record, &why)`; returns the first that opened, or null. `passedOver`
// collects "name: why" for each record that stood aside with a reason.
template <class Record, class Open>
const Record* ChooseBackend(const Record* const* table, const Record* asked, Open open, std::string* passedOver)
{
    for (const Record* const* r = table; *r; ++r) {
        if (asked && *r != asked) continue;
        std::string why;
        if (open(**r, &why)) return *r;
        if (!why.empty()) *passedOver += (passedOver->empty() ? "" : "; ") + std::string((*r)->name) + ": " + why;
    }
    return nullptr;
}

} // namespace kes::platform

#endif
