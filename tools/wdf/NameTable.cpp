#include "NameTable.h"

#include "FolderScan.h"
#include "GamePath.h"

#include <Cli.h>
#include <KesWdf.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace kes::wdf {

bool NameTable::AddSource(const std::string& source, std::string* error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(source, ec)) {
        std::vector<ScannedFile> files;
        if (!ScanFolder(source, &files, error, false)) return false;
        m_names.reserve(m_names.size() + files.size());
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
    // A line names a file in some 16 bytes or more ("shape/char/1.was"):
    // room for every name at once rather than the table growing step by
    // step, within a bound whatever the file's size.
    const uintmax_t bytes = std::filesystem::file_size(source, ec);
    if (!ec) m_names.reserve(m_names.size() + size_t(std::min<uintmax_t>(bytes / 16, uintmax_t(1) << 20)));
    std::string line;
    size_t unusable = 0, elsewhere = 0;
    while (std::getline(in, line)) {
        // Lists written on Windows end their lines with "\r\n".
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const PathUse use = AddGamePath(line);
        unusable += use == PathUse::Unusable;
        elsewhere += use == PathUse::OtherArchive;
    }
    if (in.bad()) {
        *error = source + ": read failed";
        return false;
    }
    if (unusable)
        cli::Warning(source + ": " + cli::Count(unusable, "line names", "lines name") +
                     " no archived file (a game path such as shape/char/0001.was has a '/' or a '\\')");
    // A list of a whole game's files is expected to name other archives too.
    if (elsewhere)
        cli::Note(source + ": " + cli::Count(elsewhere, "line names a file", "lines name files") +
                  " that a game looks for in other archives than " + m_archive);
    return true;
}

bool NameTable::AddSources(const std::vector<std::string>& sources, std::string* error)
{
    for (const std::string& source : sources)
        if (!AddSource(source, error)) return false;
    return true;
}

NameTable::PathUse NameTable::AddGamePath(const std::string& path)
{
    DWORD id = 0;
    if (!NameInArchive(path.c_str()) || !FileId(path.c_str(), &id)) return PathUse::Unusable;
    if (!MayName(path, m_archive)) return PathUse::OtherArchive;
    Add(id, ArchivePathOf(path));
    return PathUse::Added;
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
