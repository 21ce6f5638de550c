// Device-free decoding of WAS files for the sprite tool.
#include "SpriteReader.h"

#include <KesUtility.h>

namespace kes::was::tool {

SpriteView ViewSprite(const std::string& bytes, bool applyInterlace)
{
    SpriteView view;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    view.size = bytes.size();
    view.status = ReadHeader(data, view.size, &view.header);
    if (view.status != HeaderStatus::Ok) return view;
    ReadPalette(data, view.header, view.palette);

    // The engine's expansion, through its own palette type.
    MAPalette palette(kPaletteColours, view.palette);
    uint32_t argb[kPaletteColours];
    for (int i = 0; i < kPaletteColours; ++i) argb[i] = palette.GetColor(i);
    PixelTable table;
    MakePixelTable(argb, &table);

    const int total = view.header.groups > 0 && view.header.frames > 0 ? view.header.groups * view.header.frames : 0;
    view.slots.resize(size_t(total));
    bool interlace = true;
    for (int i = 0; i < total; ++i) {
        SlotView& s = view.slots[size_t(i)];
        s.entry = ReadU32(data + view.header.frameTable + 4 * uint64_t(i));
        s.status = ReadFrame(data, view.size, view.header, i, &s.frame);
        if (s.status == FrameStatus::NotPositive || s.status == FrameStatus::TooLarge ||
            s.status == FrameStatus::RowTableOutside) {
            // Show what the header says even though the frame is refused.
            const uint64_t f = view.header.palette + s.entry;
            s.frame.offset = f;
            s.frame.keyX = int32_t(ReadU32(data + f));
            s.frame.keyY = int32_t(ReadU32(data + f + 4));
            s.frame.width = int32_t(ReadU32(data + f + 8));
            s.frame.height = int32_t(ReadU32(data + f + 12));
        }
        if (s.status != FrameStatus::Ok) continue;
        const size_t w = size_t(s.frame.width), hgt = size_t(s.frame.height);
        s.pixels.assign(w * hgt, 0);
        bool odd = false;
        if (!DecodeFrame(data, view.size, s.frame, table, reinterpret_cast<unsigned char*>(s.pixels.data()), w * 4,
                         &odd, &s.fault)) {
            s.damaged = true;
            s.pixels.clear();
            continue;
        }
        if (odd) interlace = false;
        s.doubled = interlace && s.frame.height > 1;
        if (s.doubled && applyInterlace)
            DoubleEvenRows(reinterpret_cast<unsigned char*>(s.pixels.data()), w * 4, s.frame.height);
    }
    return view;
}

const char* Describe(HeaderStatus status)
{
    switch (status) {
    case HeaderStatus::Ok: return "ok";
    case HeaderStatus::TooShort: return "too short for a sprite header";
    case HeaderStatus::BadMagic: return "not a WAS sprite (no \"SP\" at the start)";
    case HeaderStatus::PaletteOutside: return "the palette lies outside the file";
    case HeaderStatus::TableOutside: return "the frame offset table runs past the end of the file";
    }
    return "?";
}

const char* Describe(FrameStatus status)
{
    switch (status) {
    case FrameStatus::Ok: return "ok";
    case FrameStatus::Absent: return "absent";
    case FrameStatus::NotPositive: return "empty (width or height not positive)";
    case FrameStatus::TooLarge: return "too large to be a frame";
    case FrameStatus::HeaderOutside: return "its header lies past the end of the file";
    case FrameStatus::RowTableOutside: return "its row offset table runs past the end of the file";
    }
    return "?";
}

} // namespace kes::was::tool
