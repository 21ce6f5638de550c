// The direct path for 8-bit RGB and RGBA rows (see KesPngRows.h).
#include "KesPngRows.h"

#include <libdeflate.h>

#include <stdlib.h>
#include <string.h>

namespace kes {
namespace {

typedef unsigned char Byte;

uint32_t Be32(const Byte* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// Memory that goes when the decode ends, however it ends.
struct Owned {
    Byte* p = nullptr;
    ~Owned() { free(p); }
};

// The compressed rows: the data of the IDAT chunks, which follow one another
// from the first. *rows points into the file when one chunk holds them all,
// else into `copy`, which holds them joined.
bool GatherRows(const Byte* d, size_t n, const Byte** rows, size_t* length, Owned* copy, Reason* why)
{
    size_t at = 8, first = 0, total = 0;
    unsigned chunks = 0;
    while (n - at >= 8) {
        const size_t size = Be32(d + at);
        const bool idat = memcmp(d + at + 4, "IDAT", 4) == 0;
        if (chunks && !idat) break;
        if (size > n - at - 8) {
            Why(why, "the chunk at byte %zu passes the file's end at byte %zu", at, n);
            return false;
        }
        const size_t crcAt = at + 8 + size;
        if (idat) {
            // A file that ends right after the last chunk's data still holds
            // every row, and the rows' own check value (Adler-32) vouches for
            // them; a CRC that is there must match.
            if (n - crcAt >= 4 && libdeflate_crc32(0, d + at + 4, size + 4) != Be32(d + crcAt)) {
                Why(why, "the IDAT chunk at byte %zu fails its CRC", at);
                return false;
            }
            if (!chunks) first = at;
            total += size;
            ++chunks;
        }
        if (n - crcAt < 4) break;
        at = crcAt + 4;
    }
    if (!chunks) {
        Why(why, "no IDAT chunk holds its rows");
        return false;
    }
    if (chunks == 1) {
        *rows = d + first + 8;
        *length = total;
        return true;
    }
    copy->p = static_cast<Byte*>(malloc(total));
    if (!copy->p) {
        Why(why, "no memory for %zu bytes of compressed rows", total);
        return false;
    }
    size_t put = 0;
    for (at = first; put < total; at += 12 + size_t(Be32(d + at))) {
        const size_t size = Be32(d + at);
        memcpy(copy->p + put, d + at + 8, size);
        put += size;
    }
    *rows = copy->p;
    *length = total;
    return true;
}

inline Byte Paeth(int a, int b, int c)
{
    const int pa = abs(b - c), pb = abs(a - c), pc = abs(a + b - 2 * c);
    return Byte(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes a row's filter in place; `prev` is the row above, unfiltered (zeros
// above the first). False for a filter type the format does not have.
template <unsigned Bpp>
bool Unfilter(Byte filter, Byte* cur, const Byte* prev, size_t n)
{
    switch (filter) {
    case 0: return true;
    case 1:
        for (size_t i = Bpp; i < n; ++i) cur[i] = Byte(cur[i] + cur[i - Bpp]);
        return true;
    case 2:
        for (size_t i = 0; i < n; ++i) cur[i] = Byte(cur[i] + prev[i]);
        return true;
    case 3:
        for (size_t i = 0; i < Bpp; ++i) cur[i] = Byte(cur[i] + (prev[i] >> 1));
        for (size_t i = Bpp; i < n; ++i) cur[i] = Byte(cur[i] + ((cur[i - Bpp] + prev[i]) >> 1));
        return true;
    case 4:
        for (size_t i = 0; i < Bpp; ++i) cur[i] = Byte(cur[i] + prev[i]);
        for (size_t i = Bpp; i < n; ++i) cur[i] = Byte(cur[i] + Paeth(cur[i - Bpp], prev[i], prev[i - Bpp]));
        return true;
    default: return false;
    }
}

// One unfiltered row into texture pixels.
template <unsigned Bpp>
void ToTexture(uint32_t* out, const Byte* p, unsigned width, const PngRowsLayout& l)
{
    if (Bpp == 4) {
        for (unsigned x = 0; x < width; ++x, p += 4)
            out[x] = uint32_t(p[3]) << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        return;
    }
    const uint32_t key = uint32_t(l.key[0]) << 16 | uint32_t(l.key[1]) << 8 | l.key[2];
    for (unsigned x = 0; x < width; ++x, p += 3) {
        const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        // The key's pixels become transparent and keep their colour.
        out[x] = rgb | (l.keyed && rgb == key ? 0u : 0xFF000000u);
    }
}

template <unsigned Bpp>
bool Rows(Byte* raw, const Byte* zeros, const PngRowsLayout& l, Byte* bits, int pitch, Reason* why)
{
    const size_t stride = size_t(l.width) * Bpp;
    const Byte* prev = zeros;
    for (unsigned y = 0; y < l.height; ++y) {
        Byte* row = raw + size_t(y) * (stride + 1);
        if (!Unfilter<Bpp>(row[0], row + 1, prev, stride)) {
            Why(why, "row %u of %u: filter type %u; the format has 0 to 4", y, l.height, unsigned(row[0]));
            return false;
        }
        ToTexture<Bpp>(reinterpret_cast<uint32_t*>(bits + ptrdiff_t(y) * pitch), row + 1, l.width, l);
        prev = row + 1;
    }
    return true;
}

} // namespace

uint64_t PngCompressedRowBytes(const unsigned char* d, size_t n)
{
    uint64_t total = 0;
    size_t at = 8;
    while (n - at >= 12) {
        const uint32_t length = Be32(d + at);
        if (length > n - at - 12) break;
        if (memcmp(d + at + 4, "IDAT", 4) == 0) total += length;
        at += 12 + size_t(length);
    }
    return total;
}

bool PngDecodeRows(const unsigned char* data, size_t size, const PngRowsLayout& l, unsigned char* bits, int pitch,
                   Reason* why)
{
    const Byte* rows = nullptr;
    size_t length = 0;
    Owned joined;
    if (!GatherRows(data, size, &rows, &length, &joined, why)) return false;

    // The texture was made, so the size is one a device holds: no overflow.
    const size_t stride = size_t(l.width) * l.channels;
    const size_t inflated = (stride + 1) * l.height;
    Owned raw, zeros;
    raw.p = static_cast<Byte*>(malloc(inflated));
    zeros.p = static_cast<Byte*>(calloc(stride, 1));
    libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    if (!raw.p || !zeros.p || !inflater) {
        libdeflate_free_decompressor(inflater);
        Why(why, "no memory for %zu bytes of rows", inflated);
        return false;
    }
    size_t got = 0;
    const libdeflate_result r = libdeflate_zlib_decompress(inflater, rows, length, raw.p, inflated, &got);
    libdeflate_free_decompressor(inflater);
    if (r == LIBDEFLATE_SUCCESS && got < inflated) {
        Why(why, "its compressed rows inflate to %zu bytes; %u rows take %zu", got, l.height, inflated);
        return false;
    }
    if (r != LIBDEFLATE_SUCCESS) {
        Why(why, r == LIBDEFLATE_INSUFFICIENT_SPACE ? "its compressed rows inflate past the %u rows' %zu bytes"
                                                    : "its compressed rows are damaged or cut short (%u rows, %zu bytes)",
            l.height, inflated);
        return false;
    }
    return l.channels == 4 ? Rows<4>(raw.p, zeros.p, l, bits, pitch, why) : Rows<3>(raw.p, zeros.p, l, bits, pitch, why);
}

} // namespace kes
