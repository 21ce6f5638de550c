// MApp: the one application object of a Kesto game.
//
// Construct exactly one; reach it anywhere through Singleton<MApp>.
#ifndef KESTO_KESAPP_H
#define KESTO_KESAPP_H

#include <KesFile.h>
#include <KesUtility.h>

class MApp;
// The one instance lives in the library, shared with every module of the game.
template <>
KESTO_API MApp* Singleton<MApp>::m_Singleton;

class KESTO_API MApp : public Singleton<MApp> {
public:
    MApp();
    ~MApp();

    // Registers a data archive for the whole process (see MFile::OpenDataFile).
    void OpenDataFile(const char* path);

    MApp(const MApp&) = delete;
    MApp& operator=(const MApp&) = delete;
};

#endif
