// The archive registry: 64 slots, filled in order, kept until unload.
#include "KesDataFile.h"
#include "KesLooksLike.h"
#include "KesReport.h"

#include <KesFile.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace kes {
namespace {

struct DataFileTable {
    DataFileSlot slots[kDataFileSlots];

    DataFileTable() { Clear(); }
    ~DataFileTable() { CloseAll(); }

    void Clear()
    {
        for (DataFileSlot& s : slots) s = DataFileSlot{INVALID_HANDLE_VALUE, nullptr, 0, 0, 0};
    }

    void CloseAll()
    {
        for (DataFileSlot& s : slots) {
            if (s.hFile != INVALID_HANDLE_VALUE) CloseHandle(s.hFile);
            free(s.pIndex);
        }
        Clear();
    }

    const DataFileSlot* Find(DWORD id) const
    {
        for (const DataFileSlot& s : slots) {
            if (s.hFile == INVALID_HANDLE_VALUE) break; // used slots are a run from 0
            if (s.id == id) return &s;
        }
        return nullptr;
    }
};

DataFileTable g_table;

bool ReadExactly(HANDLE h, void* buf, DWORD n)
{
    DWORD got = 0;
    return ReadFile(h, buf, n, &got, NULL) && got == n;
}

DWORD Le32(const unsigned char* p)
{
    return DWORD(p[0]) | DWORD(p[1]) << 8 | DWORD(p[2]) << 16 | DWORD(p[3]) << 24;
}

const wdf::IndexEntry* FindEntry(const DataFileSlot& s, DWORD fileId)
{
    int lo = 0, hi = int(s.count) - 1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const DWORD v = s.pIndex[mid].id;
        if (fileId == v) return &s.pIndex[mid];
        if (fileId < v)
            hi = mid - 1;
        else
            lo = mid + 1;
    }
    return nullptr;
}

bool EntryInsideArchive(const DataFileSlot& s, const wdf::IndexEntry& e)
{
    return e.offset != 0 && uint64_t(e.offset) + e.size <= s.fileSize;
}

// Closes the archive being registered and says why it is not.
int Refuse(HANDLE h, const char* path, const char* why)
{
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    Report("OpenDataFile %s: %s", path, why);
    return 0;
}

// The bytes at the start of a file that is no archive, for what it looks like.
int RefuseKind(HANDLE h, const char* path, const unsigned char* header, DWORD got)
{
    char kind[kLooksLikeText];
    LooksLike(header, got, kind);
    Reason why;
    if (got >= 4 && wdf::IsKnownMagic(Le32(header)))
        Why(&why, "damaged: the header is cut short at %u of %u bytes", unsigned(got), unsigned(wdf::kHeaderSize));
    else
        Why(&why, "not a WDF archive; the file %s", kind);
    return Refuse(h, path, why.text);
}

// Lookups bisect the index, so an index out of order loses files without a
// trace: the archive still registers, as it always has, with a line that
// says which entry breaks the order.
void CheckOrder(const char* path, const wdf::IndexEntry* index, DWORD count)
{
    for (DWORD i = 1; i < count; ++i) {
        if (index[i].id > index[i - 1].id) continue;
        Report("OpenDataFile %s: damaged index: entry %u (id %08X) is not above the one before it; lookups may "
               "miss files",
               path, unsigned(i), unsigned(index[i].id));
        return;
    }
}

// What a chain search saw, for the reason a name was not found along it.
class ChainWalk {
public:
    explicit ChainWalk(const char* name) : m_name(name) {}

    void Searched(int position) { m_searched[m_count++] = position; }

    // The search ended at `position` (not registered; -1: after the last
    // one); `rest` are the positions it did not reach.
    void EndsAt(int position, const int* rest, int restCount, Reason* why) const
    {
        if (!why) return;
        char at[wdf::kNameBuffer + 8], list[160] = "";
        if (m_count == 0) {
            ArchiveName(position, at, sizeof at);
            Why(why, "and %s is not registered", at);
        } else {
            size_t used = 0;
            for (int i = 0; i < m_count && used < sizeof list; ++i) {
                ArchiveName(m_searched[i], at, sizeof at);
                used += size_t(snprintf(list + used, sizeof list - used, "%s%s", i ? ", " : "", at));
            }
            Why(why, "nor is it in %s", list);
        }
        // A later part of the chain that is registered but never reached:
        // the part before it is missing.
        for (int i = 0; i < restCount; ++i) {
            DWORD id;
            if (!wdf::ChainArchiveId(m_name, rest[i], &id) || !g_table.Find(id)) continue;
            char later[wdf::kNameBuffer + 8];
            ArchiveName(rest[i], later, sizeof later);
            ArchiveName(position, at, sizeof at);
            Reason both;
            Why(&both, "%s; %s is registered but out of reach while %s is not", why->text, later, at);
            *why = both;
            break;
        }
    }

    void Damaged(int position, const DataFileSlot& s, const wdf::IndexEntry& e, Reason* why) const
    {
        char at[wdf::kNameBuffer + 8];
        ArchiveName(position, at, sizeof at);
        if (e.offset == 0)
            Why(why, "damaged entry in %s: its data starts at byte 0, where the header lies", at);
        else
            Why(why, "damaged entry in %s: %u bytes at byte %u pass the archive's end at byte %llu", at,
                unsigned(e.size), unsigned(e.offset), (unsigned long long)s.fileSize);
    }

private:
    // The archive at chain `position` as a game names it: the name's folder
    // part and the chain's suffix ("shape.wd1").
    void ArchiveName(int position, char* out, size_t n) const
    {
        char suffix[5];
        wdf::ChainSuffix(position, suffix);
        snprintf(out, n, "%.*s%s", int(strcspn(m_name, "/\\")), m_name, suffix);
    }

    const char* m_name;
    int m_searched[wdf::kChainLength];
    int m_count = 0;
};

} // namespace

int RegisterDataFile(const char* path)
{
    DWORD id;
    if (!wdf::ArchiveFileId(path, &id)) return Refuse(INVALID_HANDLE_VALUE, path, "the archive's name is too long");
    if (g_table.Find(id)) return 1;

    DataFileSlot* slot = nullptr;
    for (DataFileSlot& s : g_table.slots) {
        if (s.hFile == INVALID_HANDLE_VALUE) {
            slot = &s;
            break;
        }
    }
    if (!slot) return Refuse(INVALID_HANDLE_VALUE, path, "all 64 archive slots are taken");

    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return Refuse(h, path, OpenFailure(GetLastError()));

    unsigned char header[wdf::kHeaderSize];
    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(h, &sizeHigh);
    const uint64_t fileSize = (uint64_t(sizeHigh) << 32) | sizeLow;
    if (sizeLow == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS)
        return Refuse(h, path, "its size cannot be read");
    DWORD got = 0;
    if (!ReadFile(h, header, sizeof header, &got, NULL)) return Refuse(h, path, "its header cannot be read");
    if (got != sizeof header || !wdf::IsKnownMagic(Le32(header))) return RefuseKind(h, path, header, got);
    const DWORD magic = Le32(header);
    const DWORD count = Le32(header + 4);
    const DWORD indexOffset = Le32(header + 8);

    // The index must lie inside the file before anything is allocated for it:
    // a hostile count would otherwise ask for up to 64 GB.
    const uint64_t indexBytes = uint64_t(count) * wdf::kEntrySize;
    if (uint64_t(indexOffset) + indexBytes > fileSize || indexBytes > 0xFFFFFFFFu) {
        Reason why;
        Why(&why, "damaged index: %u entries of 16 bytes at byte %u pass the file's end at byte %llu", unsigned(count),
            unsigned(indexOffset), (unsigned long long)fileSize);
        return Refuse(h, path, why.text);
    }
    wdf::IndexEntry* index = static_cast<wdf::IndexEntry*>(malloc(indexBytes ? indexBytes : 1));
    if (!index) return Refuse(h, path, "no memory for its index");
    const DWORD moved = SetFilePointer(h, LONG(indexOffset), NULL, FILE_BEGIN);
    if ((moved == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) ||
        !ReadExactly(h, index, DWORD(indexBytes))) {
        free(index);
        return Refuse(h, path, "its index cannot be read");
    }
    if (wdf::IsScrambled(magic)) wdf::ScrambleIndex(reinterpret_cast<unsigned char*>(index), indexBytes);
    CheckOrder(path, index, count);

    slot->hFile = h;
    slot->pIndex = index;
    slot->id = id;
    slot->count = count;
    slot->fileSize = fileSize;
    return 1;
}

ChainFind FindInChain(const char* name, DWORD fileId, ChainOrder order, const DataFileSlot** slot,
                      const wdf::IndexEntry** entry, Reason* why)
{
    // Load's order: 9 first (skipped when absent), then 0..8, 10..14.
    static const int kLoadOrder[wdf::kChainLength] = {9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14};
    static const int kOpenOrder[wdf::kChainLength] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    const int* positions = order == ChainOrder::Load ? kLoadOrder : kOpenOrder;

    ChainWalk walk(name);
    for (int i = 0; i < wdf::kChainLength; ++i) {
        DWORD archiveId;
        if (!wdf::ChainArchiveId(name, positions[i], &archiveId)) {
            Why(why, "and a name without a folder part (or too long a one) is looked for in no archive");
            return ChainFind::NotFound;
        }
        const DataFileSlot* s = g_table.Find(archiveId);
        if (!s) {
            if (order == ChainOrder::Load && i == 0) continue;
            walk.EndsAt(positions[i], positions + i + 1, wdf::kChainLength - i - 1, why);
            return ChainFind::NotFound;
        }
        walk.Searched(positions[i]);
        const wdf::IndexEntry* e = FindEntry(*s, fileId);
        if (e) {
            if (!EntryInsideArchive(*s, *e)) {
                walk.Damaged(positions[i], *s, *e, why);
                return ChainFind::Damaged;
            }
            *slot = s;
            *entry = e;
            return ChainFind::Found;
        }
    }
    walk.EndsAt(-1, nullptr, 0, why);
    return ChainFind::NotFound;
}

const DataFileSlot* DataFileSlots()
{
    return g_table.slots;
}

void CloseAllDataFiles()
{
    g_table.CloseAll();
}

} // namespace kes

int MFile::OpenDataFile(const char* path)
{
    return kes::RegisterDataFile(path);
}
