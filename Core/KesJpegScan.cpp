// The JPEG decoder's MCU loops: a file's scan (restart intervals
// honoured) and a tile's scan (one stream, or row slices), decoded into a
// locked R5G6B5 surface; and JpegDecodeToSurface, the tile driver.
//
// The stores write whole MCUs. An MCU that sticks out past the right or
// bottom edge of the picture is stored into a scratch MCU first and only
// its part inside the picture is copied, so nothing outside the picture's
// width x height pixels of the surface is ever written.
#include "KesJpeg.h"
#include "KesJpegEntropy.h"

#include <string.h>

namespace {

using namespace kes::jpeg;

struct ScanContext {
    const JpegLayout& layout;
    uint8_t* pixels;
    ptrdiff_t pitch;
    const JpegBlockRoutines* routines;
    void (*store)(uint8_t* dst, int pitch, const int16_t (*blocks)[64]);
    // The MCU's blocks in scan order (T.81 A.2.3): the luma blocks left to
    // right, top to bottom, then Cb, then Cr (tables checked present by
    // JpegChooseLayout).
    BlockPlan plan[6];
    int blocks;

    ScanContext(const JpegLayout& l, uint8_t* px, int p) : layout(l), pixels(px), pitch(p), routines(g_jpegRoutines)
    {
        store = l.mode == JPEG_MODE_GREY  ? routines->storeGrey
                : l.mode == JPEG_MODE_444 ? routines->store444
                                          : routines->store420;
        static const int kGrey[] = {JPEG_Y0}, k444[] = {JPEG_Y0, JPEG_CB, JPEG_CR},
                         k420[] = {JPEG_Y0, JPEG_Y1, JPEG_Y2, JPEG_Y3, JPEG_CB, JPEG_CR};
        const int* which = l.mode == JPEG_MODE_GREY ? kGrey : l.mode == JPEG_MODE_444 ? k444 : k420;
        blocks = l.mode == JPEG_MODE_GREY ? 1 : l.mode == JPEG_MODE_444 ? 3 : 6;
        for (int i = 0; i < blocks; ++i) {
            const int c = which[i] >= JPEG_CB ? which[i] - JPEG_CB + 1 : 0;
            const JpegComponent& comp = g_jpeg.components[c];
            plan[i] = BlockPlan{g_jpeg.blocks[which[i]], g_jpeg.quantTables[comp.quant],
                                &g_jpeg.huffSlots[comp.dcSlot], &g_jpeg.huffSlots[comp.acSlot], c};
        }
    }

    void Idct(int which) { routines->idct(g_jpeg.blocks[which]); }
    void IdctPair(int a, int b) { routines->idctPair(g_jpeg.blocks[a], g_jpeg.blocks[b]); }

    // One MCU: its blocks decoded, then transformed two at a time where
    // there are two.
    template <class Huff>
    KES_JPEG_ALWAYS_INLINE void Mcu(JpegBits& b, int16_t* pred)
    {
        DecodeMcuCoefficients<Huff>(b, plan, blocks, pred);
        switch (layout.mode) {
        case JPEG_MODE_GREY: Idct(JPEG_Y0); break;
        case JPEG_MODE_444:
            Idct(JPEG_Y0);
            IdctPair(JPEG_CB, JPEG_CR);
            break;
        default:
            IdctPair(JPEG_Y0, JPEG_Y1);
            IdctPair(JPEG_Y2, JPEG_Y3);
            IdctPair(JPEG_CB, JPEG_CR);
            break;
        }
    }

    void Store(unsigned col, unsigned row)
    {
        const unsigned m = unsigned(layout.mcuSize);
        const unsigned x0 = col * m, y0 = row * m;
        uint8_t* dst = pixels + ptrdiff_t(y0) * pitch + ptrdiff_t(x0) * 2;
        if (x0 + m <= layout.width && y0 + m <= layout.height) {
            store(dst, int(pitch), g_jpeg.blocks);
            return;
        }
        alignas(16) uint8_t scratch[16 * 16 * 2];
        store(scratch, 32, g_jpeg.blocks);
        const unsigned w = layout.width - x0 < m ? layout.width - x0 : m;
        const unsigned h = layout.height - y0 < m ? layout.height - y0 : m;
        for (unsigned r = 0; r < h; ++r) memcpy(dst + ptrdiff_t(r) * pitch, scratch + r * 32, w * 2);
    }
};

template <class Huff>
KES_JPEG_ALWAYS_INLINE void DecodeFileScan(const uint8_t* scan, size_t size, const JpegLayout& layout,
                                           uint8_t* pixels, int pitch)
{
    ScanContext ctx(layout, pixels, pitch);
    JpegBits b;
    JpegBitsStart(b, scan, size, 0);
    int16_t pred[3] = {0, 0, 0};
    const unsigned interval = g_jpeg.restartInterval;
    unsigned count = 0;
    for (unsigned row = 0; row < layout.rows; ++row) {
        for (unsigned col = 0; col < layout.cols; ++col) {
            if (interval && count == interval) {
                // The interval's data ends at a byte boundary (padded with
                // 1 bits); its RSTn marker, of which compaction left the FF,
                // comes next. Resume after that FF with fresh predictors.
                const uint64_t used = (b.Position() + 7) / 8;
                size_t k = used < size ? size_t(used) : size;
                while (k < size && scan[k] != 0xFF) ++k;
                JpegBitsStart(b, scan, size, uint64_t(k < size ? k + 1 : size) * 8);
                pred[0] = pred[1] = pred[2] = 0;
                count = 0;
            }
            ctx.Mcu<Huff>(b, pred);
            ctx.Store(col, row);
            ++count;
        }
    }
    g_jpeg.bits = b;
    memcpy(g_jpeg.dcPred, pred, sizeof pred);
}

template <class Huff>
KES_JPEG_ALWAYS_INLINE void DecodeTile(const uint8_t* scan, size_t size, bool rowSliced, const JpegLayout& layout,
                                       uint8_t* pixels, int pitch)
{
    ScanContext ctx(layout, pixels, pitch);
    JpegBits b;
    int16_t pred[3] = {0, 0, 0};
    uint64_t header = 0; // offset of the next row slice
    if (!rowSliced) JpegBitsStart(b, scan, size, 0);
    for (unsigned row = 0; row < layout.rows; ++row) {
        if (rowSliced) {
            // Predictors (little-endian) and the bits to skip; like the bits,
            // a header past the end of the data reads as zeros.
            uint8_t h[7];
            for (int i = 0; i < 7; ++i) h[i] = header + unsigned(i) < size ? scan[header + unsigned(i)] : 0;
            for (int c = 0; c < 3; ++c) pred[c] = int16_t(uint16_t(h[2 * c] | h[2 * c + 1] << 8));
            JpegBitsStart(b, scan, size, (header + 7) * 8 + h[6]);
        }
        for (unsigned col = 0; col < layout.cols; ++col) {
            ctx.Mcu<Huff>(b, pred);
            ctx.Store(col, row);
        }
        // The next slice starts at the first byte none of whose bits were used.
        if (rowSliced) header = (b.Position() + 7) / 8;
    }
    g_jpeg.bits = b;
    memcpy(g_jpeg.dcPred, pred, sizeof pred);
}

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define KES_JPEG_SCAN_BMI2 1

// The same loops compiled for BMI2, whose shifts by a register (shlx, shrx)
// leave the flags alone: a cycle off the bit reader's chain from one code to
// the next. The loops and what decodes a block are always inlined, so each
// entry point has its own copy, compiled for its instruction set.
__attribute__((target("bmi2"))) void DecodeFileScanBmi2(const uint8_t* scan, size_t size, const JpegLayout& layout,
                                                        uint8_t* pixels, int pitch)
{
    DecodeFileScan<LookaheadDecoder>(scan, size, layout, pixels, pitch);
}

__attribute__((target("bmi2"))) void DecodeTileBmi2(const uint8_t* scan, size_t size, bool rowSliced,
                                                    const JpegLayout& layout, uint8_t* pixels, int pitch)
{
    DecodeTile<LookaheadDecoder>(scan, size, rowSliced, layout, pixels, pitch);
}
#endif

} // namespace

void JpegDecodeScan(const uint8_t* scan, size_t size, const JpegLayout& layout, uint8_t* pixels, int pitch)
{
    if (JpegCodeSearchInUse())
        DecodeFileScan<SearchDecoder>(scan, size, layout, pixels, pitch);
#if defined(KES_JPEG_SCAN_BMI2)
    else if (g_jpegRoutines->bmi2Scan)
        DecodeFileScanBmi2(scan, size, layout, pixels, pitch);
#endif
    else
        DecodeFileScan<LookaheadDecoder>(scan, size, layout, pixels, pitch);
}

void JpegDecodeTileScan(const uint8_t* scan, size_t size, bool rowSliced, const JpegLayout& layout,
                        uint8_t* pixels, int pitch)
{
    if (JpegCodeSearchInUse())
        DecodeTile<SearchDecoder>(scan, size, rowSliced, layout, pixels, pitch);
#if defined(KES_JPEG_SCAN_BMI2)
    else if (g_jpegRoutines->bmi2Scan)
        DecodeTileBmi2(scan, size, rowSliced, layout, pixels, pitch);
#endif
    else
        DecodeTile<LookaheadDecoder>(scan, size, rowSliced, layout, pixels, pitch);
}

int JpegDecodeToSurface(const uint8_t* jpegdata, size_t size, uint8_t* pixels, int pitch, const uint8_t* rowData,
                        size_t rowDataSize, int width, int height, kes::Reason* why)
{
    if (!jpegdata || !pixels) return 0;
    if (size < 2 || jpegdata[0] != 0xFF || jpegdata[1] != 0xD8) {
        kes::Why(why, "no start-of-picture marker (FF D8)");
        return 0;
    }
    JpegInitTables();
    JpegResetState();
    size_t scan = 0;
    if (!JpegReadMarkers(jpegdata, size, &scan, why)) {
        JpegFreeTables();
        return 0;
    }
    // The caller's size decides the grid; 0 takes the frame's.
    if (width == 0) width = g_jpeg.width;
    if (height == 0) height = g_jpeg.height;
    JpegLayout layout;
    if (width < 0 || height < 0 || !JpegChooseLayout(unsigned(width), unsigned(height), &layout, why)) {
        JpegFreeTables();
        return 0;
    }
    // Tiles are 4:2:0 without restarts; anything else is left undecoded,
    // black (a new texture holds whatever its memory held).
    if (g_jpeg.restartInterval == 0 && layout.mode == JPEG_MODE_420) {
        if (rowData)
            JpegDecodeTileScan(rowData, rowDataSize, true, layout, pixels, pitch);
        else
            JpegDecodeTileScan(jpegdata + scan, size - scan, false, layout, pixels, pitch);
    } else {
        for (unsigned y = 0; y < layout.height; ++y) memset(pixels + ptrdiff_t(y) * pitch, 0, size_t(layout.width) * 2);
    }
    JpegFreeTables();
    return 1;
}
