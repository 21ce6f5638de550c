// An archive together with the rest of its chain, as a game sees it.
//
// A game that asks for shape/char/0001.was searches shape.wdf, then
// shape.wd1, shape.wd2 ... and stops at the first part that is missing. The
// tool's commands, given the first part, act on the same files: a part
// beyond a gap is never read by a game, so it is reported, not used. A name
// that does not end in .wdf is an archive on its own.
#ifndef KESTO_TOOLS_WDF_ARCHIVECHAIN_H
#define KESTO_TOOLS_WDF_ARCHIVECHAIN_H

#include "WdfReader.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace kes::wdf {

struct ChainEntry {
    const ArchiveReader* part = nullptr; // nullptr: no entry
    const IndexEntry* entry = nullptr;
};

class ArchiveChain {
public:
    // Opens `first` and every part that follows it up to the first missing
    // one. False when a part cannot be read, with one message each in
    // `errors`; the parts that could be read stay open for inspection.
    bool Open(const std::string& first, std::vector<std::string>* errors);

    const std::string& Path() const { return m_first; }
    // The parts read, in chain order; the first is `first` itself.
    const std::vector<ArchiveReader>& Parts() const { return m_parts; }
    // Parts that exist past a missing one.
    const std::vector<std::string>& Unreached() const { return m_unreached; }
    // "shape.wdf" for one archive, "shape.wdf and 2 more parts" for a chain.
    std::string Describe() const;

    // The entry for `id` in the first part, in chain order, that holds it
    // (the first of that part's entries with the id), as a game opening the
    // file walks the chain.
    ChainEntry Find(unsigned long id) const;

private:
    std::string m_first;
    std::vector<ArchiveReader> m_parts;
    std::vector<std::string> m_unreached;
    std::unordered_map<unsigned long, ChainEntry> m_byId;
};

} // namespace kes::wdf

#endif
