#include "KesWasFaults.h"
#include "KesLooksLike.h"

#include <stdarg.h>
#include <stdio.h>

namespace kes::was {

void ReportHeaderFault(const char* fname, const unsigned char* data, uint64_t size, HeaderStatus status)
{
    const unsigned long long n = size;
    if (status == HeaderStatus::BadMagic) {
        char kind[kLooksLikeText];
        LooksLike(data, size_t(size), kind);
        kes::Report("LoadWas %s: not a WAS sprite; the file %s", fname, kind);
    } else if (status == HeaderStatus::TooShort) {
        kes::Report("LoadWas %s: %llu bytes, too short for a sprite's %d header bytes", fname, n, kHeaderSize);
    } else if (status == HeaderStatus::PaletteOutside) {
        kes::Report("LoadWas %s: the palette at byte %d passes the file's end at byte %llu", fname,
                    int16_t(ReadU16(data + 2)) + 4, n);
    } else {
        kes::Report("LoadWas %s: the frame table of %d x %d entries passes the file's end at byte %llu", fname,
                    int16_t(ReadU16(data + 4)), int16_t(ReadU16(data + 6)), n);
    }
}

void LeftOut::Add(int slot, uint64_t offset, const char* format, ...)
{
    if (m_count++ > 0) return;
    char what[160];
    va_list args;
    va_start(args, format);
    vsnprintf(what, sizeof what, format, args);
    va_end(args);
    snprintf(m_first, sizeof m_first, "frame %d (group %d, number %d) at byte %llu: %s", slot,
             slot / m_header.frames, slot % m_header.frames, (unsigned long long)offset, what);
}

void LeftOut::AddFrameFault(int slot, const unsigned char* data, uint64_t size, FrameStatus status)
{
    // The frame table lies inside the file (the header was Ok).
    const uint64_t offset = m_header.palette + ReadU32(data + m_header.frameTable + uint64_t(slot) * 4);
    const unsigned long long end = size;
    if (status == FrameStatus::HeaderOutside) {
        Add(slot, offset, "its header passes the file's end at byte %llu", end);
        return;
    }
    // The frame header is inside the file for the other two.
    const int width = int32_t(ReadU32(data + offset + 8)), height = int32_t(ReadU32(data + offset + 12));
    if (status == FrameStatus::TooLarge)
        Add(slot, offset, "%d x %d pixels, a side above %d", width, height, kMaxFrameSide);
    else
        Add(slot, offset, "its %d row offsets pass the file's end at byte %llu", height, end);
}

void LeftOut::Report(const char* fname, int total) const
{
    if (m_count == 0) return;
    kes::Report("LoadWas %s: %d of %d frames left out; the first, %s", fname, m_count, total, m_first);
}

} // namespace kes::was
