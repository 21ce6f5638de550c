#include "NameTable.h"

#include "FolderScan.h"

#include <Cli.h>
#include <KesWdf.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kes::wdf {

std::string ArchivePathOf(const std::string& gamePath)
{
    const size_t slash = gamePath.find('/');
    if (slash == std::string::npos) return std::string();
    std::string relative = gamePath.substr(slash + 1);
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return relative;
}

bool NameTable::AddSource(const std::string& source, std::string* error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(source, ec)) {
        std::vector<ScannedFile> files;
        if (!ScanFolder(source, &files, error)) return false;
        for (ScannedFile& f : files) {
            unsigned long id;
            if (RelativePathId(f.relative, &id)) Add(id, std::move(f.relative));
        }
        return true;
    }

    std::ifstream in(source, std::ios::binary);
    if (!in) {
        *error = source + ": cannot read the list of names";
        return false;
    }
    std::string line;
    size_t unusable = 0;
    while (std::getline(in, line)) {
        // Lists written on Windows end their lines with "\r\n".
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!AddGamePath(line)) ++unusable;
    }
    if (in.bad()) {
        *error = source + ": read failed";
        return false;
    }
    if (unusable)
        cli::Warning(source + ": " + cli::Count(unusable, "line names", "lines name") +
                     " no archived file (a game path such as shape/char/0001.was has a '/')");
    return true;
}

bool NameTable::AddSources(const std::vector<std::string>& sources, std::string* error)
{
    for (const std::string& source : sources)
        if (!AddSource(source, error)) return false;
    return true;
}

bool NameTable::AddGamePath(const std::string& path)
{
    DWORD id = 0;
    if (path.find('/') == std::string::npos || !FileId(path.c_str(), &id)) return false;
    Add(id, ArchivePathOf(path));
    return true;
}

void NameTable::Add(unsigned long id, std::string relative)
{
    // The first name given for an id wins: lists usually come in order of
    // preference, and the names of one id usually differ only in case or slashes.
    m_names.emplace(id, std::move(relative));
}

const std::string* NameTable::Find(unsigned long id) const
{
    const auto it = m_names.find(id);
    return it == m_names.end() ? nullptr : &it->second;
}

} // namespace kes::wdf
