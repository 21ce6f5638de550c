// The process-wide table of registered WDF archives and the chain search.
#ifndef KESTO_CORE_KESDATAFILE_H
#define KESTO_CORE_KESDATAFILE_H

#include "KesReport.h"
#include "KesWdf.h"

#include <stdint.h>

namespace kes {

constexpr int kDataFileSlots = 64;

struct DataFileSlot {
    HANDLE hFile;              // INVALID_HANDLE_VALUE while free
    wdf::IndexEntry* pIndex;   // descrambled index (malloc); null while free
    DWORD id;                  // archive id; 0 while free
    DWORD count;               // index entries
    uint64_t fileSize;         // bytes in the archive file, to keep entries inside it
};

// Registers the archive at `path`: 1 when it is registered afterwards, 0 when
// it cannot be (unreadable, not an archive, inconsistent header, table full),
// and then the reason is reported (KesReport.h).
int RegisterDataFile(const char* path);

// Where a name's chain is searched first. Load looks at position 9 before
// the others and passes over it when it is not registered; Open walks 0..14.
enum class ChainOrder { Load, Open };

enum class ChainFind { Found, NotFound, Damaged };

// Finds file id `fileId` in the archive chain of `name`. The search ends at
// the first chain position whose archive is not registered (except position 9
// of the Load order), and at the first archive that holds the id. An entry
// whose bytes are not wholly inside its archive file, or that starts at offset
// 0 where the header lies, makes the lookup fail: it is damaged, and a reader
// must never be sent outside the archive. When it fails, `why` (if given)
// says which archives were searched, which part of the chain is missing, or
// what is wrong with the entry; a miss reads as the end of "not found: no
// such loose file, ...".
ChainFind FindInChain(const char* name, DWORD fileId, ChainOrder order, const DataFileSlot** slot,
                      const wdf::IndexEntry** entry, Reason* why = nullptr);

// The slots, for inspection; used slots form an unbroken run from slot 0.
const DataFileSlot* DataFileSlots();

// Closes every archive and frees the table's slots, as unloading the library
// does. Tests use it to start from an empty table.
void CloseAllDataFiles();

} // namespace kes

#endif
