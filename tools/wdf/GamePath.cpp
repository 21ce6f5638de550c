#include "GamePath.h"

#include <KesWdf.h>

#include <algorithm>
#include <filesystem>

namespace kes::wdf {
namespace {

// Whether the engine, asked for `gamePath`, searches an archive registered
// under `archivePath`: one of the chain's names has the archive's id.
bool Reaches(const std::string& gamePath, const std::string& archivePath)
{
    DWORD archiveId = 0;
    if (!ArchiveFileId(archivePath.c_str(), &archiveId)) return false;
    for (int n = 0; n < kChainLength; ++n) {
        DWORD chainId = 0;
        if (!ChainArchiveId(gamePath.c_str(), n, &chainId)) return false;
        if (chainId == archiveId) return true;
    }
    return false;
}

} // namespace

std::string ArchivePathOf(const std::string& gamePath)
{
    const char* name = NameInArchive(gamePath.c_str());
    if (!name) return std::string();
    std::string relative = name;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return relative;
}

std::string GameFolderOf(const std::string& archivePath)
{
    const std::string name = std::filesystem::path(archivePath).filename().string();
    if (name.size() <= 4) return std::string();
    // The suffix is checked by the engine's own lookup rather than by
    // comparing letters here: what it says is what a game does.
    const std::string folder = name.substr(0, name.size() - 4);
    return Reaches(folder + "/x", archivePath) ? folder : std::string();
}

bool MayName(const std::string& gamePath, const std::string& archivePath)
{
    if (!NameInArchive(gamePath.c_str())) return false;
    return GameFolderOf(archivePath).empty() || Reaches(gamePath, archivePath);
}

} // namespace kes::wdf
