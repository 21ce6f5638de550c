// The checks of `kesto-wdf verify`: everything the engine relies on
// when it reads an archive, beyond what ArchiveReader::Open already refuses.
#ifndef KESTO_TOOLS_WDF_WDFCHECK_H
#define KESTO_TOOLS_WDF_WDFCHECK_H

#include "ArchiveChain.h"
#include "WdfReader.h"

#include <string>
#include <vector>

namespace kes::wdf {

// At most this many messages of one kind are listed; a damaged index (say,
// a scrambled one read as plain) would otherwise flood the screen. The
// rest are summed up in one line.
constexpr size_t kProblemsShownPerKind = 20;

// Problems of an opened archive, one message each, in index order per kind:
// the index overlapping the header, ids out of order, repeated ids, data
// at offset 0 or inside the header, data past the end of the file.
std::vector<std::string> CheckArchive(const ArchiveReader& archive);

// Problems between the parts of a chain: an id held by more than one part,
// and parts past a missing one, which a game never reaches.
std::vector<std::string> CheckChain(const ArchiveChain& chain);

} // namespace kes::wdf

#endif
