// Helpers of the kesto-wdf suites: running the built tool, a folder of
// sample game files, and reading or damaging archives byte by byte.
#ifndef KESTO_TESTS_TOOLS_WDFTOOLSUPPORT_H
#define KESTO_TESTS_TOOLS_WDFTOOLSUPPORT_H

#include "ToolRun.h"

#include <KesWdf.h>

#include <string>
#include <utility>
#include <vector>

namespace kes::test {

// Runs kesto-wdf with `args` in the current directory and waits for it.
ToolResult RunTool(const std::vector<std::string>& args);

using FileSet = std::vector<std::pair<std::string, std::string>>; // relative path, bytes

// A dozen files of the kinds a game ships: nested and upper-case folders,
// an empty file, a name with a space, names in a double-byte code page.
const FileSet& SampleFiles();

// Writes `files` below `folder` (relative to the current directory).
void WriteFiles(const std::string& folder, const FileSet& files);

// Every regular file below `folder`, as relative paths and bytes, sorted.
FileSet ReadFiles(const std::string& folder);

// Every entry of the current directory (recursively), sorted.
std::vector<std::string> ListTree(const std::string& folder = ".");

// "0x1234abcd", as the tool prints ids.
std::string Hex(DWORD id);
// The id a game looks up for shape/<relative>, as `pack` stores the file at
// <folder>/<relative>.
DWORD IdOf(const std::string& relative);

// The paths of chain positions 0..14 of "shape.wdf" that exist.
std::vector<std::string> ChainParts(const std::string& first);

// An archive file held in memory, to inspect and to damage.
class ArchiveImage {
public:
    static ArchiveImage Load(const std::string& path);
    void Save(const std::string& path) const;

    DWORD Word(size_t pos) const;
    void SetWord(size_t pos, DWORD v);
    DWORD Magic() const { return Word(0); }
    DWORD Count() const { return Word(4); }
    DWORD IndexOffset() const { return Word(8); }

    // The index as the engine sees it (descrambled for XFDW and HFDW).
    std::vector<wdf::IndexEntry> Entries() const;
    // Writes `entries` (as many as the header counts) back, scrambled when
    // the magic asks for it.
    void SetEntries(const std::vector<wdf::IndexEntry>& entries);

    std::string bytes;
};

} // namespace kes::test

#endif
