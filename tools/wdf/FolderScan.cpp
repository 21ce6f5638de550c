#include "FolderScan.h"

#include <KesWdf.h>
#include <Numbers.h>

#include <strings.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace kes::wdf {

bool ScanFolder(const std::string& folder, std::vector<ScannedFile>* files, std::string* error, bool sizes)
{
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        *error = folder + ": not a folder";
        return false;
    }
    // The walk names entries as folder / name, adding a '/' only when the
    // folder lacks one: cutting this prefix leaves the relative path.
    const std::string prefix = (fs::path(folder) / "").string();
    fs::recursive_directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code statError;
        if (!it->is_regular_file(statError)) continue;
        ScannedFile f;
        f.full = it->path().string();
        f.relative = f.full.substr(prefix.size());
        if (sizes) f.size = it->file_size(statError);
        if (statError) {
            *error = f.full + ": " + statError.message();
            return false;
        }
        files->push_back(std::move(f));
    }
    if (ec) {
        *error = folder + ": " + ec.message();
        return false;
    }
    std::sort(files->begin(), files->end(),
              [](const ScannedFile& a, const ScannedFile& b) { return a.relative < b.relative; });
    return true;
}

bool RelativePathId(const std::string& relative, unsigned long* id)
{
    // Only the part after the first '/' counts, so any folder name will do.
    DWORD v = 0;
    if (!FileId(("x/" + relative).c_str(), &v)) return false;
    *id = v;
    return true;
}

bool PackedId(const std::string& relative, unsigned long* id)
{
    const size_t n = relative.size();
    if (relative.find('/') == std::string::npos && n > 4 && strcasecmp(relative.c_str() + n - 4, ".bin") == 0 &&
        cli::ParseHexId(relative.substr(0, n - 4), id))
        return true;
    return RelativePathId(relative, id);
}

} // namespace kes::wdf
