// Loading entries through the engine's own loaders, by the name a game would
// use, with the reason when nothing comes back: the engine's log line for
// the load, or what the viewer knows of the entry.
#ifndef KESTO_TOOLS_VIEW_LOADER_H
#define KESTO_TOOLS_VIEW_LOADER_H

#include "DataSet.h"
#include "EngineLog.h"

#include <string>

class MApp;
class MImage;
class MImageVolume;

namespace kes::view {

class Loader {
public:
    Loader(MApp& app, DataSet& data, EngineLog& log) : m_app(app), m_data(data), m_log(log) {}

    // The sprite of entry i, with one reference for the caller (give it back
    // with MApp::CloseImageVolume); nullptr with a reason. A sprite some of
    // whose frames were too damaged to decode comes with the reason too.
    MImageVolume* Sprite(size_t i, std::string* reason);
    // The picture of entry i (JPEG, BMP, TGA, PNG), one reference for the
    // caller (MApp::CloseImage); nullptr with a reason.
    MImage* Picture(size_t i, std::string* reason);
    // The engine's font `key` from the file `path` (MApp::GetFont), or
    // nullptr with a reason that starts with `label`.
    void* Font(const std::string& key, const std::string& path, int size, bool bold, bool italic,
               const std::string& label, std::string* reason);
    // The engine name of entry i (DataSet::EngineName), or empty with a reason.
    std::string Name(size_t i, std::string* reason);

    MApp& App() { return m_app; }
    DataSet& Data() { return m_data; }

private:
    std::string Why(size_t i, const char* what);

    MApp& m_app;
    DataSet& m_data;
    EngineLog& m_log;
};

} // namespace kes::view

#endif
