// Reading WDF archives for inspection and extraction.
//
// Unlike the engine's reader, this one meets archives of unknown origin:
// truncated downloads, damaged discs, files that are not archives at all. It
// checks that the index lies inside the file before it allocates anything
// for it, so the memory it takes is bounded by the file's size, and it never
// reads an entry's bytes without checking that they lie inside the file.
#ifndef KESTO_TOOLS_WDF_WDFREADER_H
#define KESTO_TOOLS_WDF_WDFREADER_H

#include <KesWdf.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kes::wdf {

struct ArchiveHeader {
    DWORD magic = 0;
    DWORD count = 0;
    DWORD indexOffset = 0;
};

// "PFDW", "XFDW", "HFDW"; the four bytes in hex for anything else.
std::string MagicName(DWORD magic);

class ArchiveReader {
public:
    // Reads the header and the index (descrambled when needed). False with a
    // message when the file cannot be read, is shorter than a header, has an
    // unknown magic or an index that does not lie wholly inside it.
    bool Open(const std::string& path, std::string* error);

    const std::string& Path() const { return m_path; }
    const ArchiveHeader& Header() const { return m_header; }
    uint64_t FileSize() const { return m_fileSize; }
    const std::vector<IndexEntry>& Entries() const { return m_entries; }

    // True when the entry's bytes lie wholly inside the file and do not start
    // at offset 0, where the header is; the engine ignores other entries.
    bool Inside(const IndexEntry& e) const;
    // Why an entry that is not Inside cannot be read; nullptr for one that is.
    const char* Damage(const IndexEntry& e) const;

    // Hands an entry's bytes to `sink` in pieces of at most a megabyte.
    // False with a message when the entry is not Inside the file or a read
    // fails; false without one when `sink` returns false (the sink knows why).
    using Sink = std::function<bool(const char* bytes, size_t size)>;
    bool ReadEntry(const IndexEntry& e, const Sink& sink, std::string* error) const;

private:
    struct FileCloser {
        void operator()(FILE* f) const
        {
            if (f) fclose(f);
        }
    };

    std::unique_ptr<FILE, FileCloser> m_file;
    std::string m_path;
    ArchiveHeader m_header;
    uint64_t m_fileSize = 0;
    std::vector<IndexEntry> m_entries;
};

} // namespace kes::wdf

#endif
