// Win32 module queries for the one module a game asks about: its own
// executable. GetModuleHandleA(NULL) and GetModuleFileNameA.
//
// Not implemented: handles of other modules (shared libraries are not
// looked up by name), the ...ExA variants.
#include <windows.h>

#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kErrorModNotFound = 126; // ERROR_MOD_NOT_FOUND

int FindImageBase(dl_phdr_info* info, size_t, void* data)
{
    // The first object listed is the executable. Its handle is where its
    // ELF header is mapped, as a Windows module handle is the address of
    // its image's headers: the segment loaded from file offset 0.
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& ph = info->dlpi_phdr[i];
        if (ph.p_type == PT_LOAD && ph.p_offset == 0) {
            *static_cast<uintptr_t*>(data) = uintptr_t(info->dlpi_addr + ph.p_vaddr);
            break;
        }
    }
    return 1; // the executable is all we want
}

HMODULE ExecutableHandle()
{
    static const HMODULE handle = [] {
        uintptr_t base = 0;
        dl_iterate_phdr(FindImageBase, &base);
        // Any stable non-null value would do for the engine; this one only
        // shows up if the loader hides the executable's headers from us.
        static const char fallback = 0;
        return HMODULE(base ? base : uintptr_t(&fallback));
    }();
    return handle;
}

// The executable's full path, or false with a Windows error code.
bool ExecutablePath(std::string* path, DWORD* error)
{
    // A path may be longer than PATH_MAX; readlink says so by filling the
    // whole buffer, and we try again with a larger one.
    std::string buf(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", &buf[0], buf.size());
        if (n < 0) {
            *error = errno == EACCES ? DWORD(ERROR_ACCESS_DENIED) : DWORD(ERROR_FILE_NOT_FOUND);
            return false;
        }
        if (size_t(n) < buf.size()) {
            buf.resize(size_t(n));
            *path = std::move(buf);
            return true;
        }
        buf.resize(buf.size() * 2);
    }
}

} // namespace

extern "C" {

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    if (!lpModuleName) return ExecutableHandle();
    SetLastError(kErrorModNotFound);
    return NULL;
}

DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    if (hModule && hModule != ExecutableHandle()) {
        SetLastError(kErrorModNotFound);
        return 0;
    }
    if (nSize == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (!lpFilename) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string path;
    DWORD error = 0;
    if (!ExecutablePath(&path, &error)) {
        SetLastError(error);
        return 0;
    }
    // Windows Vista and later: a name that does not fit is cut to nSize - 1
    // characters and still terminated; the result is then nSize, which no
    // complete name can have, and that is how callers tell.
    if (path.size() < nSize) {
        memcpy(lpFilename, path.data(), path.size() + 1);
        return DWORD(path.size());
    }
    memcpy(lpFilename, path.data(), nSize - 1);
    lpFilename[nSize - 1] = '\0';
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return nSize;
}

} // extern "C"
