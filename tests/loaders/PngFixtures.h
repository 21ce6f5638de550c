// PNG files for the loader tests, written by libpng (an encoder nobody here
// wrote) in every colour type, bit depth and interlace the format has, and
// decoded again by libpng as the reference: 8-bit samples (16-bit ones cut to
// their high byte), grey in colour, tRNS as alpha, as 0xAARRGGBB words.
#ifndef KESTO_TESTS_PNGFIXTURES_H
#define KESTO_TESTS_PNGFIXTURES_H

#include <stdint.h>

#include <string>
#include <vector>

namespace kes::test {

enum PngColour { kPngGrey = 0, kPngRgb = 2, kPngPalette = 3, kPngGreyAlpha = 4, kPngRgba = 6 };

struct PngLayout {
    int width = 1;
    int height = 1;
    int colour = kPngRgba;
    int depth = 8;
    bool interlaced = false;
    // Grey and RGB: a colour key (the first pixel's value); palette: alpha
    // for the first entries, fewer than the palette has.
    bool trns = false;
    int level = -1; // zlib's compression level; -1 libpng's default
    std::string What() const;
};

PngLayout Layout(int colour, int depth, int width, int height, bool interlaced = false, bool trns = false);

// Pseudo-random samples of the layout (a picture whose rows differ, so that
// every filter and pass is exercised), written as a PNG.
std::string WritePng(const PngLayout& layout, uint32_t seed);

// Every pixel 0 (black, or transparent where there is alpha): the densest
// file an encoder makes of the layout.
std::string WriteFlatPng(const PngLayout& layout);

struct PngPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb; // rows from the top
};

// libpng's decode of `bytes`; false with libpng's message when it refuses.
bool ReferenceDecode(const std::string& bytes, PngPixels* out, std::string* error);

// Every colour type with every bit depth it allows.
std::vector<PngLayout> EveryPngLayout();

// The chunks of a PNG: where each starts (its length field) and its type.
struct PngChunk {
    size_t at;
    uint32_t length;
    std::string type;
};
std::vector<PngChunk> PngChunks(const std::string& bytes);

// Rewrites the CRC of the chunk at `at` after its data was edited.
void FixPngCrc(std::string* bytes, size_t at);

} // namespace kes::test

#endif
