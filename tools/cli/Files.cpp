#include "Files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace kes::cli {

bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error)
{
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        *error = path + ": is a folder, not a file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot open: " + strerror(errno);
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    if (in.bad()) {
        *error = path + ": cannot read: " + strerror(errno);
        return false;
    }
    *bytes = s.str();
    return true;
}

bool MayReplace(const std::string& path, bool force, std::string* error)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return true; // nothing there; Open tells what else is wrong
    if (S_ISDIR(st.st_mode)) {
        *error = path + ": is a folder";
        return false;
    }
    if (S_ISREG(st.st_mode) && !force) {
        *error = path + " exists; give --force to replace it";
        return false;
    }
    return true;
}

bool MakeFolder(const std::string& folder, std::string* error)
{
    if (folder.empty()) return true;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec && !std::filesystem::is_directory(folder, ec) && !ec) ec = std::make_error_code(std::errc::file_exists);
    if (ec) {
        *error = folder + ": cannot create the folder: " + ec.message();
        return false;
    }
    return true;
}

MadeFolders::~MadeFolders()
{
    namespace fs = std::filesystem;
    for (const std::string& folder : m_made) {
        // remove() takes only an empty folder; one that holds anything stays.
        std::error_code ec;
        if (fs::is_directory(fs::symlink_status(folder, ec))) fs::remove(folder, ec);
    }
}

bool MadeFolders::Make(const std::string& folder, std::string* error)
{
    namespace fs = std::filesystem;
    std::vector<std::string> missing;
    std::error_code ec;
    fs::path p = fs::path(folder).lexically_normal();
    if (p.filename().empty()) p = p.parent_path(); // "out/" names the folder "out"
    for (; !p.empty() && p != p.root_path(); p = p.parent_path()) {
        if (fs::exists(fs::symlink_status(p, ec))) break;
        missing.push_back(p.string());
    }
    const bool made = MakeFolder(folder, error);
    // Even a failed attempt may have made the outer ones.
    for (const std::string& m : missing)
        if (fs::is_directory(fs::symlink_status(m, ec))) m_made.push_back(m);
    return made;
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_path(std::move(other.m_path))
    , m_temp(std::exchange(other.m_temp, std::string()))
    , m_file(std::exchange(other.m_file, nullptr))
{
}

OutputFile::~OutputFile()
{
    Discard();
}

bool OutputFile::Open(const std::string& path, bool force, std::string* error)
{
    Discard();
    if (!MayReplace(path, force, error)) return false;
    m_path = path;
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        m_file = fopen(path.c_str(), "wb");
        if (!m_file) {
            *error = path + ": cannot write: " + strerror(errno);
            return false;
        }
        return true;
    }
    m_temp = path + ".partial-XXXXXX";
    const int fd = mkstemp(m_temp.data());
    if (fd < 0) {
        *error = path + ": cannot write: " + strerror(errno);
        m_temp.clear();
        return false;
    }
    // mkstemp makes the file private; the finished file gets the
    // permissions any new file would.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    m_file = fdopen(fd, "wb");
    if (!m_file) {
        *error = path + ": cannot write: " + strerror(errno);
        close(fd);
        Discard();
        return false;
    }
    return true;
}

bool OutputFile::Write(const void* data, size_t size, std::string* error)
{
    if (size == 0 || fwrite(data, 1, size, m_file) == size) return true;
    *error = WriteFailed();
    return false;
}

std::string OutputFile::WriteFailed() const
{
    return m_path + ": cannot write: " + strerror(errno);
}

bool OutputFile::Finish(std::string* error)
{
    FILE* f = std::exchange(m_file, nullptr);
    const bool flushed = fflush(f) == 0;
    int reason = errno;
    const bool closed = fclose(f) == 0;
    if (flushed && !closed) reason = errno;
    if (!flushed || !closed) {
        errno = reason;
        *error = WriteFailed();
        Discard();
        return false;
    }
    if (!m_temp.empty()) {
        if (rename(m_temp.c_str(), m_path.c_str()) != 0) {
            *error = m_path + ": cannot move the finished file into place: " + strerror(errno);
            Discard();
            return false;
        }
        m_temp.clear();
    }
    return true;
}

void OutputFile::Discard()
{
    if (m_file) fclose(std::exchange(m_file, nullptr));
    if (!m_temp.empty()) unlink(m_temp.c_str());
    m_temp.clear();
}

} // namespace kes::cli
