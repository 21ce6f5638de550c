// Writers of BMP and TGA files for the loader tests, built byte by byte from
// the two formats' layouts, with the knobs the tests turn: orientation,
// padding of the last row, header sizes, gaps, and hand-made run-length
// packets.
#ifndef KESTO_TESTS_BMPTGAFIXTURES_H
#define KESTO_TESTS_BMPTGAFIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

namespace kes::test {

void PutLe16(std::string* out, uint32_t v);
void PutLe32(std::string* out, uint32_t v);

// A Windows bitmap: "BM" file header, an information header of `infoSize`
// bytes (the 40-byte layout, zero-filled beyond it), the palette, `gap`
// bytes, then the rows, each padded to 4 bytes.
struct BmpFile {
    int width = 0;
    int height = 0;        // as stored: negative means top row first
    int depth = 24;
    uint32_t infoSize = 40;
    std::vector<uint32_t> palette; // entries as little-endian words: blue, green, red, reserved
    uint32_t gap = 0;
    bool padLastRow = true;
    // One value per pixel, image rows from the top: a palette index (8-bit),
    // the stored word (16-bit) or 0xRRGGBB (24-bit).
    std::vector<uint32_t> pixels;

    int Rows() const { return height < 0 ? -height : height; }
    size_t RowBytes() const { return size_t(width) * size_t(depth / 8); }
    size_t Stride() const { return (RowBytes() + 3) & ~size_t(3); }
    size_t PaletteOffset() const { return 14 + infoSize; }
    size_t PixelOffset() const { return PaletteOffset() + 4 * palette.size() + gap; }
    std::string Bytes() const;
};

// One run-length packet: `count` copies of pixels[0] for a run, else the
// raw pixels themselves (count is then their number).
struct TgaPacket {
    bool run = false;
    unsigned count = 0;
    std::vector<uint32_t> pixels; // 0xAARRGGBB; 24-bit files store no alpha
};

// A Truevision TGA file: the 18-byte header, the image ID, then the pixels
// in stored order, raw (type 2) or as packets (any other type).
struct TgaFile {
    int width = 0;
    int height = 0;
    int depth = 32;
    int type = 2;
    uint8_t descriptor = 0x20;
    std::string id;
    uint16_t originX = 0;
    uint16_t originY = 0;
    std::vector<uint32_t> pixels;   // 0xAARRGGBB, image rows from the top
    // Written for the packed types; when empty, `pixels` packed by PackTga.
    std::vector<TgaPacket> packets;

    bool TopFirst() const { return (descriptor & 0x20) != 0; }
    size_t PixelOffset() const { return 18 + id.size(); }
    std::string Bytes() const;
};

// `pixels` (image rows from the top) in the order the rows are stored.
std::vector<uint32_t> StoredOrder(const std::vector<uint32_t>& pixels, int width, int height, bool topFirst);

// A greedy packing of a stored pixel stream, as common writers do it: runs of
// two or more equal pixels, raw packets between them, at most 128 pixels
// each, packets crossing row ends freely.
std::vector<TgaPacket> PackTga(const std::vector<uint32_t>& stored);

// The pixel stream that packets stand for.
std::vector<uint32_t> Unpack(const std::vector<TgaPacket>& packets);

// A picture of pseudo-random colours drawn from a few, so that it packs into
// runs as well as raw stretches.
std::vector<uint32_t> MixedPicture(int width, int height, unsigned seed);

} // namespace kes::test

#endif
