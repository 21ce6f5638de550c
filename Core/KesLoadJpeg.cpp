// MApp::LoadJPEG and MApp::LoadXYJPEG: the two drivers of the engine's JPEG
// decoder (KesJpeg.h), for files and for tiles held in memory.
//
// A file is read whole, its headers parsed, its scan compacted in place in
// the file buffer and decoded straight into the locked R5G6B5 texture; the
// image is cached by the id of the name. A tile is decoded from the
// caller's memory without a copy and is not cached.
//
// Sizes are held against the device's largest texture before one is made:
// a texture that cannot be made ends the process, and a damaged header must
// not be able to do that.
//
// Worst cases. A file: the texture (2 bytes a pixel, at most the device's
// largest texture) and a decode whose time follows the pixel count; a frame
// is refused unless its scan holds at least half the bits the shortest
// possible scan of that size needs, so the pixels a file can ask for grow
// with its size (at most 512 pixels per byte of scan: grey with 1-bit
// codes, 2 bits a block). A file cut short keeps loading as long as it keeps half of that
// shortest scan; real pictures need several times more. A tile: the
// caller's width and height (or the frame's) make the texture whatever the
// data, as the caller asked for it.
#include <KesApp.h>
#include <KesFile.h>
#include <KesImage.h>

#include "KesD3D9.h"
#include "KesJpeg.h"
#include "KesLooksLike.h"
#include "KesReport.h"

#include <stdint.h>

namespace {

MImage* LoadTile(MApp* app, unsigned char* jpegdata, int size, int width, int height, const unsigned char* rowData,
                 size_t rowDataSize)
{
    KES_CHECK(jpegdata, KES_JPEG_SOURCE);
    if (!jpegdata) return 0;
    const size_t bytes = size > 0 ? size_t(size) : 0;
    // Tiles have no name: the size tells a game's tiles apart well enough.
    if (width < 0 || height < 0) {
        kes::Report("LoadXYJPEG tile of %d bytes: a size of %d x %d", size, width, height);
        return 0;
    }
    if (width == 0 || height == 0) {
        // Both come from the frame then, even one that was given.
        if (!JpegFindSize(jpegdata, bytes, &width, &height)) {
            kes::Report("LoadXYJPEG tile of %d bytes: no frame header (SOF0) gives its size", size);
            return 0;
        }
    }
    if (!app->m_pRender->CanCreateTexture(unsigned(width), unsigned(height))) {
        kes::Report("LoadXYJPEG tile of %d bytes: %d x %d pixels, more than a texture holds", size, width, height);
        return 0;
    }

    MImage* img = app->m_pRender->CreateTextureImage(unsigned(width), unsigned(height), KES_FMT_R5G6B5);
    if (!img) return 0;
    unsigned char* pixels = 0;
    int pitch = 0;
    if (!img->Lock(&pixels, &pitch)) {
        img->Release();
        return 0;
    }
    kes::Reason why;
    const int ok = JpegDecodeToSurface(jpegdata, bytes, pixels, pitch, rowData, rowDataSize, width, height, &why);
    // The image comes back unlocked, ready to draw; a caller's own Unlock
    // afterwards finds nothing locked and does nothing.
    img->Unlock();
    if (!ok) {
        kes::Report("LoadXYJPEG tile of %d bytes: %s", size, why.text);
        // Headers the decoder refuses make no picture at all.
        img->Release();
        return 0;
    }
    return img;
}

} // namespace

MImage* MApp::LoadJPEG(const char* fname)
{
    KES_CHECK(fname, KES_JPEG_SOURCE);
    // Execution goes on after the report; without a name there is nothing to find.
    if (!fname) return 0;
    const DWORD id = WString2ID(fname);
    if (MImage* cached = FindImageCache(id)) {
        cached->Ref();
        return cached;
    }

    MFile file;
    if (!file.Load(fname, 0)) return 0;
    uint8_t* data = reinterpret_cast<uint8_t*>(file.m_Data);
    const size_t size = file.m_Size;
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) {
        char kind[kes::kLooksLikeText];
        kes::LooksLike(data, size, kind);
        kes::Report("LoadJPEG %s: not a JPEG picture; the file %s", fname, kind);
        return 0;
    }

    JpegInitTables();
    JpegResetState();
    size_t scan = 0;
    JpegLayout layout;
    kes::Reason why;
    if (!JpegReadMarkers(data, size, &scan, &why) || !JpegChooseLayout(g_jpeg.width, g_jpeg.height, &layout, &why)) {
        kes::Report("LoadJPEG %s: %s", fname, why.text);
        JpegFreeTables();
        return 0;
    }
    if (!m_pRender->CanCreateTexture(layout.width, layout.height)) {
        kes::Report("LoadJPEG %s: %u x %u pixels, more than a texture holds", fname, layout.width, layout.height);
        JpegFreeTables();
        return 0;
    }

    // Compacting works in the file buffer, so it can come before the texture:
    // a few hundred bytes that claim 16384 x 16384 pixels make none.
    const size_t scanSize = JpegCompactScan(data + scan, size - scan);
    const uint64_t leastBits = JpegShortestScanBits(layout);
    if (uint64_t(scanSize) * 8 * 2 < leastBits) {
        kes::Report("LoadJPEG %s: the scan at byte %zu is cut short: %zu bytes, where %u x %u pixels need at least "
                    "%llu",
                    fname, scan, scanSize, layout.width, layout.height, (unsigned long long)(leastBits + 7) / 8);
        JpegFreeTables();
        return 0;
    }
    MImage* img = m_pRender->CreateTextureImage(layout.width, layout.height, KES_FMT_R5G6B5);
    unsigned char* pixels = 0;
    int pitch = 0;
    if (!img || !img->Lock(&pixels, &pitch)) {
        kes::Report("LoadJPEG %s: its texture cannot be written", fname);
        if (img) img->Release();
        JpegFreeTables();
        return 0;
    }
    JpegDecodeScan(data + scan, scanSize, layout, pixels, pitch);
    img->Unlock();
    JpegFreeTables();

    img->m_id = id;
    InsertImageCache(img);
    return img;
}

MImage* MApp::LoadXYJPEG(unsigned char* jpegdata, int size, int width, int height, unsigned char* rowData)
{
    // Without the length of rowData the slices cannot be bounded: they are
    // trusted to cover the grid, with up to 8 readable bytes past the last
    // one used (the reader takes whole words). The headers and a scan that
    // follows them stay bounded by `size`.
    return LoadTile(this, jpegdata, size, width, height, rowData, SIZE_MAX);
}

MImage* MApp::LoadXYJPEG(unsigned char* jpegdata, int size, int width, int height, unsigned char* rowData,
                         int rowDataSize)
{
    return LoadTile(this, jpegdata, size, width, height, rowData,
                    rowData && rowDataSize > 0 ? size_t(rowDataSize) : 0);
}
