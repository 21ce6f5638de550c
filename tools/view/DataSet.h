// The game's data as the viewer lists it: archive chains, a folder of loose
// files, and names for the ids archives store.
//
// Opening reads only the archives' indexes (and lists the folder): no entry
// is read until it is looked at. Its kind is found from its first bytes the
// first time it is asked for. Loose files stand in for archived ones of the
// same game path, as they do for a game.
#ifndef KESTO_TOOLS_VIEW_DATASET_H
#define KESTO_TOOLS_VIEW_DATASET_H

#include "EntryKind.h"

#include <ArchiveChain.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kes::view {

struct Entry {
    std::string name;  // the game path ("shape/char/0001.was") when known, else empty
    DWORD id = 0;      // the id inside its archive (0 for a loose file outside any folder)
    uint64_t size = 0;
    int part = -1;     // the archive part holding it (DataSet::PartName), -1 for a loose file
    const kes::wdf::IndexEntry* index = nullptr; // its index entry, nullptr for a loose file
    std::string loose; // a loose file's path, relative to the folder
    bool sniffed = false;
    EntryKind kind = EntryKind::Unknown;
};

// The name shown for an entry: its game path, or its id as 0x%08x.
std::string EntryLabel(const Entry& e);

class DataSet {
public:
    DataSet();
    ~DataSet();
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;

    // `sources`: archives (a chain from its first part) and at most one
    // folder of loose files; `names`: lists of game paths or folders whose
    // files name entries. False when nothing could be opened; every problem
    // found (a damaged part, a list that cannot be read) is in `problems`.
    bool Open(const std::vector<std::string>& sources, const std::vector<std::string>& names,
              std::vector<std::string>* problems);

    const std::vector<Entry>& Entries() const { return m_entries; }
    // "shape.wd1", or "loose" for a loose file.
    std::string PartName(const Entry& e) const;
    // The kind, sniffed on first use (a read of a few bytes).
    EntryKind Kind(size_t i);
    // The entry with this name: a game path, a path inside an archive of a
    // chain, a loose file's path, or an id (0x1234abcd); -1 when none. An
    // entry found by the id of a path is named by it from then on.
    int Find(const std::string& name);
    // Goes up each time an entry's label changes (Find naming it), so that
    // what was made of the labels is known to be stale.
    unsigned LabelsRevision() const { return m_labelsRevision; }
    // Why an entry cannot be read at all (it lies outside its archive), or
    // nullptr when it can.
    const char* Damage(const Entry& e) const;
    // The entry's bytes, at most `limit` of them. False with a reason.
    bool ReadBytes(const Entry& e, uint64_t limit, std::string* bytes, std::string* error) const;

    // Registers the data with the engine as a game does: every archive part
    // a game path reaches, and the loose folder as the current directory.
    // False with the reason for the first that fails.
    bool Register(std::string* error);
    // The name under which the engine's loaders find the entry: its game
    // path or loose path; for an entry a game could not name (no name known,
    // or in a renamed archive) a copy in a private folder, made on demand.
    // Empty with a reason on failure. `onDisk` asks for a file's own path
    // always (fonts are read from disk, not through the archives).
    std::string EngineName(size_t i, std::string* error, bool onDisk = false);

private:
    struct Part;
    bool OpenChain(const std::string& first, const std::vector<std::string>& names,
                   std::vector<std::string>* problems);
    bool OpenFolder(const std::string& folder, std::vector<std::string>* problems);
    void PlaceLooseFiles();

    std::vector<std::unique_ptr<kes::wdf::ArchiveChain>> m_chains;
    std::vector<std::unique_ptr<Part>> m_parts;
    std::vector<Entry> m_entries;
    std::string m_folder; // the loose files' folder, absolute; empty without one
    std::string m_copies; // the private folder of copies; empty until made
    bool m_registered = false;
    unsigned m_labelsRevision = 0;
};

} // namespace kes::view

#endif
