// The archive registry: 64 slots, filled in order, kept until unload.
#include "KesDataFile.h"

#include <KesFile.h>

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

} // namespace

int RegisterDataFile(const char* path)
{
    DWORD id;
    if (!wdf::ArchiveFileId(path, &id)) return 0;
    if (g_table.Find(id)) return 1;

    DataFileSlot* slot = nullptr;
    for (DataFileSlot& s : g_table.slots) {
        if (s.hFile == INVALID_HANDLE_VALUE) {
            slot = &s;
            break;
        }
    }
    if (!slot) return 0;

    HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) return 0;

    unsigned char header[wdf::kHeaderSize];
    DWORD sizeHigh = 0;
    const DWORD sizeLow = GetFileSize(h, &sizeHigh);
    const uint64_t fileSize = (uint64_t(sizeHigh) << 32) | sizeLow;
    if (sizeLow == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        CloseHandle(h);
        return 0;
    }
    if (!ReadExactly(h, header, sizeof header) || !wdf::IsKnownMagic(Le32(header))) {
        CloseHandle(h);
        return 0;
    }
    const DWORD magic = Le32(header);
    const DWORD count = Le32(header + 4);
    const DWORD indexOffset = Le32(header + 8);

    // The index must lie inside the file before anything is allocated for it:
    // a hostile count would otherwise ask for up to 64 GB.
    const uint64_t indexBytes = uint64_t(count) * wdf::kEntrySize;
    if (uint64_t(indexOffset) + indexBytes > fileSize || indexBytes > 0xFFFFFFFFu) {
        CloseHandle(h);
        return 0;
    }
    wdf::IndexEntry* index = static_cast<wdf::IndexEntry*>(malloc(indexBytes ? indexBytes : 1));
    if (!index) {
        CloseHandle(h);
        return 0;
    }
    const DWORD moved = SetFilePointer(h, LONG(indexOffset), NULL, FILE_BEGIN);
    if ((moved == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS) ||
        !ReadExactly(h, index, DWORD(indexBytes))) {
        free(index);
        CloseHandle(h);
        return 0;
    }
    if (wdf::IsScrambled(magic)) wdf::ScrambleIndex(reinterpret_cast<unsigned char*>(index), indexBytes);

    slot->hFile = h;
    slot->pIndex = index;
    slot->id = id;
    slot->count = count;
    slot->fileSize = fileSize;
    return 1;
}

bool FindInChain(const char* name, DWORD fileId, ChainOrder order, const DataFileSlot** slot,
                 const wdf::IndexEntry** entry)
{
    // Load's order: 9 first (skipped when absent), then 0..8, 10..14.
    static const int kLoadOrder[wdf::kChainLength] = {9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14};
    static const int kOpenOrder[wdf::kChainLength] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
    const int* positions = order == ChainOrder::Load ? kLoadOrder : kOpenOrder;

    for (int i = 0; i < wdf::kChainLength; ++i) {
        DWORD archiveId;
        if (!wdf::ChainArchiveId(name, positions[i], &archiveId)) return false;
        const DataFileSlot* s = g_table.Find(archiveId);
        if (!s) {
            if (order == ChainOrder::Load && i == 0) continue;
            return false;
        }
        const wdf::IndexEntry* e = FindEntry(*s, fileId);
        if (e) {
            if (!EntryInsideArchive(*s, *e)) return false;
            *slot = s;
            *entry = e;
            return true;
        }
    }
    return false;
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
