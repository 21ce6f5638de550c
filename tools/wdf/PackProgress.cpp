#include "PackProgress.h"

#include <cstdio>
#include <unistd.h>

namespace kes::wdf {

PackProgress::PackProgress(size_t total)
    : m_total(total)
    , m_terminal(isatty(STDERR_FILENO) != 0)
{
}

PackProgress::~PackProgress()
{
    if (m_lineOpen) fputc('\n', stderr);
}

void PackProgress::Update(size_t done)
{
    if (m_terminal) {
        // A hundred updates are enough for the eye and cost nothing.
        const size_t step = m_total / 100 + 1;
        if (done != m_total && done - m_shown < step) return;
        fprintf(stderr, "\rpacking: %zu/%zu files", done, m_total);
        fflush(stderr);
        m_lineOpen = true;
    } else {
        if (done - m_shown < kLogEvery) return;
        fprintf(stderr, "packing: %zu/%zu files\n", done, m_total);
    }
    m_shown = done;
}

} // namespace kes::wdf
