// MApp::LoadBMP and MApp::LoadTGA: Windows bitmaps (8-, 16- and 24-bit) and
// Truevision TGA pictures (24- and 32-bit, raw or run-length), each into one
// texture image, cached by the id of the file name in the cache LoadJPEG uses.
//
// The headers name offsets and sizes that nothing else vouches for, so each
// is measured against the bytes loaded before a pixel is read: a picture whose
// data is cut short, whose header points past the end of the file, or whose
// palette indices have no entry in the file is refused (null); a run-length
// packet that goes on past the picture's last pixel is cut there. Sizes are
// held against the device's largest texture before one is made, because a
// texture that cannot be made ends the process.
//
// Pixels are written straight into the locked texture, one row at a time,
// by loops specialised for each stored layout.
//
// Worst cases, as a function of the file's size n: memory is the file
// buffer and the texture, nothing else; time follows the texture's pixels.
// A bitmap stores every pixel (at least one byte each, 8-bit), so its
// texture is at most 4 n bytes. A raw TGA stores 3 or 4 bytes a pixel: at
// most 4/3 n. A run-length TGA packet covers at most 128 pixels in 4 bytes,
// so a file of n bytes may describe up to 32 n pixels, a texture of 128 n
// bytes; every size is also held to the device's largest texture (16384 x
// 16384) before anything is made.
#include <KesApp.h>
#include <KesFile.h>
#include <KesImage.h>

#include "KesLoadPicture.h"
#include "KesLooksLike.h"
#include "KesReport.h"

#include <stdint.h>
#include <string.h>

namespace {

typedef unsigned char Byte;

const uint32_t kOpaque = 0xFF000000u;

inline uint32_t Get16(const Byte* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

inline uint32_t Get32(const Byte* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A stored blue, green, red triple as an opaque pixel.
inline uint32_t Bgr(const Byte* p)
{
    return kOpaque | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[0]);
}

inline uint32_t Word(const Byte* p)
{
    uint32_t v;
    memcpy(&v, p, 4); // files and textures are little-endian, as are the hosts
    return v;
}

// v, or 0 (fully transparent black) when it is the key colour; a mask
// rather than a branch, since keyed pictures mix both in every row.
inline uint32_t Keyed(uint32_t v, uint32_t key)
{
    return v & (0u - uint32_t(v != key));
}

// n stored blue, green, red triples into opaque pixels, with the key colour
// made transparent when Key is set. Four triples are three whole words, so
// the loop reads words and never a byte beyond the n triples.
template <bool Key>
inline void Copy24(uint32_t* d, const Byte* s, unsigned n, uint32_t key)
{
    unsigned i = 0;
    for (; i + 4 <= n; i += 4, s += 12) {
        const uint32_t w0 = Word(s), w1 = Word(s + 4), w2 = Word(s + 8);
        uint32_t p0 = w0 | kOpaque;
        uint32_t p1 = (w0 >> 24 | w1 << 8) | kOpaque;
        uint32_t p2 = (w1 >> 16 | w2 << 16) | kOpaque;
        uint32_t p3 = (w2 >> 8) | kOpaque;
        if (Key) {
            p0 = Keyed(p0, key);
            p1 = Keyed(p1, key);
            p2 = Keyed(p2, key);
            p3 = Keyed(p3, key);
        }
        d[i] = p0;
        d[i + 1] = p1;
        d[i + 2] = p2;
        d[i + 3] = p3;
    }
    for (; i < n; ++i, s += 3) d[i] = Key ? Keyed(Bgr(s), key) : Bgr(s);
}

inline void Fill32(uint32_t* d, unsigned n, uint32_t v)
{
    for (unsigned i = 0; i < n; ++i) d[i] = v;
}

// The texture row that stored row r of an h-row picture fills.
inline uint32_t* TargetRow(Byte* bits, int pitch, unsigned h, unsigned r, bool topFirst)
{
    const unsigned y = topFirst ? r : h - 1 - r;
    return reinterpret_cast<uint32_t*>(bits + ptrdiff_t(y) * pitch);
}

// ---- BMP --------------------------------------------------------------------------

struct BmpPicture {
    const Byte* data;
    size_t size;
    unsigned width;
    unsigned height;
    int format;
    unsigned depth;     // 8, 16 or 24
    bool topFirst;      // a negative stored height: rows top first
    size_t pixels;      // offset of the first stored row
    size_t stride;      // stored row length, padded to 4 bytes
    uint32_t palette[256];

    static const char* Loader() { return "LoadBMP"; }
    static const char* Kind() { return "a BMP picture"; }

    // False with the reason when the header is refused; *otherKind when the
    // file is no bitmap at all.
    bool Parse(const Byte* d, size_t n, kes::Reason* why, bool* otherKind)
    {
        data = d;
        size = n;
        *otherKind = n < 2 || d[0] != 0x42 || d[1] != 0x4D;
        if (*otherKind) return false;
        if (n < 30) {
            kes::Why(why, "the header is cut short at %zu bytes", n);
            return false;
        }
        depth = Get16(d + 28);
        if (depth != 8 && depth != 16 && depth != 24) {
            kes::Why(why, "%u bits a pixel; 8, 16 and 24 are read", depth);
            return false;
        }
        const int32_t w = int32_t(Get32(d + 18));
        const int32_t h = int32_t(Get32(d + 22));
        if (w <= 0 || h == 0) {
            kes::Why(why, "a size of %d x %d", int(w), int(h));
            return false;
        }
        width = unsigned(w);
        topFirst = h < 0;
        height = topFirst ? 0u - uint32_t(h) : uint32_t(h);
        format = depth == 16 ? KES_FMT_R5G6B5 : KES_FMT_X8R8G8B8;

        // Every stored row must be inside the file; the padding after the last
        // one is not needed, so a writer that leaves it out still loads.
        const uint64_t rowBytes = uint64_t(width) * (depth / 8);
        stride = size_t((rowBytes + 3) & ~uint64_t(3));
        pixels = Get32(d + 10);
        if (pixels > n || n - pixels < rowBytes || (n - pixels - rowBytes) / stride < height - 1) {
            kes::Why(why, "%u rows of %llu bytes from byte %zu pass the file's end at byte %zu", height,
                     (unsigned long long)stride, pixels, n);
            return false;
        }
        return depth != 8 || ReadPalette(why);
    }

    // The palette begins right after the information header. Its length is
    // not taken from the header: the entries are those the file holds, up to
    // 256, and a picture that indexes beyond them is refused.
    bool ReadPalette(kes::Reason* why)
    {
        const uint64_t start = 14 + uint64_t(Get32(data + 14));
        if (start > size || size - start < 4) {
            kes::Why(why, "no palette at byte %llu, inside the file", (unsigned long long)start);
            return false;
        }
        const size_t avail = size_t((size - start) / 4);
        const unsigned entries = avail < 256 ? unsigned(avail) : 256u;
        for (unsigned i = 0; i < entries; ++i) palette[i] = Get32(data + start + 4 * size_t(i));
        if (entries == 256) return true;
        for (unsigned i = entries; i < 256; ++i) palette[i] = 0;
        const Byte* row = data + pixels;
        for (unsigned r = 0; r < height; ++r, row += stride) {
            Byte top = 0;
            for (unsigned x = 0; x < width; ++x) top = row[x] > top ? row[x] : top;
            if (top >= entries) {
                kes::Why(why, "stored row %u uses colour %u; the palette at byte %llu holds %u", r, unsigned(top),
                         (unsigned long long)start, entries);
                return false;
            }
        }
        return true;
    }

    // Cannot fail once the header is accepted: every row was found inside.
    bool Decode(Byte* bits, int pitch, kes::Reason*) const
    {
        const Byte* src = data + pixels;
        switch (depth) {
        case 8:
            for (unsigned r = 0; r < height; ++r, src += stride) {
                uint32_t* d = TargetRow(bits, pitch, height, r, topFirst);
                for (unsigned x = 0; x < width; ++x) d[x] = palette[src[x]];
            }
            break;
        case 16:
            // Taken as R5G6B5 whatever masks the file declares.
            for (unsigned r = 0; r < height; ++r, src += stride)
                memcpy(TargetRow(bits, pitch, height, r, topFirst), src, size_t(width) * 2);
            break;
        default:
            // The unused top byte is written opaque, so that anything reading
            // these pixels as A8R8G8B8 sees a solid picture.
            for (unsigned r = 0; r < height; ++r, src += stride)
                Copy24<false>(TargetRow(bits, pitch, height, r, topFirst), src, width, 0);
            break;
        }
        return true;
    }
};

// ---- TGA --------------------------------------------------------------------------

struct TgaPicture {
    const Byte* data;
    size_t size;
    unsigned width;
    unsigned height;
    int format;
    unsigned bpp;       // stored bytes per pixel: 3 or 4
    bool rle;
    bool topFirst;
    size_t pixels;      // offset of the pixel data
    uint32_t key;       // 24-bit pictures: the colour that becomes transparent

    static const char* Loader() { return "LoadTGA"; }
    static const char* Kind() { return "a TGA picture"; }

    // TGA has no signature: a file that looks like some other kind is
    // named as that kind, anything else is judged by its header.
    bool Parse(const Byte* d, size_t n, kes::Reason* why, bool* otherKind)
    {
        data = d;
        size = n;
        format = KES_FMT_A8R8G8B8;
        char kind[kes::kLooksLikeText];
        kes::LooksLike(d, n, kind);
        *otherKind = strncmp(kind, "looks like ", 11) == 0 && strcmp(kind + 11, Kind()) != 0;
        if (n < 18) {
            kes::Why(why, "the header is cut short at %zu bytes", n);
            return false;
        }
        const unsigned depth = d[16];
        if (depth != 24 && depth != 32) {
            kes::Why(why, "%u bits a pixel; 24 and 32 are read", depth);
            return false;
        }
        bpp = depth / 8;
        rle = d[2] != 2;
        width = Get16(d + 12);
        height = Get16(d + 14);
        topFirst = (d[17] & 0x20) != 0;
        if (width == 0 || height == 0) {
            kes::Why(why, "a size of %u x %u", width, height);
            return false;
        }
        pixels = 18 + size_t(d[0]);
        if (pixels > n) {
            kes::Why(why, "its pixels would start at byte %zu, past the file's end at byte %zu", pixels, n);
            return false;
        }

        // Raw data must hold every pixel. Packets cover at most 128 pixels
        // with at least one stored pixel after their header, which bounds how
        // small honest run-length data can be; anything shorter is cut short
        // for sure and is refused before a texture is made for it.
        const uint64_t count = uint64_t(width) * height;
        const uint64_t least = rle ? (count + 127) / 128 * (1 + bpp) : count * bpp;
        if (n - pixels < least) {
            kes::Why(why, "%u x %u pixels %s take at least %llu bytes from byte %zu; the file has %zu", width, height,
                     rle ? "run-length packed" : "stored raw", (unsigned long long)least, pixels, n - pixels);
            return false;
        }

        // The first stored pixel, after the first packet's header when packed.
        key = Bgr(d + pixels + (rle ? 1 : 0));
        return true;
    }

    bool Decode(Byte* bits, int pitch, kes::Reason* why) const
    {
        if (rle) {
            unsigned row = 0;
            if (bpp == 4 ? DecodePacked<4>(bits, pitch, &row) : DecodePacked<3>(bits, pitch, &row)) return true;
            kes::Why(why, "the run-length data ends at byte %zu, in stored row %u of %u", size, row, height);
            return false;
        }
        const Byte* src = data + pixels;
        const size_t stride = size_t(width) * bpp;
        for (unsigned r = 0; r < height; ++r, src += stride) {
            uint32_t* d = TargetRow(bits, pitch, height, r, topFirst);
            if (bpp == 4)
                memcpy(d, src, stride);
            else
                Copy24<true>(d, src, width, key);
        }
        return true;
    }

    // One stored pixel of a packed picture as it is written.
    template <unsigned Bpp>
    uint32_t PackedPixel(const Byte* p) const
    {
        return Bpp == 4 ? Get32(p) : Keyed(Bgr(p), key);
    }

    // n pixels of a raw packet.
    template <unsigned Bpp>
    void CopyPacked(uint32_t* d, const Byte* p, unsigned n) const
    {
        if (Bpp == 4)
            memcpy(d, p, size_t(n) * 4);
        else
            Copy24<true>(d, p, n, key);
    }

    // Packets run on across row ends: what is left of one continues on the
    // next row. Returns false when the data ends before the picture is full,
    // with *row the stored row it ended in.
    template <unsigned Bpp>
    bool DecodePacked(Byte* bits, int pitch, unsigned* row) const
    {
        const Byte* p = data + pixels;
        const Byte* const end = data + size;
        // The packet that the previous row ended inside of.
        unsigned left = 0;
        bool run = false;
        uint32_t value = 0;
        for (unsigned r = 0; r < height; ++r) {
            *row = r;
            uint32_t* const d = TargetRow(bits, pitch, height, r, topFirst);
            unsigned x = 0;
            if (left) {
                const unsigned take = left < width ? left : width;
                if (run) {
                    Fill32(d, take, value);
                } else {
                    if (size_t(end - p) < size_t(take) * Bpp) return false;
                    CopyPacked<Bpp>(d, p, take);
                    p += size_t(take) * Bpp;
                }
                x = take;
                left -= take;
            }
            while (x < width) {
                if (p == end) return false;
                const unsigned h = *p++;
                const unsigned n = (h & 0x7F) + 1;
                const unsigned room = width - x;
                run = (h & 0x80) != 0;
                if (run) {
                    if (size_t(end - p) < Bpp) return false;
                    value = PackedPixel<Bpp>(p);
                    p += Bpp;
                    if (n <= room) {
                        // Short runs, the common kind, take one fixed-size
                        // store; pixels written past the run are inside the
                        // row and are written again by the packets that follow.
                        if (n <= 8 && room >= 8)
                            Fill32(d + x, 8, value);
                        else
                            Fill32(d + x, n, value);
                        x += n;
                        continue;
                    }
                    Fill32(d + x, room, value);
                } else {
                    const size_t avail = size_t(end - p);
                    if (n <= room) {
                        if (avail < size_t(n) * Bpp) return false;
                        // Short 32-bit packets are copied as eight pixels
                        // in one go, as short runs are filled above, where
                        // the file and the row have room for that.
                        if (Bpp == 4 && n <= 8 && room >= 8 && avail >= 32)
                            memcpy(d + x, p, 32);
                        else
                            CopyPacked<Bpp>(d + x, p, n);
                        p += size_t(n) * Bpp;
                        x += n;
                        continue;
                    }
                    if (avail < size_t(room) * Bpp) return false;
                    CopyPacked<Bpp>(d + x, p, room);
                    p += size_t(room) * Bpp;
                }
                // The packet goes on past the row's end: the rest waits for
                // the next row (or, after the last row, is never read).
                left = n - room;
                x = width;
            }
        }
        return true;
    }
};

} // namespace

MImage* MApp::LoadBMP(const char* fname)
{
    return kes::LoadPicture<BmpPicture>(this, fname);
}

MImage* MApp::LoadTGA(const char* fname)
{
    return kes::LoadPicture<TgaPicture>(this, fname);
}
