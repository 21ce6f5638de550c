// The effect program: each function of EffectPixel, the blend levels, the
// tint and the hue rotation; agreement with an independent double-precision
// version over random inputs; and the GLSL text compiling as desktop and ES
// shader.
//
// Tolerances. kTol (1e-6) is for results of a few float multiplications and
// additions on values of at most about 3.4: a handful of ulps. kHueTol (1e-5)
// is for anything that goes through the hue rotation, whose round trip
// (division, the shift scaled by 6, floor/frac) loses a few ulps of 6, about
// 5e-7 each, and whose val arguments such as 0.5 + 1/6 are themselves rounded.
// Both are far below an 8-bit step (1/255), yet tight enough to tell level
// 13's factor 1.00008 from 1, which a coarser 1/512 would not.
#include "d3d9/effect/EffectProgram.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <stdio.h>
#include <sys/wait.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <ostream>
#include <random>
#include <string>

namespace kes::d3d9 {
// For readable failure messages.
std::ostream& operator<<(std::ostream& os, const Float4& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}
} // namespace kes::d3d9

namespace {

using kes::d3d9::EffectBlend;
using kes::d3d9::EffectConstants;
using kes::d3d9::EffectPixel;
using kes::d3d9::EffectShiftHue;
using kes::d3d9::EffectTintAndShift;
using kes::d3d9::Float4;

constexpr double kTol = 1e-6;
constexpr double kHueTol = 1e-5;

constexpr float kSixth = 1.0f / 6.0f;
const Float4 kNeutral{0.5f, 0.5f, 0.5f, 0.5f}; // colour 0x80808080: no tint, no rotation

EffectConstants Consts(int function, Float4 color, float alpha = 1.0f, int blend = 8)
{
    EffectConstants k;
    k.function = function;
    k.color = color;
    k.alpha = alpha;
    k.blend = blend;
    return k;
}

void ExpectNear(const Float4& got, const Float4& want, double tol)
{
    EXPECT_NEAR(got.r, want.r, tol) << "red of " << got << ", want " << want;
    EXPECT_NEAR(got.g, want.g, tol) << "green of " << got << ", want " << want;
    EXPECT_NEAR(got.b, want.b, tol) << "blue of " << got << ", want " << want;
    EXPECT_NEAR(got.a, want.a, tol) << "alpha of " << got << ", want " << want;
}

Float4 Scaled(const Float4& c, float k)
{
    return Float4{c.r * k, c.g * k, c.b * k, c.a};
}

// ---- Image functions 0..3 -------------------------------------------------------------

TEST(EffectPixel, ImageFunctionsFadeAlphaOnlyBelowOne)
{
    // With neutral colour and the plain level every image function must give
    // the texel back, its alpha multiplied by g_alpha only when that is
    // below 1 (1.5 must not brighten the alpha).
    const Float4 texels[] = {
        {0.2f, 0.4f, 0.6f, 0.8f},
        {0.9f, 0.1f, 0.3f, 1.0f},
        {0.5f, 0.5f, 0.5f, 0.25f},
    };
    struct Case {
        int function;
        int blend;
    } functions[] = {{0, 14}, {1, 14}, {2, 14}, {3, 14}, {2, 3}, {3, 1}};
    const float alphas[] = {1.0f, 0.5f, 0.0f, 1.5f, 0.999f};
    for (const Case& f : functions) {
        for (float alpha : alphas) {
            for (const Float4& t : texels) {
                SCOPED_TRACE(testing::Message() << "function " << f.function << ", blend "
                                                << f.blend << ", alpha " << alpha << ", texel " << t);
                const Float4 want{t.r, t.g, t.b, alpha < 1.0f ? t.a * alpha : t.a};
                ExpectNear(EffectPixel(Consts(f.function, kNeutral, alpha, f.blend), t), want,
                           f.function == 1 || f.function == 3 ? kHueTol : kTol);
            }
        }
    }
}

TEST(EffectPixel, PlainTextureIsBitExact)
{
    // The plain path is what most sprites take; it must not round anything.
    const Float4 t{0.123f, 0.456f, 0.789f, 0.3f};
    const Float4 got = EffectPixel(Consts(0, Float4{-1, 7, 3, 2}, 1.0f, 0), t);
    EXPECT_EQ(got.r, t.r);
    EXPECT_EQ(got.g, t.g);
    EXPECT_EQ(got.b, t.b);
    EXPECT_EQ(got.a, t.a);
}

TEST(EffectPixel, BlendLevelsScaleColourButNotAlpha)
{
    const Float4 t{0.5f, 0.25f, 1.0f, 0.8f};
    struct Case {
        int level;
        float factor;
    } cases[] = {
        {1, 1.0f},      {2, 1.0f},      {3, 1.0f},      {4, 1.0f},      {5, 1.0f},
        {6, 0.61116f},  {7, 0.66672f},  {8, 0.72228f},  {9, 0.77784f},  {10, 0.8334f},
        {11, 0.88896f}, {12, 0.94452f}, {13, 1.00008f}, {14, 1.0f},     {15, 1.1f},
        {16, 1.2f},     {17, 1.3f},     {18, 1.4f},     {19, 1.5f},     {20, 1.6f},
        {21, 1.7f},     // above 1: the render target saturates, not the program
        {22, 1.0f},     {-1, 1.0f},     {100, 1.0f},    {INT_MIN, 1.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "level " << c.level);
        ExpectNear(EffectPixel(Consts(2, kNeutral, 1.0f, c.level), t), Scaled(t, c.factor), kTol);
        ExpectNear(EffectBlend(Consts(2, kNeutral, 1.0f, c.level), t), Scaled(t, c.factor), kTol);
    }
}

TEST(EffectPixel, ColourLevelMovesNinetyPercentTowardsGrey)
{
    // grey = 0.30 r + 0.59 g + 0.11 b; result = grey + 0.1 (c - grey).
    struct Case {
        Float4 texel, want;
    } cases[] = {
        {{1, 0, 0, 1}, {0.37f, 0.27f, 0.27f, 1}},
        {{0, 1, 0, 0.5f}, {0.531f, 0.631f, 0.531f, 0.5f}},
        {{0, 0, 1, 1}, {0.099f, 0.099f, 0.199f, 1}},
        {{0.2f, 0.6f, 1.0f, 0.7f}, {0.4916f, 0.5316f, 0.5716f, 0.7f}},
        {{0.4f, 0.4f, 0.4f, 1}, {0.4f, 0.4f, 0.4f, 1}}, // grey stays grey
        {{0, 0, 0, 0}, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "texel " << c.texel);
        ExpectNear(EffectPixel(Consts(2, kNeutral, 1.0f, 0), c.texel), c.want, kTol);
    }
}

TEST(EffectPixel, TintedLevelsBlendFirstThenTintAndRotate)
{
    // Function 3 is tint-and-rotate applied to the blended texel. The grey
    // level does not commute with a tint, so the order shows: tinting first
    // would give (0.37, 0.27, 0.27) here.
    struct Case {
        Float4 texel;
        int blend;
        float alpha;
        Float4 color, want;
    } cases[] = {
        {{1, 0, 0, 1}, 0, 1.0f, {0.5f, 1.0f, 0.5f, 0.5f}, {0.37f, 0.54f, 0.27f, 1}},
        // x1.7, then a sixth of a turn: dark red to dark yellow; alpha faded.
        {{0.5f, 0, 0, 0.8f}, 21, 0.5f, {0.5f, 0.5f, 0.5f, 0.5f + kSixth}, {0.85f, 0.85f, 0, 0.4f}},
        // x0.61116 then a doubled blue channel.
        {{0.5f, 0.5f, 0.25f, 1}, 6, 1.0f, {0.5f, 0.5f, 1.0f, 0.5f},
         {0.30558f, 0.30558f, 0.30558f, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "texel " << c.texel << ", blend " << c.blend);
        ExpectNear(EffectPixel(Consts(3, c.color, c.alpha, c.blend), c.texel), c.want, kHueTol);
    }
}

TEST(EffectPixel, EachFunctionIgnoresConstantsItDoesNotRead)
{
    // The device leaves constants a function does not read at whatever an
    // earlier command set (colour 0 leaves g_color, text leaves g_alpha and
    // g_blend), so a function that read them would pick up stale values.
    const Float4 t{0.6f, 0.3f, 0.2f, 0.8f};
    const Float4 stale{0.9f, 0.1f, 0.7f, 0.2f};
    struct Case {
        EffectConstants k;
        Float4 want;
    } cases[] = {
        {Consts(0, stale, 1.0f, 0), t},                        // colour and level
        {Consts(1, kNeutral, 1.0f, 0), t},                     // level
        {Consts(1, kNeutral, 1.0f, 21), t},                    // level
        {Consts(2, stale, 1.0f, 21), Scaled(t, 1.7f)},          // colour
        {Consts(4, {0.1f, 0.2f, 0.3f, 1.0f}, 0.5f, 0), {0.1f, 0.2f, 0.3f, 0.8f}}, // alpha, level
        {Consts(5, {0.5f, 0.5f, 0.5f, 1.0f}, 0.5f, 21), {0.48f, 0.48f, 0.48f, 1.0f}},
        {Consts(6, stale, 0.5f, 0), stale},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "function " << c.k.function << ", blend " << c.k.blend
                                        << ", alpha " << c.k.alpha);
        ExpectNear(EffectPixel(c.k, t), c.want, kHueTol);
    }
}

// ---- Tint and hue rotation ----------------------------------------------------------

TEST(EffectTintAndShift, ScalesEachChannelByTwiceTheColourWithoutClamping)
{
    struct Case {
        Float4 texel, color, want;
    } cases[] = {
        {{0.2f, 0.3f, 0.4f, 0.9f}, {1, 1, 1, 0.5f}, {0.4f, 0.6f, 0.8f, 0.9f}},
        {{0.8f, 0.6f, 0.2f, 1}, {1, 1, 1, 0.5f}, {1.6f, 1.2f, 0.4f, 1}}, // above 1 is kept
        {{0.3f, 0.6f, 0.9f, 0.4f}, {1, 0.5f, 0, 0.5f}, {0.6f, 0.6f, 0, 0.4f}},
        {{0.3f, 0.6f, 0.9f, 0.4f}, {0, 0, 0, 0.5f}, {0, 0, 0, 0.4f}}, // byte 1 blacks out
        {{0.7f, 0.7f, 0.7f, 1}, {0.25f, 0.25f, 0.25f, 0.9f}, {0.35f, 0.35f, 0.35f, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "texel " << c.texel << ", colour " << c.color);
        ExpectNear(EffectTintAndShift(Consts(1, c.color), c.texel), c.want, kHueTol);
        ExpectNear(EffectPixel(Consts(1, c.color), c.texel), c.want, kHueTol);
    }
}

TEST(EffectShiftHue, NoRotationGivesEveryHueBack)
{
    // val 0.5: the conversion to hue and back must be the identity in every
    // sixth of the circle and at the ties between channels.
    const Float4 texels[] = {
        {0.8f, 0.4f, 0.2f, 0.7f}, // sector 0
        {0.5f, 0.8f, 0.2f, 0.7f}, // 1
        {0.2f, 0.8f, 0.5f, 0.7f}, // 2
        {0.2f, 0.4f, 0.8f, 0.7f}, // 3
        {0.5f, 0.2f, 0.8f, 0.7f}, // 4
        {0.8f, 0.2f, 0.5f, 0.7f}, // 5 (red max, negative raw hue)
        {1, 1, 0, 1},             // red and green tie
        {0, 1, 1, 1},             // green and blue tie
        {1, 0, 1, 1},             // red and blue tie
        {1.6f, 0.2f, 0.9f, 1},    // over-bright after a tint
    };
    for (const Float4& t : texels) {
        SCOPED_TRACE(testing::Message() << "texel " << t);
        ExpectNear(EffectShiftHue(t, 0.5f), t, kHueTol);
    }
}

TEST(EffectShiftHue, GreyKeepsItsColourUnderAnyRotation)
{
    const Float4 greys[] = {
        {0.4f, 0.4f, 0.4f, 0.3f}, {0, 0, 0, 1}, {1, 1, 1, 0}, {1.8f, 1.8f, 1.8f, 1}};
    const float vals[] = {0.0f, 0.25f, 0.5f, 0.5f + kSixth, 0.9f, 1.0f, -1.0f / 254.0f};
    for (const Float4& g : greys) {
        for (float val : vals) {
            SCOPED_TRACE(testing::Message() << "grey " << g << ", val " << val);
            ExpectNear(EffectShiftHue(g, val), g, kHueTol); // black must not become NaN
        }
    }
}

TEST(EffectShiftHue, EachSixthOfValTurnsBySixthOfCircle)
{
    struct Case {
        Float4 texel;
        float val;
        Float4 want;
    } cases[] = {
        // Pure red around the circle; val 0 and 1 are both half a turn.
        {{1, 0, 0, 0.7f}, 0.5f, {1, 0, 0, 0.7f}},
        {{1, 0, 0, 0.7f}, 0.5f + kSixth, {1, 1, 0, 0.7f}},
        {{1, 0, 0, 0.7f}, 0.5f + 2 * kSixth, {0, 1, 0, 0.7f}},
        {{1, 0, 0, 0.7f}, 1.0f, {0, 1, 1, 0.7f}},
        {{1, 0, 0, 0.7f}, 0.0f, {0, 1, 1, 0.7f}},
        {{1, 0, 0, 0.7f}, 0.5f - kSixth, {1, 0, 1, 0.7f}},
        {{1, 0, 0, 0.7f}, 0.5f - 2 * kSixth, {0, 0, 1, 0.7f}},
        // Starting from the green and blue branches.
        {{0, 1, 0, 1}, 0.5f + kSixth, {0, 1, 1, 1}},
        {{0, 0, 1, 1}, 0.5f + kSixth, {1, 0, 1, 1}},
        {{0, 0.5f, 0.5f, 1}, 1.0f, {0.5f, 0, 0, 1}}, // hue 3 + 3 wraps to exactly 0
        {{1, 1, 0, 1}, 0.0f, {0, 0, 1, 1}},          // red/green tie, hue 1
        // A desaturated orange (v 0.8, s 0.75, hue 1/3) lands in every case
        // of the table, exercising p, q and w with a fraction of 1/3.
        {{0.8f, 0.4f, 0.2f, 1}, 0.5f + kSixth, {0.6f, 0.8f, 0.2f, 1}},
        {{0.8f, 0.4f, 0.2f, 1}, 0.5f + 2 * kSixth, {0.2f, 0.8f, 0.4f, 1}},
        {{0.8f, 0.4f, 0.2f, 1}, 1.0f, {0.2f, 0.6f, 0.8f, 1}},
        {{0.8f, 0.4f, 0.2f, 1}, 0.5f - 2 * kSixth, {0.4f, 0.2f, 0.8f, 1}},
        {{0.8f, 0.4f, 0.2f, 1}, 0.5f - kSixth, {0.8f, 0.2f, 0.6f, 1}},
        // The engine's smallest hue byte (0 -> -1/254) turns just past half a
        // turn: short of cyan, on the green side.
        {{1, 0, 0, 1}, -1.0f / 254.0f, {0, 1, 1.0f - 6.0f / 254.0f, 1}},
        // Beyond the engine's range only one wrap is made: hue 0 + 9 - 6 = 3
        // stays 3, but 0 + 15 - 6 = 9 falls into the last case: (v, p, q).
        {{1, 0, 0, 1}, 2.0f, {0, 1, 1, 1}},
        {{1, 0, 0, 1}, 3.0f, {1, 0, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "texel " << c.texel << ", val " << c.val);
        ExpectNear(EffectShiftHue(c.texel, c.val), c.want, kHueTol);
    }
}

TEST(EffectShiftHue, HueRoundedUpToSixAfterTheWrapIsRed)
{
    // Yellow (hue 1) turned back by a sixth: in float 6 * (val - 0.5) comes
    // out a hair below -1, the hue a hair below 0, and adding 6 rounds it to
    // exactly 6. Taken literally, floor gives 6 and the last case turns the
    // pixel magenta; the hue is 0, so it must come out red.
    const float val = 0.5f - kSixth;
    ASSERT_LT(1.0f + 6.0f * (val - 0.5f), 0.0f);
    ASSERT_EQ(1.0f + 6.0f * (val - 0.5f) + 6.0f, 6.0f);
    ExpectNear(EffectShiftHue(Float4{1, 1, 0, 1}, val), Float4{1, 0, 0, 1}, kTol);
}

// ---- Text and flat colour -----------------------------------------------------------

TEST(EffectPixel, TextSilhouetteAndGlow)
{
    struct Case {
        int function;
        Float4 texel, color, want;
    } cases[] = {
        // Silhouette: coverage times the colour's alpha, colour as given.
        {4, {0.2f, 0.7f, 0.9f, 0}, {0.1f, 0.2f, 0.3f, 0.8f}, {0, 0, 0, 0}},
        {4, {0, 0, 0, 0.5f}, {1, 0, 0, 1}, {1, 0, 0, 0.5f}},
        {4, {0.2f, 0.7f, 0.9f, 0.5f}, {0.1f, 0.2f, 0.3f, 0.8f}, {0.1f, 0.2f, 0.3f, 0.4f}},
        {4, {0, 0, 0, 1e-6f}, {1, 1, 1, 1}, {1, 1, 1, 1e-6f}}, // any coverage counts
        // Glow: colour times 1.2 x coverage, the colour's own alpha.
        {5, {0, 0, 0, 0.5f}, {1, 1, 1, 1}, {0.6f, 0.6f, 0.6f, 1}},
        {5, {0, 0, 0, 1}, {0.5f, 0.25f, 1, 0.7f}, {0.6f, 0.3f, 1.2f, 0.7f}},
        {5, {0.3f, 0.2f, 0.1f, 0}, {1, 1, 1, 1}, {0.3f, 0.2f, 0.1f, 0}}, // uncovered: texel as is
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "function " << c.function << ", texel " << c.texel);
        ExpectNear(EffectPixel(Consts(c.function, c.color), c.texel), c.want, kTol);
    }
}

TEST(EffectPixel, OtherFunctionsGiveFlatColour)
{
    const Float4 color{0.25f, 0.5f, 0.75f, 0.6f};
    const Float4 texels[] = {{0.9f, 0.1f, 0.5f, 0.3f}, {0, 0, 0, 0}};
    const int functions[] = {6, 7, 100, -1, INT_MIN, INT_MAX};
    for (int f : functions) {
        for (const Float4& t : texels) {
            SCOPED_TRACE(testing::Message() << "function " << f << ", texel " << t);
            const Float4 got = EffectPixel(Consts(f, color, 0.5f, 0), t);
            EXPECT_EQ(got.r, color.r);
            EXPECT_EQ(got.g, color.g);
            EXPECT_EQ(got.b, color.b);
            EXPECT_EQ(got.a, color.a);
        }
    }
}

// ---- Agreement with an independent double-precision version ------------------------

struct D4 {
    double v[4];
};

// Hue rotation written differently from the program (channel indices and a
// letter table instead of branches), in double precision.
D4 RefShiftHue(D4 c, double val)
{
    int top = 0; // first channel holding the maximum: red, then green, then blue
    for (int i = 1; i < 3; ++i)
        if (c.v[i] > c.v[top]) top = i;
    const double hi = c.v[top];
    const double lo = std::min({c.v[0], c.v[1], c.v[2]});
    const double s = hi == 0 ? 0 : (hi - lo) / hi;
    double h = 0;
    if (hi != lo) {
        h = 2 * top + (c.v[(top + 1) % 3] - c.v[(top + 2) % 3]) / (hi - lo);
        if (h < 0) h += 6;
    }
    h += (val - 0.5) * 6;
    if (h >= 6)
        h -= 6;
    else if (h < 0)
        h += 6;
    const double sector = std::floor(h);
    const double f = h - sector;
    const double letters[4] = {hi, hi * (1 - s), hi * (1 - s * f), hi * (1 - s * (1 - f))};
    static const char* const kPattern[6] = {"vwp", "qvp", "pvw", "pqv", "wpv", "vpq"};
    const char* pattern = sector >= 0 && sector < 5 ? kPattern[int(sector)] : kPattern[5];
    D4 out = c;
    for (int i = 0; i < 3; ++i)
        out.v[i] = letters[std::string("vpqw").find(pattern[i])];
    return out;
}

D4 RefPixel(const EffectConstants& k, const Float4& texel)
{
    const D4 t{{texel.r, texel.g, texel.b, texel.a}};
    const D4 color{{k.color.r, k.color.g, k.color.b, k.color.a}};
    const double fade = k.alpha < 1 ? k.alpha : 1;
    auto blend = [&](D4 c) {
        double m = 1;
        if (k.blend >= 6 && k.blend <= 13) m = 0.5556 + (k.blend - 5) * 0.05556;
        if (k.blend >= 15 && k.blend <= 21) m = 1 + (k.blend - 14) * 0.1;
        const double grey = 0.30 * c.v[0] + 0.59 * c.v[1] + 0.11 * c.v[2];
        for (int i = 0; i < 3; ++i)
            c.v[i] = k.blend == 0 ? 0.9 * grey + 0.1 * c.v[i] : c.v[i] * m;
        c.v[3] *= fade;
        return c;
    };
    auto tintShift = [&](D4 c) {
        for (int i = 0; i < 3; ++i)
            c.v[i] *= 2 * color.v[i];
        return RefShiftHue(c, color.v[3]);
    };
    switch (k.function) {
    case 0:
        return D4{{t.v[0], t.v[1], t.v[2], t.v[3] * fade}};
    case 1: {
        D4 c = tintShift(t);
        c.v[3] *= fade;
        return c;
    }
    case 2:
        return blend(t);
    case 3:
        return tintShift(blend(t));
    case 4:
        if (t.v[3] == 0) return D4{{0, 0, 0, 0}};
        return D4{{color.v[0], color.v[1], color.v[2], t.v[3] * color.v[3]}};
    case 5:
        if (t.v[3] <= 0) return t;
        return D4{{1.2 * t.v[3] * color.v[0], 1.2 * t.v[3] * color.v[1],
                   1.2 * t.v[3] * color.v[2], color.v[3]}};
    default:
        return color;
    }
}

TEST(EffectPixel, AgreesWithDoublePrecisionVersionOnRandomInputs)
{
    // Raw mt19937 output is the same on every standard library, unlike the
    // distributions, so the inputs are reproducible everywhere.
    std::mt19937 rng(20240611u);
    auto unit = [&] { return float(rng() >> 8) * (1.0f / 16777216.0f); };
    // Mostly arbitrary values, sometimes the exact ones that make ties, zero
    // coverage and the neutral colour.
    auto channel = [&] {
        const uint32_t pick = rng() % 8;
        if (pick == 0) return 0.0f;
        if (pick == 1) return 1.0f;
        if (pick == 2) return 0.5f;
        return unit();
    };
    // Image colours come as (byte - 1) / 254, so -1/254 ... 1.
    auto colorChannel = [&] {
        return rng() % 2 ? float(int(rng() % 256) - 1) / 254.0f : channel();
    };
    const float alphas[] = {1.0f, 1.5f, 0.0f};
    for (int i = 0; i < 50000; ++i) {
        EffectConstants k;
        k.function = int(rng() % 9) - 1;
        k.blend = int(rng() % 25) - 1;
        k.alpha = rng() % 2 ? alphas[rng() % 3] : unit();
        k.color = Float4{colorChannel(), colorChannel(), colorChannel(), colorChannel()};
        const Float4 t{channel(), channel(), channel(), channel()};
        const Float4 got = EffectPixel(k, t);
        const D4 want = RefPixel(k, t);
        const float g[4] = {got.r, got.g, got.b, got.a};
        for (int c = 0; c < 4; ++c) {
            const double tol = kHueTol * std::max(1.0, std::fabs(want.v[c]));
            if (!(std::fabs(g[c] - want.v[c]) <= tol)) {
                ADD_FAILURE() << "sample " << i << " channel " << c << ": got " << g[c] << ", want "
                              << want.v[c] << "; function " << k.function << ", blend " << k.blend
                              << ", alpha " << k.alpha << ", colour " << k.color << ", texel " << t;
                return;
            }
        }
    }
}

// ---- GLSL text ----------------------------------------------------------------------

TEST(EffectGlsl, LeavesTheVersionLineToTheDevice)
{
    // #version must be the first line of a shader; the device prepends its
    // own, so the text may not carry one.
    EXPECT_EQ(std::string(kes::d3d9::kEffectGlslFragment).find("#version"), std::string::npos);
}

struct ToolResult {
    int status;
    std::string output;
};

ToolResult Run(const std::string& command)
{
    ToolResult r{-1, {}};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        r.output.append(buffer, n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

#ifdef KESTO_GLSLANG_VALIDATOR
const char* const kValidator = KESTO_GLSLANG_VALIDATOR;
#else
const char* const kValidator = nullptr;
#endif

const char* const kNoValidator = "glslangValidator was not found when configuring; install "
                                 "glslang-tools (scripts/setup.sh does) and re-run cmake";

struct Dialect {
    const char* name;
    const char* prefix; // what the device prepends
};

const Dialect kDialects[] = {
    {"core", "#version 330 core\n#define UV_INTERPOLATION smooth\n"},
    {"es", "#version 300 es\nprecision highp float;\n#define UV_INTERPOLATION smooth\n"},
};

// Compiles and links one fragment shader, asking for the reflection of its
// interface.
ToolResult Validate(const kes::test::ScratchDir& dir, const std::string& file, const std::string& text)
{
    const std::string path = dir.Write(file, text);
    return Run(std::string("'") + kValidator + "' -l -q '" + path + "'");
}

TEST(EffectGlsl, CompilesAsDesktopAndEsShaderWithTheDevicesInterface)
{
    if (!kValidator) GTEST_SKIP() << kNoValidator;
    kes::test::ScratchDir dir;
    // Name and GL type code of every uniform the device sets, and the output;
    // listed only when active, so an unused (optimised-away) one fails too.
    const char* const interface[] = {
        "g_function: offset -1, type 1404", // GL_INT
        "g_blend: offset -1, type 1404",    // GL_INT
        "g_alpha: offset -1, type 1406",    // GL_FLOAT
        "g_color: offset -1, type 8b52",    // GL_FLOAT_VEC4
        "TexSampler: offset -1, type 8b5e", // GL_SAMPLER_2D
        "o_color: offset 0, type 8b52",
    };
    for (const Dialect& d : kDialects) {
        SCOPED_TRACE(d.name);
        const std::string text = d.prefix + std::string(kes::d3d9::kEffectGlslFragment);
        const ToolResult r = Validate(dir, std::string("effect_") + d.name + ".frag", text);
        ASSERT_EQ(r.status, 0) << r.output;
        for (const char* entry : interface)
            EXPECT_NE(r.output.find(entry), std::string::npos) << entry << " missing in:\n" << r.output;
    }
}

TEST(EffectGlsl, ValidatorRejectsBrokenText)
{
    // Guards the test above against a harness that passes whatever happens.
    if (!kValidator) GTEST_SKIP() << kNoValidator;
    kes::test::ScratchDir dir;
    const std::string broken = kDialects[0].prefix + std::string(kes::d3d9::kEffectGlslFragment) +
                               "\nvoid f() { undeclared = 1.0; }\n";
    EXPECT_NE(Validate(dir, "broken.frag", broken).status, 0);
}

} // namespace
