// Decoding a WAS frame's run-length rows into 0xAARRGGBB pixel rows.
//
// Two decoders give the same pixels. The plain one stores exactly the
// pixels each opcode names, one opcode at a time. The fast one, which
// loads use, looks each opcode up in a table so that runs, translucent
// pixels and one-pixel literals take one path without branching on their
// kind, and it stores sixteen pixels at once, more than most opcodes name. The surplus
// lands on pixels of the same row that later opcodes overwrite (a row is
// complete only when every pixel up to its width is written), so the fast
// loop runs only while sixteen pixels of the row and the longest opcode's
// bytes of the file remain; the plain decoder finishes each row from there.
#include "KesWas.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace kes::was {

namespace {

// Where a row's decoding stopped: after its code, or where the code left
// the file (ok false).
struct RowEnd {
    const unsigned char* p;
    bool ok;
};

// Pixels x to w - 1 of `row`, one opcode at a time. Each opcode checks its
// operands against `end` once; pixel loops run unchecked over a count
// already cut to the row's end. `palette` is set when an opcode of the row
// names a palette entry.
RowEnd FinishRow(uint32_t* row, uint32_t x, uint32_t w, const unsigned char* p, const unsigned char* end,
                 const PixelTable& table, bool& palette)
{
    while (x < w) {
        if (p >= end) return RowEnd{p, false};
        const unsigned b = *p++;
        const size_t left = size_t(end - p);
        switch (b >> 6) {
        case 0:
            if (b == kOpEndOfRow) {
                std::fill(row + x, row + w, 0u);
                x = w;
            } else if (b & kOpAlphaPixel) {
                if (left < 1) return RowEnd{p, false};
                row[x++] = (AlphaOfLevel(b & kMaxAlphaLevel) << 24) | table.colour[p[0]];
                p += 1;
                palette = true;
            } else {
                if (left < 2) return RowEnd{p, false};
                const uint32_t n = std::min<uint32_t>(b & kMaxAlphaRun, w - x);
                std::fill(row + x, row + x + n, (AlphaOfLevel(p[0]) << 24) | table.colour[p[1]]);
                x += n;
                p += 2;
                palette = true;
            }
            break;
        case 1: {
            // A literal cut at the row's end reads only the indices it writes.
            const uint32_t n = std::min<uint32_t>(b & kMaxRun, w - x);
            if (left < n) return RowEnd{p, false};
            for (uint32_t i = 0; i < n; ++i) row[x + i] = table.opaque[p[i]];
            x += n;
            p += n;
            palette = true;
            break;
        }
        case 2: {
            if (left < 1) return RowEnd{p, false};
            const uint32_t n = std::min<uint32_t>(b & kMaxRun, w - x);
            std::fill(row + x, row + x + n, table.opaque[p[0]]);
            x += n;
            p += 1;
            palette = true;
            break;
        }
        default: {
            const uint32_t n = std::min<uint32_t>(b & kMaxRun, w - x);
            std::fill(row + x, row + x + n, 0u);
            x += n;
            break;
        }
        }
    }
    return RowEnd{p, true};
}

// ---- the fast decoder ------------------------------------------------------------

// The longest opcode's bytes with a literal's overreach: opcode, 63
// indices, and up to 3 indices read past them.
constexpr ptrdiff_t kFastBytes = 1 + kMaxRun + 3;
constexpr uint32_t kWide = 16;

#if defined(__SSE2__) || defined(_M_X64)
inline void Store16(uint32_t* out, uint32_t v)
{
    const __m128i w = _mm_set1_epi32(int(v));
    __m128i* o = reinterpret_cast<__m128i*>(out);
    _mm_storeu_si128(o, w);
    _mm_storeu_si128(o + 1, w);
    _mm_storeu_si128(o + 2, w);
    _mm_storeu_si128(o + 3, w);
}
#else
inline void Store16(uint32_t* out, uint32_t v)
{
    for (uint32_t i = 0; i < kWide; ++i) out[i] = v;
}
#endif

// Opcodes with one palette index and no other operand: a translucent
// pixel (0x20..0x3F), a literal of one pixel (0x41) and an opaque run
// (0x80..0xBF), most of a sprite's opcodes. For these, the alpha byte
// their pixels take (bits 24-31) and their pixel count (bits 0-7); 0 for
// every other opcode.
struct OneIndexFills {
    uint32_t fill[256];
    constexpr OneIndexFills() : fill()
    {
        for (unsigned b = kOpAlphaPixel; b < kOpLiteral; ++b) fill[b] = AlphaOfLevel(b & kMaxAlphaLevel) << 24 | 1;
        fill[kOpLiteral + 1] = 0xFFu << 24 | 1;
        for (unsigned b = kOpRun; b < kOpSkip; ++b) fill[b] = 0xFFu << 24 | (b & kMaxRun);
    }
};

constexpr OneIndexFills kOneIndex;

RowEnd DecodeRowFast(uint32_t* row, uint32_t w, const unsigned char* p, const unsigned char* end,
                     const PixelTable& table, bool& palette)
{
    uint32_t x = 0;
    if (w < kWide || end - p < kFastBytes) return FinishRow(row, x, w, p, end, table, palette);
    // The last pixel and opcode start that leave room for a whole step.
    const uint32_t lastX = w - kWide;
    const unsigned char* const lastP = end - kFastBytes;
    bool named = false;
    do {
        const unsigned b = p[0];
        uint32_t* const out = row + x;
        uint32_t v, n;
        const uint32_t fill = kOneIndex.fill[b];
        if (fill) {
            // Every kind of these takes the same path and the same two
            // bytes: the next opcode's position does not wait for this
            // one's kind, and mixed kinds (along a sprite's edges) cost no
            // wrong guesses.
            n = fill & 0xFF;
            v = (fill & 0xFF000000u) | table.colour[p[1]];
            named = true;
            p += 2;
        } else if (b >= kOpSkip || b == kOpEndOfRow) {
            n = b == kOpEndOfRow ? w - x : b & kMaxRun;
            v = 0;
            p += 1;
        } else if (b < kOpAlphaPixel) {
            n = b & kMaxAlphaRun;
            v = AlphaOfLevel(p[1]) << 24 | table.colour[p[2]];
            named = true;
            p += 3;
        } else {
            // A literal: whole groups of four, at most three pixels (and
            // indices) past it, inside the row (and the file). One that
            // the row's end cuts is left to the plain decoder.
            n = b & kMaxRun;
            if (n + 3 > w - x) break;
            const unsigned char* idx = p + 1;
            for (uint32_t i = 0; i < n; i += 4) {
                out[i] = table.opaque[idx[i]];
                out[i + 1] = table.opaque[idx[i + 1]];
                out[i + 2] = table.opaque[idx[i + 2]];
                out[i + 3] = table.opaque[idx[i + 3]];
            }
            named = true;
            x += n;
            p = idx + n;
            continue;
        }
        Store16(out, v);
        if (n > kWide) {
            // Cut at the row's end; the rest in sixteens, the last one
            // ending exactly at the fill's end.
            n = std::min(n, w - x);
            for (uint32_t i = kWide; i + kWide < n; i += kWide) Store16(out + i, v);
            Store16(out + n - kWide, v);
        }
        // Up to sixteen pixels fit: the loop leaves sixteen of room.
        x += n;
    } while (x <= lastX && p <= lastP);
    palette |= named;
    if (x == w) return RowEnd{p, true};
    return FinishRow(row, x, w, p, end, table, palette);
}

// Rows from the start of their code to their width, one way or the other.
struct WideRows {
    static RowEnd Decode(uint32_t* row, uint32_t w, const unsigned char* p, const unsigned char* end,
                         const PixelTable& table, bool& palette)
    {
        return DecodeRowFast(row, w, p, end, table, palette);
    }
};

struct PlainRows {
    static RowEnd Decode(uint32_t* row, uint32_t w, const unsigned char* p, const unsigned char* end,
                         const PixelTable& table, bool& palette)
    {
        return FinishRow(row, 0, w, p, end, table, palette);
    }
};

template <class Rows>
bool DecodeRows(const unsigned char* data, uint64_t size, const Frame& frame,
                const PixelTable& table, unsigned char* bits, size_t pitch, bool* paletteOnOddRow, RowFault* fault)
{
    const unsigned char* const end = data + size;
    const unsigned char* const rowTable = data + frame.offset + kFrameHeaderSize;
    const uint32_t w = uint32_t(frame.width);
    bool oddPalette = false;
    for (int y = 0; y < frame.height; ++y) {
        uint32_t* const row = reinterpret_cast<uint32_t*>(bits + size_t(y) * pitch);
        const uint64_t start = frame.offset + ReadU32(rowTable + 4 * size_t(y));
        const unsigned char* const p = data + std::min(start, size);
        bool palette = false;
        const RowEnd r = Rows::Decode(row, w, p, end, table, palette);
        if (!r.ok) {
            if (fault) {
                fault->row = y;
                fault->position = uint64_t(r.p - data);
            }
            return false;
        }
        oddPalette |= palette && (y & 1);
    }
    *paletteOnOddRow = oddPalette;
    return true;
}

} // namespace

bool DecodeFrame(const unsigned char* data, uint64_t size, const Frame& frame, const PixelTable& table,
                 unsigned char* bits, size_t pitch, bool* paletteOnOddRow, RowFault* fault)
{
    return DecodeRows<WideRows>(data, size, frame, table, bits, pitch, paletteOnOddRow, fault);
}

bool DecodeFrameOneByOne(const unsigned char* data, uint64_t size, const Frame& frame, const PixelTable& table,
                         unsigned char* bits, size_t pitch, bool* paletteOnOddRow, RowFault* fault)
{
    return DecodeRows<PlainRows>(data, size, frame, table, bits, pitch, paletteOnOddRow, fault);
}

} // namespace kes::was
