// Progress of a long pack, on standard error.
//
// On a terminal one line is rewritten in place; into a log, a line is added
// every kLogEvery files, and packs shorter than that print nothing.
#ifndef KESTO_TOOLS_WDF_PACKPROGRESS_H
#define KESTO_TOOLS_WDF_PACKPROGRESS_H

#include <cstddef>

namespace kes::wdf {

class PackProgress {
public:
    static constexpr size_t kLogEvery = 500;

    explicit PackProgress(size_t total);
    ~PackProgress();

    // `done` files of all have been written.
    void Update(size_t done);

private:
    size_t m_total;
    size_t m_shown = 0;
    bool m_terminal;
    bool m_lineOpen = false;
};

} // namespace kes::wdf

#endif
