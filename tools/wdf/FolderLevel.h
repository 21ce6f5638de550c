// Whether a pack was given the right folder level.
//
// A game loads gfx/bg.jpg from gfx.wdf: the archive's name stands for the
// first folder of the path, and the archive holds bg.jpg. Packing the
// folder above gfx/ instead stores gfx/bg.jpg, which a game would have to
// load as gfx/gfx/bg.jpg. That is a valid archive, so it is only warned
// about.
#ifndef KESTO_TOOLS_WDF_FOLDERLEVEL_H
#define KESTO_TOOLS_WDF_FOLDERLEVEL_H

#include "FolderScan.h"

#include <string>
#include <vector>

namespace kes::wdf {

// Warns when every file of `files` (scanned from `folder`) lies below one
// subfolder named like the archive `archive`, saying which names a game
// would have to use and which folder to pack instead.
void WarnAboutFolderLevel(const std::vector<ScannedFile>& files, const std::string& folder,
                          const std::string& archive);

} // namespace kes::wdf

#endif
