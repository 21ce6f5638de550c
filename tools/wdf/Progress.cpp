#include "Progress.h"

#include <cstdio>
#include <unistd.h>

namespace kes::wdf {

Progress::Progress(const char* verb, size_t total)
    : m_verb(verb)
    , m_total(total)
    , m_terminal(isatty(STDERR_FILENO) != 0)
{
}

Progress::~Progress()
{
    if (m_lineOpen) fputc('\n', stderr);
}

void Progress::Update(size_t done)
{
    if (m_terminal) {
        // A hundred updates are enough for the eye and cost nothing.
        const size_t step = m_total / 100 + 1;
        if (done != m_total && done - m_shown < step) return;
        fprintf(stderr, "\r%s: %zu/%zu files", m_verb, done, m_total);
        fflush(stderr);
        m_lineOpen = true;
    } else {
        if (done - m_shown < kLogEvery) return;
        fprintf(stderr, "%s: %zu/%zu files\n", m_verb, done, m_total);
    }
    m_shown = done;
}

} // namespace kes::wdf
