/// \file
/// How the library's functions and classes cross the shared library's
/// boundary. Building libkesto exports them; a game that includes the
/// headers imports them (on Windows the import must be said, or a game
/// could not reach the library's data, such as Singleton<MApp>::m_Singleton).
/// A game linking a static build of the engine defines KESTO_STATIC.
#ifndef KESTO_KESEXPORT_H
#define KESTO_KESEXPORT_H

#if defined(_WIN32)
#if defined(KESTO_STATIC)
#define KESTO_API
#elif defined(KESTO_BUILDING_LIBRARY)
#define KESTO_API __declspec(dllexport)
#else
#define KESTO_API __declspec(dllimport)
#endif
#else
/// Marks what crosses the library's boundary: the engine's classes and free
/// functions. On Linux, default visibility (the library is built hidden).
#define KESTO_API __attribute__((visibility("default")))
#endif

#endif
