// The pixel program reduced to byte tables, for the rasterizer's fast paths.
//
// For most of what the engine draws, the effect program treats red, green,
// blue and alpha each on its own: plain texturing with a fade (function 0),
// tint and darkening or brightening (functions 1 to 3) when the hue value is
// neutral, so that the hue rotation gives back its input. Then each output
// channel is a function of one input byte, and a 256-entry table per
// channel, filled from EffectPixel itself once per set of constants, gives
// it; where those tables are straight lines through 0 (tints and blend
// levels), their slopes serve instead, four pixels at a time. Text
// (functions 4 and 5 on A8 coverage) depends on the alpha byte only; lines
// and rectangles (function 6 and beyond) on nothing at all.
//
// Hue rotation and the grey level (blend 0) mix the channels, but still map
// a texel's colour to one output colour whatever its alpha: the program's
// four-lane form (EffectColours) computes them, and ColourMemo keeps the
// results for the colours met where constants lie outside that form's range.
// What is left (glow on colour textures, R5G6B5 textures under those
// effects) runs EffectPixel per pixel.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_EFFECTTABLES_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_EFFECTTABLES_H

#include "PixelPipeline.h"
#include "SpanKernels.h"

#include <cstdint>

namespace kes::d3d9 {

enum class TexelTransform {
    Flat,      // the output does not depend on the texel (or nothing is bound)
    Identity,  // the output is the texel
    FadeAlpha, // the texel with its alpha scaled: weights by alpha byte
    Channels,  // per-channel tables, alpha kept or faded
    Coverage,  // colour and weight from the alpha byte alone
    Recolour,  // colour from the whole texel colour (ColourMemo), alpha kept or faded
    PerPixel,  // EffectPixel for every pixel
};

TexelTransform ClassifyTexelTransform(const PixelStage& stage);

// Indexed by the texel's channel bytes, or for R5G6B5 textures by its 5-
// and 6-bit fields themselves: rounding those to bytes first would be
// amplified by a brightening tint beyond one step.
struct ChannelTables {
    uint32_t red[256];    // output red byte, already shifted to bits 16..23
    uint32_t green[256];  // bits 8..15
    uint32_t blue[256];   // bits 0..7
    uint16_t weight[256]; // blend weight of each alpha byte (SpanKernels' 15-bit fraction)
    bool alphaKept;       // the output alpha is the texel's alpha byte exactly
    // When each channel's table is a straight line through 0 (within one
    // step), its slope: SIMD multiplies instead of looking up.
    bool scalable;
    ChannelScale scale;
};

struct CoverageTables {
    uint32_t colour[256]; // output red, green, blue of each alpha byte
    uint16_t weight[256];
};

void BuildChannelTables(const EffectConstants& k, bool fields565, ChannelTables* out);
void BuildCoverageTables(const EffectConstants& k, CoverageTables* out);

// The program's output colour for texel colours, remembered per set of
// constants in a direct-mapped table: a colour met again costs a lookup.
class ColourMemo {
public:
    ColourMemo();
    // Forgets everything when the constants changed (bit for bit).
    void Use(const EffectConstants& k);
    // The output red, green and blue bytes (top byte 0) for a texel's
    // 0xAARRGGBB bytes; its alpha is not looked at.
    uint32_t Map(uint32_t argb)
    {
        const uint32_t rgb = argb & 0xFFFFFFu;
        const uint32_t slot = (rgb * 2654435761u) >> (32 - kSlotBits);
        if (m_keys[slot] == (rgb | kFilled)) return m_values[slot];
        return Fill(slot, rgb);
    }

private:
    uint32_t Fill(uint32_t slot, uint32_t rgb);

    static constexpr int kSlotBits = 12;
    static constexpr uint32_t kFilled = 0x01000000u;
    EffectConstants m_k;
    bool m_haveK = false;
    uint32_t m_keys[1 << kSlotBits];
    uint32_t m_values[1 << kSlotBits];
};

// The last few tables made, so that a run of draws with the same constants
// builds them once.
class EffectTableCache {
public:
    const ChannelTables& Channels(const EffectConstants& k, bool fields565);
    const CoverageTables& Coverage(const EffectConstants& k);

private:
    struct Key {
        int function, blend;
        bool fields565;
        float alpha;
        Float4 color;
        bool operator==(const Key& o) const;
    };
    static Key KeyOf(const EffectConstants& k, bool fields565);

    static constexpr int kEntries = 4;
    struct ChannelEntry {
        Key key;
        bool used = false;
        unsigned stamp = 0;
        ChannelTables tables;
    };
    struct CoverageEntry {
        Key key;
        bool used = false;
        unsigned stamp = 0;
        CoverageTables tables;
    };
    ChannelEntry m_channels[kEntries];
    CoverageEntry m_coverage[kEntries];
    unsigned m_clock = 0;
};

} // namespace kes::d3d9

#endif
