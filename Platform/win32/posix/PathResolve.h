// Windows-style name resolution over a POSIX file system.
//
// Game data names were written on Windows: `\` and `/` both separate
// directories, and "Shape\Char\0001.WAS" names the same file as
// "shape/char/0001.was". The resolver keeps exact names when they exist and
// otherwise matches each missing component against its directory without
// regard to the case of ASCII letters.
#ifndef KESTO_PLATFORM_POSIX_PATHRESOLVE_H
#define KESTO_PLATFORM_POSIX_PATHRESOLVE_H

#include <string>

namespace kes::posix {

enum class ResolveResult { Found, FileNotFound, PathNotFound, TooLong };

// Turns a Windows name into the POSIX path of an existing entry. `out` holds
// the resolved path when the result is Found. Callers try the name as it
// stands (with `\` turned into `/`) first: that is the common case and needs
// no walk.
ResolveResult ResolveWindowsPath(const char* winName, std::string& out);

// Forgets every remembered directory listing (tests that rename entries call it;
// the cache also notices changes by itself through the directories' times).
void ForgetDirectoryListings();

} // namespace kes::posix

#endif
