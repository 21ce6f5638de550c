// MApp::LoadWas: WAS sprite animations, one A8R8G8B8 texture image per frame.
#include <KesApp.h>
#include <KesFile.h>
#include <KesImage.h>

#include "KesD3D9.h"
#include "KesWas.h"
#include "KesWasFaults.h"

#include <stdint.h>

#include <vector>

#define KES_LOADWAS_SOURCE L"Core/KesLoadWas"

using namespace kes::was;

namespace {

// The decoder writes whole 32-bit words; a store that hands out a pitch too
// narrow for the frame or unaligned rows is treated like a failed lock.
bool CanWrite(const unsigned char* bits, int pitch, int width)
{
    return pitch >= 0 && size_t(pitch) >= size_t(width) * 4 && (uintptr_t(bits) & 3) == 0 && (pitch & 3) == 0;
}

// A frame body already decoded for an earlier slot. Slots that point at the
// same body share its image (the volume holds a reference per slot), unless
// the interlace rule treats them differently: the image was doubled or not,
// and a later slot would be doubled only while the rule still holds.
struct DecodedBody {
    uint64_t offset;
    bool paletteOnOddRow;
    bool doubled;
    MImage* image; // null: the body is damaged
};

const DecodedBody* FindBody(const std::vector<DecodedBody>& bodies, uint64_t offset, int interlace)
{
    for (const DecodedBody& b : bodies) {
        if (b.offset != offset) continue;
        const bool wouldDouble = !b.paletteOnOddRow && interlace;
        if (!b.image || b.doubled == wouldDouble) return &b;
    }
    return nullptr;
}

} // namespace

MImageVolume* MApp::LoadWas(const char* fname)
{
    KES_CHECK(fname, KES_LOADWAS_SOURCE);
    if (!fname) return 0;

    const DWORD id = WString2ID(fname);
    if (MImageVolume* cached = FindImageVolumeCache(id)) return cached->Ref();

    MFile file;
    if (!file.Load(fname, 0)) return 0;
    const unsigned char* const data = static_cast<const unsigned char*>(file.GetPtr(0));
    const uint64_t size = file.GetSize();

    // A header, palette or frame table that does not fit the file leaves
    // nothing to decode.
    Header header;
    const HeaderStatus status = ReadHeader(data, size, &header);
    if (status != HeaderStatus::Ok) {
        ReportHeaderFault(fname, data, size, status);
        return 0;
    }

    unsigned short colours[kPaletteColours];
    ReadPalette(data, header, colours);
    MAPalette palette;
    palette.ReCreate(kPaletteColours, colours);
    // Expanded once: the rows index a ready pixel word per palette entry.
    uint32_t argb[kPaletteColours];
    for (int i = 0; i < kPaletteColours; ++i) argb[i] = palette.GetColor(i);
    PixelTable table;
    MakePixelTable(argb, &table);

    // A grid below 1 x 1 raises the volume's own check and stays empty.
    MImageVolume* miv = new MImageVolume(header.groups, header.frames);
    miv->m_keyX = header.keyX;
    miv->m_keyY = header.keyY;
    miv->m_width = header.width;
    miv->m_height = header.height;

    // Set once per file: after any frame puts a palette pixel on an odd row,
    // no later frame of the file is doubled.
    int interlace = 1;
    std::vector<DecodedBody> bodies;
    uint64_t pixels = 0;
    const uint64_t budget = PixelBudget(size);
    LeftOut leftOut(header);
    for (int i = 0; i < miv->m_total; ++i) {
        Frame frame;
        const FrameStatus frameStatus = ReadFrame(data, size, header, i, &frame);
        if (frameStatus != FrameStatus::Ok) {
            // Absent and empty frames are part of a sprite's design.
            if (frameStatus != FrameStatus::Absent && frameStatus != FrameStatus::NotPositive)
                leftOut.AddFrameFault(i, data, size, frameStatus);
            continue;
        }
        if (const DecodedBody* body = FindBody(bodies, frame.offset, interlace)) {
            if (body->image) miv->m_images[i] = body->image->Ref();
            continue;
        }
        const uint64_t framePixels = uint64_t(frame.width) * uint64_t(frame.height);
        if (pixels + framePixels > budget) {
            leftOut.Add(i, frame.offset, "%d x %d pixels, past the %llu pixels a file of %llu bytes may hold",
                        frame.width, frame.height, (unsigned long long)budget, (unsigned long long)size);
            continue;
        }
        pixels += framePixels;

        MImage* img = m_pRender->CreateTextureImage(unsigned(frame.width), unsigned(frame.height), KES_FMT_A8R8G8B8);
        miv->m_images[i] = img;
        img->m_keyX = frame.keyX;
        img->m_keyY = frame.keyY;

        unsigned char* bits;
        int pitch = 0;
        if (!img->Lock(&bits, &pitch)) {
            leftOut.Add(i, frame.offset, "its texture cannot be written");
            continue;
        }
        if (!CanWrite(bits, pitch, frame.width)) {
            leftOut.Add(i, frame.offset, "its texture cannot be written");
            img->Unlock();
            continue;
        }
        bool paletteOnOddRow = false;
        RowFault fault = {};
        if (!DecodeFrame(data, size, frame, table, bits, size_t(pitch), &paletteOnOddRow, &fault)) {
            leftOut.Add(i, frame.offset, "row %d's code runs past the file's end at byte %llu", fault.row,
                        (unsigned long long)fault.position);
            // A frame whose rows leave the file is damaged as a whole; its
            // rows so far do not count for the interlace rule either.
            img->Unlock();
            miv->m_images[i] = 0;
            img->Release();
            bodies.push_back(DecodedBody{frame.offset, false, false, nullptr});
            continue;
        }
        if (paletteOnOddRow) interlace = 0;
        if (interlace) DoubleEvenRows(bits, size_t(pitch), frame.height);
        img->Unlock();
        bodies.push_back(DecodedBody{frame.offset, paletteOnOddRow, interlace != 0, img});
    }

    leftOut.Report(fname, miv->m_total);

    miv->m_id = id;
    KES_CHECK(miv && miv->m_id, KES_LOADWAS_SOURCE);
    // An entry under id 0 would outlive its volume: Close and the destructor
    // only unregister volumes with an id.
    if (miv->m_id) m_volumeCache.Insert(miv->m_id, miv);
    return miv;
}
