// The sprite writer's picture encoder, checked through the engine's loader:
// what goes in comes back (within the format's colours and alpha levels).
#include "WasReference.h"

#include "RenderFixture.h"
#include "TestSupport.h"
#include "WasEncoder.h"

#include <KesApp.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>

namespace kes::test {
namespace {

using kes::was::EncodeReport;
using kes::was::EncodeSettings;
using kes::was::EncodeSprite;
using kes::was::Picture;
using namespace kes::test::was;

class WasEncoderTest : public RenderTest {
protected:
    MImageVolume* Encode(const std::vector<const Picture*>& slots, const EncodeSettings& settings,
                         EncodeReport* report = nullptr, std::string* bytes = nullptr)
    {
        std::string out, error;
        if (!EncodeSprite(slots, settings, &out, &error, report)) {
            ADD_FAILURE() << error;
            return nullptr;
        }
        if (bytes) *bytes = out;
        const std::string name = "encoded" + std::to_string(m_count++) + ".was";
        m_dir.Write(name, out);
        return m_app->LoadWas(name.c_str());
    }

    ScratchDir m_dir;
    int m_count = 0;
};

// A colour the format holds exactly: a 5-6-5 colour expanded.
uint32_t Exact(std::mt19937& rng, uint32_t alpha)
{
    return Expand(uint16_t(rng()), alpha);
}

// Blobs of repeated colours, single pixels, partly transparent edges and
// holes; every row has visible pixels, odd rows included.
Picture Sample(int w, int h, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<uint32_t> colours;
    for (int i = 0; i < 40; ++i) colours.push_back(Exact(rng, 255));
    Picture p;
    p.width = w;
    p.height = h;
    p.keyX = int(seed % 7) - 3;
    p.keyY = h - 1;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w;) {
            const int len = 1 + int(rng() % 9);
            uint32_t c;
            switch (rng() % 5) {
            case 0: c = 0; break;                                         // hole
            case 1: c = (colours[rng() % colours.size()] & 0xFFFFFF) | (uint32_t(1 + rng() % 31) * 8) << 24; break;
            default: c = colours[rng() % colours.size()]; break;
            }
            for (int k = 0; k < len && x < w; ++k, ++x) {
                // Some stretches vary pixel by pixel (literals).
                const bool vary = (c >> 24) == 255 && (y + x / 9) % 3 == 0;
                p.argb.push_back(vary ? colours[rng() % colours.size()] : c);
            }
        }
        p.argb[size_t(y) * size_t(w) + size_t(rng() % unsigned(w))] = colours[0]; // never an empty row
    }
    return p;
}

TEST_F(WasEncoderTest, PicturesOfTheFormatsColoursLoadBackExactly)
{
    const Picture a = Sample(37, 21, 1), b = Sample(90, 64, 2), c = Sample(1, 5, 3);
    EncodeSettings settings;
    settings.groups = 2;
    settings.frames = 2;
    settings.keyX = -12;
    settings.keyY = 40;
    MImageVolume* v = Encode({&a, nullptr, &b, &c}, settings);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->m_total, 4);
    EXPECT_EQ(v->m_width, 90);
    EXPECT_EQ(v->m_height, 64);
    EXPECT_EQ(v->m_keyX, -12);
    EXPECT_EQ(v->m_keyY, 40);
    EXPECT_EQ(v->GetImage(0, 1), nullptr);
    const std::pair<const Picture*, MImage*> frames[] = {
        {&a, v->GetImage(0, 0)}, {&b, v->GetImage(1, 0)}, {&c, v->GetImage(1, 1)}};
    for (const auto& [pic, img] : frames) {
        ASSERT_NE(img, nullptr);
        EXPECT_EQ(img->m_width, pic->width);
        EXPECT_EQ(img->m_height, pic->height);
        EXPECT_EQ(img->m_keyX, pic->keyX);
        EXPECT_EQ(img->m_keyY, pic->keyY);
        EXPECT_EQ(ImagePixels(img), pic->argb);
    }
}

// The opcode kinds in the row code of every frame of `bytes`.
std::set<std::string> OpcodeKinds(const std::string& bytes)
{
    auto u8 = [&](size_t pos) { return uint32_t(uint8_t(bytes.at(pos))); };
    auto u32 = [&](size_t pos) { return u8(pos) | u8(pos + 1) << 8 | u8(pos + 2) << 16 | u8(pos + 3) << 24; };
    std::set<std::string> kinds;
    const size_t p = size_t(int16_t(u8(2) | u8(3) << 8)) + 4;
    const int total = int(int16_t(u8(4) | u8(5) << 8)) * int(int16_t(u8(6) | u8(7) << 8));
    for (int i = 0; i < total; ++i) {
        const uint32_t entry = u32(p + 512 + 4 * size_t(i));
        if (!entry) continue;
        const size_t f = p + entry;
        const int w = int(u32(f + 8)), h = int(u32(f + 12));
        for (int y = 0; y < h; ++y) {
            size_t pos = f + u32(f + 16 + 4 * size_t(y));
            for (int x = 0; x < w;) {
                const uint32_t op = u8(pos++);
                if (op == 0) {
                    kinds.insert("end of row");
                    break;
                }
                if (op < 0x20) {
                    kinds.insert("alpha run");
                    x += int(op);
                    pos += 2;
                } else if (op < 0x40) {
                    kinds.insert("alpha pixel");
                    x += 1;
                    pos += 1;
                } else if (op < 0x80) {
                    kinds.insert("literal");
                    x += int(op & 0x3F);
                    pos += op & 0x3F;
                } else if (op < 0xC0) {
                    kinds.insert("run");
                    x += int(op & 0x3F);
                    pos += 1;
                } else {
                    kinds.insert("skip");
                    x += int(op & 0x3F);
                }
            }
        }
    }
    return kinds;
}

TEST_F(WasEncoderTest, RowsUseEveryOpcodeKind)
{
    const Picture p = Sample(90, 64, 2);
    std::string bytes;
    MImageVolume* v = Encode({&p}, EncodeSettings(), nullptr, &bytes);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(OpcodeKinds(bytes),
              (std::set<std::string>{"end of row", "alpha run", "alpha pixel", "literal", "run", "skip"}));
}

TEST_F(WasEncoderTest, AlphaGoesToTheNearestLevelOrOpaque)
{
    const struct {
        uint32_t in, out; // out 256: transparent pixel
    } cases[] = {{0, 256},   {3, 256},   {4, 8},     {11, 8},    {12, 16},   {100, 104},
                 {247, 248}, {251, 248}, {252, 255}, {254, 255}, {255, 255}, {128, 128}};
    Picture p;
    p.width = int(std::size(cases));
    p.height = 1;
    for (const auto& c : cases) p.argb.push_back(c.in << 24 | 0xFFFFFF);
    MImageVolume* v = Encode({&p}, EncodeSettings());
    ASSERT_NE(v, nullptr);
    ASSERT_NE(v->GetImage(0, 0), nullptr);
    const std::vector<uint32_t> got = ImagePixels(v->GetImage(0, 0));
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(got[i], cases[i].out == 256 ? 0u : (cases[i].out << 24 | 0xFFFFFF)) << "alpha " << cases[i].in;
}

TEST_F(WasEncoderTest, EachChannelGoesToItsNearestFormatValue)
{
    // Every 8-bit level on each channel: the loaded value is as near as the
    // format's expansion allows.
    Picture p;
    p.width = 256;
    p.height = 3;
    for (int ch = 0; ch < 3; ++ch)
        for (uint32_t v = 0; v < 256; ++v) p.argb.push_back(0xFF000000u | v << (16 - 8 * ch));
    MImageVolume* vol = Encode({&p}, EncodeSettings());
    ASSERT_NE(vol, nullptr);
    const std::vector<uint32_t> got = ImagePixels(vol->GetImage(0, 0));
    for (int ch = 0; ch < 3; ++ch) {
        const int bits = ch == 1 ? 6 : 5;
        for (int v = 0; v < 256; ++v) {
            int best = 256;
            for (int f = 0; f < (1 << bits); ++f) {
                const int e = bits == 5 ? (f << 3 | (f & 7)) : (f << 2 | (f & 3));
                best = std::min(best, std::abs(e - v));
            }
            const int loaded = int(got[size_t(ch * 256 + v)] >> (16 - 8 * ch) & 0xFF);
            EXPECT_EQ(std::abs(loaded - v), best) << "channel " << ch << " value " << v;
        }
    }
}

TEST_F(WasEncoderTest, MoreThan256ColoursAreQuantisedToOnePalette)
{
    // Two frames of smooth gradients: thousands of colours between them.
    Picture a, b;
    for (Picture* p : {&a, &b}) {
        p->width = 96;
        p->height = 64;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x) {
                const uint32_t r = uint32_t(x * 255 / 95), g = uint32_t(y * 255 / 63), bl = p == &a ? 40u : 200u;
                p->argb.push_back(0xFF000000u | r << 16 | g << 8 | bl);
            }
    }
    EncodeReport report;
    EncodeSettings settings;
    settings.frames = 2;
    MImageVolume* v = Encode({&a, &b}, settings, &report);
    ASSERT_NE(v, nullptr);
    EXPECT_TRUE(report.quantised);
    EXPECT_GT(report.sourceColours, 256);
    EXPECT_LE(report.paletteColours, 256);
    double total = 0;
    int worst = 0;
    size_t count = 0;
    for (int f = 0; f < 2; ++f) {
        const Picture& src = f ? b : a;
        const std::vector<uint32_t> got = ImagePixels(v->GetImage(0, f));
        ASSERT_EQ(got.size(), src.argb.size());
        for (size_t i = 0; i < got.size(); ++i) {
            ASSERT_EQ(got[i] >> 24, 255u);
            for (int s = 0; s < 24; s += 8) {
                const int d = std::abs(int(got[i] >> s & 0xFF) - int(src.argb[i] >> s & 0xFF));
                total += d;
                worst = std::max(worst, d);
                ++count;
            }
        }
    }
    EXPECT_LT(total / double(count), 6.0);
    EXPECT_LE(worst, 32);
}

TEST_F(WasEncoderTest, ReportsFramesTheEngineWillShowWithDoubledRows)
{
    Picture evenOnly, withOdd;
    evenOnly.width = withOdd.width = 2;
    evenOnly.height = withOdd.height = 4;
    evenOnly.argb = {0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 0xFF00FF00, 0, 0, 0};
    withOdd.argb = {0xFFFFFFFF, 0xFFFFFFFF, 0, 0x80FF0000, 0xFF00FF00, 0, 0, 0};
    EncodeReport report;
    EncodeSettings settings;
    settings.groups = 2;
    settings.frames = 2;
    MImageVolume* v = Encode({&evenOnly, &evenOnly, &withOdd, &evenOnly}, settings, &report);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(report.doubledFrames, (std::vector<std::string>{"g0_f0", "g0_f1"}));
    // And the engine agrees: the first two are doubled, the last is not.
    EXPECT_EQ(ImagePixels(v->GetImage(0, 0))[2], 0xCCFFFFFFu);
    EXPECT_EQ(ImagePixels(v->GetImage(1, 1))[2], 0u);
}

TEST_F(WasEncoderTest, UnusableGridsAndPicturesAreRefusedWithAMessage)
{
    Picture ok;
    ok.width = ok.height = 1;
    ok.argb = {0xFF123456};
    Picture empty;
    Picture wide = ok;
    wide.width = 4097;
    wide.argb.assign(4097, 0xFF000000);
    Picture shortOfPixels = ok;
    shortOfPixels.width = 2;
    EncodeSettings one, zeroGroups, farKey;
    zeroGroups.groups = 0;
    farKey.keyX = 40000;
    const struct {
        const char* what;
        std::vector<const Picture*> slots;
        EncodeSettings settings;
    } cases[] = {
        {"more pictures than slots", {&ok, &ok}, one},
        {"no group", {}, zeroGroups},
        {"an empty picture", {&empty}, one},
        {"a picture wider than 4096", {&wide}, one},
        {"fewer pixels than the size says", {&shortOfPixels}, one},
        {"a key point beyond 16 bits", {&ok}, farKey},
    };
    for (const auto& c : cases) {
        std::string out = "untouched", error;
        EXPECT_FALSE(EncodeSprite(c.slots, c.settings, &out, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
        EXPECT_EQ(out, "untouched") << c.what;
    }
}

} // namespace
} // namespace kes::test
