// Fixtures of the JPEG suites: pictures, files encoded by libjpeg-turbo in
// every layout, libjpeg-turbo's own decodes for reference, a bit writer for
// hand-made scans, and the tile forms (unstuffed scan, row slices).
#ifndef KESTO_TESTS_JPEGFIXTURES_H
#define KESTO_TESTS_JPEGFIXTURES_H

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string>
#include <vector>

class MImage;

namespace kes::test {

using ByteVec = std::vector<uint8_t>;

// An RGB picture, 3 bytes per pixel, rows from the top.
struct Rgb {
    int width = 0;
    int height = 0;
    ByteVec pixels;
};

// Smooth gradients with texture and noise, the same for the same seed.
Rgb PhotoLike(int width, int height, unsigned seed);

enum Sampling { SAMP_GREY, SAMP_444, SAMP_420, SAMP_422, SAMP_440 };

struct EncodeOptions {
    Sampling sampling = SAMP_420;
    int quality = 85;
    int restartMcus = 0;   // restart interval in MCUs (0: none)
    bool progressive = false;
    bool arithmetic = false;
    bool baseline = true;  // false lets the quantisation tables exceed 8 bits (an SOF1 frame)
};

// The picture encoded by libjpeg-turbo: through the TurboJPEG API when it
// can express the options, else through the libjpeg API.
ByteVec Encode(const Rgb& picture, const EncodeOptions& options);

// libjpeg-turbo's decode to RGB (accurate DCT; `fancy` false replicates
// chroma samples as the engine does). Empty on failure.
Rgb ReferenceDecode(const ByteVec& jpeg, bool fancy);

// R5G6B5 words of an image, rows from the top.
std::vector<uint16_t> ReadImage(MImage* img);

// PSNR in dB over the three channels of 8-bit samples, after both pictures
// are reduced to 5-6-5 and expanded again. 99 for identical pictures.
double Psnr565(const std::vector<uint16_t>& ours, const Rgb& reference);
uint16_t To565(const uint8_t* rgb);

// Offsets of the parts of a JPEG file.
struct JpegParts {
    size_t scan = 0;    // first byte of the scan data (after the SOS header)
    size_t scanEnd = 0; // its end: the EOI marker (or the end of the file)
};
JpegParts FindParts(const ByteVec& jpeg);

// The scan without byte stuffing: FF 00 becomes FF; stops at a marker other than RSTn.
ByteVec Unstuff(const uint8_t* scan, size_t size);

// The tile form of a file: its headers followed by the unstuffed scan.
ByteVec TileFromFile(const ByteVec& jpeg);

// The row-sliced layout of a baseline 4:2:0 file without restarts, found
// by walking the file's scan with the engine's own block decoder: each MCU
// row's DC predictors and starting bit, then its bytes. With
// `extraSkipBytes`, every slice carries that many junk bytes before its
// data and an offset that skips them too.
struct RowSlices {
    ByteVec headers; // SOI up to and including the SOS header
    ByteVec rows;    // the slices back to back
    std::vector<size_t> sliceStart;
    int endBit = 0; // bits of the last byte the decoder uses (0: all eight)
};
RowSlices SliceRows(const ByteVec& jpeg, int extraSkipBytes);

// Writes bits most significant first, optionally with T.81's byte stuffing.
class BitWriter {
public:
    explicit BitWriter(bool stuff) : m_stuff(stuff) {}
    void Put(uint32_t bits, int n);
    // Pads the last byte with 1 bits (T.81 F.1.2.3).
    void Flush();
    const ByteVec& Bytes() const { return m_bytes; }
    size_t BitCount() const { return m_bytes.size() * 8 + size_t(m_fill); }

private:
    void Emit(uint8_t b);
    bool m_stuff;
    ByteVec m_bytes;
    uint32_t m_acc = 0;
    int m_fill = 0;
};

// A Huffman table given as T.81's counts per length and symbols, with the
// canonical codes it defines (T.81 annex C).
struct HuffTable {
    uint8_t counts[16] = {};
    std::vector<uint8_t> symbols;
    // code and length of a symbol (length 0 when absent)
    uint16_t code[256] = {};
    uint8_t length[256] = {};
    void Assign();
    void Write(BitWriter& w, int symbol) const { w.Put(code[symbol], length[symbol]); }
    // The DHT segment body (class/id byte, counts, symbols).
    ByteVec Segment(int tcth) const;
};

// T.81 annex K.3's typical tables (luminance DC and AC).
HuffTable StandardDcTable();
HuffTable StandardAcTable();

// Appends `value` in its category's bits (T.81 F.1.2.1: negative values as value - 1).
void PutValue(BitWriter& w, int value, int category);
int Category(int value);

// A JPEG file built from parts, for hand-made streams.
struct HandMadeJpeg {
    int width = 8;
    int height = 8;
    // per component: id, sampling byte (H << 4 | V), quant table; 1 or 3 components
    std::vector<std::array<uint8_t, 3>> components = {{1, 0x11, 0}};
    std::vector<std::array<uint8_t, 2>> scanTables = {{1, 0x00}}; // selector, Td << 4 | Ta
    std::vector<ByteVec> dqt = {};      // whole DQT bodies
    std::vector<ByteVec> dht = {};      // whole DHT bodies
    int restartInterval = -1;           // -1: no DRI segment
    ByteVec scan;                       // entropy-coded data as it goes in the file
    bool eoi = true;
    ByteVec Build() const;
};

ByteVec Quant8(int id, int value);            // a DQT body of 64 equal 8-bit entries
ByteVec Quant16(int id, const uint16_t* values); // a 16-bit DQT body in zigzag order

} // namespace kes::test

#endif
