// The JPEG decoder's state, header segments, Huffman and quantisation
// tables, block decoding and scan compaction.
//
// The parsers read nothing outside the segment they are given, and the
// segment nothing outside the data: a segment too short for its own fields
// is refused. Beyond what a baseline decoder needs anyway, the checks refuse
// what this decoder could only misread: frames of zero or two components,
// component ids and selectors of 0 or repeated, sampling factors of 0, a
// scan naming a component the frame lacks, and components without tables.
// A table defined twice is replaced (the earlier one freed).
#include "KesJpeg.h"
#include "KesJpegEntropy.h"

#include <stdlib.h>
#include <string.h>

JpegDecoderState g_jpeg;

// Zigzag position k -> cell of the transposed coefficient block: T.81's
// zigzag order (figure A.6) names natural cell v * 8 + u, stored at u * 8 + v.
const uint8_t kes::jpeg::kZigzagCell[64] = {
    0,  8,  1,  2,  9,  16, 24, 17, 10, 3,  4,  11, 18, 25, 32, 40, //
    33, 26, 19, 12, 5,  6,  13, 20, 27, 34, 41, 48, 56, 49, 42, 35, //
    28, 21, 14, 7,  15, 22, 29, 36, 43, 50, 57, 58, 51, 44, 37, 30, //
    23, 31, 38, 45, 52, 59, 60, 53, 46, 39, 47, 54, 61, 62, 55, 63,
};

using namespace kes::jpeg;

namespace {

bool g_useSearch = false;

inline unsigned Big16(const uint8_t* p)
{
    return unsigned(p[0]) << 8 | p[1];
}

// The end of the segment whose length field is at p, or null when the
// length is below its own two bytes or the segment runs past `end`.
const uint8_t* SegmentEnd(const uint8_t* p, const uint8_t* end, kes::Reason* why)
{
    if (end - p < 2) {
        kes::Why(why, "the file ends inside its length");
        return 0;
    }
    const unsigned length = Big16(p);
    if (length < 2 || length > size_t(end - p)) {
        kes::Why(why, "its length %u runs past the end of the file", length);
        return 0;
    }
    return p + length;
}

void FreeSlot(JpegHuffSlot& slot)
{
    // A slot never built has a clear lookahead already (it is the larger
    // part of a small tile's set-up).
    if (!slot.entries && slot.count == 0) return;
    free(slot.entries);
    slot.entries = 0;
    slot.count = 0;
    slot.firstLong = 0;
    memset(slot.look, 0, sizeof slot.look);
}

// Canonical codes for the counts and symbols of one table (T.81 annex C,
// figures C.1 to C.3), then the lookahead over them. `ac`: the symbols are
// run/size pairs (else DC sizes).
bool BuildSlot(JpegHuffSlot& slot, const uint8_t* counts, const uint8_t* symbols, unsigned total, bool ac)
{
    FreeSlot(slot);
    if (total == 0) return true;
    JpegHuffEntry* e = static_cast<JpegHuffEntry*>(malloc(total * sizeof(JpegHuffEntry)));
    if (!e) return false;
    uint32_t code = 0;
    unsigned n = 0;
    for (int length = 1; length <= 16; ++length) {
        for (unsigned i = 0; i < counts[length - 1]; ++i, ++n, ++code)
            e[n] = JpegHuffEntry{uint16_t(code), uint8_t(length), symbols[n]};
        code <<= 1;
    }
    slot.entries = e;
    slot.count = total;

    // Each slot of the lookahead holds the first entry (in list order) whose
    // code the slot's bits start with, as the search would find it. Codes
    // that outgrew their length (too many codes for the lengths: damaged
    // tables) can never match and stay out.
    const int kBits = JPEG_LOOKAHEAD_BITS;
    slot.firstLong = total;
    for (uint32_t i = 0; i < total; ++i) {
        const int length = e[i].length;
        if (length > kBits) {
            slot.firstLong = i;
            break;
        }
        if (e[i].code >= (1u << length)) continue;
        const int spare = kBits - length;
        const unsigned first = unsigned(e[i].code) << spare, last = (unsigned(e[i].code) + 1) << spare;
        // The value bits: a DC size, or the size of an AC run/size pair
        // (never for EOB and ZRL, whose size is 0).
        const int size = ac ? (e[i].symbol & 15) : (e[i].symbol <= 16 ? e[i].symbol : 0);
        for (unsigned k = first; k < last; ++k) {
            if (slot.look[k]) continue;
            uint32_t hit = uint32_t(length) | uint32_t(e[i].symbol) << JPEG_LOOK_SYMBOL_SHIFT;
            if (size > 0 && length + size <= kBits) {
                const int bits = int(k >> (spare - size)) & ((1 << size) - 1);
                const int value = bits < (1 << (size - 1)) ? bits - ((1 << size) - 1) : bits; // EXTEND
                hit = uint32_t(length + size) | JPEG_LOOK_VALUE | uint32_t(e[i].symbol) << JPEG_LOOK_SYMBOL_SHIFT |
                      uint32_t(uint16_t(value)) << JPEG_LOOK_VALUE_SHIFT;
            }
            slot.look[k] = hit;
        }
    }
    return true;
}

} // namespace

const uint8_t* JpegReadSOF(const uint8_t* p, const uint8_t* end, kes::Reason* why)
{
    const uint8_t* segEnd = SegmentEnd(p, end, why);
    if (!segEnd) return 0;
    const uint8_t* q = p + 2;
    if (segEnd - q < 6) {
        kes::Why(why, "too short for a frame header");
        return 0;
    }
    g_jpeg.precision = q[0];
    g_jpeg.height = uint16_t(Big16(q + 1));
    g_jpeg.width = uint16_t(Big16(q + 3));
    const unsigned nf = q[5];
    q += 6;
    // One component (grey) or three (Y, Cb, Cr); zero or two cannot be decoded.
    if (nf != 1 && nf != 3) {
        kes::Why(why, "%u components; grey (1) and colour (3) pictures are decoded", nf);
        return 0;
    }
    if (segEnd - q < ptrdiff_t(3 * nf)) {
        kes::Why(why, "too short for its %u components", nf);
        return 0;
    }
    g_jpeg.componentCount = uint8_t(nf);
    g_jpeg.frameIds = 0;
    for (unsigned i = 0; i < nf; ++i, q += 3) {
        const unsigned id = q[0];
        if (id == 0 || id > 3 || (g_jpeg.frameIds & (1u << (id - 1)))) {
            kes::Why(why, "component id %u is not 1, 2 or 3, or comes twice", id);
            return 0;
        }
        const unsigned v = q[1] & 15, h = q[1] >> 4;
        if (v == 0 || v > 2 || h == 0 || h > 2) {
            kes::Why(why, "component %u is sampled %u x %u; 1 or 2 each way are decoded", id, h, v);
            return 0;
        }
        JpegComponent& c = g_jpeg.components[id - 1];
        c.vSamp = uint8_t(v);
        c.hSamp = uint8_t(h);
        c.quant = q[2] & 3;
        g_jpeg.frameIds |= uint8_t(1u << (id - 1));
    }
    return segEnd;
}

const uint8_t* JpegReadDHT(const uint8_t* p, const uint8_t* end, kes::Reason* why)
{
    const uint8_t* segEnd = SegmentEnd(p, end, why);
    if (!segEnd) return 0;
    const uint8_t* q = p + 2;
    while (q < segEnd) {
        if (segEnd - q < 17) {
            kes::Why(why, "a Huffman table's code counts are cut short");
            return 0;
        }
        const unsigned tc = q[0];
        const unsigned slot = (tc & 0x10) ? (tc & 3) + 4 : (tc & 3);
        const uint8_t* counts = q + 1;
        unsigned total = 0;
        for (int i = 0; i < 16; ++i) total += counts[i];
        const uint8_t* symbols = q + 17;
        // The table must end inside the segment.
        if (size_t(segEnd - symbols) < total) {
            kes::Why(why, "Huffman table %02X has %u codes, more than the segment holds", tc, total);
            return 0;
        }
        if (!BuildSlot(g_jpeg.huffSlots[slot], counts, symbols, total, slot >= 4)) {
            kes::Why(why, "no memory for Huffman table %02X", tc);
            return 0;
        }
        q = symbols + total;
    }
    return segEnd;
}

const uint8_t* JpegReadDQT(const uint8_t* p, const uint8_t* end, kes::Reason* why)
{
    const uint8_t* segEnd = SegmentEnd(p, end, why);
    if (!segEnd) return 0;
    const uint8_t* q = p + 2;
    while (q < segEnd) {
        const unsigned pq = q[0];
        const bool wide = (pq & 0x10) != 0;
        if (segEnd - q < (wide ? 129 : 65)) {
            kes::Why(why, "quantisation table %u is cut short", pq & 15);
            return 0;
        }
        uint16_t* table = static_cast<uint16_t*>(malloc(64 * sizeof(uint16_t)));
        if (!table) {
            kes::Why(why, "no memory for quantisation table %u", pq & 15);
            return 0;
        }
        ++q;
        // Four fractional bits: the inverse DCT takes coefficients scaled by 16.
        for (int k = 0; k < 64; ++k, q += wide ? 2 : 1) table[k] = uint16_t((wide ? Big16(q) : q[0]) * 16u);
        free(g_jpeg.quantTables[pq & 3]);
        g_jpeg.quantTables[pq & 3] = table;
    }
    return segEnd;
}

const uint8_t* JpegReadSOS(const uint8_t* p, const uint8_t* end, kes::Reason* why)
{
    const uint8_t* segEnd = SegmentEnd(p, end, why);
    if (!segEnd) return 0;
    const uint8_t* q = p + 2;
    if (segEnd - q < 1) {
        kes::Why(why, "too short for a scan header");
        return 0;
    }
    const unsigned ns = q[0];
    ++q;
    if (g_jpeg.componentCount == 0) {
        kes::Why(why, "no baseline frame (SOF0) comes before it");
        return 0;
    }
    if (ns != g_jpeg.componentCount) {
        kes::Why(why, "the scan names %u components, the frame has %u; one scan of all of them is decoded", ns,
                 unsigned(g_jpeg.componentCount));
        return 0;
    }
    if (segEnd - q < ptrdiff_t(2 * ns)) {
        kes::Why(why, "too short for its %u components", ns);
        return 0;
    }
    g_jpeg.scanIds = 0;
    for (unsigned i = 0; i < ns; ++i, q += 2) {
        const unsigned cs = q[0];
        const unsigned bit = cs >= 1 && cs <= 3 ? 1u << (cs - 1) : 0;
        if (!bit || !(g_jpeg.frameIds & bit) || (g_jpeg.scanIds & bit)) {
            kes::Why(why, "component %u is not one of the frame's, or comes twice", cs);
            return 0;
        }
        JpegComponent& c = g_jpeg.components[cs - 1];
        c.acSlot = uint8_t((q[1] & 3) + 4);
        c.dcSlot = uint8_t((q[1] >> 4) & 3);
        g_jpeg.scanIds |= uint8_t(bit);
    }
    // Ss, Se, Ah and Al are not needed: a baseline scan always covers 0-63.
    return segEnd;
}

void JpegFreeTables()
{
    for (JpegHuffSlot& slot : g_jpeg.huffSlots) FreeSlot(slot);
    for (uint16_t*& table : g_jpeg.quantTables) {
        free(table);
        table = 0;
    }
}

void JpegResetState()
{
    JpegFreeTables();
    g_jpeg.precision = 0;
    g_jpeg.height = 0;
    g_jpeg.width = 0;
    g_jpeg.componentCount = 0;
    memset(g_jpeg.components, 0, sizeof g_jpeg.components);
    g_jpeg.restartInterval = 0;
    g_jpeg.frameIds = 0;
    g_jpeg.scanIds = 0;
    memset(g_jpeg.dcPred, 0, sizeof g_jpeg.dcPred);
}

int JpegReadMarkers(const uint8_t* data, size_t size, size_t* scan, kes::Reason* why)
{
    const uint8_t* const end = data + size;
    const uint8_t* pos = data + 2;
    // A frame of another process (progressive, extended, lossless) is passed
    // over like any segment; remembered, it explains the scan that follows.
    unsigned otherFrame = 0;
    size_t otherFrameAt = 0;
    for (;;) {
        const size_t at = size_t(pos - data);
        if (end - pos < 2) {
            kes::Why(why, "the headers end at byte %zu without a scan", at);
            return 0;
        }
        const uint8_t* next = 0;
        const unsigned m = pos[0] == 0xFF ? pos[1] : 0x100; // 0x100: not a marker, read as a segment
        kes::Reason inner;
        switch (m) {
        case 0xD8: // SOI, TEM and FF A0 stand alone
        case 0x01:
        case 0xA0: next = pos + 2; break;
        case 0xC0: next = JpegReadSOF(pos + 2, end, &inner); break;
        case 0xC4: next = JpegReadDHT(pos + 2, end, &inner); break;
        case 0xDB: next = JpegReadDQT(pos + 2, end, &inner); break;
        case 0xDD:
            next = SegmentEnd(pos + 2, end, &inner);
            if (next && next - pos < 6) {
                kes::Why(&inner, "too short for its interval");
                next = 0;
            }
            if (next) g_jpeg.restartInterval = uint16_t(Big16(pos + 4));
            break;
        case 0xDA:
            next = JpegReadSOS(pos + 2, end, &inner);
            if (!next && otherFrame) {
                kes::Why(why, "its frame (marker FF%02X at byte %zu) is not baseline; only baseline (SOF0) pictures "
                              "are decoded",
                         otherFrame, otherFrameAt);
                return 0;
            }
            // The scan data must follow inside the data.
            if (next && next >= end) kes::Why(&inner, "no scan data follows it");
            if (!next || next >= end) break;
            *scan = size_t(next - data);
            return 1;
        case 0xD9:
            kes::Why(why, "the picture ends at byte %zu before any scan", at);
            return 0;
        default:
            if (m >= 0xC1 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC && !otherFrame) {
                otherFrame = m;
                otherFrameAt = at;
            }
            next = SegmentEnd(pos + 2, end, &inner);
            break;
        }
        if (!next || next >= end) {
            if (inner.text[0] == 0) kes::Why(&inner, "the file ends after it, before any scan");
            if (m == 0x100)
                kes::Why(why, "byte %zu is not a marker: %s", at, inner.text);
            else
                kes::Why(why, "the segment FF%02X at byte %zu: %s", m, at, inner.text);
            return 0;
        }
        pos = next;
    }
}

int JpegChooseLayout(unsigned width, unsigned height, JpegLayout* layout, kes::Reason* why)
{
    // Grey is component 1 alone; colour is components 1, 2 and 3.
    const unsigned ids = g_jpeg.frameIds;
    if (ids != 1 && ids != 7) {
        kes::Why(why, "its components are neither grey (id 1) nor Y, Cb, Cr (ids 1, 2, 3)");
        return 0;
    }
    if (g_jpeg.scanIds != ids) {
        kes::Why(why, "its scan does not hold every component of the frame");
        return 0;
    }
    const JpegComponent* c = g_jpeg.components;
    if (c[0].hSamp != c[0].vSamp || c[0].hSamp > 2) {
        kes::Why(why, "luma sampled %u x %u; 1 x 1 (4:4:4) and 2 x 2 (4:2:0) are decoded", c[0].hSamp, c[0].vSamp);
        return 0;
    }
    if (ids == 7 && (c[1].hSamp | c[1].vSamp | c[2].hSamp | c[2].vSamp) != 1) {
        kes::Why(why, "chroma sampled above 1 x 1; 4:4:4 and 4:2:0 are decoded");
        return 0;
    }
    const int count = ids == 1 ? 1 : 3;
    for (int i = 0; i < count; ++i) {
        if (!g_jpeg.quantTables[c[i].quant]) {
            kes::Why(why, "component %d uses quantisation table %u, which is not defined", i + 1, c[i].quant);
            return 0;
        }
        if (!g_jpeg.huffSlots[c[i].dcSlot].count || !g_jpeg.huffSlots[c[i].acSlot].count) {
            kes::Why(why, "component %d uses Huffman tables DC %u and AC %u, not both defined", i + 1, c[i].dcSlot,
                     c[i].acSlot - 4);
            return 0;
        }
    }
    // A picture without pixels cannot become a texture.
    if (width == 0 || height == 0) {
        kes::Why(why, "a frame of %u x %u pixels has none to show", width, height);
        return 0;
    }
    layout->mode = ids == 1 ? JPEG_MODE_GREY : c[0].hSamp == 2 ? JPEG_MODE_420 : JPEG_MODE_444;
    layout->mcuSize = layout->mode == JPEG_MODE_420 ? 16 : 8;
    layout->cols = (width + unsigned(layout->mcuSize) - 1) / unsigned(layout->mcuSize);
    layout->rows = (height + unsigned(layout->mcuSize) - 1) / unsigned(layout->mcuSize);
    layout->width = width;
    layout->height = height;
    return 1;
}

uint64_t JpegShortestScanBits(const JpegLayout& layout)
{
    const JpegComponent* c = g_jpeg.components;
    // Entries are in canonical order: the first is one of the shortest.
    auto blockBits = [c](int i) {
        return uint64_t(g_jpeg.huffSlots[c[i].dcSlot].entries[0].length) +
               g_jpeg.huffSlots[c[i].acSlot].entries[0].length;
    };
    uint64_t perMcu = blockBits(0);
    if (layout.mode == JPEG_MODE_420) perMcu *= 4;
    if (layout.mode != JPEG_MODE_GREY) perMcu += blockBits(1) + blockBits(2);
    return perMcu * layout.cols * layout.rows;
}

int JpegFindSize(const uint8_t* jpegdata, size_t size, int* width, int* height)
{
    if (size < 2 || jpegdata[0] != 0xFF || jpegdata[1] != 0xD8) return 0;
    size_t pos = 2;
    for (;;) {
        if (size - pos < 4) return 0;
        if (jpegdata[pos] == 0xFF && jpegdata[pos + 1] == 0xC0) {
            // Length, precision, then Y and X.
            if (size - pos < 9) return 0;
            *height = int(Big16(jpegdata + pos + 5));
            *width = int(Big16(jpegdata + pos + 7));
            return 1;
        }
        if (jpegdata[pos] == 0xFF && jpegdata[pos + 1] == 0xDA) return 0;
        // Everything else is a segment with a length, standalone markers included.
        pos += 2 + Big16(jpegdata + pos + 2);
        if (pos >= size) return 0;
    }
}

// ---- entropy decoding --------------------------------------------------------------

void JpegUseCodeSearch(int on)
{
    g_useSearch = on != 0;
}

void JpegBitsStart(JpegBits& bits, const uint8_t* data, size_t size, uint64_t skipBits)
{
    bits.data = data;
    bits.size = size;
    // A start past the data only ever reads zeros.
    const uint64_t byte = skipBits >> 3;
    bits.next = size_t(byte < SIZE_MAX / 16 ? byte : SIZE_MAX / 16);
    bits.cache = 0;
    bits.count = 0;
    Refill(bits);
    Skip(bits, int(skipBits & 7));
}

int JpegHuffDecodeSearch(JpegBits& bits, const JpegHuffSlot& slot)
{
    Need32(bits);
    return DecodeSearch(bits, slot);
}

int JpegHuffDecodeLookahead(JpegBits& bits, const JpegHuffSlot& slot)
{
    Need32(bits);
    return DecodeLookahead(bits, slot);
}

void JpegDecodeBlock(int16_t* block, int c)
{
    const JpegComponent& comp = g_jpeg.components[c];
    const uint16_t* quant = g_jpeg.quantTables[comp.quant];
    if (!quant) {
        // Nothing to scale by: the headers were not checked. Leave a flat block.
        memset(block, 0, 64 * sizeof(int16_t));
    } else if (g_useSearch) {
        DecodeCoefficients<SearchDecoder>(g_jpeg.bits, block, quant, g_jpeg.huffSlots[comp.dcSlot],
                                          g_jpeg.huffSlots[comp.acSlot], g_jpeg.dcPred[c]);
    } else {
        DecodeCoefficients<LookaheadDecoder>(g_jpeg.bits, block, quant, g_jpeg.huffSlots[comp.dcSlot],
                                             g_jpeg.huffSlots[comp.acSlot], g_jpeg.dcPred[c]);
    }
    JpegIDCT(block);
}

size_t JpegCompactScan(uint8_t* scan, size_t size)
{
    size_t r = 0, w = 0;
    while (r < size) {
        // Runs without FF move down as they are (they do not move at all
        // before the first stuffed byte).
        const void* ff = memchr(scan + r, 0xFF, size - r);
        const size_t n = ff ? size_t(static_cast<const uint8_t*>(ff) - (scan + r)) : size - r;
        if (w != r) memmove(scan + w, scan + r, n);
        w += n;
        r += n;
        if (!ff) break;
        // FF: fill bytes repeat it; what follows the last one decides.
        ++r;
        while (r < size && scan[r] == 0xFF) ++r;
        if (r == size) break;
        const uint8_t m = scan[r++];
        if (m == 0xD9) break; // EOI ends the scan
        // FF 00 is a stuffed data byte FF; any other marker (RSTn) leaves its
        // FF, which the restart resynchronisation looks for.
        scan[w++] = 0xFF;
    }
    return w;
}

int JpegCodeSearchInUse()
{
    return g_useSearch ? 1 : 0;
}
