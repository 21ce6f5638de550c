// The lines the platform's log hook receives, recorded while a LogCapture
// lives: the engine's failure reports (through OutputDebugStringA) and the
// platform's own. Lines already said are not said again in the same
// process, so each test names its data uniquely.
#ifndef KESTO_TESTS_LOGCAPTURE_H
#define KESTO_TESTS_LOGCAPTURE_H

#include <mutex>
#include <string>
#include <vector>

namespace kes::test {

class LogCapture {
public:
    LogCapture();
    ~LogCapture(); // lines go back to standard error
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines() const;
    // How many lines contain `part`.
    size_t Count(const std::string& part) const;
    // The one line that contains `part`, or "" when there is none or more
    // than one.
    std::string Only(const std::string& part) const;
    // Every line, one a line, for failure messages.
    std::string All() const;
    void Clear();

private:
    static void Collect(const char* line, void* user);

    mutable std::mutex m_lock; // the mixer's thread may log too
    std::vector<std::string> m_lines;
};

} // namespace kes::test

#endif
