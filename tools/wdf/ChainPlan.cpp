#include "ChainPlan.h"

#include <KesWdf.h>

#include <algorithm>

namespace kes::wdf {

bool PlanChain(const std::vector<ScannedFile>& files, const ChainLimits& limits, int maxParts,
               std::vector<size_t>* partCounts, std::string* error)
{
    const uint64_t maxBytes = std::min(limits.maxBytes, kMaxArchiveBytes);
    partCounts->assign(1, 0);
    uint64_t partBytes = kHeaderSize;
    for (const ScannedFile& f : files) {
        // Each file costs its bytes and its index entry.
        const uint64_t cost = f.size + kEntrySize;
        if (f.size > maxBytes || kHeaderSize + cost > maxBytes) {
            *error = f.relative + " (" + std::to_string(f.size) +
                " bytes) does not fit in an archive of at most " + std::to_string(maxBytes) + " bytes";
            return false;
        }
        if (partCounts->back() > 0 &&
            (partBytes + cost > maxBytes || partCounts->back() >= limits.maxFiles)) {
            partCounts->push_back(0);
            partBytes = kHeaderSize;
        }
        ++partCounts->back();
        partBytes += cost;
    }
    if (partCounts->size() > size_t(maxParts)) {
        *error = "the files need " + std::to_string(partCounts->size()) + " archives, more than the " +
            std::to_string(maxParts) + " a chain can have";
        return false;
    }
    return true;
}

} // namespace kes::wdf
