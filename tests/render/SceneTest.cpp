// Scenes drawn through MApp on the software device, checked against pixels
// worked out from the drawing rules: pixel centres at integer coordinates,
// left and top edges inside, half-texel offsets landing on texel centres,
// the effect formulas and source-over blending. Channels may differ by one
// from the worked value (8-bit rounding of float results).
#include "RenderFixture.h"

#include <cmath>
#include <cstdio>

using kes::test::RenderTest;

namespace {

constexpr int kTolerance = 1;

uint32_t Rgb(int r, int g, int b)
{
    auto c = [](int v) { return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
    return 0xFF000000u | c(r) << 16 | c(g) << 8 | c(b);
}

::testing::AssertionResult Close(uint32_t got, uint32_t want)
{
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = int((got >> shift) & 0xFF), b = int((want >> shift) & 0xFF);
        if (std::abs(a - b) > kTolerance) {
            char msg[64];
            snprintf(msg, sizeof msg, "got %08X, want %08X", got, want);
            return ::testing::AssertionFailure() << msg;
        }
    }
    return ::testing::AssertionSuccess();
}

class SceneTest : public RenderTest {
protected:
    void SetUp() override
    {
        RenderTest::SetUp();
        m_whole = RECTF{0, 0, 1, 1};
    }

    // Draws, ends the frame and keeps the picture.
    void Show()
    {
        Frame();
        m_pixels = ReadBack();
    }

    uint32_t At(int x, int y) const { return m_pixels.at(size_t(y) * kWidth + size_t(x)); }

    // Every pixel of the rectangle [x0, x1) x [y0, y1) close to fn(x, y).
    template <class Fn>
    void ExpectRegion(int x0, int y0, int x1, int y1, Fn fn, const char* what)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                ASSERT_TRUE(Close(At(x, y), fn(x, y))) << what << " at " << x << "," << y;
            }
    }

    void ExpectBlackOutside(int x0, int y0, int x1, int y1, const char* what)
    {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (x < x0 || x >= x1 || y < y0 || y >= y1) {
                    ASSERT_EQ(At(x, y), 0xFF000000u) << what << " drew outside at " << x << "," << y;
                }
    }

    RECTF m_whole;
    std::vector<uint32_t> m_pixels;
};

// A 4 x 4 picture whose texels all differ.
uint32_t Texel(int x, int y)
{
    return 0xFF000000u | uint32_t(40 + 50 * x) << 16 | uint32_t(30 + 60 * y) << 8 | uint32_t(7 * (x + 4 * y));
}

TEST_F(SceneTest, ImageLandsWithItsKeyPointOnThePosition)
{
    MImage* img = MakeImage(4, 4, KES_FMT_A8R8G8B8, Texel);
    img->m_keyX = 1;
    img->m_keyY = 3;
    m_app->DrawImage(img, 20, 30, m_whole, 14, 0, 1, 1, 1);
    Show();
    ExpectRegion(19, 27, 23, 31, [](int x, int y) { return Texel(x - 19, y - 27); }, "1:1");
    ExpectBlackOutside(19, 27, 23, 31, "1:1");
    img->Release();
}

TEST_F(SceneTest, SubRectangleLandsWhereItLiesInThePicture)
{
    MImage* img = MakeImage(4, 4, KES_FMT_A8R8G8B8, Texel);
    RECTF right{0.5f, 0.25f, 1, 1};
    m_app->DrawImage(img, 10, 10, right, 14, 0, 1, 1, 1);
    Show();
    ExpectRegion(12, 11, 14, 14, [](int x, int y) { return Texel(x - 10, y - 10); }, "right part");
    ExpectBlackOutside(12, 11, 14, 14, "right part");
    img->Release();
}

TEST_F(SceneTest, ScalingSamplesLinearlyOnlyWhenBothAxesScale)
{
    // Red and blue texels, doubled. With the half-texel offset, pixel 0 sits
    // on texel 0's centre and pixel 2 on texel 1's; pixel 1 lies halfway.
    const uint32_t red = 0xFFFF0000u, blue = 0xFF0000FFu;
    MImage* img = MakeImage(2, 1, KES_FMT_A8R8G8B8, [&](int x, int) { return x == 0 ? red : blue; });
    m_app->DrawImage(img, 0, 0, m_whole, 14, 0, 1, 2, 2);   // linear
    m_app->DrawImage(img, 0, 10, m_whole, 14, 0, 1, 2, 1);  // point: x only
    Show();
    const uint32_t linear[4] = {red, Rgb(128, 0, 128), blue, blue};
    const uint32_t point[4] = {red, blue, blue, blue};
    for (int x = 0; x < 4; ++x) {
        EXPECT_TRUE(Close(At(x, 0), linear[x])) << "linear " << x;
        EXPECT_TRUE(Close(At(x, 1), linear[x])) << "linear row 1, " << x;
        // Pixel 1 samples exactly on the border of the two texels: the
        // software device takes the right one, as Direct3D does; a GPU's
        // interpolated coordinate may land a hair either side.
        const bool tie = x == 1 && !OnSoftwareDevice();
        EXPECT_TRUE(Close(At(x, 10), point[x]) || (tie && Close(At(x, 10), red))) << "point " << x;
    }
    EXPECT_EQ(At(4, 0), 0xFF000000u);
    EXPECT_EQ(At(0, 2), 0xFF000000u);
    EXPECT_EQ(At(0, 11), 0xFF000000u);
    img->Release();
}

TEST_F(SceneTest, NegativeScaleMirrorsAboutTheKeyPoint)
{
    MImage* img = MakeImage(4, 1, KES_FMT_A8R8G8B8, Texel);
    m_app->DrawImage(img, 40, 5, m_whole, 14, 0, 1, -1, 1);
    Show();
    // The quad spans x 36..40 with u running from 1 + 1/8 at x 36 down to
    // 1/8 at x 40: pixel X samples texel floor(4 u) of u = 1/8 + (40 - X) / 4.
    for (int X = 36; X < 40; ++X) {
        const float u = 0.125f + float(40 - X) / 4;
        const int texel = std::min(3, int(std::floor(4 * u)));
        EXPECT_TRUE(Close(At(X, 5), Texel(texel, 0))) << X;
    }
    ExpectBlackOutside(36, 5, 40, 6, "mirror");
    img->Release();
}

TEST_F(SceneTest, BlendLevelsTintHueAndAlpha)
{
    const int r = 200, g = 100, b = 50;
    MImage* img = MakeImage(2, 2, KES_FMT_A8R8G8B8, [&](int, int) { return Rgb(r, g, b); });
    const float grey = 0.30f * r + 0.59f * g + 0.11f * b;
    struct Case {
        const char* what;
        int blend;
        DWORD colour;
        float alpha;
        uint32_t want;
    } cases[] = {
        {"plain", 14, 0, 1, Rgb(r, g, b)},
        {"level 0: towards grey", 0, 0, 1,
         Rgb(int(std::lround(grey + 0.1f * (r - grey))), int(std::lround(grey + 0.1f * (g - grey))),
             int(std::lround(grey + 0.1f * (b - grey))))},
        {"level 3: unchanged", 3, 0, 1, Rgb(r, g, b)},
        {"level 6: x0.61116", 6, 0, 1, Rgb(122, 61, 31)},
        {"level 13: x1.00008", 13, 0, 1, Rgb(r, g, b)},
        {"level 21: x1.7", 21, 0, 1, Rgb(255, 170, 85)},
        {"half alpha", 14, 0, 0.5f, Rgb(100, 50, 25)},
        {"level 6, half alpha", 6, 0, 0.5f, Rgb(61, 31, 15)},
        // Tint bytes: (byte - 1) / 254, doubled: 255 doubles, 128 keeps, 1 blacks out.
        {"tint", 14, 0x80FF8001, 1, Rgb(255, g, 0)},
        {"neutral tint", 14, 0x80808080, 1, Rgb(r, g, b)},
        {"tint after level 6", 6, 0x80FF8080, 1, Rgb(244, 61, 31)},
        // Hue byte 1: half a turn. (200, 100, 50) turns to (50, 150, 200).
        {"half turn", 14, 0x01808080, 1, Rgb(50, 150, 200)},
    };
    int y = 0;
    for (const Case& c : cases) {
        m_app->DrawImage(img, 0, float(y), m_whole, c.blend, c.colour, c.alpha, 1, 1);
        y += 3;
    }
    Show();
    y = 0;
    for (const Case& c : cases) {
        EXPECT_TRUE(Close(At(0, y), c.want)) << c.what;
        EXPECT_TRUE(Close(At(1, y + 1), c.want)) << c.what;
        y += 3;
    }
    img->Release();
}

TEST_F(SceneTest, TextSilhouetteAndGlowOnCoverage)
{
    // Coverage 0, 128 and 255.
    MImage* text = MakeImage(3, 1, KES_FMT_A8, [](int x, int) { return uint32_t(x == 0 ? 0 : x == 1 ? 128 : 255) << 24; });
    m_app->DrawTextImage(text, 0, 0, m_whole, 0xFFFF0000, 0, 1, 1);  // silhouette in red
    m_app->DrawTextImage(text, 0, 2, m_whole, 0xFFFFFFFF, 1, 1, 1);  // white glow
    m_app->DrawTextImage(text, 0, 4, m_whole, 0x80FFFFFF, 1, 1, 1);  // glow at half alpha
    Show();
    // Silhouette: red at the coverage.
    EXPECT_EQ(At(0, 0), 0xFF000000u);
    EXPECT_TRUE(Close(At(1, 0), Rgb(128, 0, 0)));
    EXPECT_TRUE(Close(At(2, 0), Rgb(255, 0, 0)));
    // Glow: colour x 1.2 coverage, opaque where covered at all.
    EXPECT_EQ(At(0, 2), 0xFF000000u);
    const int glow = int(std::lround(255 * std::min(1.0f, 1.2f * 128 / 255)));
    EXPECT_TRUE(Close(At(1, 2), Rgb(glow, glow, glow)));
    EXPECT_TRUE(Close(At(2, 2), Rgb(255, 255, 255)));
    const float half = 128.0f / 255;
    const int halfGlow = int(std::lround(255 * std::min(1.0f, 1.2f * 128 / 255) * half));
    EXPECT_TRUE(Close(At(1, 4), Rgb(halfGlow, halfGlow, halfGlow)));
    text->Release();
}

TEST_F(SceneTest, LinesOfOnePixelAndThickLines)
{
    m_app->DrawLine(10, 20, 20, 20, 0xFF00FF00, 1); // x 10..19
    m_app->DrawLine(40, 10, 40, 15, 0xFFFF0000, 1); // y 10..14
    m_app->DrawLine(60, 60, 100, 60, 0xFF0000FF, 4); // rows 58..61
    Show();
    for (int x = 0; x < 30; ++x) EXPECT_EQ(At(x, 20), x >= 10 && x < 20 ? 0xFF00FF00u : 0xFF000000u) << x;
    EXPECT_EQ(At(15, 19), 0xFF000000u);
    EXPECT_EQ(At(15, 21), 0xFF000000u);
    for (int y = 5; y < 20; ++y) EXPECT_EQ(At(40, y), y >= 10 && y < 15 ? 0xFFFF0000u : 0xFF000000u) << y;
    ExpectRegion(60, 58, 100, 62, [](int, int) { return 0xFF0000FFu; }, "thick line");
    EXPECT_EQ(At(80, 57), 0xFF000000u);
    EXPECT_EQ(At(80, 62), 0xFF000000u);
    EXPECT_EQ(At(59, 60), 0xFF000000u);
    EXPECT_EQ(At(100, 60), 0xFF000000u);
}

TEST_F(SceneTest, RectangleFrameBorderAndFill)
{
    m_app->DrawRect(10, 10, 20, 10, 0xFFFFFFFF, 1);   // outline
    m_app->DrawRect(50, 10, 20, 12, 0xFFFF0000, 3);   // thick outline
    m_app->DrawRect(90, 10, 20, 10, 0xFF00FF00, 0.5f); // filled
    Show();
    // The outline's four sides; its inside stays black.
    for (int x = 11; x < 29; ++x) {
        EXPECT_EQ(At(x, 10), 0xFFFFFFFFu) << x;
        EXPECT_EQ(At(x, 20), 0xFFFFFFFFu) << x;
    }
    for (int y = 11; y < 19; ++y) {
        EXPECT_EQ(At(10, y), 0xFFFFFFFFu) << y;
        EXPECT_EQ(At(30, y), 0xFFFFFFFFu) << y;
    }
    ExpectRegion(11, 11, 30, 20, [](int, int) { return 0xFF000000u; }, "outline inside");
    // The thick outline: bars 3 pixels wide inside 50..70 x 10..22, drawn once each.
    ExpectRegion(50, 10, 70, 13, [](int, int) { return 0xFFFF0000u; }, "top bar");
    ExpectRegion(50, 19, 70, 22, [](int, int) { return 0xFFFF0000u; }, "bottom bar");
    ExpectRegion(50, 13, 53, 19, [](int, int) { return 0xFFFF0000u; }, "left bar");
    ExpectRegion(67, 13, 70, 19, [](int, int) { return 0xFFFF0000u; }, "right bar");
    ExpectRegion(53, 13, 67, 19, [](int, int) { return 0xFF000000u; }, "thick outline inside");
    EXPECT_EQ(At(70, 15), 0xFF000000u);
    EXPECT_EQ(At(60, 22), 0xFF000000u);
    ExpectRegion(90, 10, 110, 20, [](int, int) { return 0xFF00FF00u; }, "fill");
    EXPECT_EQ(At(110, 15), 0xFF000000u);
    EXPECT_EQ(At(100, 20), 0xFF000000u);
}

TEST_F(SceneTest, TranslucentDrawsComposeInCallOrder)
{
    m_app->DrawRect(0, 0, 20, 20, 0x80FF0000, 0);  // half red
    m_app->DrawRect(10, 10, 20, 20, 0x800000FF, 0); // half blue over it
    Show();
    const float a = 128.0f / 255;
    const int red = int(std::lround(255 * a));
    EXPECT_TRUE(Close(At(5, 5), Rgb(red, 0, 0)));
    EXPECT_TRUE(Close(At(25, 25), Rgb(0, 0, red)));
    EXPECT_TRUE(Close(At(15, 15), Rgb(int(std::lround(red * (1 - a))), 0, red)));
}

TEST_F(SceneTest, CopiedPixelsShowInTheSameFrame)
{
    MImage* des = MakeImage(4, 4, KES_FMT_A8R8G8B8, [](int, int) { return 0xFF202020u; });
    MImage* src = MakeImage(2, 2, KES_FMT_R5G6B5, [](int, int) { return 0xFFF80000u; });
    m_app->DrawImage(des, 0, 0, m_whole, 14, 0, 1, 1, 1); // drawn before the copy: still shows it
    m_app->CopyImage(src, des);
    Show();
    ExpectRegion(0, 0, 2, 2, [](int, int) { return 0xFFFF0000u; }, "copied");
    ExpectRegion(2, 0, 4, 4, [](int, int) { return 0xFF202020u; }, "kept");
    src->Release();
    des->Release();
}

} // namespace
