// The engine's baseline JPEG decoder, shared by MApp::LoadJPEG (files) and
// MApp::LoadXYJPEG (tiles held in memory).
//
// What it decodes: one baseline sequential Huffman scan (SOF0) of 8-bit
// samples, grey or Y/Cb/Cr with ids 1, 2, 3, sampled 4:4:4 or 4:2:0, with
// or without restart intervals. Pixels go straight into a locked R5G6B5
// surface; there is no intermediate picture.
//
// The pieces, in the order a load runs them:
//   JpegInitTables          colour tables and the block routines, once per process
//   JpegResetState          forget the previous load's headers
//   JpegReadMarkers         the marker loop: JpegReadSOF, JpegReadDHT, JpegReadDQT, JpegReadSOS
//   JpegChooseLayout        sampling check, decoding mode and MCU grid
//   JpegCompactScan         (files) byte stuffing and markers out of the scan
//   JpegDecodeScan /        entropy decoding (JpegDecodeBlock), inverse DCT,
//   JpegDecodeTileScan        pixel stores, MCU by MCU
//   JpegFreeTables          the heap tables of the load
//
// Every reader here is bounded: bytes past the end of the data handed in
// read as zeros, so a damaged file gives a damaged picture, never a read
// outside the buffer (the one exception is a tile whose caller cannot say
// how long its row slices are). The decoder state is one static instance,
// so loads must not overlap (the engine runs them on its one thread).
#ifndef KESTO_CORE_KESJPEG_H
#define KESTO_CORE_KESJPEG_H

#include "KesReport.h"

#include <stddef.h>
#include <stdint.h>

// Assertion reports name the loader's source as its developers do.
#define KES_JPEG_SOURCE L"Core/KesLoadImage"

// ---- decoder state -----------------------------------------------------------------

// Bits the lookahead table resolves at once; longer codes fall back to the
// search of the code list. Eleven bits hold most AC codes of a photograph
// together with their value, and the four tables a colour scan uses
// (8 KB each) still fit the first-level cache.
enum { JPEG_LOOKAHEAD_BITS = 11 };

struct JpegComponent {
    uint8_t vSamp;  // vertical sampling factor
    uint8_t hSamp;  // horizontal sampling factor
    uint8_t quant;  // quantisation table 0-3
    uint8_t acSlot; // Huffman slot 4-7
    uint8_t dcSlot; // Huffman slot 0-3
};

struct JpegHuffEntry {
    uint16_t code; // the code's bits, right-aligned (kept modulo 65536)
    uint8_t length;
    uint8_t symbol;
};

// A lookahead entry: the symbol and code length of the first entry whose
// code the next JPEG_LOOKAHEAD_BITS bits start with (0: none that short).
// When the value bits that the symbol announces fit in the lookahead too,
// the entry also holds the value, and its bit count is that of code and
// value together, so that one look-up decodes a coefficient. The bit count
// sits in the low bits, so the reader's shift takes the entry as it is.
enum : uint32_t {
    JPEG_LOOK_BITS = 0x3F,       // bits 0-5: bits to consume (code, plus the value's with JPEG_LOOK_VALUE)
    JPEG_LOOK_VALUE = 0x40,      // bit 6: the value is in bits 16-31
    JPEG_LOOK_SYMBOL_SHIFT = 8,  // bits 8-15: the symbol
    JPEG_LOOK_VALUE_SHIFT = 16,  // bits 16-31: the value, extended (signed)
};

struct JpegHuffSlot {
    uint32_t count;         // entries in `entries`
    JpegHuffEntry* entries; // canonical order (by length, then DHT order); malloc, or null
    uint32_t firstLong;     // index of the first entry longer than the lookahead
    uint32_t look[1 << JPEG_LOOKAHEAD_BITS];
};

// The scan's bit reader. It stands for the position "current 32-bit word,
// bits of it consumed" of the decoder state as one absolute bit position:
// Position() = 8 * next - count. Bits are read most significant first;
// past `size` the data reads as zero bytes.
struct JpegBits {
    const uint8_t* data;
    size_t size;    // bytes that may be read at `data`
    size_t next;    // next byte to enter the cache
    uint64_t cache; // unread bits, left-aligned; below `count` bits only further stream bits or zeros
    int count;      // valid bits in `cache`

    uint64_t Position() const { return uint64_t(next) * 8 - uint64_t(count); }
};

enum JpegMode { JPEG_MODE_GREY, JPEG_MODE_444, JPEG_MODE_420 };

// The MCU grid of a decode.
struct JpegLayout {
    int mode;       // JpegMode
    int mcuSize;    // 8 or 16 pixels, both ways
    unsigned cols;  // MCUs per row
    unsigned rows;  // MCU rows
    unsigned width; // pixels decoded and stored (the surface's size)
    unsigned height;
};

struct JpegDecoderState {
    uint8_t precision; // stored, not checked (a 12-bit frame is SOF1, which is not decoded)
    uint16_t height;
    uint16_t width;
    uint8_t componentCount;
    JpegComponent components[3]; // by component id - 1
    uint16_t* quantTables[4];    // 64 entries each, zigzag order, value * 16; malloc, or null
    JpegHuffSlot huffSlots[8];   // 0-3 DC tables, 4-7 AC tables
    uint16_t restartInterval;    // MCUs between restart markers; 0 = none
    int16_t dcPred[3];
    JpegBits bits;
    uint8_t frameIds;            // bit (id - 1) set for each component the frame defines
    uint8_t scanIds;             // the same for the components the scan names
    alignas(16) int16_t blocks[6][64]; // Y0, Y1, Y2, Y3, Cb, Cr
};

extern JpegDecoderState g_jpeg;

enum { JPEG_Y0 = 0, JPEG_Y1, JPEG_Y2, JPEG_Y3, JPEG_CB, JPEG_CR };

// ---- block back end (KesJpegBlocks.cpp) ----------------------------------------------

// Colour tables indexed by a chroma sample as a signed byte s = chroma - 128
// (index uint8_t(s)): halves of the channel contributions. The grey table
// maps a level 0-255 to its R5G6B5 pixel.
extern int8_t g_jpegTR[256];
extern int8_t g_jpegTGb[256];
extern int8_t g_jpegTGr[256];
extern int8_t g_jpegTB[256];
extern uint16_t g_jpegGrey[256];

// The inverse DCT's prescale table (2.14 fixed point, rows 5 (right half),
// 6 and 7 stored larger) and the bias added to prescaled cells 60-63.
extern const uint16_t kJpegPrescale[64];
extern const int16_t kJpegRoundBias[4];

// The inverse DCT and the three MCU stores, as one set of routines.
// `blocks` are the six blocks of the decoder state after the inverse DCT
// (samples - 128 as signed bytes in each block's first 64 bytes); each store
// writes whole MCUs: row r to dst + r * pitch, pixels little-endian R5G6B5.
// idctPair transforms two blocks, as idct does each. bmi2Scan: the scan's
// entropy decoding runs the loops compiled for BMI2 (KesJpegScan.cpp), which
// give the same coefficients; set with the AVX2 routines where BMI2 is there.
struct JpegBlockRoutines {
    const char* name;
    void (*idct)(int16_t* block);
    void (*storeGrey)(uint8_t* dst, int pitch, const int16_t (*blocks)[64]);
    void (*store444)(uint8_t* dst, int pitch, const int16_t (*blocks)[64]);
    void (*store420)(uint8_t* dst, int pitch, const int16_t (*blocks)[64]);
    void (*idctPair)(int16_t* a, int16_t* b);
    int bmi2Scan;
};

extern const JpegBlockRoutines kJpegScalarRoutines;
// The SSE2 routines, or null when this processor (or build) has none.
const JpegBlockRoutines* JpegSse2Routines();
// The AVX2 routines (two blocks per inverse DCT, two rows per 4:2:0 store
// step; the rest SSE2's), or null when this processor (or build) has none.
const JpegBlockRoutines* JpegAvx2Routines();
// The widest SIMD routines this processor has (AVX2, else SSE2), or null.
const JpegBlockRoutines* JpegSimdRoutines();
// The set in use; JpegInitTables picks the SIMD one when it can.
extern const JpegBlockRoutines* g_jpegRoutines;

// Builds the tables and selects the routines; does its work on the first call only.
void JpegInitTables();
// Makes `routines` the set in use (tests run both sets on the same input).
void JpegSelectRoutines(const JpegBlockRoutines* routines);

// In place: 64 dequantised coefficients (transposed: cell u * 8 + v, scaled
// by 16) become 8 x 8 samples - 128 as signed bytes, row-major, in the
// block's first 64 bytes.
void JpegIDCT(int16_t* block);
// Pixels of one MCU from the state's blocks: grey from Y0; 4:4:4 from Y0, Cb,
// Cr (8 x 8); 4:2:0 from Y0-Y3, Cb, Cr (16 x 16).
void JpegStoreGrey(uint8_t* dst, int pitch);
void JpegStore444(uint8_t* dst, int pitch);
void JpegStore420(uint8_t* dst, int pitch);

// ---- headers (KesJpegDecoder.cpp) --------------------------------------------------

// Each parser takes the segment's 2-byte length (just after the marker) and
// the end of the bytes that may be read; it returns the first byte after the
// segment, or null when the segment is rejected, with the reason in `why`
// when it is given (as in every function below that takes one).
const uint8_t* JpegReadSOF(const uint8_t* p, const uint8_t* end, kes::Reason* why = nullptr);
const uint8_t* JpegReadDHT(const uint8_t* p, const uint8_t* end, kes::Reason* why = nullptr);
const uint8_t* JpegReadDQT(const uint8_t* p, const uint8_t* end, kes::Reason* why = nullptr);
const uint8_t* JpegReadSOS(const uint8_t* p, const uint8_t* end, kes::Reason* why = nullptr);

// Forgets the previous load: no tables, no frame, no restart interval.
// Call it only after JpegFreeTables (or before the first load).
void JpegResetState();
// The marker loop over `data` (which starts with SOI). 1 with *scan = the
// offset of the first byte after the SOS header; 0 when the headers are
// rejected, there is no SOS, or nothing follows it inside `size`.
int JpegReadMarkers(const uint8_t* data, size_t size, size_t* scan, kes::Reason* why = nullptr);
// The sampling check: the decoding mode and the MCU grid for a picture of
// width x height pixels. 0 when the frame cannot be decoded (also when a
// component of the scan has no quantisation or Huffman table).
int JpegChooseLayout(unsigned width, unsigned height, JpegLayout* layout, kes::Reason* why = nullptr);
// The fewest bits any scan of `layout` can take: every block needs at least
// its DC table's shortest code and its AC table's shortest code. Needs the
// tables that JpegChooseLayout found present.
uint64_t JpegShortestScanBits(const JpegLayout& layout);
// Frees every Huffman entry array and quantisation table the load made.
void JpegFreeTables();
// The frame's width and height from the first SOF0 of a tile's headers.
int JpegFindSize(const uint8_t* jpegdata, size_t size, int* width, int* height);

// ---- entropy decoding (KesJpegDecoder.cpp) ------------------------------------------

// Huffman decoding, two ways that give the same symbol and consume the same
// bits for every input: the search of the code list in canonical order (the
// reference), and the lookahead table with the search as fallback for
// longer codes. A code that matches no entry yields symbol 0 and consumes
// nothing.
int JpegHuffDecodeSearch(JpegBits& bits, const JpegHuffSlot& slot);
int JpegHuffDecodeLookahead(JpegBits& bits, const JpegHuffSlot& slot);
// Which of the two the scan decoders use (tests compare whole pictures).
void JpegUseCodeSearch(int on);
int JpegCodeSearchInUse();

// Starts `bits` at `data`, skipping `skipBits` leading bits.
void JpegBitsStart(JpegBits& bits, const uint8_t* data, size_t size, uint64_t skipBits);

// Decodes the next block of component c (0-2) from g_jpeg.bits into `block`
// (coefficients, then samples after JpegIDCT).
void JpegDecodeBlock(int16_t* block, int c);

// Rewrites a file's scan in place: stuffed FF 00 becomes FF, fill bytes go,
// a marker leaves its FF; stops at EOI or at `size`. Returns the length of
// the result.
size_t JpegCompactScan(uint8_t* scan, size_t size);

// ---- scan decoding (KesJpegScan.cpp) ------------------------------------------------

// Decodes a compacted file scan (restart intervals honoured) into a surface
// of layout.width x layout.height pixels.
void JpegDecodeScan(const uint8_t* scan, size_t size, const JpegLayout& layout, uint8_t* pixels, int pitch);

// Decodes a tile's scan (4:2:0, no restarts, taken bit for bit) from `scan`
// of `size` bytes: one stream, or with `rowSliced` the row-sliced layout
// (each MCU row led by its DC predictors and bit offset).
void JpegDecodeTileScan(const uint8_t* scan, size_t size, bool rowSliced, const JpegLayout& layout,
                        uint8_t* pixels, int pitch);

// The tile driver: headers from `jpegdata` (`size` bytes), scan after the SOS
// header or in the row-sliced `rowData` (`rowDataSize` bytes; SIZE_MAX when
// the caller cannot say, and then the slices are trusted to cover the grid).
// width and height 0 take the frame's. 1 when the decode ran or was skipped
// (restart interval, grey or 4:4:4 frame), 0 when the headers are rejected.
int JpegDecodeToSurface(const uint8_t* jpegdata, size_t size, uint8_t* pixels, int pitch, const uint8_t* rowData,
                        size_t rowDataSize, int width, int height, kes::Reason* why = nullptr);

#endif
