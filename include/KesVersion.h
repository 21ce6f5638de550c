/// \file
/// Kesto's version (a Kesto extension): the version of the headers a game was
/// built with, as macros, and the version of the library it runs with, as a
/// call. The two differ when a game built against one release runs with
/// another of the same major version (the shared library's soname).
#ifndef KESTO_KESVERSION_H
#define KESTO_KESVERSION_H

#include <KesExport.h>

/// The headers' major version, also the shared library's soname number
/// (libkesto.so.N); releases of another major version are not compatible.
#define KESTO_VERSION_MAJOR 0
/// The headers' minor version.
#define KESTO_VERSION_MINOR 1
/// The headers' patch level.
#define KESTO_VERSION_PATCH 0
/// The headers' version as text, "major.minor.patch" (the one place it is
/// stated: the build reads it from here).
#define KESTO_VERSION "0.1.0"
/// One number that grows with every release: major * 10000 + minor * 100 + patch.
#define KESTO_VERSION_NUMBER (KESTO_VERSION_MAJOR * 10000 + KESTO_VERSION_MINOR * 100 + KESTO_VERSION_PATCH)

#ifdef __cplusplus
extern "C" {
#endif

/// The running library's version, "major.minor.patch"; never null.
KESTO_API const char* KesVersion(void);
/// The running library's KESTO_VERSION_NUMBER.
KESTO_API int KesVersionNumber(void);

#ifdef __cplusplus
}
#endif

#endif
