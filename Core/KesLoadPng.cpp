// MApp::LoadPNG (a Kesto extension): PNG pictures of every colour type and
// depth the format has, interlaced or not, into one A8R8G8B8 texture, through
// the same steps, cache and reports as LoadBMP and LoadTGA.
//
// libspng reads the header and every chunk before the rows, with their CRCs.
// 8-bit RGB and RGBA pictures that are not interlaced, the layout nearly
// every photograph and piece of art is saved in, then take the direct path
// of KesPngRows: libdeflate inflates their rows, which the engine unfilters
// into the texture. Measured on a 1920 x 1080 photograph (bench/PngBench.cpp),
// inflating is four fifths of a load through libspng or libpng, both on
// zlib, and the two take the same time, no less than stb_image's; libdeflate
// inflates in about half that.
//
// Every other layout is decoded by libspng, which expands it to red, green,
// blue, alpha bytes: grey and palette pictures to colour, 1-, 2- and 4-bit
// samples scaled to 8, 16-bit samples cut to their high byte, tRNS turned
// into alpha (palette entries, a grey level, a colour key). Its rows are
// decoded straight into the locked texture and turned into the texture's
// blue, green, red, alpha order in place, while they are still in the cache;
// an interlaced picture's passes fill its rows in turn, and the order is
// turned once all of them are in.
//
// Worst cases, as a function of the file's size n: memory is the file
// buffer, the texture, and the decoder's own: on the direct path the
// compressed rows joined (less than n) and inflated (at most the texture's
// size and one byte a row); through libspng its inflate window and two
// scanlines of at most 16384 16-bit RGBA pixels; ancillary chunks kept to
// 1 MiB. Rows are deflate-compressed, and deflate packs at most 1032 bytes
// into one, so a header is refused before a texture is made when its
// compressed data could not hold its rows even so. The densest picture is
// 1-bit grey, 8 pixels a byte of rows: a file of n bytes may describe up to
// 8256 n pixels, a texture of 33024 n bytes (8-bit RGB and RGBA, on the
// direct path, at most 1376 n bytes of texture, plus up to 1032 n while
// their rows are inflated); every size is also held to the device's largest
// texture (16384 x 16384) before anything is made. Time follows the rows'
// bytes.
#include <KesApp.h>

#include "KesLoadPicture.h"
#include "KesPngRows.h"
#include "KesReport.h"

#include <spng.h>

#include <stdint.h>
#include <string.h>

namespace {

typedef unsigned char Byte;

// Deflate codes a 258-byte match in one bit at best, with a little framing
// per block: no stream inflates more than 1032 times its size.
const uint64_t kDeflateMostRatio = 1032;
// The zlib header and check value hold no row bytes; a stream this short
// still inflates to a few hundred bytes, which the ratio alone would refuse.
const uint64_t kDeflateSlack = 1032;
// Text, colour profiles and the like are not used here; what libspng keeps
// of them while it reads past them is bounded.
const size_t kChunkCache = size_t(1) << 20;

// Red, green, blue, alpha bytes to the texture's words 0xAARRGGBB (blue
// first in memory): red and blue change places.
void RgbaToArgb(Byte* row, unsigned n)
{
    uint32_t* p = reinterpret_cast<uint32_t*>(row);
    for (unsigned i = 0; i < n; ++i) {
        const uint32_t v = p[i]; // textures are little-endian, as are the hosts
        p[i] = (v & 0xFF00FF00u) | (v >> 16 & 0xFFu) | (v & 0xFFu) << 16;
    }
}

struct PngPicture {
    spng_ctx* ctx = nullptr;
    unsigned width = 0;
    unsigned height = 0;
    int format = KES_FMT_A8R8G8B8;
    bool interlaced = false;
    bool direct = false; // 8-bit RGB or RGBA, not interlaced: KesPngRows
    kes::PngRowsLayout rows = {};
    const Byte* data = nullptr;
    size_t size = 0;

    PngPicture() = default;
    ~PngPicture() { spng_ctx_free(ctx); }
    PngPicture(const PngPicture&) = delete;
    PngPicture& operator=(const PngPicture&) = delete;

    static const char* Loader() { return "LoadPNG"; }
    static const char* Kind() { return "a PNG picture"; }

    bool Parse(const Byte* d, size_t n, kes::Reason* why, bool* otherKind)
    {
        *otherKind = n < 4 || memcmp(d, "\x89PNG", 4) != 0;
        if (*otherKind) return false;
        if (n < 8 || memcmp(d + 4, "\r\n\x1A\n", 4) != 0) {
            // The line-end bytes are there to catch a copy made as text.
            kes::Why(why, n < 8 ? "the signature is cut short at %zu bytes"
                                : "the signature's line-end bytes are changed (copied as text?); %zu bytes",
                     n);
            return false;
        }
        ctx = spng_ctx_new(0);
        if (!ctx) {
            kes::Why(why, "no memory for the decoder");
            return false;
        }
        spng_set_chunk_limits(ctx, n, kChunkCache);
        spng_set_png_buffer(ctx, d, n);
        spng_ihdr ihdr;
        if (const int err = spng_get_ihdr(ctx, &ihdr)) {
            kes::Why(why, "the header: %s", spng_strerror(err));
            return false;
        }
        width = ihdr.width;
        height = ihdr.height;
        interlaced = ihdr.interlace_method != 0;
        // Reading the colour key reads, and checks, every chunk before the rows.
        spng_trns trns;
        const int trnsErr = spng_get_trns(ctx, &trns);
        if (trnsErr && trnsErr != SPNG_ECHUNKAVAIL) {
            kes::Why(why, "the chunks before its rows: %s", spng_strerror(trnsErr));
            return false;
        }
        direct = ihdr.bit_depth == 8 && (ihdr.color_type == 2 || ihdr.color_type == 6) && !interlaced;
        rows = kes::PngRowsLayout{width, height, ihdr.color_type == 2 ? 3u : 4u, false, {0, 0, 0}};
        if (!trnsErr && ihdr.color_type == 2 && trns.red < 256 && trns.green < 256 && trns.blue < 256) {
            rows.keyed = true;
            rows.key[0] = uint8_t(trns.red);
            rows.key[1] = uint8_t(trns.green);
            rows.key[2] = uint8_t(trns.blue);
        }
        data = d;
        size = n;

        // Every row is stored with its filter byte; interlaced pictures store
        // a little more, so this is the least any layout needs.
        static const unsigned kSamples[7] = {1, 0, 3, 1, 2, 0, 4};
        const uint64_t rowBits = uint64_t(width) * kSamples[ihdr.color_type] * ihdr.bit_depth;
        const uint64_t rowBytes = 1 + (rowBits + 7) / 8;
        const uint64_t compressed = kes::PngCompressedRowBytes(d, n);
        const uint64_t most = compressed * kDeflateMostRatio + kDeflateSlack;
        if (height > most / rowBytes) {
            kes::Why(why,
                     "%u x %u pixels take %llu bytes of rows; its %llu compressed bytes inflate to %llu at the most",
                     width, height, (unsigned long long)(rowBytes * height), (unsigned long long)compressed,
                     (unsigned long long)most);
            return false;
        }
        return true;
    }

    bool Decode(Byte* bits, int pitch, kes::Reason* why)
    {
        if (direct) return kes::PngDecodeRows(data, size, rows, bits, pitch, why);
        const size_t rowLength = size_t(width) * 4;
        int err = spng_decode_image(ctx, nullptr, 0, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE);
        if (err) {
            kes::Why(why, "the chunks before its rows: %s", spng_strerror(err));
            return false;
        }
        spng_row_info info = {};
        while (!err) {
            err = spng_get_row_info(ctx, &info);
            if (err) break;
            if (info.row_num >= height) {
                kes::Why(why, "the decoder went past the last row");
                return false;
            }
            Byte* row = bits + ptrdiff_t(info.row_num) * pitch;
            // An interlaced pass writes only its own pixels of the row.
            err = spng_decode_row(ctx, row, rowLength);
            if (!interlaced && (err == 0 || err == SPNG_EOI)) RgbaToArgb(row, width);
        }
        if (err != SPNG_EOI) {
            if (interlaced)
                kes::Why(why, "pass %d, row %u of %u: %s", info.pass + 1, info.row_num, height, spng_strerror(err));
            else
                kes::Why(why, "row %u of %u: %s", info.row_num, height, spng_strerror(err));
            return false;
        }
        if (interlaced)
            for (unsigned y = 0; y < height; ++y) RgbaToArgb(bits + ptrdiff_t(y) * pitch, width);
        return true;
    }
};

} // namespace

MImage* MApp::LoadPNG(const char* fname)
{
    return kes::LoadPicture<PngPicture>(this, fname);
}
