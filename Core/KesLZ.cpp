// LZO1X expansion through liblzo2.
#include <KesLZ.h>

#include <lzo/lzo1x.h>

namespace {

bool LzoReady()
{
    static const bool ready = lzo_init() == LZO_E_OK;
    return ready;
}

} // namespace

int LZDecode(unsigned char* src, unsigned char* dst)
{
    if (!LzoReady()) return 0;
    // The unchecked decoder stops at the end marker and reads neither lengths
    // nor anything behind the marker; the lengths only feed its final status,
    // which this interface has no way to report.
    lzo_uint produced = 0;
    lzo1x_decompress(src, 0, dst, &produced, nullptr);
    return int(produced);
}

int LZDecode(const unsigned char* src, DWORD srcSize, unsigned char* dst, DWORD dstCapacity, DWORD* written)
{
    if (written) *written = 0;
    // An empty buffer often comes as a null pointer (an empty vector's data()),
    // and liblzo2 does arithmetic on the pointers it is given even when there
    // is nothing behind them, which is undefined for null. Empty buffers get a
    // real address instead; a null one that claims bytes is refused.
    if ((!src && srcSize) || (!dst && dstCapacity)) return 0;
    unsigned char none[1] = {0};
    if (!src) src = none;
    if (!dst) dst = none;
    lzo_uint produced = dstCapacity;
    const int r = LzoReady() ? lzo1x_decompress_safe(src, srcSize, dst, &produced, nullptr) : LZO_E_ERROR;
    if (r == LZO_E_ERROR && !LzoReady()) produced = 0;
    if (written) *written = DWORD(produced);
    return r == LZO_E_OK ? 1 : 0;
}
