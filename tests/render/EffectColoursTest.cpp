// The effect program four texels at a time (EffectColours) against the
// program itself (EffectPixel), over every input the software device gives
// it: texel colours are bytes, and the engine's constants are bytes too,
// (b − 1) / 254. Each comparison is of the stored bytes, exactly.
#include "d3d9/effect/EffectColours.h"
#include "d3d9/effect/EffectProgram.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kes::test {
namespace {

using d3d9::EffectConstants;
using d3d9::Float4;

float EngineByte(int b)
{
    return float(b - 1) / 254.0f;
}

uint32_t StoredByte(float x)
{
    const float s = x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f;
    return uint32_t(s * 255.0f + 0.5f);
}

// What the device stores for one texel colour: EffectPixel, then bytes.
uint32_t Reference(const EffectConstants& k, uint32_t rgb)
{
    const Float4 o = d3d9::EffectPixel(k, Float4{float((rgb >> 16) & 255) / 255.0f, float((rgb >> 8) & 255) / 255.0f,
                                                 float(rgb & 255) / 255.0f, 1.0f});
    return StoredByte(o.r) << 16 | StoredByte(o.g) << 8 | StoredByte(o.b);
}

// Compares a list of colours (alpha bytes set to junk: they must not matter).
void ExpectSame(const EffectConstants& k, const std::vector<uint32_t>& colours, const std::string& what)
{
    ASSERT_TRUE(d3d9::EffectColoursHandles(k)) << what;
    std::vector<uint32_t> got(colours.size());
    d3d9::EffectColours(k, colours.data(), got.data(), int(colours.size()));
    for (size_t i = 0; i < colours.size(); ++i)
        ASSERT_EQ(got[i], Reference(k, colours[i] & 0xFFFFFFu))
            << what << ": colour " << std::hex << (colours[i] & 0xFFFFFFu) << std::dec;
}

EffectConstants Constants(int function, int blend, int r, int g, int b, int hue)
{
    EffectConstants k;
    k.function = function;
    k.blend = blend;
    k.color = Float4{EngineByte(r), EngineByte(g), EngineByte(b), EngineByte(hue)};
    return k;
}

// Forty levels of each channel, with the ends, the middle and neighbours,
// so that every tie between channels (the program's branches) comes up.
std::vector<uint32_t> LevelColours()
{
    std::vector<int> levels = {0, 1, 2, 3, 127, 128, 129, 253, 254, 255};
    for (int v = 9; levels.size() < 40; v += 8) levels.push_back(v);
    std::vector<uint32_t> out;
    for (const int r : levels)
        for (const int g : levels)
            for (const int b : levels) out.push_back(uint32_t(r * 7 + g) << 24 | uint32_t(r << 16 | g << 8 | b));
    return out;
}

TEST(EffectColours, EveryColourUnderAHueTurnGivesTheProgramsBytes)
{
    // The sprite benchmark's hue: hue byte 160, neutral tint, every 24-bit colour.
    std::vector<uint32_t> colours(1 << 24);
    for (uint32_t c = 0; c < colours.size(); ++c) colours[c] = c | (c * 0x9E3779B9u & 0xFF000000u);
    ExpectSame(Constants(1, 14, 128, 128, 128, 160), colours, "function 1, hue 160");
}

TEST(EffectColours, EveryHueAndTintExtremeGivesTheProgramsBytes)
{
    const std::vector<uint32_t> colours = LevelColours();
    for (int hue = 0; hue < 256; ++hue) {
        ExpectSame(Constants(1, 14, 200, 90, 128, hue), colours, "function 1, tint, hue " + std::to_string(hue));
        if (HasFatalFailure()) return;
    }
    // Tints from a negative channel (byte 0) to a doubled one (255).
    for (const int tint : {0, 1, 64, 255})
        for (const int hue : {0, 1, 128, 200, 255}) {
            ExpectSame(Constants(1, 14, tint, 255 - tint, 128, hue), colours,
                       "function 1, tint " + std::to_string(tint) + ", hue " + std::to_string(hue));
            if (HasFatalFailure()) return;
        }
}

TEST(EffectColours, EveryLevelWithTintAndHueGivesTheProgramsBytes)
{
    const std::vector<uint32_t> colours = LevelColours();
    for (int blend = 0; blend <= 21; ++blend)
        for (const int hue : {40, 128}) {
            ExpectSame(Constants(3, blend, 150, 128, 60, hue), colours,
                       "function 3, level " + std::to_string(blend) + ", hue " + std::to_string(hue));
            if (HasFatalFailure()) return;
        }
    ExpectSame(Constants(2, 0, 0, 0, 0, 0), colours, "function 2, grey level");
}

TEST(EffectColours, HandlesOnlyConstantsWhoseHueOneWrapBringsBack)
{
    EXPECT_TRUE(d3d9::EffectColoursHandles(Constants(1, 14, 128, 128, 128, 0)));
    EXPECT_TRUE(d3d9::EffectColoursHandles(Constants(2, 0, 0, 0, 0, 0)));
    EXPECT_FALSE(d3d9::EffectColoursHandles(Constants(2, 10, 0, 0, 0, 0))); // channels apart: tables
    EXPECT_FALSE(d3d9::EffectColoursHandles(Constants(0, 14, 0, 0, 0, 0)));
    EXPECT_FALSE(d3d9::EffectColoursHandles(Constants(4, 14, 0, 0, 0, 0)));
    EffectConstants k = Constants(1, 14, 128, 128, 128, 128);
    k.color.a = 2.0f;
    EXPECT_FALSE(d3d9::EffectColoursHandles(k));
    k.color.a = 0.5f;
    k.color.g = 1.0f / 0.0f;
    EXPECT_FALSE(d3d9::EffectColoursHandles(k));
}

} // namespace
} // namespace kes::test
