// Names for the ids of an archive, which stores none.
//
// Candidates come from a list of game paths ("shape/char/0001.was" or
// "shape\\char\\0001.was", one a line, taken apart as the engine takes apart
// the names a game loads: GamePath.h) or from a folder (its relative paths
// hashed as the archive's contents, the way `pack` stores them). A game path
// names entries only of the archives its first part leads a game to. Each
// id is given the path inside the archive, with '/' between folders, so
// that extracted files land where `pack` would take them from again.
#ifndef KESTO_TOOLS_WDF_NAMETABLE_H
#define KESTO_TOOLS_WDF_NAMETABLE_H

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kes::wdf {

class NameTable {
public:
    // Names for the entries of `archive` (the file given on the command line).
    explicit NameTable(std::string archive) : m_archive(std::move(archive)) {}

    // Adds the names of `source`: a folder or a file of paths. False with a
    // message when it cannot be read.
    bool AddSource(const std::string& source, std::string* error);
    // AddSource for each of `sources`, stopping at the first failure.
    bool AddSources(const std::vector<std::string>& sources, std::string* error);
    enum class PathUse { Added, OtherArchive, Unusable };
    // Adds a game path ("shape/char/0001.was"). Unusable when it names no
    // archived file (no separator in it, or too long for the engine);
    // OtherArchive when a game loading it searches other archives.
    PathUse AddGamePath(const std::string& path);

    // The path inside the archive for `id`, or nullptr when none is known.
    const std::string* Find(unsigned long id) const;
    bool Empty() const { return m_names.empty(); }

private:
    void Add(unsigned long id, std::string relative);

    std::string m_archive;
    std::unordered_map<unsigned long, std::string> m_names;
};

} // namespace kes::wdf

#endif
