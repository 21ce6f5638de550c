// A WAS file decoded without a device, for the sprite tool: the header,
// and for every slot its frame header and pixels as the engine shows them.
#ifndef KESTO_TOOLS_WAS_SPRITEREADER_H
#define KESTO_TOOLS_WAS_SPRITEREADER_H

#include <KesWas.h>

#include <string>
#include <vector>

namespace kes::was::tool {

struct SlotView {
    FrameStatus status = FrameStatus::Absent;
    uint32_t entry = 0;   // the frame table's entry
    Frame frame = {};     // valid unless Absent or HeaderOutside
    bool damaged = false; // a row's code leaves the file (status is Ok)
    RowFault fault = {};
    bool doubled = false; // shown at doubled rows by the interlace rule
    std::vector<uint32_t> pixels; // width x height 0xAARRGGBB when decoded
};

struct SpriteView {
    uint64_t size = 0;
    HeaderStatus status = HeaderStatus::TooShort;
    Header header = {};
    unsigned short palette[kPaletteColours] = {};
    std::vector<SlotView> slots; // groups x frames when the header is Ok

    bool Decoded(const SlotView& s) const { return s.status == FrameStatus::Ok && !s.damaged; }
};

// Decodes `bytes` as the engine's loader does. With `applyInterlace` false
// the frames are left as stored (no row doubling).
SpriteView ViewSprite(const std::string& bytes, bool applyInterlace);

// A sentence for each kind of problem.
const char* Describe(HeaderStatus status);
const char* Describe(FrameStatus status);

} // namespace kes::was::tool

#endif
