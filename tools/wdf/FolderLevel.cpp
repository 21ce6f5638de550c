#include "FolderLevel.h"

#include "GamePath.h"

#include <Cli.h>

#include <filesystem>

namespace kes::wdf {

void WarnAboutFolderLevel(const std::vector<ScannedFile>& files, const std::string& folder,
                          const std::string& archive)
{
    const std::string gameFolder = GameFolderOf(archive);
    if (files.empty() || gameFolder.empty()) return;
    const std::string& first = files.front().relative;
    const size_t slash = first.find('/');
    if (slash == std::string::npos) return;
    const std::string sub = first.substr(0, slash + 1); // "gfx/"
    for (const ScannedFile& f : files)
        if (f.relative.compare(0, sub.size(), sub) != 0) return;
    // Named like the archive as the engine compares names: the game path
    // that starts with it leads to this archive.
    if (!MayName(sub + "x", archive)) return;

    const std::string packInstead = (std::filesystem::path(folder) / sub.substr(0, slash)).string();
    cli::Warning(folder + " holds only the folder " + sub.substr(0, slash) + ", so a game would load its files as " +
                 gameFolder + "/" + first + "; to load them as " + gameFolder + "/" + first.substr(slash + 1) +
                 ", pack " + packInstead + " instead");
}

} // namespace kes::wdf
