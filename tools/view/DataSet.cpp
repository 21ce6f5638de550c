#include "DataSet.h"

#include <FolderScan.h>
#include <GamePath.h>
#include <NameTable.h>

#include <Files.h>
#include <Numbers.h>
#include <KesFile.h>

#include <fcntl.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <unordered_map>

namespace fs = std::filesystem;

namespace kes::view {

struct DataSet::Part {
    const kes::wdf::ArchiveReader* reader = nullptr;
    std::string absolute;   // the archive file, absolute
    std::string gameFolder; // the first part of the game paths that reach it; empty when none does
    int fd = -1;            // for the few bytes a kind is told by
};

std::string EntryLabel(const Entry& e)
{
    return e.name.empty() ? cli::HexId(e.id) : e.name;
}

namespace {

// For each index entry of the chain, in the order of its parts and indexes:
// whether a game reads it. A game finds an id in the first part that holds
// it (the first of its index, when a part repeats one): copies further on
// are never read. Told by sorting (id, place) rather than by a hash lookup
// per entry, which cost about a tenth of opening 100 000 entries.
std::vector<bool> FirstHolders(const kes::wdf::ArchiveChain& chain)
{
    std::vector<uint64_t> keys;
    for (const kes::wdf::ArchiveReader& reader : chain.Parts())
        for (const kes::wdf::IndexEntry& e : reader.Entries()) keys.push_back(uint64_t(e.id) << 32 | keys.size());
    std::sort(keys.begin(), keys.end());
    std::vector<bool> first(keys.size(), false);
    for (size_t i = 0; i < keys.size(); ++i)
        if (i == 0 || keys[i] >> 32 != keys[i - 1] >> 32) first[size_t(keys[i] & 0xFFFFFFFFu)] = true;
    return first;
}

} // namespace

DataSet::DataSet() = default;

DataSet::~DataSet()
{
    for (const auto& p : m_parts)
        if (p->fd >= 0) close(p->fd);
    if (!m_copies.empty()) {
        std::error_code ec;
        fs::remove_all(m_copies, ec);
    }
}

bool DataSet::Open(const std::vector<std::string>& sources, const std::vector<std::string>& names,
                   std::vector<std::string>* problems)
{
    bool any = false;
    for (const std::string& source : sources) {
        std::error_code ec;
        if (fs::is_directory(source, ec)) {
            if (!m_folder.empty()) {
                problems->push_back(source + ": only one folder of loose files is read (" + m_folder + " is)");
                continue;
            }
            any = OpenFolder(source, problems) || any;
        } else {
            any = OpenChain(source, names, problems) || any;
        }
    }
    PlaceLooseFiles();
    return any;
}

bool DataSet::OpenChain(const std::string& first, const std::vector<std::string>& names,
                        std::vector<std::string>* problems)
{
    auto chain = std::make_unique<kes::wdf::ArchiveChain>();
    chain->Open(first, problems);
    if (chain->Parts().empty()) return false;
    for (const std::string& unreached : chain->Unreached())
        problems->push_back(unreached + ": a game never reads it (a part before it is missing)");

    kes::wdf::NameTable table(first);
    std::string error;
    if (!table.AddSources(names, &error)) problems->push_back(error);

    const std::string folder = kes::wdf::GameFolderOf(first);
    const std::vector<bool> read = FirstHolders(*chain);
    size_t seq = 0;
    m_entries.reserve(m_entries.size() + read.size());
    for (const kes::wdf::ArchiveReader& reader : chain->Parts()) {
        auto part = std::make_unique<Part>();
        part->reader = &reader;
        std::error_code ec;
        part->absolute = fs::absolute(reader.Path(), ec).lexically_normal().string();
        part->gameFolder = folder;
        part->fd = open(reader.Path().c_str(), O_RDONLY | O_CLOEXEC);
        const int index = int(m_parts.size());
        m_parts.push_back(std::move(part));
        for (const kes::wdf::IndexEntry& e : reader.Entries()) {
            if (!read[seq++]) continue;
            Entry entry;
            entry.id = e.id;
            entry.size = e.size;
            entry.part = index;
            entry.index = &e;
            if (const std::string* path = table.Find(e.id)) {
                if (!folder.empty()) {
                    entry.name.reserve(folder.size() + 1 + path->size());
                    entry.name.append(folder).append(1, '/');
                }
                entry.name.append(*path);
            }
            m_entries.push_back(std::move(entry));
        }
    }
    m_chains.push_back(std::move(chain));
    return true;
}

bool DataSet::OpenFolder(const std::string& folder, std::vector<std::string>* problems)
{
    std::vector<kes::wdf::ScannedFile> files;
    std::string error;
    if (!kes::wdf::ScanFolder(folder, &files, &error)) {
        problems->push_back(error);
        return false;
    }
    std::error_code ec;
    m_folder = fs::absolute(folder, ec).lexically_normal().string();
    for (kes::wdf::ScannedFile& f : files) {
        Entry entry;
        entry.id = MFile::Fnameid(f.relative.c_str());
        entry.size = f.size;
        entry.name = f.relative;
        entry.loose = std::move(f.relative);
        m_entries.push_back(std::move(entry));
    }
    return true;
}

void DataSet::PlaceLooseFiles()
{
    if (m_folder.empty()) return;
    // An archived entry that a loose file of the same game path stands in
    // for is what a game no longer sees: it leaves the list.
    std::unordered_map<std::string, std::unordered_map<DWORD, size_t>> archived; // game folder (lower) -> id -> entry
    auto lower = [](std::string s) {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        return s;
    };
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const Entry& e = m_entries[i];
        if (e.part >= 0 && !m_parts[size_t(e.part)]->gameFolder.empty())
            archived[lower(m_parts[size_t(e.part)]->gameFolder)].emplace(e.id, i);
    }
    std::vector<bool> hidden(m_entries.size(), false);
    for (const Entry& e : m_entries) {
        if (e.part >= 0) continue;
        const size_t slash = e.loose.find('/');
        if (slash == std::string::npos) continue;
        const auto folder = archived.find(lower(e.loose.substr(0, slash)));
        if (folder == archived.end()) continue;
        const auto hit = folder->second.find(e.id);
        if (hit != folder->second.end()) hidden[hit->second] = true;
    }
    size_t kept = 0;
    for (size_t i = 0; i < m_entries.size(); ++i) {
        if (hidden[i]) continue;
        // Not onto itself: a string moved onto itself is left empty.
        if (kept != i) m_entries[kept] = std::move(m_entries[i]);
        ++kept;
    }
    m_entries.resize(kept);
}

std::string DataSet::PartName(const Entry& e) const
{
    if (e.part < 0) return "loose";
    return fs::path(m_parts[size_t(e.part)]->reader->Path()).filename().string();
}

const char* DataSet::Damage(const Entry& e) const
{
    return e.part < 0 ? nullptr : m_parts[size_t(e.part)]->reader->Damage(*e.index);
}

EntryKind DataSet::Kind(size_t i)
{
    Entry& e = m_entries[i];
    if (e.sniffed) return e.kind;
    e.sniffed = true;
    unsigned char head[kSniffBytes] = {};
    ssize_t got = -1;
    if (e.part < 0) {
        const int fd = open((fs::path(m_folder) / e.loose).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            got = read(fd, head, sizeof head);
            close(fd);
        }
    } else {
        // Even an entry that runs past its archive's end is told by what
        // of it is there, so that the view it goes to can say what is wrong.
        const Part& p = *m_parts[size_t(e.part)];
        const size_t want = size_t(e.size < sizeof head ? e.size : sizeof head);
        if (p.fd >= 0 && e.index->offset != 0) got = pread(p.fd, head, want, off_t(e.index->offset));
    }
    e.kind = got > 0 ? SniffKind(head, size_t(got)) : EntryKind::Unknown;
    return e.kind;
}

int DataSet::Find(const std::string& name)
{
    auto same = [](const std::string& a, const std::string& b) {
        return a.size() == b.size() && strncasecmp(a.c_str(), b.c_str(), a.size()) == 0;
    };
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (same(EntryLabel(m_entries[i]), name)) return int(i);
    // A path inside an archive, or a game path with its folder, by the id a
    // game would look up; the entry is known by that name from now on.
    const std::string inside = name.substr(name.find('/') == std::string::npos ? 0 : name.find('/') + 1);
    const DWORD insideId = MFile::Fnameid(("x/" + name).c_str());
    const DWORD wholeId = MFile::Fnameid(name.c_str());
    for (size_t i = 0; i < m_entries.size(); ++i) {
        Entry& e = m_entries[i];
        if (e.part < 0) continue;
        const std::string& folder = m_parts[size_t(e.part)]->gameFolder;
        if (e.id == insideId) {
            if (e.name.empty()) {
                e.name = folder.empty() ? name : folder + "/" + name;
                ++m_labelsRevision;
            }
            return int(i);
        }
        if (wholeId && e.id == wholeId) {
            if (e.name.empty()) {
                e.name = folder.empty() ? inside : folder + "/" + inside;
                ++m_labelsRevision;
            }
            return int(i);
        }
    }
    return -1;
}

bool DataSet::ReadBytes(const Entry& e, uint64_t limit, std::string* bytes, std::string* error) const
{
    bytes->clear();
    if (e.size > limit) {
        *error = EntryLabel(e) + ": " + std::to_string(e.size) + " bytes, more than the viewer reads (" +
                 std::to_string(limit) + ")";
        return false;
    }
    if (e.part < 0) return cli::ReadWholeFile((fs::path(m_folder) / e.loose).string(), bytes, error);
    bytes->reserve(size_t(e.size));
    return m_parts[size_t(e.part)]->reader->ReadEntry(
        *e.index,
        [bytes](const char* data, size_t n) {
            bytes->append(data, n);
            return true;
        },
        error);
}

bool DataSet::Register(std::string* error)
{
    if (m_registered) return true;
    if (!m_folder.empty()) {
        std::error_code ec;
        fs::current_path(m_folder, ec);
        if (ec) {
            *error = m_folder + ": " + ec.message();
            return false;
        }
    }
    for (const auto& p : m_parts) {
        if (p->gameFolder.empty()) continue;
        // The engine knows an archive by the name after the last backslash:
        // the folder is joined with one, so that any folder will do.
        const fs::path path(p->absolute);
        const std::string engineName = path.parent_path().string() + "\\" + path.filename().string();
        if (!MFile::OpenDataFile(engineName.c_str())) {
            *error = p->absolute + ": the engine cannot register it";
            return false;
        }
    }
    m_registered = true;
    return true;
}

std::string DataSet::EngineName(size_t i, std::string* error, bool onDisk)
{
    const Entry& e = m_entries[i];
    if (e.part < 0) return onDisk ? (fs::path(m_folder) / e.loose).string() : e.loose;
    if (!onDisk && !e.name.empty() && !m_parts[size_t(e.part)]->gameFolder.empty()) return e.name;
    if (m_copies.empty()) {
        std::string pattern = (fs::temp_directory_path() / "kesto-view-XXXXXX").string();
        if (!mkdtemp(pattern.data())) {
            *error = "cannot make a folder for copies of unnamed entries in " + fs::temp_directory_path().string();
            return std::string();
        }
        m_copies = pattern;
    }
    char file[32];
    std::snprintf(file, sizeof file, "%d_%08x.%s", e.part, unsigned(e.id), KindExtension(Kind(i)));
    const std::string path = m_copies + "/" + file;
    std::error_code ec;
    if (fs::exists(path, ec)) return path;
    std::string bytes;
    if (!ReadBytes(e, uint64_t(1) << 31, &bytes, error)) return std::string();
    cli::OutputFile out;
    if (!out.Open(path, false, error) || !out.Write(bytes.data(), bytes.size(), error) || !out.Finish(error))
        return std::string();
    return path;
}

} // namespace kes::view
