// The JPEG scan's bit reader and Huffman decoding, inline for the MCU loops.
//
// The reader keeps up to 64 upcoming bits in a cache. It refills eight bytes
// at a time while eight remain inside the data, then one byte at a time,
// and past the end of the data it feeds zero bytes: a truncated or damaged
// scan decodes to the end of the picture without a read outside the data.
#ifndef KESTO_CORE_KESJPEGENTROPY_H
#define KESTO_CORE_KESJPEGENTROPY_H

#include "KesJpeg.h"
#include "KesJpegArith.h"

#include <string.h>

namespace kes::jpeg {

inline uint64_t LoadBig64(const uint8_t* p)
{
    uint64_t v;
    memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

// Tops the cache up to at least 56 bits.
inline void Refill(JpegBits& b)
{
    if (b.next <= b.size && b.size - b.next >= 8) {
        // Bits past the whole bytes taken land below `count`; the next refill
        // writes the same bits there again, so OR-ing them in is harmless.
        b.cache |= LoadBig64(b.data + b.next) >> b.count;
        const int take = (63 - b.count) >> 3;
        b.next += size_t(take);
        b.count += take * 8;
        return;
    }
    while (b.count <= 56) {
        const uint64_t byte = b.next < b.size ? b.data[b.next] : 0;
        b.cache |= byte << (56 - b.count);
        ++b.next;
        b.count += 8;
    }
}

// Makes sure that 32 bits can be read: one code and its extra bits.
inline void Need32(JpegBits& b)
{
    if (b.count < 32) Refill(b);
}

inline unsigned Peek(const JpegBits& b, int n)
{
    return unsigned(b.cache >> (64 - n));
}

inline void Skip(JpegBits& b, int n)
{
    b.cache <<= n;
    b.count -= n;
}

// n (1-16) bits as a signed value: T.81's RECEIVE then EXTEND (figure F.12):
// a leading 0 bit means a negative value.
inline int ReceiveExtend(JpegBits& b, int n)
{
    const int v = int(Peek(b, n));
    Skip(b, n);
    return v < (1 << (n - 1)) ? v - ((1 << n) - 1) : v;
}

// The first entry from `from` on whose code the next bits start with, as
// T.81's DECODE procedure (figure F.16) finds it by trying the codes in
// canonical order. The cache must hold 16 bits.
inline int SearchCodes(JpegBits& b, const JpegHuffSlot& slot, uint32_t from)
{
    const JpegHuffEntry* e = slot.entries;
    for (uint32_t i = from; i < slot.count; ++i) {
        if (Peek(b, e[i].length) == e[i].code) {
            Skip(b, e[i].length);
            return e[i].symbol;
        }
    }
    return 0; // no code matches: symbol 0, nothing consumed
}

inline int DecodeSearch(JpegBits& b, const JpegHuffSlot& slot)
{
    return SearchCodes(b, slot, 0);
}

inline int DecodeLookahead(JpegBits& b, const JpegHuffSlot& slot)
{
    const unsigned hit = slot.look[Peek(b, JPEG_LOOKAHEAD_BITS)];
    if (hit) {
        Skip(b, int(hit >> 8));
        return int(hit & 0xFF);
    }
    // No entry as short as the lookahead matches; the rest of the list is
    // the longer entries, searched in the same order.
    return SearchCodes(b, slot, slot.firstLong);
}

struct SearchDecoder {
    static int Decode(JpegBits& b, const JpegHuffSlot& slot) { return DecodeSearch(b, slot); }
};

struct LookaheadDecoder {
    static int Decode(JpegBits& b, const JpegHuffSlot& slot) { return DecodeLookahead(b, slot); }
};

// The cells of the transposed coefficient block in zigzag order: zigzag
// position k (T.81 figure A.6) of natural cell v * 8 + u goes to cell u * 8 + v.
extern const uint8_t kZigzagCell[64];

// One block's coefficients, dequantised and scaled by 16, into `block`
// (T.81 figure F.12 for the DC difference, F.13 for the AC run/size pairs).
template <class Huff>
inline void DecodeCoefficients(JpegBits& b, int16_t* block, const uint16_t* quant, const JpegHuffSlot& dc,
                               const JpegHuffSlot& ac, int16_t& pred)
{
    memset(block, 0, 64 * sizeof(int16_t));
    Need32(b);
    int s = Huff::Decode(b, dc);
    int diff = 0;
    // Categories above 16 cannot be read; damaged data, taken as no change.
    if (s > 0 && s <= 16) diff = ReceiveExtend(b, s);
    pred = int16_t(uint16_t(pred) + uint16_t(diff));
    block[0] = int16_t(uint16_t(uint16_t(pred) * quant[0]));

    for (int k = 1; k < 64;) {
        Need32(b);
        const int rs = Huff::Decode(b, ac);
        const int run = rs >> 4;
        s = rs & 15;
        // End of block, or a zero run reaching the end of the block (one
        // running past it is damaged data, taken the same way): the rest
        // stays zero and the size bits are not read.
        if (rs == 0 || run >= 64 - k) break;
        k += run;
        if (s) {
            const int v = ReceiveExtend(b, s);
            block[kZigzagCell[k]] = Sat16(v * int(int16_t(quant[k])));
        }
        ++k;
    }
}

} // namespace kes::jpeg

#endif
