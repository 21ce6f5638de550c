#include "LogCapture.h"

#include <KesPlatform.h>

namespace kes::test {

LogCapture::LogCapture()
{
    KesPlatformSetLogHandler(Collect, this);
}

LogCapture::~LogCapture()
{
    KesPlatformSetLogHandler(nullptr, nullptr);
}

void LogCapture::Collect(const char* line, void* user)
{
    LogCapture* self = static_cast<LogCapture*>(user);
    std::lock_guard<std::mutex> hold(self->m_lock);
    self->m_lines.push_back(line);
}

std::vector<std::string> LogCapture::Lines() const
{
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lines;
}

size_t LogCapture::Count(const std::string& part) const
{
    size_t n = 0;
    for (const std::string& line : Lines()) n += line.find(part) != std::string::npos;
    return n;
}

std::string LogCapture::Only(const std::string& part) const
{
    std::string found;
    for (const std::string& line : Lines()) {
        if (line.find(part) == std::string::npos) continue;
        if (!found.empty()) return "";
        found = line;
    }
    return found;
}

std::string LogCapture::All() const
{
    std::string all;
    for (const std::string& line : Lines()) all += line + "\n";
    return all;
}

void LogCapture::Clear()
{
    std::lock_guard<std::mutex> hold(m_lock);
    m_lines.clear();
}

} // namespace kes::test
