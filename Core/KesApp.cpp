// The application object.
#include <KesApp.h>

template <>
MApp* Singleton<MApp>::m_Singleton = 0;

MApp::MApp()
{
}

MApp::~MApp()
{
}

void MApp::OpenDataFile(const char* path)
{
    MFile::OpenDataFile(path);
}
