// The files of a folder as an archive sees them: relative paths with '/'.
#ifndef KESTO_TOOLS_WDF_FOLDERSCAN_H
#define KESTO_TOOLS_WDF_FOLDERSCAN_H

#include <cstdint>
#include <string>
#include <vector>

namespace kes::wdf {

struct ScannedFile {
    std::string relative; // "char/0001.was", '/' between folders, bytes as on disk
    std::string full; // the path to open
    uint64_t size = 0;
};

// Every regular file below `folder` (symbolic links to files count, links
// to folders are not followed), sorted by relative path so that archives
// come out the same on every run. False with a message when the folder
// cannot be walked. Without `sizes` the sizes are left 0: a folder read only
// for its names is not stat'ed file by file.
bool ScanFolder(const std::string& folder, std::vector<ScannedFile>* files, std::string* error, bool sizes = true);

// The id the engine looks up for the file at `relative` inside an archive:
// MFile::Fnameid of "<dir>/" + relative. False when the name is too long
// for the engine's 260-byte name buffers (it could never be found).
bool RelativePathId(const std::string& relative, unsigned long* id);

// The id `pack` stores the file at `relative` under: for a file at the top
// of the folder named <0xID>.bin (any case), as extract writes an entry
// whose name it does not know, that id, so that the entry goes back where
// it came from; else RelativePathId.
bool PackedId(const std::string& relative, unsigned long* id);

} // namespace kes::wdf

#endif
