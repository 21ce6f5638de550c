#include "PixelFormats.h"

#include <cstring>

namespace kes::d3d9 {

int BytesPerPixel(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: return 4;
    case D3DFMT_R5G6B5: return 2;
    case D3DFMT_A8: return 1;
    default: return 0;
    }
}

uint32_t ReadArgb(D3DFORMAT format, const uint8_t* row, UINT x)
{
    switch (format) {
    case D3DFMT_A8R8G8B8: {
        uint32_t v;
        memcpy(&v, row + size_t(x) * 4, 4);
        return v;
    }
    case D3DFMT_X8R8G8B8: {
        uint32_t v;
        memcpy(&v, row + size_t(x) * 4, 4);
        return v | 0xFF000000u;
    }
    case D3DFMT_R5G6B5: {
        uint16_t v;
        memcpy(&v, row + size_t(x) * 2, 2);
        return 0xFF000000u | Widen5((v >> 11) & 31) << 16 | Widen6((v >> 5) & 63) << 8 | Widen5(v & 31);
    }
    case D3DFMT_A8: return uint32_t(row[x]) << 24;
    default: return 0;
    }
}

void WriteArgb(D3DFORMAT format, uint8_t* row, UINT x, uint32_t argb)
{
    switch (format) {
    case D3DFMT_A8R8G8B8: memcpy(row + size_t(x) * 4, &argb, 4); break;
    case D3DFMT_X8R8G8B8: {
        const uint32_t v = argb | 0xFF000000u;
        memcpy(row + size_t(x) * 4, &v, 4);
        break;
    }
    case D3DFMT_R5G6B5: {
        const uint16_t v = uint16_t(((argb >> 8) & 0xF800) | ((argb >> 5) & 0x07E0) | ((argb >> 3) & 0x001F));
        memcpy(row + size_t(x) * 2, &v, 2);
        break;
    }
    case D3DFMT_A8: row[x] = uint8_t(argb >> 24); break;
    default: break;
    }
}

} // namespace kes::d3d9
