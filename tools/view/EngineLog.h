// The engine's own account of what failed: its log lines (KesPlatform.h's
// log handler), kept so that the viewer can say why a load gave nothing.
#ifndef KESTO_TOOLS_VIEW_ENGINELOG_H
#define KESTO_TOOLS_VIEW_ENGINELOG_H

#include <mutex>
#include <string>

namespace kes::view {

class EngineLog {
public:
    // Takes the engine's log lines until destroyed; `echo` also writes them
    // to standard error, as the engine would.
    explicit EngineLog(bool echo);
    ~EngineLog();
    EngineLog(const EngineLog&) = delete;
    EngineLog& operator=(const EngineLog&) = delete;

    // Forgets the lines so far: what comes after is about the next action.
    void Mark();
    // The first line since the last Mark, or empty.
    std::string FirstSinceMark() const;
    // Lines heard in all.
    unsigned Lines() const;

private:
    static void Hear(const char* message, void* user);

    mutable std::mutex m_mutex; // the sound mixer's thread may speak too
    bool m_echo;
    std::string m_first;
    unsigned m_lines = 0;
};

} // namespace kes::view

#endif
