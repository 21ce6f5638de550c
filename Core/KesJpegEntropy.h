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

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace kes::jpeg {

// Eight bytes, most significant first (compilers make this one load and a
// byte swap).
inline uint64_t LoadBig64(const uint8_t* p)
{
    return uint64_t(p[0]) << 56 | uint64_t(p[1]) << 48 | uint64_t(p[2]) << 40 | uint64_t(p[3]) << 32 |
           uint64_t(p[4]) << 24 | uint64_t(p[5]) << 16 | uint64_t(p[6]) << 8 | uint64_t(p[7]);
}

// Tops the cache up to at least 56 bits. While eight bytes remain from the
// byte that holds the next unread bit, the cache is loaded afresh from that
// byte: the reader never touches more than seven bytes past the byte it is
// reading, so a tile whose caller leaves eight readable bytes after the
// slices it uses is safe at every bit position.
inline void Refill(JpegBits& b)
{
    const uint64_t pos = b.Position();
    const uint64_t byte = pos >> 3;
    if (byte <= b.size && b.size - byte >= 8) {
        const int skip = int(pos & 7);
        b.cache = LoadBig64(b.data + byte) << skip;
        b.next = size_t(byte) + 8;
        b.count = 64 - skip;
        return;
    }
    while (b.count <= 56) {
        const uint64_t next = b.next < b.size ? b.data[b.next] : 0;
        b.cache |= next << (56 - b.count);
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

inline int LookSymbol(uint32_t hit)
{
    return int(hit >> JPEG_LOOK_SYMBOL_SHIFT) & 0xFF;
}

// Consumes what a lookahead entry covers. The shift count is the entry
// itself: shifts use its low six bits, which are the count.
inline void SkipLook(JpegBits& b, uint32_t hit)
{
    b.cache <<= (hit & JPEG_LOOK_BITS);
    b.count -= int(hit & JPEG_LOOK_BITS);
}

// The code's length alone, for an entry that holds a value.
inline int LookCodeLength(uint32_t hit)
{
    return int(hit & JPEG_LOOK_BITS) - (LookSymbol(hit) & 15);
}

inline int DecodeLookahead(JpegBits& b, const JpegHuffSlot& slot)
{
    const uint32_t hit = slot.look[Peek(b, JPEG_LOOKAHEAD_BITS)];
    if (hit) {
        // A DC size or AC pair whose value is here too: only the code is read.
        Skip(b, hit & JPEG_LOOK_VALUE ? LookCodeLength(hit) : int(hit & JPEG_LOOK_BITS));
        return LookSymbol(hit);
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

inline void ClearBlock(int16_t* block)
{
#if defined(__SSE2__) || defined(_M_X64)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 8) _mm_storeu_si128(reinterpret_cast<__m128i*>(block + i), zero);
#else
    memset(block, 0, 64 * sizeof(int16_t));
#endif
}

// The DC difference of a block, and the AC loop's step for one code (T.81
// figure F.12 for the DC difference, F.13 for the AC run/size pairs).
inline int DcDifference(JpegBits& b, int s)
{
    // Categories above 16 cannot be read; damaged data, taken as no change.
    return s > 0 && s <= 16 ? ReceiveExtend(b, s) : 0;
}

// One block's coefficients, dequantised and scaled by 16, into `block`.
// The block is cleared first, so every cell is written.
template <class Huff>
inline void DecodeCoefficients(JpegBits& b, int16_t* block, const uint16_t* quant, const JpegHuffSlot& dc,
                               const JpegHuffSlot& ac, int16_t& pred)
{
    ClearBlock(block);
    Need32(b);
    pred = int16_t(uint16_t(pred) + uint16_t(DcDifference(b, Huff::Decode(b, dc))));
    block[0] = int16_t(uint16_t(uint16_t(pred) * quant[0]));

    for (int k = 1; k < 64;) {
        Need32(b);
        const int rs = Huff::Decode(b, ac);
        const int run = rs >> 4, s = rs & 15;
        // End of block, or a zero run reaching the end of the block (one
        // running past it is damaged data, taken the same way): the rest
        // stays zero and the size bits are not read.
        if (rs == 0 || run >= 64 - k) break;
        k += run;
        if (s) block[kZigzagCell[k]] = Sat16(ReceiveExtend(b, s) * int(int16_t(quant[k])));
        ++k;
    }
}

#if defined(__GNUC__)
#define KES_JPEG_ALWAYS_INLINE __attribute__((always_inline)) inline
#define KES_JPEG_LIKELY(x) __builtin_expect(!!(x), 1)
#define KES_JPEG_UNLIKELY(x) __builtin_expect(!!(x), 0)
#else
#define KES_JPEG_ALWAYS_INLINE inline
#define KES_JPEG_LIKELY(x) (x)
#define KES_JPEG_UNLIKELY(x) (x)
#endif

// The same with the lookahead, where most codes come with their value
// from one look-up: the same bits consumed, the same cells written. `b`
// is the caller's local reader, kept in registers across blocks.
KES_JPEG_ALWAYS_INLINE void DecodeBlockLookahead(JpegBits& b, int16_t* block, const uint16_t* quant,
                                                 const JpegHuffSlot& dc, const JpegHuffSlot& ac, int16_t& pred)
{
    ClearBlock(block);
    Need32(b);
    int diff;
    uint32_t hit = dc.look[Peek(b, JPEG_LOOKAHEAD_BITS)];
    if (KES_JPEG_LIKELY(hit & JPEG_LOOK_VALUE)) {
        SkipLook(b, hit);
        diff = int16_t(hit >> JPEG_LOOK_VALUE_SHIFT);
    } else if (hit) {
        SkipLook(b, hit);
        diff = DcDifference(b, LookSymbol(hit));
    } else {
        diff = DcDifference(b, SearchCodes(b, dc, dc.firstLong));
    }
    pred = int16_t(uint16_t(pred) + uint16_t(diff));
    block[0] = int16_t(uint16_t(uint16_t(pred) * quant[0]));

    for (int k = 1; k < 64;) {
        Need32(b);
        hit = ac.look[Peek(b, JPEG_LOOKAHEAD_BITS)];
        int rs;
        if (KES_JPEG_LIKELY(hit & JPEG_LOOK_VALUE)) {
            const int run = LookSymbol(hit) >> 4;
            if (run >= 64 - k) {
                Skip(b, LookCodeLength(hit)); // the value bits stay unread
                break;
            }
            SkipLook(b, hit);
            k += run;
            int v = int(int16_t(hit >> JPEG_LOOK_VALUE_SHIFT)) * int(int16_t(quant[k]));
            // Products beyond 16 bits need coarse tables: a branch that holds.
            if (KES_JPEG_UNLIKELY(unsigned(v + 32768) > 65535u)) v = Sat16(v);
            block[kZigzagCell[k]] = int16_t(v);
            ++k;
            continue;
        }
        if (hit) {
            SkipLook(b, hit);
            rs = LookSymbol(hit);
        } else {
            rs = SearchCodes(b, ac, ac.firstLong);
        }
        const int run = rs >> 4, s = rs & 15;
        if (rs == 0 || run >= 64 - k) break;
        k += run;
        if (s) block[kZigzagCell[k]] = Sat16(ReceiveExtend(b, s) * int(int16_t(quant[k])));
        ++k;
    }
}

template <>
inline void DecodeCoefficients<LookaheadDecoder>(JpegBits& reader, int16_t* block, const uint16_t* quant,
                                                 const JpegHuffSlot& dc, const JpegHuffSlot& ac, int16_t& pred)
{
    // A local copy, so that the compiler keeps the reader in registers
    // across the block's writes.
    JpegBits b = reader;
    DecodeBlockLookahead(b, block, quant, dc, ac, pred);
    reader = b;
}

// One block of an MCU: where it goes and what it decodes with.
struct BlockPlan {
    int16_t* block;
    const uint16_t* quant;
    const JpegHuffSlot* dc;
    const JpegHuffSlot* ac;
    int component; // its DC predictor
};

// The blocks of one MCU in order, each as DecodeCoefficients decodes it.
template <class Huff>
inline void DecodeMcuCoefficients(JpegBits& reader, const BlockPlan* plan, int count, int16_t* pred)
{
    for (int i = 0; i < count; ++i)
        DecodeCoefficients<Huff>(reader, plan[i].block, plan[i].quant, *plan[i].dc, *plan[i].ac,
                                 pred[plan[i].component]);
}

// With the lookahead, the reader stays in registers for the whole MCU.
template <>
KES_JPEG_ALWAYS_INLINE void DecodeMcuCoefficients<LookaheadDecoder>(JpegBits& reader, const BlockPlan* plan, int count,
                                                    int16_t* pred)
{
    JpegBits b = reader;
    for (int i = 0; i < count; ++i)
        DecodeBlockLookahead(b, plan[i].block, plan[i].quant, *plan[i].dc, *plan[i].ac, pred[plan[i].component]);
    reader = b;
}

} // namespace kes::jpeg

#endif
