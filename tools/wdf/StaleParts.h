// Parts of an earlier, longer chain that a new pack would leave behind.
//
// A game searches shape.wd2 after shape.wd1 whether or not this pack wrote
// it: a part left from an earlier pack repeats ids of the new chain (verify
// then fails) and may hand a game old files. So a pack that would leave one
// is refused unless the user lets the tool remove them.
#ifndef KESTO_TOOLS_WDF_STALEPARTS_H
#define KESTO_TOOLS_WDF_STALEPARTS_H

#include <string>
#include <vector>

namespace kes::wdf {

// The files at chain positions `parts` .. 14 of `archive` (a <dir>.wdf),
// those past a missing one included. None for an archive that starts no
// chain.
std::vector<std::string> StaleParts(const std::string& archive, size_t parts);

// "a.wd2", "a.wd2 and a.wd5", "a.wd2, a.wd3 and a.wd5".
std::string JoinNames(const std::vector<std::string>& names);

// Removes `stale`. False after one message for each that cannot be removed.
bool RemoveStaleParts(const std::vector<std::string>& stale);

} // namespace kes::wdf

#endif
