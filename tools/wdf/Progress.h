// Progress of a long pack or extract, on standard error.
//
// On a terminal one line is rewritten in place; into a log, a line is added
// every kLogEvery files, and runs shorter than that print nothing.
#ifndef KESTO_TOOLS_WDF_PROGRESS_H
#define KESTO_TOOLS_WDF_PROGRESS_H

#include <cstddef>

namespace kes::wdf {

class Progress {
public:
    static constexpr size_t kLogEvery = 500;

    // `verb` starts each line: "packing", "extracting".
    Progress(const char* verb, size_t total);
    ~Progress();

    // `done` files of all have been written.
    void Update(size_t done);

private:
    const char* m_verb;
    size_t m_total;
    size_t m_shown = 0;
    bool m_terminal;
    bool m_lineOpen = false;
};

} // namespace kes::wdf

#endif
