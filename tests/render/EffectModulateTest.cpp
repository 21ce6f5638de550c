// The effect program reduced to texel x constant: which constants reduce,
// and that the product draws what the whole program draws, for every byte
// of every channel of the texel and of the tint, at every blend level.
//
// Tolerance: one level of an eight-bit channel. The two differ only in float
// rounding (the hue round trip at a neutral hue, c + c·m against c·(1 + m)),
// which can move a value across a rounding boundary but never by a level;
// the GPU's own rounding comes on top in the device comparisons.
#include "d3d9/effect/EffectModulate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

using kes::d3d9::EffectAsModulation;
using kes::d3d9::EffectChangesColours;
using kes::d3d9::EffectConstants;
using kes::d3d9::EffectPixel;
using kes::d3d9::EffectTurnsHue;
using kes::d3d9::Float4;

// A channel as the render target stores it.
int Stored(float c)
{
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return int(std::lround(c * 255.0f));
}

// The largest difference between the program and the product over the 256
// texels (v, 255 - v, 37v, alpha v) as bytes.
int WorstDifference(const EffectConstants& k, const Float4& factor)
{
    int worst = 0;
    for (int v = 0; v < 256; ++v) {
        const Float4 t{v / 255.0f, (255 - v) / 255.0f, (v * 37 % 256) / 255.0f, v / 255.0f};
        const Float4 whole = EffectPixel(k, t);
        const Float4 product{t.r * factor.r, t.g * factor.g, t.b * factor.b, t.a * factor.a};
        for (const auto& [a, b] : {std::pair{whole.r, product.r}, std::pair{whole.g, product.g},
                                   std::pair{whole.b, product.b}, std::pair{whole.a, product.a}})
            worst = std::max(worst, std::abs(Stored(a) - Stored(b)));
    }
    return worst;
}

// The engine's colour bytes as the program receives them.
float FromByte(int b)
{
    return float(b - 1) / 254.0f;
}

TEST(EffectModulation, TheProductDrawsWhatTheProgramDraws)
{
    const float fades[] = {1.0f, 0.5f, 0.2f, 1.5f};
    const int blends[] = {-1, 0, 1, 5, 6, 9, 10, 13, 14, 15, 18, 21, 22, 100};
    for (int function = 0; function <= 3; ++function)
        for (int blend : blends)
            for (float fade : fades)
                // Every tint byte on each channel at once (the channels are
                // independent), with the hue byte neutral.
                for (int tint = 0; tint < 256; ++tint) {
                    EffectConstants k;
                    k.function = function;
                    k.blend = blend;
                    k.alpha = fade;
                    k.color = Float4{FromByte(tint), FromByte(255 - tint), FromByte(tint * 91 % 256), FromByte(128)};
                    Float4 factor;
                    const bool reduces = EffectAsModulation(k, &factor);
                    // The grey level mixes channels; everything else scales them.
                    EXPECT_EQ(reduces, !(function >= 2 && blend == 0))
                        << "function " << function << " blend " << blend;
                    if (!reduces) continue;
                    const int worst = WorstDifference(k, factor);
                    ASSERT_LE(worst, 1) << "function " << function << " blend " << blend << " fade " << fade
                                        << " tint " << tint;
                    if (function == 0 || function == 2) break; // the colour is not read
                }
}

TEST(EffectModulation, HueTurnsAndColourFunctionsDoNotReduce)
{
    const struct {
        const char* name;
        int function;
        float hue;
        bool turns;
    } cases[] = {
        {"tint, neutral hue", 1, 0.5f, false},  {"tint, hue byte 160", 1, FromByte(160), true},
        {"tint, hue byte 0", 1, FromByte(0), true}, {"blend and tint, hue 0.5 + 1/6", 3, 0.5f + 1.0f / 6, true},
        {"blend and tint, hue not a number", 3, std::nanf(""), true},
        {"blend without tint reads no hue", 2, 0.9f, false}, {"plain reads no hue", 0, 0.1f, false},
        {"silhouette", 4, 0.5f, false},         {"glow", 5, 0.5f, false},
        {"flat colour", 6, 0.5f, false},       {"unknown function", -3, 0.5f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EffectConstants k;
        k.function = c.function;
        k.blend = 10;
        k.color = Float4{0.5f, 0.25f, 1.0f, c.hue};
        EXPECT_EQ(EffectTurnsHue(k), c.turns);
        Float4 factor;
        const bool reduces = EffectAsModulation(k, &factor);
        EXPECT_EQ(reduces, c.function >= 0 && c.function <= 3 && !c.turns);
    }
}

TEST(EffectModulation, ColoursChangeWhereTheProgramDoesMoreThanFade)
{
    const struct {
        const char* name;
        int function, blend;
        Float4 color;
        bool changes;
    } cases[] = {
        {"plain", 0, 14, Float4{0.9f, 0.1f, 0.2f, 0.9f}, false},
        {"neutral tint and hue", 1, 14, Float4{FromByte(128), FromByte(128), FromByte(128), FromByte(128)}, false},
        {"neutral tint, level 14", 3, 14, Float4{0.5f, 0.5f, 0.5f, 0.5f}, false},
        {"level 3 leaves colours", 2, 3, Float4{}, false},
        {"a tint", 1, 14, Float4{0.6f, 0.5f, 0.5f, 0.5f}, true},
        {"a hue turn", 1, 14, Float4{0.5f, 0.5f, 0.5f, 0.6f}, true},
        {"a darker level", 2, 9, Float4{}, true},
        {"a brighter level", 2, 15, Float4{}, true},
        {"the grey level", 2, 0, Float4{}, true},
        {"silhouette", 4, 0, Float4{0.5f, 0.5f, 0.5f, 0.5f}, false},
        {"flat colour", 6, 0, Float4{0.5f, 0.5f, 0.5f, 0.5f}, false},
    };
    for (const auto& c : cases) {
        EffectConstants k;
        k.function = c.function;
        k.blend = c.blend;
        k.color = c.color;
        EXPECT_EQ(EffectChangesColours(k), c.changes) << c.name;
    }
}

} // namespace
