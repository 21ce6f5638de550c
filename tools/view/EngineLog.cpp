#include "EngineLog.h"

#include <KesPlatform.h>

#include <cstdio>

namespace kes::view {

EngineLog::EngineLog(bool echo) : m_echo(echo)
{
    KesPlatformSetLogHandler(&EngineLog::Hear, this);
}

EngineLog::~EngineLog()
{
    KesPlatformSetLogHandler(nullptr, nullptr);
}

void EngineLog::Hear(const char* message, void* user)
{
    auto* self = static_cast<EngineLog*>(user);
    std::lock_guard<std::mutex> lock(self->m_mutex);
    if (self->m_first.empty()) self->m_first = message;
    ++self->m_lines;
    if (self->m_echo) std::fprintf(stderr, "kesto: %s\n", message);
}

void EngineLog::Mark()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_first.clear();
}

std::string EngineLog::FirstSinceMark() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_first;
}

unsigned EngineLog::Lines() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lines;
}

} // namespace kes::view
