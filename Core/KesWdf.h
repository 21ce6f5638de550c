// The WDF archive format and the name derivations around it, shared by the
// engine's reader and the archive tools that write and inspect archives.
//
// Header (12 bytes, little-endian): magic, entry count, index offset. Index:
// count entries of 16 bytes (file id, data offset, size, a fourth word the
// reader ignores), in strictly ascending file id order. "XFDW" and "HFDW"
// archives store the index bytes XORed with a key walk; "PFDW" stores them
// plain. File data is stored as it is.
#ifndef KESTO_CORE_KESWDF_H
#define KESTO_CORE_KESWDF_H

#include <windows.h>

#include <stddef.h>

namespace kes::wdf {

constexpr DWORD kMagicPlain = 0x57444650;     // "PFDW"
constexpr DWORD kMagicScrambled = 0x57444658; // "XFDW"
constexpr DWORD kMagicScrambledH = 0x57444648; // "HFDW"
constexpr size_t kHeaderSize = 12;
constexpr size_t kEntrySize = 16;
constexpr int kChainLength = 15;    // shape.wdf, shape.wd1 ... shape.wde
constexpr size_t kNameBuffer = 260; // the Windows path limit the names were made for
constexpr int kKeyLength = 257;

struct IndexEntry {
    DWORD id;
    DWORD offset;
    DWORD size;
    DWORD reserved;
};
static_assert(sizeof(IndexEntry) == kEntrySize, "index entries are 16 bytes on disk");

inline bool IsScrambled(DWORD magic)
{
    return magic == kMagicScrambled || magic == kMagicScrambledH;
}

inline bool IsKnownMagic(DWORD magic)
{
    return magic == kMagicPlain || IsScrambled(magic);
}

// The key of scrambled indexes.
extern const unsigned char kIndexKey[kKeyLength];

// XORs index bytes with the key walk: positions 0..32, 34..256, then 0 again
// (position 33 is never used). The walk restarts for every archive, so a
// buffer must hold a whole index. Applying it twice restores the bytes.
void ScrambleIndex(unsigned char* bytes, size_t n);

// The suffix of chain position n (0..14): ".wdf", ".wd1" ... ".wd9", ".wda" ... ".wde".
void ChainSuffix(int n, char suffix[5]);

// Name derivations. Each returns false when the derived name does not fit
// the 260-byte buffers (or, for ChainArchiveId, when the path has no archive
// part); such names are never found.
//
// Archive id of an archive file being registered: its name after the last
// '/' or '\' (the folder it lies in is no part of it), lower-cased.
bool ArchiveFileId(const char* path, DWORD* id);
// Where the name inside the archive starts: just after the first '/' (or,
// in a name without '/', the first '\'); nullptr when there is neither.
const char* NameInArchive(const char* path);
// File id inside an archive: the name from NameInArchive, lower-cased, '/'
// turned into '\'. A name without either separator gives id 0.
bool FileId(const char* path, DWORD* id);
// Archive id of `path` at chain position n: the lower-cased part before the
// first '/' or '\', plus the chain suffix.
bool ChainArchiveId(const char* path, int n, DWORD* id);

} // namespace kes::wdf

#endif
