// Names for the ids of an archive, which stores none.
//
// Candidates come from a list of game paths ("shape/char/0001.was", one a
// line, hashed with MFile::Fnameid as the engine does when a game loads
// them) or from a folder (its relative paths hashed as the archive's
// contents, the way `pack` stores them). Each id is given the path inside
// the archive: the part after the first '/', with '/' between folders, so
// that extracted files land where `pack` would take them from again.
#ifndef KESTO_TOOLS_WDF_NAMETABLE_H
#define KESTO_TOOLS_WDF_NAMETABLE_H

#include <string>
#include <unordered_map>
#include <vector>

namespace kes::wdf {

class NameTable {
public:
    // Adds the names of `source`: a folder or a file of paths. False with a
    // message when it cannot be read.
    bool AddSource(const std::string& source, std::string* error);
    // AddSource for each of `sources`, stopping at the first failure.
    bool AddSources(const std::vector<std::string>& sources, std::string* error);
    // Adds a game path ("shape/char/0001.was"). False when it names no
    // archived file: no '/' in it, or too long for the engine.
    bool AddGamePath(const std::string& path);

    // The path inside the archive for `id`, or nullptr when none is known.
    const std::string* Find(unsigned long id) const;
    bool Empty() const { return m_names.empty(); }

private:
    void Add(unsigned long id, std::string relative);

    std::unordered_map<unsigned long, std::string> m_names;
};

// The path inside the archive that a game path names: the part after the
// first '/', '\' turned into '/'. Empty when there is no '/'.
std::string ArchivePathOf(const std::string& gamePath);

} // namespace kes::wdf

#endif
