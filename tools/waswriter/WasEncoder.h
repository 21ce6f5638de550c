// Writing WAS sprites: the encoder of the sprite tool and of the tests'
// fixtures.
//
// Two levels. WriteSprite lays out a file from frames whose rows are already
// run-length code (the tests use it to state exact opcodes, and to build
// damaged files). EncodeSprite codes 32-bit pictures: it builds the shared
// 256-colour 5-6-5 palette (quantising when the pictures hold more colours),
// maps alpha to the format's levels and codes every row.
#ifndef KESTO_TOOLS_WASENCODER_H
#define KESTO_TOOLS_WASENCODER_H

#include <KesWas.h>

#include <optional>
#include <stdint.h>
#include <string>
#include <vector>

namespace kes::was {

// ---- layout ----------------------------------------------------------------------

struct CodedFrame {
    int32_t keyX = 0, keyY = 0;
    int32_t width = 0, height = 0;
    // One row code per entry of the row offset table; normally `height` of
    // them (a different count writes a frame whose header disagrees).
    std::vector<std::string> rows;
};

struct CodedSprite {
    int16_t groups = 1, frames = 1;
    int16_t width = 0, height = 0;
    int16_t keyX = 0, keyY = 0;
    std::string extraHeader;                // bytes after the standard 12; L = 12 + their count
    uint16_t palette[kPaletteColours] = {}; // 5-6-5
    std::vector<std::optional<CodedFrame>> slots; // group-major; empty optional = absent frame
};

// The file's bytes: header, palette, frame table (groups x frames entries;
// slots beyond the vector are absent), then each frame's header, row table
// and row code. Frames that repeat a row code share its bytes.
std::string WriteSprite(const CodedSprite& sprite);

// ---- pictures --------------------------------------------------------------------

struct Picture {
    int width = 0, height = 0;
    int keyX = 0, keyY = 0;
    std::vector<uint32_t> argb; // 0xAARRGGBB, row-major, width x height
};

struct EncodeSettings {
    int groups = 1, frames = 1;
    int keyX = 0, keyY = 0;  // the animation's key point
    int width = -1, height = -1; // the animation's box; -1: the largest frame's
};

struct EncodeReport {
    int sourceColours = 0;  // distinct 5-6-5 colours of the visible pixels
    int paletteColours = 0; // palette entries in use
    bool quantised = false; // more than 256 source colours
    // Frames the engine will show at doubled rows (no palette pixel on an
    // odd row while no earlier frame had one), as "g<group>_f<frame>".
    std::vector<std::string> doubledFrames;
};

// Alpha is stored as a level of 8 steps or as opaque: 255 stays 255, other
// values go to the nearest of 0, 8 ... 248, 255; below 4 is transparent.
// Colours go to the nearest 5-6-5 colour (then to the nearest palette entry
// when quantised). `slots` holds groups x frames entries; null = absent.
// False with a message when the grid or a picture is unusable.
bool EncodeSprite(const std::vector<const Picture*>& slots, const EncodeSettings& settings, std::string* out,
                  std::string* error, EncodeReport* report = nullptr);

// "g<group>_f<frame>": how a slot is named in reports and in the sprite
// tool's PNG files.
std::string SlotName(int slot, int framesPerGroup);

// The 5-6-5 colour nearest to an 8-bit colour under the engine's expansion
// (each field's low bits refill the low bits).
uint16_t Nearest565(uint32_t rgb);

} // namespace kes::was

#endif
