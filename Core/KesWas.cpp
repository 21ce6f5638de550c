// Reading the WAS sprite format: header, frame headers and run-length rows.
#include "KesWas.h"

#include <string.h>

namespace kes::was {

HeaderStatus ReadHeader(const unsigned char* data, uint64_t size, Header* out)
{
    if (size < uint64_t(kHeaderSize)) return HeaderStatus::TooShort;
    if (data[0] != kMagic[0] || data[1] != kMagic[1]) return HeaderStatus::BadMagic;
    Header h;
    h.headerLength = int16_t(ReadU16(data + 2));
    h.groups = int16_t(ReadU16(data + 4));
    h.frames = int16_t(ReadU16(data + 6));
    h.width = int16_t(ReadU16(data + 8));
    h.height = int16_t(ReadU16(data + 10));
    h.keyX = int16_t(ReadU16(data + 12));
    h.keyY = int16_t(ReadU16(data + 14));
    // A header length below 12 puts the palette over the header fields; that
    // is odd but still inside the file, so only a negative P is refused.
    const int64_t palette = int64_t(h.headerLength) + 4;
    if (palette < 0 || uint64_t(palette) + kPaletteBytes > size) return HeaderStatus::PaletteOutside;
    h.palette = uint64_t(palette);
    h.frameTable = h.palette + kPaletteBytes;
    if (h.groups > 0 && h.frames > 0) {
        const uint64_t tableBytes = uint64_t(h.groups) * uint64_t(h.frames) * 4;
        if (h.frameTable + tableBytes > size) return HeaderStatus::TableOutside;
    }
    *out = h;
    return HeaderStatus::Ok;
}

void ReadPalette(const unsigned char* data, const Header& header, unsigned short colours[kPaletteColours])
{
    // P may be odd: read bytes, not 16-bit words.
    const unsigned char* p = data + header.palette;
    for (int i = 0; i < kPaletteColours; ++i) colours[i] = ReadU16(p + 2 * i);
}

void MakePixelTable(const uint32_t* argb, PixelTable* out)
{
    for (int i = 0; i < kPaletteColours; ++i) {
        out->colour[i] = argb[i] & 0x00FFFFFFu;
        out->opaque[i] = argb[i] | 0xFF000000u;
    }
}

FrameStatus ReadFrame(const unsigned char* data, uint64_t size, const Header& header, int slot, Frame* out)
{
    const uint32_t entry = ReadU32(data + header.frameTable + uint64_t(slot) * 4);
    if (entry == 0) return FrameStatus::Absent;
    const uint64_t f = header.palette + entry;
    if (f + kFrameHeaderSize > size) return FrameStatus::HeaderOutside;
    Frame fr;
    fr.offset = f;
    fr.keyX = int32_t(ReadU32(data + f));
    fr.keyY = int32_t(ReadU32(data + f + 4));
    fr.width = int32_t(ReadU32(data + f + 8));
    fr.height = int32_t(ReadU32(data + f + 12));
    if (fr.width <= 0 || fr.height <= 0) return FrameStatus::NotPositive;
    if (fr.width > kMaxFrameSide || fr.height > kMaxFrameSide) return FrameStatus::TooLarge;
    if (f + kFrameHeaderSize + uint64_t(fr.height) * 4 > size) return FrameStatus::RowTableOutside;
    *out = fr;
    return FrameStatus::Ok;
}

void DoubleEvenRows(unsigned char* bits, size_t pitch, int height)
{
    const size_t words = pitch / 4;
    for (int y = 0; y + 1 < height; y += 2) {
        uint32_t* const row = reinterpret_cast<uint32_t*>(bits + size_t(y) * pitch);
        for (size_t i = 0; i < words; ++i) {
            const uint32_t a = row[i] >> 24;
            row[i] = (row[i] & 0x00FFFFFFu) | (((a * 4) / 5) << 24);
        }
        memcpy(bits + size_t(y + 1) * pitch, row, pitch);
    }
}

} // namespace kes::was
