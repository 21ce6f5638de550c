// The names a game loads ("shape/char/0001.was", "SHAPE\char\0001.WAS"),
// taken apart exactly as the engine takes them apart: the part before the
// first '/' or '\' names the chain of archives searched (shape.wdf,
// shape.wd1 ... shape.wde), and the rest, from NameInArchive on, gives the
// file's id inside them. Every answer here comes from the engine's own
// derivations, so that the tool finds what a game finds and nothing else.
#ifndef KESTO_TOOLS_WDF_GAMEPATH_H
#define KESTO_TOOLS_WDF_GAMEPATH_H

#include <string>

namespace kes::wdf {

// The path inside the archive that a game path names, with '/' between
// folders ("char/0001.was"). Empty when it has neither separator.
std::string ArchivePathOf(const std::string& gamePath);

// The folder part a game puts before the names of `archivePath`'s files:
// "shape" for .../shape.wdf and for SHAPE.WD1 (as its file name spells it).
// Empty when no game path reaches an archive of that file name (it is not
// named <dir>.wdf, <dir>.wd1 ... <dir>.wde).
std::string GameFolderOf(const std::string& archivePath);

// Whether a game loading `gamePath` may find its file in `archivePath`: it
// has a separator, and its first part names the archive's chain. An archive
// no game path reaches (GameFolderOf is empty) is taken to be renamed: any
// first part will do, and only the part inside the archive counts.
bool MayName(const std::string& gamePath, const std::string& archivePath);

} // namespace kes::wdf

#endif
