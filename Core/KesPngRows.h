// The rows of 8-bit RGB and RGBA PNG pictures that are not interlaced, the
// layout nearly every photograph and piece of art is saved in, decoded on a
// path of their own: the compressed rows gathered from their IDAT chunks and
// inflated in one go by libdeflate, then unfiltered and turned into texture
// pixels here. Inflating is most of a load, and libdeflate does it in about
// half the time zlib (under libspng and libpng) takes.
#ifndef KESTO_CORE_KESPNGROWS_H
#define KESTO_CORE_KESPNGROWS_H

#include "KesReport.h"

#include <stddef.h>
#include <stdint.h>

namespace kes {

struct PngRowsLayout {
    unsigned width;
    unsigned height;
    unsigned channels; // 3 (RGB) or 4 (RGBA)
    bool keyed;        // RGB only: pixels of this colour become transparent
    uint8_t key[3];    // red, green, blue
};

// The bytes of every IDAT chunk found in whole chunks of the file from the
// first one on; the count stops at the first chunk that passes the file's end.
uint64_t PngCompressedRowBytes(const unsigned char* data, size_t size);

// Fills the locked A8R8G8B8 texture `bits` (rows `pitch` bytes apart) from
// the PNG file `data` of `size` bytes, whose header and the chunks before
// its rows were accepted. Besides the texture, it holds the compressed rows
// (at most the file's size) and the inflated ones (one byte a row more than
// the pixels' bytes) while it works. False with the reason when the rows
// are damaged or cut short.
bool PngDecodeRows(const unsigned char* data, size_t size, const PngRowsLayout& layout, unsigned char* bits,
                   int pitch, Reason* why);

} // namespace kes

#endif
