// Win32 file functions over POSIX: CreateFileA (reading existing files),
// ReadFile, SetFilePointer, GetFileSize, CloseHandle, GetLastError.
//
// Not implemented: writing, creation dispositions other than OPEN_EXISTING,
// overlapped I/O, sharing modes (POSIX has no mandatory locks; every open
// behaves as if FILE_SHARE_READ | FILE_SHARE_WRITE had been asked).
//
// A handle carries its own file position and every read is a pread() there,
// so SetFilePointer costs no system call: the engine seeks before nearly
// every read of an archive, whose one handle all readers share.
#include <windows.h>

#include "PathResolve.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct FileObject {
    int fd;
    int64_t pos;
};

// Handles index a table instead of pointing at the objects, so that a stale
// or made-up handle is recognised instead of dereferenced. Values are
// multiples of 4 as Windows' own are, and never 0 or INVALID_HANDLE_VALUE.
class HandleTable {
public:
    HANDLE Add(FileObject* f)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t i;
        if (!m_free.empty()) {
            i = m_free.back();
            m_free.pop_back();
            m_slots[i] = f;
        } else {
            i = m_slots.size();
            m_slots.push_back(f);
        }
        return (HANDLE)(uintptr_t)((i + 1) << 2);
    }

    FileObject* Get(HANDLE h)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t i;
        if (!Index(h, &i)) return nullptr;
        return m_slots[i];
    }

    FileObject* Remove(HANDLE h)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        size_t i;
        if (!Index(h, &i)) return nullptr;
        FileObject* f = m_slots[i];
        m_slots[i] = nullptr;
        m_free.push_back(i);
        return f;
    }

private:
    bool Index(HANDLE h, size_t* i) const
    {
        const uintptr_t v = (uintptr_t)h;
        if (v == 0 || (v & 3) != 0) return false;
        *i = (v >> 2) - 1;
        return *i < m_slots.size() && m_slots[*i] != nullptr;
    }

    std::mutex m_mutex;
    std::vector<FileObject*> m_slots;
    std::vector<size_t> m_free;
};

HandleTable& Handles()
{
    static HandleTable* table = new HandleTable; // outlives static destructors that close files
    return *table;
}

thread_local DWORD t_lastError = ERROR_SUCCESS;

DWORD ErrnoToWin32(int e)
{
    switch (e) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_INVALID_PARAMETER;
    }
}

HANDLE Fail(DWORD error)
{
    t_lastError = error;
    return INVALID_HANDLE_VALUE;
}

} // namespace

extern "C" {

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile)
{
    (void)dwShareMode;
    (void)lpSecurityAttributes;
    (void)dwFlagsAndAttributes;
    (void)hTemplateFile;
    if (!lpFileName || dwDesiredAccess != GENERIC_READ || dwCreationDisposition != OPEN_EXISTING)
        return Fail(ERROR_INVALID_PARAMETER);
    if (*lpFileName == '\0') return Fail(ERROR_PATH_NOT_FOUND);

    std::string path(lpFileName);
    std::replace(path.begin(), path.end(), '\\', '/');
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
        std::string resolved;
        switch (kes::posix::ResolveWindowsPath(lpFileName, resolved)) {
        case kes::posix::ResolveResult::Found: break;
        case kes::posix::ResolveResult::FileNotFound: return Fail(ERROR_FILE_NOT_FOUND);
        case kes::posix::ResolveResult::PathNotFound: return Fail(ERROR_PATH_NOT_FOUND);
        case kes::posix::ResolveResult::TooLong: return Fail(ERROR_FILENAME_EXCED_RANGE);
        }
        fd = open(resolved.c_str(), O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) return Fail(ErrnoToWin32(errno));

    // Windows opens no directories without backup semantics; neither do we.
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Fail(ERROR_ACCESS_DENIED);
    }
    t_lastError = ERROR_SUCCESS;
    return Handles().Add(new FileObject{fd, 0});
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped)
{
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
    FileObject* f = Handles().Get(hFile);
    if (!f) {
        t_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    if (lpOverlapped || (!lpBuffer && nNumberOfBytesToRead)) {
        t_lastError = ERROR_INVALID_PARAMETER;
        return FALSE;
    }
    // A synchronous read of a file delivers everything asked for, up to the end.
    DWORD done = 0;
    char* out = static_cast<char*>(lpBuffer);
    while (done < nNumberOfBytesToRead) {
        const ssize_t n = pread(f->fd, out + done, nNumberOfBytesToRead - done, f->pos);
        if (n < 0) {
            if (errno == EINTR) continue;
            t_lastError = ErrnoToWin32(errno);
            if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
            return FALSE;
        }
        if (n == 0) break;
        done += DWORD(n);
        f->pos += n;
    }
    if (lpNumberOfBytesRead) *lpNumberOfBytesRead = done;
    return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                            DWORD dwMoveMethod)
{
    FileObject* f = Handles().Get(hFile);
    if (!f) {
        t_lastError = ERROR_INVALID_HANDLE;
        return INVALID_SET_FILE_POINTER;
    }
    // Without a high part the distance is a signed 32-bit number.
    int64_t distance = lDistanceToMove;
    if (lpDistanceToMoveHigh)
        distance = int64_t((uint64_t(uint32_t(*lpDistanceToMoveHigh)) << 32) | uint32_t(lDistanceToMove));
    int64_t base;
    switch (dwMoveMethod) {
    case FILE_BEGIN: base = 0; break;
    case FILE_CURRENT: base = f->pos; break;
    case FILE_END: {
        struct stat st;
        if (fstat(f->fd, &st) != 0) {
            t_lastError = ErrnoToWin32(errno);
            return INVALID_SET_FILE_POINTER;
        }
        base = st.st_size;
        break;
    }
    default: t_lastError = ERROR_INVALID_PARAMETER; return INVALID_SET_FILE_POINTER;
    }
    const int64_t target = base + distance;
    if (target < 0) {
        t_lastError = ERROR_NEGATIVE_SEEK;
        return INVALID_SET_FILE_POINTER;
    }
    f->pos = target;
    if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = LONG(uint64_t(target) >> 32);
    t_lastError = ERROR_SUCCESS;
    return DWORD(uint64_t(target));
}

DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh)
{
    FileObject* f = Handles().Get(hFile);
    struct stat st;
    if (!f || fstat(f->fd, &st) != 0) {
        t_lastError = f ? ErrnoToWin32(errno) : ERROR_INVALID_HANDLE;
        return INVALID_FILE_SIZE;
    }
    if (lpFileSizeHigh) *lpFileSizeHigh = DWORD(uint64_t(st.st_size) >> 32);
    t_lastError = ERROR_SUCCESS;
    return DWORD(uint64_t(st.st_size));
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    FileObject* f = Handles().Remove(hObject);
    if (!f) {
        t_lastError = ERROR_INVALID_HANDLE;
        return FALSE;
    }
    close(f->fd);
    delete f;
    return TRUE;
}

DWORD WINAPI GetLastError(void)
{
    return t_lastError;
}

void WINAPI SetLastError(DWORD dwErrCode)
{
    t_lastError = dwErrCode;
}

} // extern "C"
