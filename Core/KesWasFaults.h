// What a sprite that loads in part, or not at all, says about its damage:
// where its header fails the file, and which frames a load leaves out.
#ifndef KESTO_CORE_KESWASFAULTS_H
#define KESTO_CORE_KESWASFAULTS_H

#include "KesReport.h"
#include "KesWas.h"

namespace kes::was {

// Reports why LoadWas refused `fname` for `status` (not Ok).
void ReportHeaderFault(const char* fname, const unsigned char* data, uint64_t size, HeaderStatus status);

// The frames a load leaves out, said in one line for the whole sprite: the
// first in detail, the others counted.
class LeftOut {
public:
    explicit LeftOut(const Header& header) : m_header(header) {}

    // Slot `slot`, whose frame header lies at `offset`, is left out.
    void Add(int slot, uint64_t offset, const char* format, ...) KES_PRINTF(4, 5);
    // Slot `slot` is left out for `status`, a ReadFrame result that means
    // damage (not Absent or NotPositive, which a sprite may be made with).
    void AddFrameFault(int slot, const unsigned char* data, uint64_t size, FrameStatus status);
    // Says the line for `fname`, when any frame was left out.
    void Report(const char* fname, int total) const;

private:
    const Header& m_header;
    int m_count = 0;
    char m_first[320];
};

} // namespace kes::was

#endif
