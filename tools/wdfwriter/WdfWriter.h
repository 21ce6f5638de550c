// Writing WDF archives: the packer of the archive tool and of the tests'
// fixtures.
//
// Layout written: the 12-byte header, then every file's bytes in index order,
// then the index (sorted by id, scrambled for "XFDW"/"HFDW"). Data offsets
// therefore start at 12 and are never 0.
#ifndef KESTO_TOOLS_WDFWRITER_H
#define KESTO_TOOLS_WDFWRITER_H

#include <KesWdf.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace kes::wdf {

class ArchiveWriter {
public:
    explicit ArchiveWriter(DWORD magic = kMagicPlain) : m_magic(magic) {}

    // Adds a file held in memory.
    void Add(DWORD id, std::string bytes);
    // Adds a file on disk; its bytes are read when the archive is written.
    void AddFile(DWORD id, std::string path);
    // Adds bytes under the id the engine derives from `path` ("dir/name.ext":
    // the part after the first '/', any case, either slash).
    void AddNamed(const std::string& path, std::string bytes);

    size_t Count() const { return m_entries.size(); }
    uint64_t DataBytes() const;

    // Called after each file with (files written, files in all).
    using Progress = std::function<void(size_t, size_t)>;

    // Writes the archive. False with a message when ids repeat, the archive
    // would not fit 32-bit offsets, or a file cannot be read or written
    // (with the system's reason: "cannot write: No space left on device").
    bool Write(const std::string& path, std::string* error, const Progress& progress = nullptr) const;
    // The same into an open stream, which is flushed but left open.
    bool WriteTo(FILE* out, std::string* error, const Progress& progress = nullptr) const;
    // The size of the archive file Write makes.
    uint64_t FileBytes() const { return kHeaderSize + DataBytes() + uint64_t(Count()) * kEntrySize; }

private:
    struct Entry {
        DWORD id;
        std::string bytes;  // used when path is empty
        std::string path;
        uint64_t size;
    };
    DWORD m_magic;
    std::vector<Entry> m_entries;
};

// The name of chain position n for an archive named "<stem>.wdf": ".wdf",
// ".wd1" ... ".wde" replace the last suffix, upper-cased when the first
// letter of that suffix is (SHAPE.WDF, SHAPE.WD1).
std::string ChainFileName(const std::string& firstArchivePath, int n);
// Whether `path` ends in ".wdf" (any case), so that a chain's other parts
// are named after it.
bool IsChainStart(const std::string& path);

} // namespace kes::wdf

#endif
