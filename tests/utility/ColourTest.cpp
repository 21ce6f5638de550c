// MPixel, MAPixel and MAPalette.
#include <KesUtility.h>

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <vector>

using kes::test::AssertRecorder;

namespace {

const wchar_t* const kSource = L"include/KesUtility";

// ---- MPixel ----------------------------------------------------------------------------

struct Rgb565 {
    int r, g, b;
};

Rgb565 Split(unsigned short c)
{
    return Rgb565{c >> 11, (c >> 5) & 63, c & 31};
}

TEST(MPixel, FromEightBitChannelsKeepsTheirTopBits)
{
    struct Case {
        int r, g, b;
        unsigned short want;
    } cases[] = {
        {255, 255, 255, 0xFFFF},
        {8, 4, 8, 0x0821},     // the smallest value of each field
        {7, 3, 7, 0x0000},     // truncated, not rounded
        {255, 0, 0, 0xF800},
        {0, 255, 0, 0x07E0},
        {0, 0, 255, 0x001F},
        {0x80, 0x80, 0x80, 0x8410},
        {0xFF, 0x03, 0x00, 0xF800}, // green's two low bits never reach red
    };
    for (const Case& c : cases) {
        const MPixel p((unsigned char)c.r, (unsigned char)c.g, (unsigned char)c.b);
        EXPECT_EQ((unsigned short)p, c.want) << c.r << "," << c.g << "," << c.b;
    }
    EXPECT_EQ((unsigned short)MPixel(), 0);
}

TEST(MPixel, AdditionSaturatesEachChannelWithoutCarry)
{
    struct Case {
        unsigned short a, b, want;
    } cases[] = {
        {0xF800, 0x0800, 0xF800}, // red stays at 31
        {0x07E0, 0x0020, 0x07E0}, // green stays at 63
        {0x001F, 0x0001, 0x001F}, // blue stays at 31, green untouched
        {0x0821, 0x0821, 0x1042},
        {0xFFFF, 0xFFFF, 0xFFFF},
        {0x8410, 0x8410, 0xFFFF}, // each half plus half saturates
        {0x7BEF, 0x0821, 0x8410}, // 15+1, 31+1, 15+1: no saturation
        {0x0000, 0x1234, 0x1234},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((unsigned short)(MPixel(c.a) + MPixel(c.b)), c.want) << std::hex << c.a << "+" << c.b;
        MPixel p(c.a);
        p += MPixel(c.b);
        EXPECT_EQ((unsigned short)p, c.want) << std::hex << c.a << "+=" << c.b;
    }
}

TEST(MPixel, SubtractionClampsEachChannelAtZero)
{
    struct Case {
        unsigned short a, b, want;
    } cases[] = {
        {0x0001, 0x0002, 0x0000},
        {0xFFFF, 0x0841, 0xF7BE},
        {0x0800, 0x0001, 0x0800}, // no borrow from red into blue
        {0x0020, 0x0001, 0x0020}, // nor from green
        {0x8410, 0x8410, 0x0000}, // equal channels give 0
        {0xF81F, 0x07E0, 0xF81F},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((unsigned short)(MPixel(c.a) - MPixel(c.b)), c.want) << std::hex << c.a << "-" << c.b;
        MPixel p(c.a);
        p -= MPixel(c.b);
        EXPECT_EQ((unsigned short)p, c.want) << std::hex << c.a << "-=" << c.b;
    }
}

TEST(MPixel, ArithmeticAgreesWithChannelByChannelSums)
{
    // Sweep every value of one operand against a spread of the other.
    for (unsigned a = 0; a <= 0xFFFF; ++a) {
        for (unsigned b : {0x0000u, 0x0821u, 0x8410u, 0x7BEFu, 0xF800u, 0x07E0u, 0x001Fu, 0xFFFFu, (a * 40503u) & 0xFFFFu}) {
            const Rgb565 x = Split((unsigned short)a), y = Split((unsigned short)b);
            const int sr = std::min(x.r + y.r, 31), sg = std::min(x.g + y.g, 63), sb = std::min(x.b + y.b, 31);
            const int dr = std::max(x.r - y.r, 0), dg = std::max(x.g - y.g, 0), db = std::max(x.b - y.b, 0);
            const unsigned short sum = (unsigned short)(MPixel((unsigned short)a) + MPixel((unsigned short)b));
            const unsigned short diff = (unsigned short)(MPixel((unsigned short)a) - MPixel((unsigned short)b));
            ASSERT_EQ(sum, (sr << 11) | (sg << 5) | sb) << std::hex << a << "+" << b;
            ASSERT_EQ(diff, (dr << 11) | (dg << 5) | db) << std::hex << a << "-" << b;
        }
    }
}

// ---- MAPixel ---------------------------------------------------------------------------

TEST(MAPixel, HoldsTheBytesOfAnA8R8G8B8Texel)
{
    const MAPixel p((unsigned char)0x12, (unsigned char)0x34, (unsigned char)0x56, (unsigned char)0x78);
    EXPECT_EQ((DWORD)p, 0x78123456u);
    static_assert(sizeof(MAPixel) == 4, "one texel");
    static_assert(sizeof(MPixel) == 2, "one 16-bit colour");
    unsigned char bytes[4];
    memcpy(bytes, &p, 4);
    EXPECT_EQ(bytes[0], 0x56); // blue
    EXPECT_EQ(bytes[1], 0x34); // green
    EXPECT_EQ(bytes[2], 0x12); // red
    EXPECT_EQ(bytes[3], 0x78); // alpha
    EXPECT_EQ((DWORD)MAPixel(), 0u);
    MAPixel q;
    q = 0x80FF00FFu;
    EXPECT_EQ((DWORD)q, 0x80FF00FFu);
}

TEST(MAPixel, ExpandsA565ColourByRepeatingEachFieldsLowBits)
{
    struct Case {
        unsigned short c;
        unsigned char a;
        DWORD want;
    } cases[] = {
        {0xFFFF, 255, 0xFFFFFFFFu},
        {0x0000, 0, 0x00000000u},
        {0x8410, 255, 0xFF808080u}, // 16 -> 128, 32 -> 128
        {0x0821, 255, 0xFF090509u}, // 1 -> 9, green 1 -> 5
        {0xF800, 0x40, 0x40FF0000u},
        {0x07E0, 0x00, 0x0000FF00u},
        {0x001F, 0x01, 0x010000FFu},
        {0x3186, 0x7F, 0x7F363036u}, // 6 -> 54 and 12 -> 48, where top-bit replication gives 49
    };
    for (const Case& c : cases) EXPECT_EQ((DWORD)MAPixel(c.c, c.a), c.want) << std::hex << c.c;
}

TEST(MAPixel, ExpansionKeepsTheOriginalFieldsInTheTopBits)
{
    // Taking the top bits back must give the 16-bit colour again, for every
    // colour; the alpha byte is the one given.
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
        const DWORD v = MAPixel((unsigned short)c, (unsigned char)(c * 7));
        const MPixel back((unsigned char)(v >> 16), (unsigned char)(v >> 8), (unsigned char)v);
        ASSERT_EQ((unsigned short)back, c) << std::hex << c;
        ASSERT_EQ(v >> 24, (c * 7) & 0xFF) << std::hex << c;
    }
}

TEST(MAPixel, ArithmeticSaturatesAllFourChannels)
{
    struct Case {
        DWORD a, b, sum, diff;
    } cases[] = {
        {0x80FF0000u, 0x80020000u, 0xFFFF0000u, 0x00FD0000u},
        {0x01000001u, 0x02000002u, 0x03000003u, 0x00000000u},
        {0x000000FFu, 0x00000001u, 0x000000FFu, 0x000000FEu}, // no carry into green
        {0x00000100u, 0x00000001u, 0x00000101u, 0x00000100u}, // no borrow from green
        {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu, 0x00000000u},
        {0x10203040u, 0x01020304u, 0x11223344u, 0x0F1E2D3Cu},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((DWORD)(MAPixel(c.a) + MAPixel(c.b)), c.sum) << std::hex << c.a << "+" << c.b;
        EXPECT_EQ((DWORD)(MAPixel(c.a) - MAPixel(c.b)), c.diff) << std::hex << c.a << "-" << c.b;
        MAPixel p(c.a);
        p += MAPixel(c.b);
        EXPECT_EQ((DWORD)p, c.sum);
        p = c.a;
        p -= MAPixel(c.b);
        EXPECT_EQ((DWORD)p, c.diff);
    }
}

// ---- MAPalette -------------------------------------------------------------------------

TEST(MAPalette, ConstructionForms)
{
    MAPalette empty;
    EXPECT_EQ(empty.cnt, 0);
    EXPECT_EQ(empty.color, nullptr);

    MAPalette zeros(4);
    ASSERT_EQ(zeros.cnt, 4);
    for (int i = 0; i < 4; ++i) EXPECT_EQ((DWORD)zeros.GetColor(i), 0u) << i;

    const DWORD argb[] = {0xFF000000u, 0x00FFFFFFu, 0x12345678u};
    MAPalette wide(3, argb);
    ASSERT_EQ(wide.cnt, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ((DWORD)wide.GetColor(i), argb[i]) << i;

    const DWORD* none = nullptr;
    MAPalette fromNull(5, none);
    EXPECT_EQ(fromNull.cnt, 0);
    EXPECT_EQ(fromNull.color, nullptr);
}

TEST(MAPalette, FromAWasPaletteOf256Colours)
{
    std::vector<unsigned short> src(256);
    for (int i = 0; i < 256; ++i) src[i] = (unsigned short)(i * 257 + 0x0821 * (i & 3));
    MAPalette pal(256, src.data());
    ASSERT_EQ(pal.cnt, 256);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ((DWORD)pal.GetColor(i), (DWORD)MAPixel(src[i], 0)) << i;
        EXPECT_EQ((DWORD)pal.GetColor(i) >> 24, 0u) << i;
    }
}

TEST(MAPalette, ReCreateReusesTheArrayOnlyForTheSameCount)
{
    const DWORD first[] = {0xFF112233u, 0xFF445566u, 0xFF778899u};
    const DWORD second[] = {0x01010101u, 0x02020202u, 0x03030303u};
    MAPalette pal(3, first);
    MAPixel* storage = pal.color;

    pal.ReCreate(3, second);
    EXPECT_EQ(pal.color, storage);
    EXPECT_EQ(pal.cnt, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ((DWORD)pal[i], second[i]) << i;

    // 16-bit colours into the reused array: every alpha becomes 0.
    const unsigned short c565[] = {0xFFFF, 0x8410, 0x0821};
    pal.ReCreate(3, c565);
    EXPECT_EQ(pal.color, storage);
    EXPECT_EQ((DWORD)pal[0], 0x00FFFFFFu);
    EXPECT_EQ((DWORD)pal[1], 0x00808080u);
    EXPECT_EQ((DWORD)pal[2], 0x00090509u);

    // Another count: a fresh array of that size (ASan checks the bounds).
    const DWORD five[] = {5, 6, 7, 8, 9};
    pal.ReCreate(5, five);
    EXPECT_EQ(pal.cnt, 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ((DWORD)pal[i], five[i]) << i;
    pal.ReCreate(1, c565);
    EXPECT_EQ(pal.cnt, 1);
    EXPECT_EQ((DWORD)pal[0], 0x00FFFFFFu);
}

TEST(MAPalette, ReCreateWithNothingEmptiesThePalette)
{
    const DWORD argb[] = {1, 2, 3};
    const unsigned short c565[] = {1, 2, 3};
    struct Case {
        const char* name;
        void (*recreate)(MAPalette&, const DWORD*, const unsigned short*);
    } cases[] = {
        {"no entries, 32-bit", [](MAPalette& p, const DWORD* c, const unsigned short*) { p.ReCreate(0, c); }},
        {"no entries, 16-bit", [](MAPalette& p, const DWORD*, const unsigned short* c) { p.ReCreate(0, c); }},
        {"null, 32-bit", [](MAPalette& p, const DWORD*, const unsigned short*) { p.ReCreate(3, (const DWORD*)nullptr); }},
        {"null, 16-bit",
         [](MAPalette& p, const DWORD*, const unsigned short*) { p.ReCreate(3, (const unsigned short*)nullptr); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MAPalette pal(3, argb);
        c.recreate(pal, argb, c565);
        EXPECT_EQ(pal.cnt, 0);
        EXPECT_EQ(pal.color, nullptr);

        // Indexing the empty palette is reported and must not crash.
        AssertRecorder asserts;
        pal[0] = MAPixel(0xFFFFFFFFu);
        EXPECT_TRUE(asserts.SawOnly(L"i<cnt", kSource));

        // And it can be filled again.
        pal.ReCreate(2, argb);
        EXPECT_EQ(pal.cnt, 2);
        EXPECT_EQ((DWORD)pal[1], 2u);
    }
}

TEST(MAPalette, IndexingChecksTheUpperBound)
{
    const DWORD argb[] = {0x11111111u, 0x22222222u};
    MAPalette pal(2, argb);
    {
        AssertRecorder asserts;
        pal[1] = MAPixel(0x33333333u); // a reference to the entry
        EXPECT_EQ((DWORD)pal.GetColor(1), 0x33333333u);
        EXPECT_TRUE(asserts.Reports().empty());
    }
    {
        // Past the entries: reported, and the memory behind them is left alone.
        AssertRecorder asserts;
        pal[2] = MAPixel(0xDEADBEEFu);
        EXPECT_TRUE(asserts.SawOnly(L"i<cnt", kSource));
        pal[-1] = MAPixel(0xDEADBEEFu); // below: not checked, still kept out
        EXPECT_EQ(asserts.Reports().size(), 1u);
        EXPECT_EQ((DWORD)pal.GetColor(0), 0x11111111u);
        EXPECT_EQ((DWORD)pal.GetColor(1), 0x33333333u);
    }
}

TEST(MAPalette, ChangeColorScalesEachEntryByItsOwnLuminance)
{
    struct Case {
        DWORD in, want;
    } cases[] = {
        {0xFFFFFFFFu, 0xFFFFFFFFu}, // white stays white
        {0x80FF0000u, 0x804C0000u}, // red: lum 76, 255*76/255 = 76
        {0x00808080u, 0x00404040u}, // grey 128 -> 64
        {0x1200FF00u, 0x12009600u}, // green: lum 150
        {0x340000FFu, 0x3400001Cu}, // blue: lum 28
        {0x00000000u, 0x00000000u},
        {0x7F102030u, 0x7F010305u}, // lum 2896/100 = 28; 16*28/255 = 1, 32*28/255 = 3, ...
    };
    std::vector<DWORD> src;
    for (const Case& c : cases) src.push_back(c.in);
    // The argument takes no part: any colour gives the same result.
    for (DWORD arg : {0u, 0xFFFFFFFFu, 0xFF00FF00u}) {
        SCOPED_TRACE(arg);
        MAPalette pal(int(src.size()), src.data());
        pal.ChangeColor(MAPixel(arg));
        for (size_t i = 0; i < src.size(); ++i) EXPECT_EQ((DWORD)pal[int(i)], cases[i].want) << std::hex << cases[i].in;
    }
    MAPalette empty;
    empty.ChangeColor(MAPixel(0u));
    EXPECT_EQ(empty.cnt, 0);
}

} // namespace
