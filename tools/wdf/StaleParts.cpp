#include "StaleParts.h"

#include <KesWdf.h>
#include <WdfWriter.h>

#include <Cli.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kes::wdf {

std::vector<std::string> StaleParts(const std::string& archive, size_t parts)
{
    std::vector<std::string> stale;
    if (!IsChainStart(archive)) return stale;
    for (int p = int(parts); p < kChainLength; ++p) {
        const std::string name = ChainFileName(archive, p);
        // Only files: a folder of that name is no archive a game could open.
        std::error_code ec;
        if (std::filesystem::is_regular_file(name, ec)) stale.push_back(name);
    }
    return stale;
}

std::string JoinNames(const std::vector<std::string>& names)
{
    std::string joined;
    for (size_t i = 0; i < names.size(); ++i)
        joined += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return joined;
}

bool RemoveStaleParts(const std::vector<std::string>& stale)
{
    bool ok = true;
    for (const std::string& name : stale) {
        if (remove(name.c_str()) != 0) {
            cli::Error(name + ": cannot remove: " + strerror(errno));
            ok = false;
        }
    }
    return ok;
}

} // namespace kes::wdf
