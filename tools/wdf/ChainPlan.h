// Dealing the files of a pack out to the archives of a chain.
#ifndef KESTO_TOOLS_WDF_CHAINPLAN_H
#define KESTO_TOOLS_WDF_CHAINPLAN_H

#include "FolderScan.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kes::wdf {

// Offsets are 32-bit, and the engine seeks with a signed 32-bit distance:
// no archive file may grow beyond this.
constexpr uint64_t kMaxArchiveBytes = 0x7FFFFFFF;

struct ChainLimits {
    uint64_t maxBytes = kMaxArchiveBytes; // whole archive file: header, data, index
    uint64_t maxFiles = UINT64_MAX;
};

// Splits the files, in their order, into consecutive
// parts that each respect the limits, filling each part before starting the
// next. Returns the number of files in each part (one empty part for no
// files). False with a message when a file cannot fit any part or more than
// `maxParts` parts would be needed.
bool PlanChain(const std::vector<ScannedFile>& files, const ChainLimits& limits, int maxParts,
               std::vector<size_t>* partCounts, std::string* error);

} // namespace kes::wdf

#endif
