// Writing WDF archives.
#include "WdfWriter.h"

#include <KesFile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <strings.h>
#include <sys/stat.h>

namespace kes::wdf {
namespace {

struct FileCloser {
    void operator()(FILE* f) const
    {
        if (f) fclose(f);
    }
};
using File = std::unique_ptr<FILE, FileCloser>;

void PutLe32(unsigned char* p, DWORD v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
    p[2] = (unsigned char)(v >> 16);
    p[3] = (unsigned char)(v >> 24);
}

std::string WriteFailed()
{
    return std::string("cannot write: ") + strerror(errno);
}

bool CopyFileInto(FILE* out, const std::string& path, uint64_t size, std::string* error)
{
    File in(fopen(path.c_str(), "rb"));
    if (!in) {
        *error = path + ": cannot read: " + strerror(errno);
        return false;
    }
    // Sized to the file: packs are mostly many small files, and a fixed
    // megabyte would be allocated and zeroed for each of them.
    std::vector<char> buf(size_t(std::min<uint64_t>(size, 1 << 20)));
    uint64_t left = size;
    while (left) {
        const size_t n = size_t(std::min<uint64_t>(left, buf.size()));
        if (fread(buf.data(), 1, n, in.get()) != n) {
            *error = path + " changed or could not be read while packing";
            return false;
        }
        if (fwrite(buf.data(), 1, n, out) != n) {
            *error = WriteFailed();
            return false;
        }
        left -= n;
    }
    return true;
}

} // namespace

void ArchiveWriter::Add(DWORD id, std::string bytes)
{
    const uint64_t size = bytes.size();
    m_entries.push_back(Entry{id, std::move(bytes), std::string(), size});
}

void ArchiveWriter::AddFile(DWORD id, std::string path)
{
    struct stat st;
    const uint64_t size = stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
    m_entries.push_back(Entry{id, std::string(), std::move(path), size});
}

void ArchiveWriter::AddNamed(const std::string& path, std::string bytes)
{
    Add(MFile::Fnameid(path.c_str()), std::move(bytes));
}

uint64_t ArchiveWriter::DataBytes() const
{
    uint64_t n = 0;
    for (const Entry& e : m_entries) n += e.size;
    return n;
}

bool ArchiveWriter::Write(const std::string& path, std::string* error, const Progress& progress) const
{
    std::string ignored;
    if (!error) error = &ignored;
    File out(fopen(path.c_str(), "wb"));
    if (!out) {
        *error = path + ": cannot write: " + strerror(errno);
        return false;
    }
    if (!WriteTo(out.get(), error, progress)) return false;
    if (fclose(out.release()) != 0) {
        *error = WriteFailed();
        return false;
    }
    return true;
}

bool ArchiveWriter::WriteTo(FILE* out, std::string* error, const Progress& progress) const
{
    std::string ignored;
    if (!error) error = &ignored;

    std::vector<const Entry*> order;
    order.reserve(m_entries.size());
    for (const Entry& e : m_entries) order.push_back(&e);
    std::stable_sort(order.begin(), order.end(), [](const Entry* a, const Entry* b) { return a->id < b->id; });
    for (size_t i = 1; i < order.size(); ++i) {
        if (order[i]->id == order[i - 1]->id) {
            char msg[96];
            snprintf(msg, sizeof msg, "two files share the id 0x%08X", order[i]->id);
            *error = msg;
            return false;
        }
    }

    // Everything must be addressable with 32-bit offsets.
    const uint64_t indexOffset = kHeaderSize + DataBytes();
    const uint64_t indexBytes = uint64_t(order.size()) * kEntrySize;
    if (indexOffset > 0x7FFFFFFFu || indexBytes > 0x7FFFFFFFu || indexOffset + indexBytes > 0x7FFFFFFFu) {
        *error = "archive would exceed 2 GB; split it into a chain";
        return false;
    }

    unsigned char header[kHeaderSize];
    PutLe32(header, m_magic);
    PutLe32(header + 4, DWORD(order.size()));
    PutLe32(header + 8, DWORD(indexOffset));
    if (fwrite(header, 1, sizeof header, out) != sizeof header) {
        *error = WriteFailed();
        return false;
    }

    std::vector<unsigned char> index(indexBytes);
    uint64_t offset = kHeaderSize;
    for (size_t i = 0; i < order.size(); ++i) {
        const Entry& e = *order[i];
        if (e.path.empty()) {
            if (!e.bytes.empty() && fwrite(e.bytes.data(), 1, e.bytes.size(), out) != e.bytes.size()) {
                *error = WriteFailed();
                return false;
            }
        } else if (!CopyFileInto(out, e.path, e.size, error)) {
            return false;
        }
        unsigned char* p = index.data() + i * kEntrySize;
        PutLe32(p, e.id);
        PutLe32(p + 4, DWORD(offset));
        PutLe32(p + 8, DWORD(e.size));
        PutLe32(p + 12, 0);
        offset += e.size;
        if (progress) progress(i + 1, order.size());
    }
    if (IsScrambled(m_magic)) ScrambleIndex(index.data(), index.size());
    if ((!index.empty() && fwrite(index.data(), 1, index.size(), out) != index.size()) || fflush(out) != 0) {
        *error = WriteFailed();
        return false;
    }
    return true;
}

std::string ChainFileName(const std::string& firstArchivePath, int n)
{
    char suffix[5];
    ChainSuffix(n, suffix);
    const size_t dot = firstArchivePath.rfind('.');
    const size_t slash = firstArchivePath.find_last_of("/\\");
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    // A game knows parts by their lower-cased names, a Linux disk by their
    // exact ones: SHAPE.WDF is followed by SHAPE.WD1.
    if (hasExt && dot + 1 < firstArchivePath.size() && isupper((unsigned char)firstArchivePath[dot + 1])) {
        for (char* c = suffix; *c; ++c) *c = char(toupper((unsigned char)*c));
    }
    return (hasExt ? firstArchivePath.substr(0, dot) : firstArchivePath) + suffix;
}

bool IsChainStart(const std::string& path)
{
    return strcasecmp(ChainFileName(path, 0).c_str(), path.c_str()) == 0;
}

} // namespace kes::wdf
