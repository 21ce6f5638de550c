#include "Pixels.h"

#include <KesImage.h>

#include <cstring>

namespace kes::view {

bool ReadPixels(MImage* image, std::vector<uint32_t>* argb)
{
    argb->clear();
    if (!image || image->m_width <= 0 || image->m_height <= 0) return false;
    unsigned char* bits = nullptr;
    int pitch = 0;
    if (!image->Lock(&bits, &pitch)) return false;
    const int w = image->m_width, h = image->m_height;
    argb->resize(size_t(w) * size_t(h));
    bool ok = true;
    for (int y = 0; y < h && ok; ++y) {
        const unsigned char* row = bits + ptrdiff_t(y) * pitch;
        uint32_t* out = argb->data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) {
            switch (image->m_format) {
            case KES_FMT_A8R8G8B8: std::memcpy(&out[x], row + 4 * x, 4); break;
            case KES_FMT_X8R8G8B8:
                std::memcpy(&out[x], row + 4 * x, 4);
                out[x] |= 0xFF000000u;
                break;
            case KES_FMT_R5G6B5: {
                const uint32_t p = uint32_t(row[2 * x] | row[2 * x + 1] << 8);
                const uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
                out[x] = 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
                break;
            }
            case KES_FMT_A8: out[x] = uint32_t(row[x]) << 24 | 0xFFFFFFu; break;
            default: ok = false; x = w; break;
            }
        }
    }
    image->Unlock();
    if (!ok) argb->clear();
    return ok;
}

uint32_t Over(uint32_t src, uint32_t dst)
{
    const uint32_t a = src >> 24;
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t s = (src >> shift) & 255, d = (dst >> shift) & 255;
        out |= ((s * a + d * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

} // namespace kes::view
