// The WAS sprite format, shared by the engine's loader and the sprite tool.
//
// Layout (all numbers little-endian):
//   0   "SP"
//   2   header length L (int16); the palette starts at P = L + 4
//   4   group count, frames per group, animation width, height, key x, key y
//       (int16 each); L - 12 further header bytes follow, unread
//   P   256 colours in 5-6-5 (512 bytes)
//   P + 512  one u32 per slot (group-major): the frame header's position
//            counted from P; 0 = no frame
// Frame header at F: key x, key y, width, height (int32 each), then one u32
// per row: the position of the row's code, counted from F.
//
// Every read here is checked against the file's end: damaged files give a
// failure, never a read outside the buffer. Nothing in this file allocates.
#ifndef KESTO_CORE_KESWAS_H
#define KESTO_CORE_KESWAS_H

#include <stddef.h>
#include <stdint.h>

namespace kes::was {

constexpr unsigned char kMagic[2] = {'S', 'P'};
constexpr int kHeaderSize = 16;           // magic through key y
constexpr int kStandardHeaderLength = 12; // L of a file without further header bytes
constexpr int kPaletteColours = 256;
constexpr int kPaletteBytes = 512;
constexpr int kFrameHeaderSize = 16;      // before the row offset table
// Sprite frames are a few hundred pixels across; a side beyond what
// Direct3D 9 hardware commonly holds in one texture means a damaged header,
// and refusing it keeps a flipped byte from asking for gigabytes.
constexpr int kMaxFrameSide = 4096;

// What one file may decode to: at most kPixelBudgetBase pixels plus
// kPixelsPerFileByte for every byte of the file, counting each frame body
// once however many slots point at it. A real sprite stays far below (its
// opaque pixels cost a byte or more each); a few kilobytes that claim
// thousands of 4096-wide frames do not get gigabytes. Frames beyond the
// budget are left out, as damaged ones are.
constexpr uint64_t kPixelBudgetBase = uint64_t(1) << 24; // 64 MB of A8R8G8B8
constexpr uint64_t kPixelsPerFileByte = 256;
inline uint64_t PixelBudget(uint64_t fileSize)
{
    return kPixelBudgetBase + kPixelsPerFileByte * fileSize;
}

// Row code opcodes, by their top bits. b is the opcode byte.
constexpr unsigned char kOpEndOfRow = 0x00;  // the rest of the row is transparent
constexpr unsigned char kOpAlphaRun = 0x00;  // 0x01..0x1F: b & 0x1F pixels; operands level, index
constexpr unsigned char kOpAlphaPixel = 0x20; // 0x20..0x3F: one pixel at level b & 0x1F; operand index
constexpr unsigned char kOpLiteral = 0x40;   // b & 0x3F opaque pixels; one index each
constexpr unsigned char kOpRun = 0x80;       // b & 0x3F opaque pixels; operand index (read even for 0)
constexpr unsigned char kOpSkip = 0xC0;      // b & 0x3F transparent pixels
constexpr int kMaxAlphaRun = 0x1F;
constexpr int kMaxRun = 0x3F;                // also the longest literal and skip
constexpr int kMaxAlphaLevel = 0x1F;

// The alpha byte of a 5-bit level (the alpha run's level operand is a whole
// byte and wraps): level 31 gives 248, only the opaque opcodes give 255.
constexpr uint32_t AlphaOfLevel(unsigned level)
{
    return (level * 8u) & 0xFFu;
}

inline uint16_t ReadU16(const unsigned char* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t ReadU32(const unsigned char* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

struct Header {
    int headerLength; // L
    int groups;       // as stored: below 1 in a damaged file
    int frames;
    int width, height;
    int keyX, keyY;
    uint64_t palette;    // P
    uint64_t frameTable; // P + 512
};

enum class HeaderStatus {
    Ok,
    TooShort,       // shorter than the 16 header bytes
    BadMagic,
    PaletteOutside, // P negative or the palette past the file's end
    TableOutside,   // the frame offset table past the file's end
};

// Reads and checks the header. With a group count or frames per group
// below 1 there is no table to check, and the header is Ok: the caller
// decides what an empty grid means.
HeaderStatus ReadHeader(const unsigned char* data, uint64_t size, Header* out);

// The 256 colours at P, as stored (5-6-5).
void ReadPalette(const unsigned char* data, const Header& header, unsigned short colours[kPaletteColours]);

// Pixel words a decoder writes: 0x00RRGGBB per index (for the alpha
// opcodes) and the same with alpha 255 (for the opaque ones).
struct PixelTable {
    uint32_t colour[kPaletteColours];
    uint32_t opaque[kPaletteColours];
};

// From 0xAARRGGBB palette entries; their alpha bytes are ignored.
void MakePixelTable(const uint32_t* argb, PixelTable* out);

struct Frame {
    uint64_t offset; // F
    int keyX, keyY;
    int width, height;
};

enum class FrameStatus {
    Ok,
    Absent,         // table entry 0
    NotPositive,    // width or height 0 or negative
    TooLarge,       // a side above kMaxFrameSide
    HeaderOutside,  // the 16 header bytes past the file's end
    RowTableOutside,
};

// Reads slot `slot`'s frame header. The row code is checked by DecodeFrame.
// The header must be Ok and `slot` below groups x frames.
FrameStatus ReadFrame(const unsigned char* data, uint64_t size, const Header& header, int slot, Frame* out);

// What went wrong with a row, when DecodeFrame fails.
struct RowFault {
    int row;          // the row whose code left the file
    uint64_t position; // where it tried to read
};

// Decodes every row of `frame` into `bits` (row y at y x pitch bytes; at
// least width pixels a row, 4-byte aligned, 0xAARRGGBB words). Runs that
// pass the row's end are cut there; nothing past a row's width is written.
// Fails when a row's code starts or runs past the file's end before the row
// is complete; the rows before it are written, and that row's pixels are
// left undefined. On success, *paletteOnOddRow says whether an odd row
// holds a palette opcode (0x01..0xBF), which decides the interlace rule
// (DoubleEvenRows). Stores sixteen pixels at a time where a row and the
// file leave room (KesWasRows.cpp).
bool DecodeFrame(const unsigned char* data, uint64_t size, const Frame& frame, const PixelTable& table,
                 unsigned char* bits, size_t pitch, bool* paletteOnOddRow, RowFault* fault = nullptr);

// The same, one opcode at a time storing exactly the pixels it names: the
// plain reading of the format that DecodeFrame is held to, pixel for pixel
// and fault for fault.
bool DecodeFrameOneByOne(const unsigned char* data, uint64_t size, const Frame& frame, const PixelTable& table,
                         unsigned char* bits, size_t pitch, bool* paletteOnOddRow, RowFault* fault = nullptr);

// Frames stored at half height on their even rows: each even row y below
// height - 1 gets four fifths of its alpha (truncated) across its whole
// pitch and is copied onto row y + 1.
void DoubleEvenRows(unsigned char* bits, size_t pitch, int height);

} // namespace kes::was

#endif
