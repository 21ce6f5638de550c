#include "WdfReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kes::wdf {
namespace {

DWORD Le32(const unsigned char* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

constexpr size_t kChunkBytes = 64 * 1024;

bool SeekTo(FILE* f, uint64_t pos)
{
    return pos <= uint64_t(INT64_MAX) && fseeko(f, off_t(pos), SEEK_SET) == 0;
}

} // namespace

std::string MagicName(DWORD magic)
{
    if (IsKnownMagic(magic)) {
        const char name[5] = {char(magic), char(magic >> 8), char(magic >> 16), char(magic >> 24), 0};
        return name;
    }
    char hex[32];
    snprintf(hex, sizeof hex, "%02X %02X %02X %02X", magic & 0xFF, (magic >> 8) & 0xFF, (magic >> 16) & 0xFF,
             magic >> 24);
    return hex;
}

bool ArchiveReader::Open(const std::string& path, std::string* error)
{
    m_path = path;
    m_entries.clear();

    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        *error = path + ": " + strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        *error = path + ": not a regular file";
        return false;
    }
    m_file.reset(fopen(path.c_str(), "rb"));
    if (!m_file) {
        *error = path + ": " + strerror(errno);
        return false;
    }
    // The size of the open file, not of the name looked at above.
    if (fstat(fileno(m_file.get()), &st) != 0) {
        *error = path + ": " + strerror(errno);
        return false;
    }
    m_fileSize = uint64_t(st.st_size);

    unsigned char header[kHeaderSize];
    if (m_fileSize < kHeaderSize || fread(header, 1, sizeof header, m_file.get()) != sizeof header) {
        *error = path + ": truncated: " + std::to_string(m_fileSize) + " bytes, shorter than the " +
            std::to_string(kHeaderSize) + "-byte header";
        return false;
    }
    m_header.magic = Le32(header);
    m_header.count = Le32(header + 4);
    m_header.indexOffset = Le32(header + 8);
    if (!IsKnownMagic(m_header.magic)) {
        *error = path + ": not a WDF archive (magic " + MagicName(m_header.magic) +
            ", expected PFDW, XFDW or HFDW)";
        return false;
    }

    // Checked before anything is allocated: a count from a hostile header
    // would otherwise ask for up to 64 GB.
    const uint64_t indexBytes = uint64_t(m_header.count) * kEntrySize;
    const uint64_t indexEnd = uint64_t(m_header.indexOffset) + indexBytes;
    if (indexEnd > m_fileSize) {
        *error = path + ": the index (" + std::to_string(m_header.count) + " entries at offset " +
            std::to_string(m_header.indexOffset) + ", ending at " + std::to_string(indexEnd) +
            ") runs past the end of the file (" + std::to_string(m_fileSize) + " bytes); truncated?";
        return false;
    }

    if (!SeekTo(m_file.get(), m_header.indexOffset)) {
        *error = path + ": cannot seek to the index";
        return false;
    }
    m_entries.resize(m_header.count);
    // Read in pieces so that only the entries take memory. The key walk
    // repeats every 256 bytes, so descrambling each piece from key position
    // 0 is the same as descrambling the whole index at once.
    static_assert(kChunkBytes % 256 == 0 && kChunkBytes % kEntrySize == 0,
                  "pieces keep the key walk in step");
    std::vector<unsigned char> raw(size_t(std::min<uint64_t>(indexBytes, kChunkBytes)));
    for (size_t done = 0; done < m_entries.size();) {
        const size_t n = std::min(m_entries.size() - done, raw.size() / kEntrySize);
        if (fread(raw.data(), kEntrySize, n, m_file.get()) != n) {
            *error = path + ": cannot read the index";
            return false;
        }
        if (IsScrambled(m_header.magic)) ScrambleIndex(raw.data(), n * kEntrySize);
        for (size_t i = 0; i < n; ++i) {
            const unsigned char* p = raw.data() + i * kEntrySize;
            m_entries[done + i] = IndexEntry{Le32(p), Le32(p + 4), Le32(p + 8), Le32(p + 12)};
        }
        done += n;
    }
    return true;
}

bool ArchiveReader::Inside(const IndexEntry& e) const
{
    return e.offset != 0 && uint64_t(e.offset) + e.size <= m_fileSize;
}

const char* ArchiveReader::Damage(const IndexEntry& e) const
{
    if (Inside(e)) return nullptr;
    return e.offset == 0 ? "its data offset is 0, inside the header" : "its bytes run past the end of the archive";
}

bool ArchiveReader::ReadEntry(const IndexEntry& e, const Sink& sink, std::string* error) const
{
    if (const char* damage = Damage(e)) {
        *error = damage;
        return false;
    }
    if (!SeekTo(m_file.get(), e.offset)) {
        *error = "cannot seek in " + m_path;
        return false;
    }
    std::vector<char> buf(size_t(std::min<uint64_t>(e.size, 1 << 20)));
    uint64_t left = e.size;
    while (left) {
        const size_t n = size_t(std::min<uint64_t>(left, buf.size()));
        if (fread(buf.data(), 1, n, m_file.get()) != n) {
            *error = "cannot read " + m_path + " (did it shrink?)";
            return false;
        }
        if (!sink(buf.data(), n)) return false;
        left -= n;
    }
    return true;
}

} // namespace kes::wdf
