// Writing the entries chosen by `kesto-wdf extract` below the output folder.
//
// Nothing a user made is replaced unasked: before anything is written,
// every file already at a target is compared with its entry; an identical
// one is left as it is, and one that differs stops the whole extract unless
// `force` is given. Folders are made only after that check, and those a
// failed run leaves empty are removed again. A failure of the output (a
// folder that cannot be made, a full disk) is told once and ends the run; a
// damaged entry is told and passed over, and the others are still written.
#ifndef KESTO_TOOLS_WDF_EXTRACTWRITER_H
#define KESTO_TOOLS_WDF_EXTRACTWRITER_H

#include "ArchiveChain.h"

#include <string>
#include <vector>

namespace kes::wdf {

struct Extraction {
    ChainEntry at;
    std::string relative; // where below the output folder, '/' between folders
};

struct ExtractCounts {
    size_t written = 0;
    size_t unchanged = 0; // already there with the same bytes
    size_t failed = 0;    // damaged entries, and any not reached after a stop
};

// Writes `queue` below `folder`. False when anything was not written.
bool WriteExtractions(const std::vector<Extraction>& queue, const std::string& folder, bool force,
                      ExtractCounts* counts);

} // namespace kes::wdf

#endif
