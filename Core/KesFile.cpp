// MFile: whole-file loads and positioned streams over loose files and archives.
#include <KesFile.h>

#include "KesDataFile.h"
#include "KesReport.h"

#include <stdlib.h>

#define KES_FILE_SOURCE L"Core/KesFile"

namespace {

HANDLE OpenLoose(const char* name)
{
    return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       NULL);
}

// Why there is no loose file to read, from OpenLoose's error: most names
// live in archives, so a missing one is the common case.
const char* LooseFailure(DWORD error)
{
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return "no such loose file";
    return error == ERROR_ACCESS_DENIED ? "the loose file cannot be opened (access denied)"
                                        : "the loose file cannot be opened";
}

// Size of a loose file, refusing files that 32-bit sizes cannot describe.
bool LooseSize(HANDLE h, DWORD* size)
{
    DWORD high = 0;
    const DWORD low = GetFileSize(h, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return false;
    if (high != 0) return false;
    *size = low;
    return true;
}

bool SeekTo(HANDLE h, DWORD pos)
{
    const DWORD r = SetFilePointer(h, LONG(pos), NULL, FILE_BEGIN);
    return !(r == INVALID_SET_FILE_POINTER && GetLastError() != ERROR_SUCCESS);
}

DWORD CurrentPos(HANDLE h)
{
    return SetFilePointer(h, 0, NULL, FILE_CURRENT);
}

// Where a name's bytes are: a loose file (offset 0, the handle ours to
// close) or an entry of a registered archive (its shared handle).
struct Place {
    HANDLE file;
    DWORD offset;
    DWORD size;
};

// The lookup that Load and Open share: the loose file first, else the id
// (`id`, or the name's own when 0) along the name's chain in `order`; the
// handle is left at the file's first byte. When the name cannot be read,
// the reason is reported and false returned.
bool Locate(const char* name, DWORD id, kes::ChainOrder order, Place* at)
{
    HANDLE h = OpenLoose(name);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD size;
        if (!LooseSize(h, &size)) {
            CloseHandle(h);
            kes::Report("%s: a loose file of 4 GB or more, which 32-bit sizes cannot hold", name);
            return false;
        }
        *at = Place{h, 0, size};
        return true;
    }
    const DWORD looseError = GetLastError();

    DWORD fileId = id;
    if (fileId == 0 && !kes::wdf::FileId(name, &fileId)) {
        kes::Report("%s: not found: %s, and the name is too long to look for in archives", name,
                    LooseFailure(looseError));
        return false;
    }
    const kes::DataFileSlot* slot;
    const kes::wdf::IndexEntry* entry;
    kes::Reason why;
    switch (kes::FindInChain(name, fileId, order, &slot, &entry, &why)) {
    case kes::ChainFind::Found: break;
    case kes::ChainFind::Damaged: kes::Report("%s: %s", name, why.text); return false;
    case kes::ChainFind::NotFound:
        kes::Report("%s: not found: %s, %s", name, LooseFailure(looseError), why.text);
        return false;
    }
    if (!SeekTo(slot->hFile, entry->offset)) {
        kes::Report("%s: its archive cannot be read at byte %u", name, unsigned(entry->offset));
        return false;
    }
    *at = Place{slot->hFile, entry->offset, entry->size};
    return true;
}

} // namespace

MFile::MFile() : m_File(INVALID_HANDLE_VALUE), m_Data(0), m_Offset(0), m_Size(0)
{
}

MFile::~MFile()
{
    Close();
    m_File = INVALID_HANDLE_VALUE;
    free(m_Data);
    m_Data = 0;
}

void MFile::Close()
{
    if (m_Offset == 0) {
        if (m_File != INVALID_HANDLE_VALUE) CloseHandle(m_File);
    } else {
        m_Offset = 0; // the archive's handle is shared: never ours to close
    }
    m_File = INVALID_HANDLE_VALUE;
}

int MFile::Load(const char* name, DWORD id)
{
    Place at;
    if (!Locate(name, id, kes::ChainOrder::Load, &at)) return 0;

    // The new contents replace the old only once they are read whole: a read
    // that fails or comes up short leaves the previous buffer as it was.
    char* data = at.size < 0xFFFFFFFFu ? static_cast<char*>(malloc(size_t(at.size) + 1)) : 0;
    DWORD got = 0;
    const bool ok = data && ReadFile(at.file, data, at.size, &got, NULL) && got == at.size;
    if (at.offset == 0) CloseHandle(at.file);
    if (!ok) {
        if (data)
            kes::Report("%s: read failed after %u of %u bytes", name, unsigned(got), unsigned(at.size));
        else
            kes::Report("%s: no memory for its %u bytes", name, unsigned(at.size));
        free(data);
        return 0;
    }
    data[at.size] = 0;
    // m_Offset also says whether m_File is ours to close; a stream left open
    // under the new offset would lose its handle or close an archive's shared
    // one, so it ends here.
    if (m_File != INVALID_HANDLE_VALUE) Close();
    free(m_Data);
    m_Data = data;
    m_Offset = at.offset;
    m_Size = at.size;
    return 1;
}

int MFile::Open(const char* name)
{
    // A stream already open is ended first, so that a loose file's handle is
    // not lost.
    Close();
    Place at;
    if (!Locate(name, 0, kes::ChainOrder::Open, &at)) return 0;
    m_File = at.file;
    m_Offset = at.offset;
    m_Size = at.size;
    return 1;
}

int MFile::Read(void* buf, DWORD size, DWORD pos, DWORD* got)
{
    KES_CHECK(m_File!=INVALID_HANDLE_VALUE, KES_FILE_SOURCE);
    // Never past the file's end, and so never into the next file of an archive.
    const DWORD left = pos < m_Size ? m_Size - pos : 0;
    const DWORD n = size < left ? size : left;
    if (got) *got = 0;
    if (n == 0) return 0;
    DWORD done = 0;
    if (!SeekTo(m_File, m_Offset + pos) || !ReadFile(m_File, buf, n, &done, NULL)) return 0;
    if (got) *got = done;
    return 1;
}

int MFile::Read(void* buf, DWORD size, DWORD* got)
{
    KES_CHECK(m_File!=INVALID_HANDLE_VALUE, KES_FILE_SOURCE);
    DWORD n = size;
    if (got) {
        const DWORD cur = CurrentPos(m_File);
        const DWORD end = m_Offset + m_Size;
        const DWORD left = cur < end ? end - cur : 0;
        if (n > left) n = left;
        *got = 0;
    }
    DWORD done = 0;
    if (!ReadFile(m_File, buf, n, &done, NULL)) return 0;
    if (got) *got = done;
    return 1;
}

void MFile::Seek(DWORD pos)
{
    KES_CHECK(m_File!=INVALID_HANDLE_VALUE, KES_FILE_SOURCE);
    SetFilePointer(m_File, LONG(m_Offset + pos), NULL, FILE_BEGIN);
}

DWORD MFile::Tell() const
{
    KES_CHECK(m_File!=INVALID_HANDLE_VALUE, KES_FILE_SOURCE);
    return CurrentPos(m_File) - m_Offset;
}

void MFile::Skip(int n)
{
    KES_CHECK(m_File!=INVALID_HANDLE_VALUE, KES_FILE_SOURCE);
    SetFilePointer(m_File, LONG(n), NULL, FILE_CURRENT);
}

int MFile::IsEnd() const
{
    KES_CHECK(m_File!=INVALID_HANDLE_VALUE, KES_FILE_SOURCE);
    return CurrentPos(m_File) - m_Offset >= m_Size ? 1 : 0;
}
