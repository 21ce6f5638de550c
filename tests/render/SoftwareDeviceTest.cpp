// The software Direct3D 9 device drawing what the engine draws: coverage by
// pixel centres and the top-left rule, texture sampling and addressing,
// texture formats, lines, blending, the effect program, the fast paths
// against the general one, and getting frames out (read-back, PNG, window).
//
// Expected pixels come from the rules written out here in double precision
// (and from EffectPixel, the program's reference), never from the
// rasterizer's own code. Where a result passes through float arithmetic and
// a rounding to 8 bits, one step per channel is allowed.
#include "CoverageCases.h"
#include "SoftwareDeviceFixture.h"

#include "d3d9/software/LinearSpans.h"
#include "d3d9/software/SpanKernels.h"
#include "win32/sdl/SdlVideo.h"

#include <SDL.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <unistd.h>
#include <utility>

namespace kes::test {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Bytes / 255: texels, and the colours of lines and rectangles as the
// program receives them.
Float4 FromArgb(uint32_t argb)
{
    return Float4{Channel(argb, 16) / 255.0f, Channel(argb, 8) / 255.0f, Channel(argb, 0) / 255.0f,
                  (argb >> 24) / 255.0f};
}

using Pixels = std::vector<uint32_t>;

// A texture as the tests know it: texels as floats, for the formulas.
struct Texels {
    int w = 0, h = 0;
    std::vector<Float4> texel;

    Float4 At(int x, int y) const { return texel[size_t(y) * w + x]; }
};

int ClampIndex(double i, int size)
{
    return i < 0 ? 0 : i >= size ? size - 1 : int(i);
}

// Point sampling: the texel under (s, t) = (u·W, v·H), clamped to the edge.
Float4 PointSample(const Texels& t, double s, double v)
{
    return t.At(ClampIndex(std::floor(s), t.w), ClampIndex(std::floor(v), t.h));
}

// Bilinear around (s − ½, t − ½), neighbours clamped to the edge.
Float4 LinearSample(const Texels& t, double s, double v)
{
    const double x = s - 0.5, y = v - 0.5;
    const double fx = x - std::floor(x), fy = y - std::floor(y);
    const int x0 = ClampIndex(std::floor(x), t.w), x1 = ClampIndex(std::floor(x) + 1, t.w);
    const int y0 = ClampIndex(std::floor(y), t.h), y1 = ClampIndex(std::floor(y) + 1, t.h);
    const auto mix = [&](float Float4::*c) {
        const double top = t.At(x0, y0).*c * (1 - fx) + t.At(x1, y0).*c * fx;
        const double bottom = t.At(x0, y1).*c * (1 - fx) + t.At(x1, y1).*c * fx;
        return float(top * (1 - fy) + bottom * fy);
    };
    return Float4{mix(&Float4::r), mix(&Float4::g), mix(&Float4::b), mix(&Float4::a)};
}

// u at the centre of pixel column px of a quad from x = left (u0) to x = right (u1).
double Along(double px, double left, double right, double u0, double u1)
{
    return u0 + (u1 - u0) * (px - left) / (right - left);
}

std::string Hex(uint32_t v)
{
    char buf[16];
    snprintf(buf, sizeof buf, "%08X", v);
    return buf;
}

class SoftwareDeviceDraws : public SoftwareDeviceTest {
protected:
    // Writes the back buffer directly, so that both paths of a comparison
    // start from the same pixels.
    void FillBackBuffer(const Pixels& pixels)
    {
        IDirect3DSurface9* back = nullptr;
        ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
        D3DLOCKED_RECT lr;
        ASSERT_EQ(back->LockRect(&lr, nullptr, 0), D3D_OK);
        for (int y = 0; y < kHeight; ++y)
            memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &pixels[size_t(y) * kWidth], kWidth * 4);
        back->UnlockRect();
        back->Release();
    }

    void UseFlatColour(uint32_t argb)
    {
        m_device->SetTexture(0, nullptr);
        SetEffect(6, 0, 1.0f, FromArgb(argb));
    }

    // A w x h A8R8G8B8 texture from 0xAARRGGBB words, bound to sampler 0.
    Texels BindArgbTexture(int w, int h, const std::function<uint32_t(int, int)>& argb)
    {
        // The generator is asked once per texel: it may be random.
        std::vector<uint32_t> words;
        Texels t{w, h, {}};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                words.push_back(argb(x, y));
                t.texel.push_back(FromArgb(words.back()));
            }
        m_device->SetTexture(
            0, MakeTexture(w, h, D3DFMT_A8R8G8B8, [&](int x, int y) { return words[size_t(y) * w + x]; }));
        return t;
    }

    void SetFilters(DWORD mag, DWORD min = D3DTEXF_POINT)
    {
        m_device->SetSamplerState(0, D3DSAMP_MAGFILTER, mag);
        m_device->SetSamplerState(0, D3DSAMP_MINFILTER, min);
    }

    void SetFastPaths(bool on) { Soft().Raster().SetFastPaths(on); }
};

// ---- coverage ---------------------------------------------------------------------

// Covered: the pixel centre lies inside, or on the left or top edge.
bool CentreInside(double px, double py, const RectCase& r)
{
    const double l = std::min(r.left, r.right), rr = std::max(r.left, r.right);
    const double t = std::min(r.top, r.bottom), b = std::max(r.top, r.bottom);
    return px >= l && px < rr && py >= t && py < b;
}

TEST_F(SoftwareDeviceDraws, QuadsCoverPixelCentresByTheTopLeftRule)
{
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        for (const RectCase& c : kCoverageRects) {
            SCOPED_TRACE(std::string(c.name) + (fast ? " (fast path)" : " (general path)"));
            Clear(kBlack);
            UseFlatColour(0xFFFFFFFF);
            DrawQuad(Quad(c.left, c.top, c.right, c.bottom));
            const Pixels px = ReadBack();
            int wrong = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    const uint32_t want = CentreInside(x, y, c) ? 0xFFFFFFFFu : kBlack;
                    if (At(px, x, y) != want && ++wrong <= 3)
                        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << Hex(At(px, x, y)) << ", want "
                                      << Hex(want);
                }
            EXPECT_EQ(wrong, 0);
        }
    }
}

TEST_F(SoftwareDeviceDraws, PositionsThatAreNotNumbersDrawNothing)
{
    const std::vector<std::vector<Vertex>> shapes = {
        Quad(kNaN, 10, 50, 50),
        Quad(10, 10, kInf, 50),
        Quad(-kInf, -kInf, kInf, kInf),
        {Vertex{10, 10, 0, 1, 0, 0}, Vertex{kNaN, 50, 0, 1, 0, 0}, Vertex{10, 50, 0, 1, 0, 0}}};
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        Clear(kBlack);
        UseFlatColour(0xFFFFFFFF);
        for (const auto& s : shapes) Draw(s.size() == 3 ? D3DPT_TRIANGLELIST : D3DPT_TRIANGLESTRIP, s);
        Draw(D3DPT_LINELIST, {Vertex{kNaN, 5, 0, 1, 0, 0}, Vertex{50, 5, 0, 1, 0, 0}});
        const Pixels px = ReadBack();
        EXPECT_EQ(std::count(px.begin(), px.end(), kBlack), long(px.size()));
    }
}

// Translucent colour over black: a pixel drawn once reads 102, twice 163.
constexpr uint32_t kTranslucent = 0x66FFFFFF;
constexpr int kOnce = 102;

TEST_F(SoftwareDeviceDraws, SharedEdgesAreDrawnOnce)
{
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        SCOPED_TRACE(fast ? "fast path" : "general path");
        Clear(kBlack);
        UseFlatColour(kTranslucent);
        // Side by side on a pixel centre and between centres, one above the
        // other, and a strip of three quads sharing its inner edges.
        DrawQuad(Quad(10, 10, 30, 20));
        DrawQuad(Quad(30, 10, 50.5f, 20));
        DrawQuad(Quad(50.5f, 10, 70, 20));
        DrawQuad(Quad(10, 20, 70, 35.5f));
        DrawQuad(Quad(10, 35.5f, 70, 50));
        Draw(D3DPT_TRIANGLESTRIP,
             {Vertex{80, 10, 0, 1, 0, 0}, Vertex{80, 50, 0, 1, 0, 0}, Vertex{95.5f, 10, 0, 1, 0, 0},
              Vertex{95.5f, 50, 0, 1, 0, 0}, Vertex{120, 10, 0, 1, 0, 0}, Vertex{120, 50, 0, 1, 0, 0}});
        const Pixels px = ReadBack();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool inside =
                    (x >= 10 && x < 70 && y >= 10 && y < 50) || (x >= 80 && x < 120 && y >= 10 && y < 50);
                ASSERT_EQ(Channel(At(px, x, y), 8), inside ? kOnce : 0) << "at (" << x << ", " << y << ")";
            }
    }
}

// Cutting a rectangle into triangles in different ways must cover it
// exactly: every pixel once, nothing outside.
TEST_F(SoftwareDeviceDraws, TriangulationsOfARectangleDrawEachPixelOnce)
{
    std::mt19937 rng(7);
    // Corners anywhere on a 1/256-pixel grid, a little beyond the target too.
    std::uniform_int_distribution<int> cornerX(-10 * 256, (kWidth + 10) * 256);
    std::uniform_int_distribution<int> cornerY(-10 * 256, (kHeight + 10) * 256);
    std::uniform_real_distribution<float> unit(0.05f, 0.95f);
    for (int round = 0; round < 40; ++round) {
        float l = cornerX(rng) / 256.0f, r = cornerX(rng) / 256.0f;
        float t = cornerY(rng) / 256.0f, b = cornerY(rng) / 256.0f;
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        const Vertex tl{l, t, 0, 1, 0, 0}, tr{r, t, 0, 1, 0, 0}, bl{l, b, 0, 1, 0, 0}, br{r, b, 0, 1, 0, 0};
        // An inner point anywhere, and one on the top edge.
        const Vertex in{l + (r - l) * unit(rng), t + (b - t) * unit(rng), 0, 1, 0, 0};
        const Vertex onTop{l + (r - l) * unit(rng), t, 0, 1, 0, 0};
        const RectCase rect{"", l, t, r, b};
        const std::vector<std::pair<D3DPRIMITIVETYPE, std::vector<Vertex>>> cuts = {
            {D3DPT_TRIANGLEFAN, {in, tl, tr, br, bl, tl}},
            {D3DPT_TRIANGLELIST, {tl, tr, in, tr, br, in, br, bl, in, bl, tl, in}},
            {D3DPT_TRIANGLEFAN, {onTop, tr, br, bl, tl}},
            {D3DPT_TRIANGLELIST, {tl, br, tr, tl, bl, br}},
        };
        for (const auto& cut : cuts) {
            Clear(kBlack);
            UseFlatColour(kTranslucent);
            Draw(cut.first, cut.second);
            const Pixels px = ReadBack();
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x)
                    ASSERT_EQ(Channel(At(px, x, y), 8), CentreInside(x, y, rect) ? kOnce : 0)
                        << "rectangle " << l << ", " << t << " - " << r << ", " << b << ", inner point " << in.x << ", "
                        << in.y << ", pixel (" << x << ", " << y << ")";
        }
    }
}

TEST_F(SoftwareDeviceDraws, CullModesFollowTheWindingOnScreen)
{
    // The engine's strip order winds clockwise on the screen (y down);
    // swapping left and right mirrors it.
    const struct {
        DWORD cull;
        bool mirrored;
        bool drawn;
    } cases[] = {
        {D3DCULL_NONE, false, true}, {D3DCULL_NONE, true, true}, {D3DCULL_CW, false, false},
        {D3DCULL_CW, true, true},    {D3DCULL_CCW, false, true}, {D3DCULL_CCW, true, false},
    };
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        for (const auto& c : cases) {
            SCOPED_TRACE("cull " + std::to_string(c.cull) + (c.mirrored ? " mirrored" : "") + (fast ? " fast" : ""));
            m_device->SetRenderState(D3DRS_CULLMODE, c.cull);
            Clear(kBlack);
            UseFlatColour(0xFFFFFFFF);
            DrawQuad(c.mirrored ? Quad(40, 10, 20, 30) : Quad(20, 10, 40, 30));
            // A triangle list wound the same way as the strip's first triangle.
            Draw(D3DPT_TRIANGLELIST,
                 c.mirrored ? std::vector<Vertex>{{80, 10, 0, 1, 0, 0}, {60, 10, 0, 1, 0, 0}, {80, 30, 0, 1, 0, 0}}
                            : std::vector<Vertex>{{60, 10, 0, 1, 0, 0}, {80, 10, 0, 1, 0, 0}, {60, 30, 0, 1, 0, 0}});
            const Pixels px = ReadBack();
            EXPECT_EQ(At(px, 30, 20), c.drawn ? 0xFFFFFFFFu : kBlack);
            EXPECT_EQ(At(px, 65, 12), c.drawn ? 0xFFFFFFFFu : kBlack);
        }
    }
}

// ---- sampling ---------------------------------------------------------------------

struct SamplingCase {
    const char* name;
    float left, top, right, bottom;
    float u0, v0, u1, v1;
    DWORD mag, min;
    int tolerance;
    bool linearExpected; // which formula gives the expected texel
};

TEST_F(SoftwareDeviceDraws, SamplingFollowsTheFilterAndAddressingRules)
{
    constexpr int W = 5, H = 4;
    const float du = 0.5f / W, dv = 0.5f / H;
    // No texel boundary falls on a pixel centre: there the two sides of
    // the boundary are equally right, and rounding decides.
    const SamplingCase cases[] = {
        // The engine's half-texel offset puts every 1:1 pixel centre on a
        // texel centre, so both filters give the texels themselves.
        {"1:1 point", 20, 30, 20 + W, 30 + H, du, dv, 1 + du, 1 + dv, D3DTEXF_POINT, D3DTEXF_POINT, 0, false},
        {"1:1 linear", 20, 30, 20 + W, 30 + H, du, dv, 1 + du, 1 + dv, D3DTEXF_LINEAR, D3DTEXF_POINT, 0, false},
        {"magnified 2.5 x point", 10, 10, 10 + 2.5f * W, 10 + 2.5f * H, du, dv, 1 + du, 1 + dv, D3DTEXF_POINT,
         D3DTEXF_POINT, 0, false},
        {"magnified 2.5 x linear", 10, 10, 10 + 2.5f * W, 10 + 2.5f * H, du, dv, 1 + du, 1 + dv, D3DTEXF_LINEAR,
         D3DTEXF_POINT, 1, true},
        {"magnified 3 x linear, mirrored", 60, 10, 60 - 3.0f * W, 10 + 3.0f * H, 0, 0, 1, 1, D3DTEXF_LINEAR,
         D3DTEXF_POINT, 1, true},
        {"minified: the point minification filter wins", 100, 50, 100 + 0.5f * W * 2, 50 + 0.5f * H * 2, 0.05f, 0.05f,
         2.05f, 2.05f, D3DTEXF_LINEAR, D3DTEXF_POINT, 0, false},
        {"minified with a linear minification filter", 100, 50, 100 + 0.5f * W * 2, 50 + 0.5f * H * 2, 0.05f, 0.05f,
         2.05f, 2.05f, D3DTEXF_POINT, D3DTEXF_LINEAR, 1, true},
        {"outside 0..1 clamps, point", 30, 60, 30 + 4.0f * W, 60 + 4.0f * H, -0.45f, -0.7f, 1.55f, 1.8f, D3DTEXF_POINT,
         D3DTEXF_POINT, 0, false},
        {"outside 0..1 clamps, linear", 30, 60, 30 + 4.0f * W, 60 + 4.0f * H, -0.45f, -0.7f, 1.55f, 1.8f,
         D3DTEXF_LINEAR, D3DTEXF_POINT, 1, true},
    };
    std::mt19937 rng(3);
    const Texels tex = BindArgbTexture(W, H, [&](int, int) { return 0xFF000000u | (rng() & 0xFFFFFF); });
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        for (const SamplingCase& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (fast ? " (fast path)" : " (general path)"));
            SetFilters(c.mag, c.min);
            Clear(kBlack);
            UnbindShader();
            DrawQuad(Quad(c.left, c.top, c.right, c.bottom, c.u0, c.v0, c.u1, c.v1));
            const Pixels px = ReadBack();
            const RectCase rect{"", c.left, c.top, c.right, c.bottom};
            for (int y = 0; y < kHeight; ++y)
                for (int x = 0; x < kWidth; ++x) {
                    if (!CentreInside(x, y, rect)) {
                        ASSERT_EQ(At(px, x, y), kBlack);
                        continue;
                    }
                    const double s = Along(x, c.left, c.right, c.u0, c.u1) * W;
                    const double t = Along(y, c.top, c.bottom, c.v0, c.v1) * H;
                    const Float4 want = c.linearExpected ? LinearSample(tex, s, t) : PointSample(tex, s, t);
                    ASSERT_LE(ColourDistance(At(px, x, y), Opaque(want)), c.tolerance)
                        << "pixel (" << x << ", " << y << ") is " << Hex(At(px, x, y)) << ", want "
                        << Hex(Opaque(want));
                }
        }
    }
}

TEST_F(SoftwareDeviceDraws, WrapAddressingRepeatsTheTexture)
{
    constexpr int W = 4, H = 4;
    std::mt19937 rng(5);
    const Texels tex = BindArgbTexture(W, H, [&](int, int) { return 0xFF000000u | (rng() & 0xFFFFFF); });
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    UnbindShader();
    const float du = 0.5f / W;
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        Clear(kBlack);
        DrawQuad(Quad(10, 10, 10 + 3 * W, 10 + 2 * H, -1 + du, -1 + du, 2 + du, 1 + du));
        const Pixels px = ReadBack();
        for (int y = 10; y < 10 + 2 * H; ++y)
            for (int x = 10; x < 10 + 3 * W; ++x)
                ASSERT_EQ(At(px, x, y), Opaque(tex.At((x - 10) % W, (y - 10) % H))) << x << ", " << y;
    }
}

TEST_F(SoftwareDeviceDraws, MirroredImageShowsTheTextureReversed)
{
    // The engine mirrors with a negative scale: right lies left of left.
    constexpr int W = 6, H = 3;
    std::mt19937 rng(11);
    const Texels tex = BindArgbTexture(W, H, [&](int, int) { return 0xFF000000u | (rng() & 0xFFFFFF); });
    UnbindShader();
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        Clear(kBlack);
        DrawQuad(ImageQuad(50, 20, W, H, -1, 1));
        const Pixels px = ReadBack();
        for (int y = 20; y < 20 + H; ++y) {
            EXPECT_EQ(At(px, 50, y), kBlack); // the left edge, now on the right, is out
            EXPECT_EQ(At(px, 50 - W - 1, y), kBlack);
            // Pixel 49 is half a texel plus one from the u = du edge.
            for (int i = 0; i < W; ++i)
                EXPECT_EQ(At(px, 49 - i, y), Opaque(tex.At(std::min(i + 1, W - 1), y - 20))) << "column " << 49 - i;
        }
    }
}

// ---- texture formats ------------------------------------------------------------

TEST_F(SoftwareDeviceDraws, TextureFormatsConvertAsHardwareDoes)
{
    const uint32_t background = 0xFF3060A0;
    const struct {
        const char* name;
        D3DFORMAT format;
        uint32_t raw; // in the format's own layout
        Float4 texel; // as the sampler must see it
    } cases[] = {
        {"A8R8G8B8", D3DFMT_A8R8G8B8, 0x80FF8040, Float4{1.0f, 128 / 255.0f, 64 / 255.0f, 128 / 255.0f}},
        {"A8R8G8B8 clear", D3DFMT_A8R8G8B8, 0x00FF8040, Float4{1.0f, 128 / 255.0f, 64 / 255.0f, 0.0f}},
        {"X8R8G8B8 ignores its top byte", D3DFMT_X8R8G8B8, 0x12FF8040, Float4{1.0f, 128 / 255.0f, 64 / 255.0f, 1.0f}},
        {"R5G6B5", D3DFMT_R5G6B5, (17u << 11) | (45u << 5) | 3u, Float4{17 / 31.0f, 45 / 63.0f, 3 / 31.0f, 1.0f}},
        {"R5G6B5 extremes", D3DFMT_R5G6B5, (31u << 11) | 1u, Float4{1.0f, 0.0f, 1 / 31.0f, 1.0f}},
        {"A8", D3DFMT_A8, 0x40, Float4{0.0f, 0.0f, 0.0f, 64 / 255.0f}},
    };
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        for (bool shader : {false, true}) {
            for (const auto& c : cases) {
                SCOPED_TRACE(std::string(c.name) + (shader ? " through function 0" : " without a shader") +
                             (fast ? " (fast path)" : " (general path)"));
                m_device->SetTexture(0, MakeTexture(3, 2, c.format, [&](int, int) { return c.raw; }));
                if (shader)
                    SetEffect(0, 14, 1.0f, Float4{0, 0, 0, 0});
                else
                    UnbindShader();
                Clear(background);
                DrawQuad(ImageQuad(10, 10, 3, 2));
                const Pixels px = ReadBack();
                EXPECT_LE(ColourDistance(At(px, 11, 11), Over(c.texel, background)), 1)
                    << Hex(At(px, 11, 11)) << " want " << Hex(Over(c.texel, background));
                EXPECT_EQ(At(px, 11, 11) >> 24, 0xFFu);
            }
        }
    }
}

TEST_F(SoftwareDeviceDraws, WithoutATextureTheTexelIsOpaqueBlack)
{
    m_device->SetTexture(0, nullptr);
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        Clear(0xFFFFFFFF);
        UnbindShader();
        DrawQuad(Quad(10, 10, 20, 20));
        SetEffect(0, 14, 0.5f, Float4{0, 0, 0, 0}); // the fade applies to that texel too
        DrawQuad(Quad(30, 10, 40, 20));
        const Pixels px = ReadBack();
        EXPECT_EQ(At(px, 15, 15), kBlack);
        EXPECT_LE(ColourDistance(At(px, 35, 15), Over(Float4{0, 0, 0, 0.5f}, 0xFFFFFFFF)), 1);
    }
}

// ---- lines ------------------------------------------------------------------------

TEST_F(SoftwareDeviceDraws, LinesStepThroughPixelCentresAndLeaveOutTheirEnd)
{
    using Points = std::set<std::pair<int, int>>;
    const struct {
        const char* name;
        float x0, y0, x1, y1;
        Points pixels;
    } cases[] = {
        {"horizontal", 10, 10, 14, 10, {{10, 10}, {11, 10}, {12, 10}, {13, 10}}},
        {"horizontal, backwards", 14, 10, 10, 10, {{14, 10}, {13, 10}, {12, 10}, {11, 10}}},
        {"vertical", 5, 5, 5, 9, {{5, 5}, {5, 6}, {5, 7}, {5, 8}}},
        {"diagonal", 0, 0, 4, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {"diagonal, up and left", 24, 24, 20, 20, {{24, 24}, {23, 23}, {22, 22}, {21, 21}}},
        {"shallow", 0, 20, 6, 22, {{0, 20}, {1, 20}, {2, 21}, {3, 21}, {4, 21}, {5, 22}}},
        {"steep", 40, 0, 41, 3, {{40, 0}, {40, 1}, {41, 2}}},
        {"between centres", 10.5f, 3, 14.5f, 3, {{11, 3}, {12, 3}, {13, 3}, {14, 3}}},
        {"clipped at the left edge", -5, 30, 3, 30, {{0, 30}, {1, 30}, {2, 30}}},
        {"clipped at the bottom", 70, 118, 70, 125, {{70, 118}, {70, 119}}},
        {"across the whole target", -1e30f, 50, 1e30f, 50, {}},
        {"zero length", 8, 8, 8, 8, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Clear(kBlack);
        UseFlatColour(0xFFFFFFFF);
        Draw(D3DPT_LINELIST, {Vertex{c.x0, c.y0, 0, 1, 0, 0}, Vertex{c.x1, c.y1, 0, 1, 0, 0}});
        const Pixels px = ReadBack();
        Points want = c.pixels;
        if (std::string(c.name) == "across the whole target")
            for (int x = 0; x < kWidth; ++x) want.insert({x, 50});
        Points got;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (At(px, x, y) != kBlack) got.insert({x, y});
        EXPECT_EQ(got, want);
    }
}

TEST_F(SoftwareDeviceDraws, ClosedLineStripDrawsEachCornerOnce)
{
    // The engine's one-pixel rectangle outline: five vertices, the last
    // back at the first. Translucent, so a pixel drawn twice would show.
    const float x = 10, y = 20, w = 100, h = 50;
    Clear(kBlack);
    UseFlatColour(kTranslucent);
    Draw(D3DPT_LINESTRIP, {Vertex{x, y, 0, 1, 0, 0}, Vertex{x + w, y, 0, 1, 0, 0}, Vertex{x + w, y + h, 0, 1, 0, 0},
                           Vertex{x, y + h, 0, 1, 0, 0}, Vertex{x, y, 0, 1, 0, 0}});
    const Pixels px = ReadBack();
    int drawn = 0;
    for (int py = 0; py < kHeight; ++py)
        for (int px_ = 0; px_ < kWidth; ++px_) {
            const bool onOutline = ((py == 20 || py == 70) && px_ >= 10 && px_ <= 110) ||
                                   ((px_ == 10 || px_ == 110) && py >= 20 && py <= 70);
            ASSERT_EQ(Channel(At(px, px_, py), 16), onOutline ? kOnce : 0) << "at (" << px_ << ", " << py << ")";
            drawn += onOutline;
        }
    EXPECT_EQ(drawn, 2 * int(w + h));
}

TEST_F(SoftwareDeviceDraws, TexturedLinesSampleAlongTheLine)
{
    constexpr int W = 8;
    std::mt19937 rng(13);
    const Texels tex = BindArgbTexture(W, 1, [&](int, int) { return 0xFF000000u | (rng() & 0xFFFFFF); });
    UnbindShader();
    Clear(kBlack);
    const float du = 0.5f / W;
    Draw(D3DPT_LINELIST, {Vertex{20, 5, 0, 1, du, 0.5f}, Vertex{20 + W, 5, 0, 1, 1 + du, 0.5f}});
    const Pixels px = ReadBack();
    for (int i = 0; i < W; ++i) EXPECT_EQ(At(px, 20 + i, 5), Opaque(tex.At(i, 0))) << i;
}

// ---- blending ---------------------------------------------------------------------

TEST_F(SoftwareDeviceDraws, TranslucentQuadsBlendInDrawingOrder)
{
    const uint32_t background = 0xFF204080;
    const uint32_t first = 0x99F01010;       // flat colour, alpha 0.6
    const uint32_t secondTexel = 0x4010E0C0; // texel, alpha 0.25
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        SCOPED_TRACE(fast ? "fast path" : "general path");
        Clear(background);
        UseFlatColour(first);
        DrawQuad(Quad(10, 10, 50, 50));
        BindArgbTexture(1, 1, [&](int, int) { return secondTexel; });
        SetEffect(0, 14, 1.0f, Float4{0, 0, 0, 0});
        DrawQuad(Quad(30, 30, 70, 70, 0.5f, 0.5f, 0.5f, 0.5f));
        const Pixels px = ReadBack();
        const uint32_t afterFirst = Over(FromArgb(first), background);
        EXPECT_LE(ColourDistance(At(px, 20, 20), afterFirst), 1);
        EXPECT_LE(ColourDistance(At(px, 40, 40), Over(FromArgb(secondTexel), afterFirst)), 1);
        EXPECT_LE(ColourDistance(At(px, 60, 60), Over(FromArgb(secondTexel), background)), 1);
        EXPECT_EQ(At(px, 5, 5), background);
    }
}

TEST_F(SoftwareDeviceDraws, BlendFactorsOneAndZeroReplaceTheTarget)
{
    const uint32_t colour = 0x40C08020;
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        for (bool enabled : {false, true}) {
            m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, enabled);
            m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
            m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
            Clear(0xFFFFFFFF);
            UseFlatColour(colour);
            DrawQuad(Quad(0, 0, 8, 8));
            EXPECT_EQ(At(ReadBack(), 4, 4), Opaque(FromArgb(colour)));
        }
    }
    // Additive blending goes the general way and saturates.
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    m_device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    m_device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    Clear(0xFF808080);
    UseFlatColour(0xFFA04010);
    DrawQuad(Quad(0, 0, 8, 8));
    EXPECT_EQ(At(ReadBack(), 4, 4), 0xFFFFC090u);
}

// ---- the effect program -------------------------------------------------------------

TEST_F(SoftwareDeviceDraws, EffectFunctionsGiveWhatTheProgramComputes)
{
    const uint32_t background = 0xFF406080;
    const float sixth = 1.0f / 6.0f;
    const Float4 neutral{0.5f, 0.5f, 0.5f, 0.5f};
    const auto colourOf = [](uint32_t argb) { // the engine's (byte − 1) / 254
        return Float4{(Channel(argb, 16) - 1) / 254.0f, (Channel(argb, 8) - 1) / 254.0f,
                      (Channel(argb, 0) - 1) / 254.0f, ((argb >> 24) - 1) / 254.0f};
    };
    const struct {
        const char* name;
        int function, blend;
        float alpha;
        Float4 color;
        D3DFORMAT format;
    } cases[] = {
        {"plain", 0, 14, 1.0f, neutral, D3DFMT_A8R8G8B8},
        {"plain, faded", 0, 14, 0.5f, neutral, D3DFMT_A8R8G8B8},
        {"tint, neutral hue", 1, 14, 1.0f, colourOf(0x80FF4080), D3DFMT_A8R8G8B8},
        {"tint and hue rotation", 1, 14, 0.7f, Float4{0.5f, 0.5f, 0.5f, 0.5f + sixth}, D3DFMT_A8R8G8B8},
        {"grey level", 2, 0, 1.0f, neutral, D3DFMT_A8R8G8B8},
        {"darkest level", 2, 6, 1.0f, neutral, D3DFMT_A8R8G8B8},
        {"level 13", 2, 13, 0.8f, neutral, D3DFMT_A8R8G8B8},
        {"brightest level", 2, 21, 1.0f, neutral, D3DFMT_X8R8G8B8},
        {"darkening with tint", 3, 10, 1.0f, colourOf(0x80C0A060), D3DFMT_A8R8G8B8},
        {"brightening with tint, faded", 3, 18, 0.4f, colourOf(0x80FF80C0), D3DFMT_R5G6B5},
        {"darkening with hue rotation", 3, 8, 1.0f, colourOf(0x2A8080FF), D3DFMT_A8R8G8B8},
        {"silhouette", 4, 0, 0, Float4{1.0f, 0.2f, 0.4f, 0.8f}, D3DFMT_A8},
        {"silhouette of a colour image", 4, 0, 0, Float4{0.0f, 0.6f, 1.0f, 1.0f}, D3DFMT_A8R8G8B8},
        {"glow", 5, 0, 0, Float4{1.0f, 1.0f, 1.0f, 1.0f}, D3DFMT_A8},
        {"glow on a colour image", 5, 0, 0, Float4{0.2f, 0.9f, 0.5f, 0.7f}, D3DFMT_A8R8G8B8},
        {"flat colour", 6, 0, 0, Float4{0.25f, 0.5f, 0.75f, 0.6f}, D3DFMT_A8R8G8B8},
        {"flat colour, unknown function", 100, 0, 0, Float4{0.9f, 0.1f, 0.3f, 1.0f}, D3DFMT_A8},
    };
    // Texels: pure red, grey, a translucent colour, a clear one, a bright
    // one and a dark one.
    const uint32_t argb[6] = {0xFFFF0000, 0xFF808080, 0x80C04020, 0x00FFFFFF, 0xFFF0F0E0, 0xC0102030};
    const uint8_t coverage[6] = {255, 128, 64, 0, 200, 1};
    for (bool fast : {true, false}) {
        SetFastPaths(fast);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (fast ? " (fast path)" : " (general path)"));
            Texels t{6, 1, {}};
            IDirect3DTexture9* tex = MakeTexture(6, 1, c.format, [&](int x, int) -> uint32_t {
                switch (c.format) {
                case D3DFMT_A8: return coverage[x];
                case D3DFMT_R5G6B5:
                    return ((argb[x] >> 8) & 0xF800) | ((argb[x] >> 5) & 0x07E0) | ((argb[x] >> 3) & 0x001F);
                default: return argb[x];
                }
            });
            for (int x = 0; x < 6; ++x) {
                switch (c.format) {
                case D3DFMT_A8: t.texel.push_back(Float4{0, 0, 0, coverage[x] / 255.0f}); break;
                case D3DFMT_R5G6B5:
                    t.texel.push_back(Float4{float((argb[x] >> 19) & 31) / 31, float((argb[x] >> 10) & 63) / 63,
                                             float((argb[x] >> 3) & 31) / 31, 1.0f});
                    break;
                case D3DFMT_X8R8G8B8: t.texel.push_back(FromArgb(argb[x] | 0xFF000000u)); break;
                default: t.texel.push_back(FromArgb(argb[x])); break;
                }
            }
            m_device->SetTexture(0, tex);
            SetEffect(c.function, c.blend, c.alpha, c.color);
            Clear(background);
            DrawQuad(ImageQuad(10, 10, 6, 1));
            const Pixels px = ReadBack();
            d3d9::EffectConstants k;
            k.function = c.function;
            k.blend = c.blend;
            k.alpha = c.alpha;
            k.color = c.color;
            for (int x = 0; x < 6; ++x) {
                const uint32_t want = Over(d3d9::EffectPixel(k, t.At(x, 0)), background);
                EXPECT_LE(ColourDistance(At(px, 10 + x, 10), want), 1)
                    << "texel " << x << ": " << Hex(At(px, 10 + x, 10)) << ", want " << Hex(want);
            }
        }
    }
}

// ---- fast paths against the general one ---------------------------------------------

TEST_F(SoftwareDeviceDraws, FastPathsAgreeWithTheGeneralPathOnRandomDraws)
{
    std::mt19937 rng(2024);
    const auto uniform = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    const auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A8};
    const uint64_t fastBefore = Soft().Raster().Stats().fastQuads;
    constexpr int kRounds = 600;
    Pixels background(size_t(kWidth) * kHeight);
    for (int round = 0; round < kRounds; ++round) {
        std::ostringstream what;
        // A texture of random size and contents; alpha mostly 0 or 255 as
        // in sprites, sometimes anything.
        const D3DFORMAT format = formats[pick(4)];
        const int w = 1 + pick(24), h = 1 + pick(24);
        const int alphaMode = pick(3);
        IDirect3DTexture9* tex = MakeTexture(w, h, format, [&](int, int) -> uint32_t {
            const uint32_t a = alphaMode == 0 ? (pick(2) ? 255u : 0u) : alphaMode == 1 ? rng() & 255 : 255u;
            return (a << 24) | (rng() & 0xFFFFFF);
        });
        const bool textured = pick(10) != 0;
        m_device->SetTexture(0, textured ? tex : nullptr);
        what << "format " << format << " " << w << "x" << h << (textured ? "" : " unbound");

        // A quad at 1:1 with the engine's offsets, mirrored, or scaled.
        const float left = std::round(uniform(-40, kWidth + 10) * 4) / 4;
        const float top = std::round(uniform(-40, kHeight + 10) * 4) / 4;
        float sx = 1, sy = 1;
        switch (pick(4)) {
        case 0: break;
        case 1: sx = -1; break;
        case 2: sx = uniform(0.3f, 4.0f), sy = uniform(0.3f, 4.0f); break;
        default: sx = uniform(-4.0f, 4.0f), sy = uniform(-2.0f, 2.0f); break;
        }
        std::vector<Vertex> quad = ImageQuad(left, top, w, h, sx, sy);
        if (pick(4) == 0) {
            const float u0 = uniform(-0.5f, 1.5f), u1 = uniform(-0.5f, 1.5f);
            const float v0 = uniform(-0.5f, 1.5f), v1 = uniform(-0.5f, 1.5f);
            quad = Quad(quad[0].x, quad[0].y, quad[3].x, quad[3].y, u0, v0, u1, v1);
        }
        what << " quad " << quad[0].x << "," << quad[0].y << " - " << quad[3].x << "," << quad[3].y << " uv "
             << quad[0].u << "," << quad[0].v << " - " << quad[3].u << "," << quad[3].v;

        SetFilters(pick(3) == 0 ? D3DTEXF_LINEAR : D3DTEXF_POINT);
        const DWORD address = pick(5) == 0 ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
        m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, address);
        m_device->SetSamplerState(0, D3DSAMP_ADDRESSV, address);

        // The program: none, or the effect with constants as the engine
        // sets them (bytes as (b − 1) / 254, hue mostly neutral).
        if (pick(8) == 0) {
            UnbindShader();
            what << " no shader";
        } else {
            const int function = pick(8);
            const int blend = pick(22);
            const float alphas[] = {1.0f, 1.0f, 2.0f, uniform(0, 1), 0.0f};
            const float alpha = alphas[pick(5)];
            const auto byte = [&](bool hue) {
                if (hue && pick(3) != 0) return 0.5f;
                const int b = pick(5) == 0 ? 128 : pick(256);
                return (b - 1) / 254.0f;
            };
            Float4 color{byte(false), byte(false), byte(false), byte(true)};
            if (function >= 4) color = Float4{uniform(0, 1.2f), uniform(0, 1), uniform(0, 1), uniform(0, 1)};
            SetEffect(function, blend, alpha, color);
            what << " function " << function << " blend " << blend << " alpha " << alpha << " colour " << color.r << ","
                 << color.g << "," << color.b << "," << color.a;
        }
        const int blendMode = pick(10);
        m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, blendMode != 0);
        m_device->SetRenderState(D3DRS_SRCBLEND, blendMode == 1 ? D3DBLEND_ONE : D3DBLEND_SRCALPHA);
        m_device->SetRenderState(D3DRS_DESTBLEND, blendMode == 1 ? D3DBLEND_ZERO : D3DBLEND_INVSRCALPHA);
        what << " blend mode " << blendMode;

        const bool simd = pick(2) == 0 && d3d9::Sse2SpanKernels();
        Soft().Raster().SetSpanKernels(simd ? *d3d9::Sse2SpanKernels() : d3d9::ScalarSpanKernels());
        Soft().Raster().SetLinearKernels(simd ? *d3d9::Sse2LinearKernels() : d3d9::ScalarLinearKernels());
        what << (simd ? " SSE2 kernels" : " scalar kernels");

        for (uint32_t& p : background) p = rng() | 0xFF000000u; // targets are opaque
        Pixels fast, general;
        SetFastPaths(true);
        FillBackBuffer(background);
        DrawQuad(quad);
        fast = ReadBack();
        SetFastPaths(false);
        FillBackBuffer(background);
        DrawQuad(quad);
        general = ReadBack();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const uint32_t a = At(fast, x, y), b = At(general, x, y);
                ASSERT_LE(ColourDistance(a, b), 1) << "round " << round << ": " << what.str() << "\npixel (" << x
                                                   << ", " << y << "): fast " << Hex(a) << ", general " << Hex(b);
                ASSERT_EQ(a >> 24, 0xFFu);
            }
    }
    Soft().Raster().SetSpanKernels(d3d9::SelectSpanKernels());
    Soft().Raster().SetLinearKernels(d3d9::SelectLinearKernels());
    // Most of those draws must really have gone the fast way.
    EXPECT_GT(Soft().Raster().Stats().fastQuads - fastBefore, uint64_t(kRounds / 2));
}

TEST_F(SoftwareDeviceDraws, EngineSpritesTakeTheFastPath)
{
    const struct {
        const char* name;
        int function, blend;
        float alpha;
        Float4 color;
        float scale; // both axes, magnified linearly as the engine does
    } cases[] = {
        {"plain", 0, 14, 1.0f, {0, 0, 0, 0}, 1},
        {"faded", 0, 14, 0.5f, {0, 0, 0, 0}, 1},
        {"tinted and darkened", 3, 10, 1.0f, {0.75f, 0.5f, 0.25f, 0.5f}, 1},
        {"brightened", 2, 18, 1.0f, {0, 0, 0, 0}, 1},
        {"hue rotated", 1, 14, 1.0f, {0.5f, 0.5f, 0.5f, 0.7f}, 1},
        {"grey, faded", 2, 0, 0.5f, {0, 0, 0, 0}, 1},
        {"text", 4, 0, 0.0f, {1, 1, 1, 1}, 1},
        {"rectangle", 6, 0, 0.0f, {1, 0, 0, 0.5f}, 1},
        {"scaled", 0, 14, 1.0f, {0, 0, 0, 0}, 2.5f},
        {"scaled and tinted", 3, 10, 1.0f, {0.75f, 0.5f, 0.25f, 0.5f}, 1.5f},
    };
    BindArgbTexture(16, 16, [](int x, int y) { return uint32_t(x * 16) << 24 | uint32_t(y * 16); });
    for (const auto& c : cases) {
        const uint64_t before = Soft().Raster().Stats().fastQuads;
        SetEffect(c.function, c.blend, c.alpha, c.color);
        SetFilters(c.scale == 1 ? D3DTEXF_POINT : D3DTEXF_LINEAR);
        Clear(kBlack);
        DrawQuad(ImageQuad(7, 9, 16, 16, c.scale, c.scale));
        EXPECT_EQ(Soft().Raster().Stats().fastQuads, before + 1) << c.name;
    }
}

// ---- repeated draws ----------------------------------------------------------------

// A sprite drawn again with the same constants reads a copy of its texture
// with the program's colour mapping already applied: it must write exactly
// the bytes of the first draw, which mapped each texel on the way.
TEST_F(SoftwareDeviceDraws, RepeatedDrawsWriteTheBytesOfTheFirst)
{
    const auto byte = [](int b) { return (b - 1) / 254.0f; };
    const struct {
        const char* name;
        int function, blend;
        float alpha;
        Float4 color;
    } cases[] = {
        {"hue rotated", 1, 14, 1.0f, {0.5f, 0.5f, 0.5f, byte(160)}},
        {"tint and hue, faded", 1, 14, 0.6f, {byte(200), byte(90), byte(128), byte(40)}},
        {"grey level", 2, 0, 1.0f, {0, 0, 0, 0}},
        {"tinted and darkened", 3, 10, 1.0f, {byte(0xC0), byte(0xA0), byte(0x60), 0.5f}},
        {"brightened with a strong tint", 3, 21, 1.0f, {byte(255), byte(1), byte(255), 0.5f}},
        {"level and hue, faded", 3, 8, 0.3f, {byte(140), byte(128), byte(100), byte(250)}},
        {"tint with a negative channel", 1, 14, 1.0f, {byte(0), byte(128), byte(128), 0.5f}},
    };
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_A8};
    std::mt19937 rng(7);
    Pixels background(size_t(kWidth) * kHeight);
    for (uint32_t& p : background) p = rng() | 0xFF000000u;
    for (const auto& c : cases)
        for (const D3DFORMAT format : formats)
            for (const bool blending : {true, false})
                for (const float sx : {1.0f, -1.0f}) {
                    SCOPED_TRACE(std::string(c.name) + " format " + std::to_string(format) +
                                 (blending ? " blended" : " opaque") + (sx < 0 ? " mirrored" : ""));
                    // Clear, soft-edged and opaque texels, many colours.
                    IDirect3DTexture9* tex = MakeTexture(40, 30, format, [&](int x, int) -> uint32_t {
                        const uint32_t a = x < 4 ? 0u : x < 8 ? rng() & 255 : 255u;
                        return format == D3DFMT_A8 ? rng() & 255 : a << 24 | (rng() & 0xFFFFFF);
                    });
                    m_device->SetTexture(0, tex);
                    SetEffect(c.function, c.blend, c.alpha, c.color);
                    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, blending);
                    const size_t copiesBefore = Soft().Raster().Quads().MappedCopies().Copies();
                    Pixels first;
                    for (int draw = 0; draw < 3; ++draw) {
                        FillBackBuffer(background);
                        DrawQuad(ImageQuad(sx < 0 ? 100.0f : 10.0f, 7, 40, 30, sx, 1));
                        const Pixels px = ReadBack();
                        if (draw == 0) {
                            first = px;
                            continue;
                        }
                        for (size_t i = 0; i < px.size(); ++i)
                            ASSERT_EQ(px[i], first[i])
                                << "draw " << draw << " pixel " << i % kWidth << ", " << i / kWidth;
                    }
                    // The second draw really went through a copy.
                    EXPECT_EQ(Soft().Raster().Quads().MappedCopies().Copies(), copiesBefore + 1);
                }
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
}

TEST_F(SoftwareDeviceDraws, ChangedOrReplacedTexturesAreMappedAfresh)
{
    SetEffect(1, 14, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.7f});
    const auto drawTwice = [&] {
        Pixels px;
        for (int draw = 0; draw < 2; ++draw) {
            Clear(kBlack);
            DrawQuad(ImageQuad(3, 3, 8, 8));
            px = ReadBack();
        }
        return px;
    };
    // The copy made from red texels must not outlive their change to green.
    IDirect3DTexture9* tex = MakeTexture(8, 8, D3DFMT_A8R8G8B8, [](int, int) { return 0xFFFF0000u; });
    m_device->SetTexture(0, tex);
    const Pixels red = drawTwice();
    D3DLOCKED_RECT lr;
    ASSERT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3D_OK);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const uint32_t green = 0xFF00FF00u;
            memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch + x * 4, &green, 4);
        }
    tex->UnlockRect(0);
    const Pixels green = drawTwice();
    const d3d9::EffectConstants k{1, 14, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.7f}};
    EXPECT_LE(ColourDistance(At(red, 5, 5), Over(d3d9::EffectPixel(k, FromArgb(0xFFFF0000u)), kBlack)), 1);
    EXPECT_LE(ColourDistance(At(green, 5, 5), Over(d3d9::EffectPixel(k, FromArgb(0xFF00FF00u)), kBlack)), 1);

    // A texture released takes its copies with it; a new one, wherever the
    // allocator puts it, is mapped from its own texels.
    const size_t copies = Soft().Raster().Quads().MappedCopies().Copies();
    m_device->SetTexture(0, nullptr);
    m_textures.erase(std::find(m_textures.begin(), m_textures.end(), tex));
    tex->Release();
    EXPECT_EQ(Soft().Raster().Quads().MappedCopies().Copies(), copies - 2); // red and green
    for (const uint32_t argb : {0xFF0000FFu, 0xFFFFFF00u, 0xFF00FFFFu}) {
        IDirect3DTexture9* next = MakeTexture(8, 8, D3DFMT_A8R8G8B8, [&](int, int) { return argb; });
        m_device->SetTexture(0, next);
        EXPECT_LE(ColourDistance(At(drawTwice(), 5, 5), Over(d3d9::EffectPixel(k, FromArgb(argb)), kBlack)), 1)
            << Hex(argb);
        m_device->SetTexture(0, nullptr);
        m_textures.pop_back();
        next->Release();
    }
}

// A magnified sprite drawn again at the same size writes its filtered
// pixels from a kept copy, wherever it stands: the bytes must be those of a
// first draw of the same texels at the same place.
TEST_F(SoftwareDeviceDraws, RepeatedScaledDrawsWriteTheBytesOfAFirstDraw)
{
    const struct {
        const char* name;
        bool shader;
        int function, blend;
        float alpha;
        Float4 color;
    } cases[] = {
        {"plain", true, 0, 14, 1.0f, {0, 0, 0, 0}},
        {"faded", true, 0, 14, 0.4f, {0, 0, 0, 0}},
        {"tinted and darkened", true, 3, 10, 1.0f, {0.75f, 0.5f, 0.25f, 0.5f}},
        {"brightened, faded", true, 2, 18, 0.7f, {0, 0, 0, 0}},
        {"no shader", false, 0, 0, 0, {0, 0, 0, 0}},
    };
    // Inside, sticking out of each edge, half-pixel and off-grid corners.
    const struct {
        float x, y;
    } places[] = {{20, 15}, {-9, 40}, {130, -11}, {60, 100}, {-30, -30}, {33.5f, 12}, {40.3f, 22.7f}, {20, 15}};
    std::mt19937 rng(11);
    Pixels background(size_t(kWidth) * kHeight);
    for (uint32_t& p : background) p = rng() | 0xFF000000u;
    SetFilters(D3DTEXF_LINEAR);
    for (const auto& c : cases)
        for (const float scale : {2.0f, 1.5f})
            for (const bool blending : {true, false}) {
                SCOPED_TRACE(std::string(c.name) + " scale " + std::to_string(scale) +
                             (blending ? " blended" : " opaque"));
                // Clear margins, a soft rim and an opaque middle, many colours.
                std::vector<uint32_t> texels(24 * 20);
                const auto fill = [&] {
                    for (int y = 0; y < 20; ++y)
                        for (int x = 0; x < 24; ++x) {
                            const int edge = std::min({x, y, 23 - x, 19 - y});
                            const uint32_t a = edge < 3 ? 0u : edge < 5 ? rng() & 255 : 255u;
                            texels[size_t(y) * 24 + x] = a << 24 | (rng() & 0xFFFFFF);
                        }
                };
                fill();
                const auto texelAt = [&](int x, int y) { return texels[size_t(y) * 24 + x]; };
                IDirect3DTexture9* kept = MakeTexture(24, 20, D3DFMT_A8R8G8B8, texelAt);
                if (c.shader)
                    SetEffect(c.function, c.blend, c.alpha, c.color);
                else
                    UnbindShader();
                m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, blending);
                const size_t quadsBefore = Soft().Raster().Quads().FilteredQuads().Quads();
                const auto draw = [&](IDirect3DTexture9* tex, float x, float y) {
                    m_device->SetTexture(0, tex);
                    FillBackBuffer(background);
                    DrawQuad(ImageQuad(x, y, 24, 20, scale, scale));
                    return ReadBack();
                };
                for (int round = 0; round < 2; ++round) {
                    for (const auto& at : places) {
                        const Pixels got = draw(kept, at.x, at.y);
                        // A new texture's first draw takes the path that filters.
                        IDirect3DTexture9* fresh = MakeTexture(24, 20, D3DFMT_A8R8G8B8, texelAt);
                        const Pixels want = draw(fresh, at.x, at.y);
                        for (size_t i = 0; i < got.size(); ++i)
                            ASSERT_EQ(got[i], want[i]) << "at " << at.x << ", " << at.y << " pixel " << i % kWidth
                                                       << ", " << i / kWidth << " round " << round;
                    }
                    // New texels under the same texture: nothing kept may show.
                    fill();
                    D3DLOCKED_RECT lr;
                    ASSERT_EQ(kept->LockRect(0, &lr, nullptr, 0), D3D_OK);
                    for (int y = 0; y < 20; ++y)
                        memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &texels[size_t(y) * 24], 24 * 4);
                    kept->UnlockRect(0);
                }
                EXPECT_GT(Soft().Raster().Quads().FilteredQuads().Quads(), quadsBefore);
            }
    m_device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    SetFilters(D3DTEXF_POINT);
}

// Point-sampled sprites of one size take the texel columns and rows of the
// draw before when their corners lie on the 1/256 grid, wherever they
// stand: every draw must write the bytes that computing them afresh gives.
TEST_F(SoftwareDeviceDraws, SpritesOfOneSizeSampleTheSameTexelsWhereverTheyStand)
{
    constexpr int W = 17, H = 13;
    const float du = 0.5f / W, dv = 0.5f / H;
    const struct {
        const char* name;
        float left, top, right, bottom, u0, v0, u1, v1;
        DWORD address;
        float dx, dy;  // where the draw before stands, relative to this one
        bool sameAxes; // that draw's columns and rows serve this one
    } cases[] = {
        {"engine sprite", 20, 15, 20 + W, 15 + H, du, dv, 1 + du, 1 + dv, D3DTADDRESS_CLAMP, 31, 17, true},
        {"quarter-pixel corners", 20.25f, 15.75f, 20.25f + W, 15.75f + H, du, dv, 1 + du, 1 + dv, D3DTADDRESS_CLAMP, 9,
         -4, true},
        {"mirrored", 20 + W, 15, 20, 15 + H, du, dv, 1 + du, 1 + dv, D3DTADDRESS_CLAMP, -12, 30, true},
        {"magnified unevenly", 20, 15, 61, 44, 0.1f, 0.2f, 0.9f, 0.7f, D3DTADDRESS_CLAMP, 50, 40, true},
        {"wrapped three times", 20, 15, 20 + 3 * W, 15 + 2 * H, -1 + du, -1 + dv, 2 + du, 1 + dv, D3DTADDRESS_WRAP, 7,
         3, true},
        {"clipped on the left and top", -6, -5, -6 + W, -5 + H, du, dv, 1 + du, 1 + dv, D3DTADDRESS_CLAMP, 0, 0, true},
        {"clipped, the draw before not", -6, -5, -6 + W, -5 + H, du, dv, 1 + du, 1 + dv, D3DTADDRESS_CLAMP, 30, 30,
         false},
        {"the draw before a quarter pixel over", 20, 15, 20 + W, 15 + H, du, dv, 1 + du, 1 + dv, D3DTADDRESS_CLAMP,
         10.25f, 5.75f, false},
        {"corners off the grid", 20.3f, 15.1f, 20.3f + W, 15.1f + H, du, dv, 1 + du, 1 + dv, D3DTADDRESS_CLAMP, 5, 5,
         false},
        {"another texture size", 20, 15, 20 + W, 15 + H, du, dv, 1 + du, 1 + dv, D3DTADDRESS_CLAMP, 31, 17, false},
    };
    std::mt19937 rng(23);
    Pixels background(size_t(kWidth) * kHeight);
    for (uint32_t& p : background) p = rng() | 0xFF000000u;
    const auto texels = [&](int, int) -> uint32_t {
        const uint32_t a = rng() % 3 == 0 ? 0u : rng() % 2 ? 255u : rng() & 255;
        return a << 24 | (rng() & 0xFFFFFF);
    };
    IDirect3DTexture9* drawn = MakeTexture(W, H, D3DFMT_A8R8G8B8, texels);
    IDirect3DTexture9* before = MakeTexture(W, H, D3DFMT_A8R8G8B8, texels);
    IDirect3DTexture9* otherSize = MakeTexture(W + 1, H + 1, D3DFMT_A8R8G8B8, texels);
    const Float4 tint{0.75f, 0.5f, 0.25f, 0.5f};
    for (const bool tinted : {false, true})
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (tinted ? ", tinted" : ", plain"));
            SetEffect(tinted ? 3 : 0, tinted ? 10 : 14, 1.0f, tinted ? tint : Float4{0, 0, 0, 0});
            m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, c.address);
            m_device->SetSamplerState(0, D3DSAMP_ADDRESSV, c.address);
            const auto quadAt = [&](float dx, float dy) {
                return Quad(c.left + dx, c.top + dy, c.right + dx, c.bottom + dy, c.u0, c.v0, c.u1, c.v1);
            };
            // Afresh: the draw before had another width and height.
            m_device->SetTexture(0, before);
            DrawQuad(Quad(1, 1, 4, 3, 0, 0, 1, 1));
            m_device->SetTexture(0, drawn);
            FillBackBuffer(background);
            DrawQuad(quadAt(0, 0));
            const Pixels want = ReadBack();
            // After a draw of another texture elsewhere.
            m_device->SetTexture(0, std::string(c.name) == "another texture size" ? otherSize : before);
            DrawQuad(quadAt(c.dx, c.dy));
            m_device->SetTexture(0, drawn);
            FillBackBuffer(background);
            const uint64_t keptBefore = Soft().Raster().Quads().KeptTexelAxes();
            DrawQuad(quadAt(0, 0));
            const Pixels got = ReadBack();
            EXPECT_EQ(Soft().Raster().Quads().KeptTexelAxes() - keptBefore, c.sameAxes ? 2u : 0u);
            for (size_t i = 0; i < got.size(); ++i)
                ASSERT_EQ(got[i], want[i]) << "pixel " << i % kWidth << ", " << i / kWidth;
        }
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    m_device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
}

// ---- span kernels -----------------------------------------------------------------

TEST(SoftwareSpanKernels, ByteBlendIsTheRoundedFormula)
{
    // Every source byte, destination byte and alpha: round((s·a + d·(255 − a)) / 255).
    const d3d9::SpanKernels* sets[] = {&d3d9::ScalarSpanKernels(), d3d9::Sse2SpanKernels()};
    std::vector<uint32_t> src(256), dst(256);
    for (const d3d9::SpanKernels* k : sets) {
        if (!k) continue;
        for (uint32_t a = 0; a < 256; ++a)
            for (uint32_t d = 0; d < 256; ++d) {
                for (uint32_t s = 0; s < 256; ++s) {
                    src[s] = a << 24 | s << 16 | (255 - s) << 8 | s;
                    dst[s] = 0xFF000000u | d << 16 | d << 8 | (255 - d);
                }
                k->blend(dst.data(), src.data(), 256);
                for (uint32_t s = 0; s < 256; ++s) {
                    const auto exact = [&](uint32_t sv, uint32_t dv) {
                        return (2 * (sv * a + dv * (255 - a)) + 255) / 510;
                    };
                    const uint32_t want = 0xFF000000u | exact(s, d) << 16 | exact(255 - s, d) << 8 | exact(s, 255 - d);
                    ASSERT_EQ(dst[s], want) << k->name << " s " << s << " d " << d << " a " << a;
                }
            }
    }
}

TEST(SoftwareSpanKernels, WeightedBlendStaysWithinOneStepOfTheFormula)
{
    // Faded alpha: a 15-bit weight per alpha byte instead of the byte itself.
    std::mt19937 rng(99);
    uint16_t weightOfAlpha[256];
    for (uint16_t& w : weightOfAlpha) w = uint16_t(rng() % 32768);
    const d3d9::SpanKernels& k = d3d9::ScalarSpanKernels();
    std::vector<uint32_t> src(4096), dst(4096), before;
    for (size_t i = 0; i < src.size(); ++i) {
        src[i] = rng();
        dst[i] = rng() | 0xFF000000u;
    }
    before = dst;
    k.blendFaded(dst.data(), src.data(), weightOfAlpha, int(dst.size()));
    for (size_t i = 0; i < src.size(); ++i)
        for (int shift : {16, 8, 0}) {
            const double a = weightOfAlpha[src[i] >> 24] / 32768.0;
            const double exact = Channel(src[i], shift) * a + Channel(before[i], shift) * (1 - a);
            ASSERT_LE(std::fabs(Channel(dst[i], shift) - exact), 0.5 + 1.0 / 32) << i;
        }
}

TEST(SoftwareSpanKernels, SimdAndScalarGiveTheSameBytes)
{
    const d3d9::SpanKernels* sets[] = {d3d9::Sse2SpanKernels(), d3d9::Avx2SpanKernels()};
    if (!sets[0]) GTEST_SKIP() << "built without SSE2";
    const d3d9::SpanKernels& scalar = d3d9::ScalarSpanKernels();
    std::mt19937 rng(1);
    for (int round = 0; round < 600; ++round) {
        const int n = int(rng() % 70);
        const int offset = int(rng() % 4); // unaligned starts too
        std::vector<uint32_t> src(size_t(n + 4)), dst(size_t(n + 4));
        // Alpha anything, opaque, clear or opaque, or in runs of eight of
        // each kind (what the kernels' shortcuts look for).
        const int alphaMode = int(rng() % 4);
        const uint32_t runAlpha[3] = {0, 255, uint32_t(rng() & 255)};
        for (size_t i = 0; i < src.size(); ++i) {
            uint32_t a = alphaMode == 0   ? rng() & 255
                         : alphaMode == 1 ? 255
                         : alphaMode == 2 ? (rng() & 1) * 255
                                          : (i % 8 == 0 ? runAlpha[rng() % 3] : src[i - 1] >> 24);
            src[i] = a << 24 | (rng() & 0xFFFFFF);
            dst[i] = rng() | 0xFF000000u; // targets are opaque
        }
        uint32_t red[256], green[256], blue[256];
        for (int i = 0; i < 256; ++i) {
            red[i] = (rng() & 255) << 16;
            green[i] = (rng() & 255) << 8;
            blue[i] = rng() & 255;
        }
        const d3d9::ChannelMap map{red, green, blue};
        const auto factor = [&] { return int(rng() % 65535) - 32767; };
        const d3d9::ChannelScale scale{factor(), factor(), factor()};
        uint16_t weightOfAlpha[256];
        for (uint16_t& v : weightOfAlpha) v = uint16_t(rng() % 4 == 0 ? 0 : rng() % 32768);
        const uint32_t colour = rng();
        const uint32_t alpha = rng() & 255;
        const uint16_t weight = uint16_t(rng() % 32768);
        const auto run = [&](const d3d9::SpanKernels& k, int which) {
            std::vector<uint32_t> out = dst;
            uint32_t* o = out.data() + offset;
            const uint32_t* s = src.data() + offset;
            const int m = n - offset > 0 ? n - offset : 0;
            switch (which) {
            case 0: k.copy(o, s, m); break;
            case 1: k.blend(o, s, m); break;
            case 2: k.blendMapped(o, s, map, m); break;
            case 3: k.blendScaled(o, s, scale, m); break;
            case 4: k.blendFaded(o, s, weightOfAlpha, m); break;
            case 5: k.fill(o, colour, m); break;
            case 6: k.fillBlend(o, colour, alpha, m); break;
            default: k.fillBlendWeighted(o, colour, weight, m); break;
            }
            return out;
        };
        for (const d3d9::SpanKernels* set : sets)
            for (int which = 0; set && which < 8; ++which)
                ASSERT_EQ(run(*set, which), run(scalar, which))
                    << set->name << " kernel " << which << " round " << round;
    }
}

TEST(SoftwareSpanKernels, FadedBlendGivesTheSameBytesInEverySetForEveryWeightAndDifference)
{
    // The faded blend's result depends on the weight and on the difference
    // between source and target byte only (the target itself is a multiple
    // of 64 in the formula): every weight times every difference, with
    // targets of every value along the way, covers every case a set can
    // compute differently.
    const d3d9::SpanKernels* sets[] = {d3d9::Sse2SpanKernels(), d3d9::Avx2SpanKernels()};
    const d3d9::SpanKernels& scalar = d3d9::ScalarSpanKernels();
    std::vector<uint32_t> src(512), dst(512);
    for (int i = 0; i < 512; ++i) {
        const int t = std::min(i, 510) - 255; // source − target
        const auto pair = [&](int salt, int shift) {
            const int room = 256 - std::abs(t), d = (i * salt) % room + std::max(0, -t);
            src[size_t(i)] |= uint32_t(d + t) << shift;
            dst[size_t(i)] |= uint32_t(d) << shift;
        };
        src[size_t(i)] = 0xFF000000u;
        dst[size_t(i)] = 0xFF000000u;
        pair(37, 16);
        pair(101, 8);
        pair(7, 0);
    }
    std::vector<uint16_t> weightOfAlpha(256);
    for (int w = 0; w < 32768; ++w) {
        std::fill(weightOfAlpha.begin(), weightOfAlpha.end(), uint16_t(w));
        std::vector<uint32_t> want = dst;
        scalar.blendFaded(want.data(), src.data(), weightOfAlpha.data(), 512);
        for (const d3d9::SpanKernels* set : sets) {
            if (!set) continue;
            std::vector<uint32_t> got = dst;
            set->blendFaded(got.data(), src.data(), weightOfAlpha.data(), 512);
            ASSERT_EQ(got, want) << set->name << " weight " << w;
        }
    }
}

TEST(SoftwareSpanKernels, LinearFilterSetsAndHalvesGiveTheSameBytes)
{
    // Every set's filter against the plain one, and each set's two halves
    // (filter, then write: the path for kept filtered pixels) against the
    // whole horizontal pass.
    const d3d9::LinearKernels* sets[] = {&d3d9::ScalarLinearKernels(), d3d9::Sse2LinearKernels(),
                                         d3d9::Avx2LinearKernels()};
    const d3d9::LinearKernels& scalar = d3d9::ScalarLinearKernels();
    std::mt19937 rng(4);
    for (int round = 0; round < 600; ++round) {
        const int count = 1 + int(rng() % 40), n = int(rng() % 70);
        std::vector<uint32_t> top(static_cast<size_t>(count)), bottom(static_cast<size_t>(count));
        std::vector<uint32_t> dst(static_cast<size_t>(n));
        // Texels of any alpha, or sprite-like: mostly clear or opaque.
        const bool spriteLike = rng() % 2 == 0;
        const auto texel = [&] {
            const uint32_t v = rng();
            if (!spriteLike) return v;
            const uint32_t kind = rng() % 8;
            return (v & 0xFFFFFF) | (kind < 4 ? 0u : kind < 7 ? 0xFF000000u : v & 0xFF000000u);
        };
        for (uint32_t& t : top) t = texel();
        for (uint32_t& b : bottom) b = rng() % 4 == 0 ? texel() : 0u;
        for (uint32_t& d : dst) d = rng() | 0xFF000000u;
        const int wy = int(rng() % 32768);
        std::vector<int16_t> filteredScalar(size_t(count) * 4);
        scalar.vertical(top.data(), bottom.data(), count, wy, filteredScalar.data());

        std::vector<d3d9::LinearColumn> columns(static_cast<size_t>(n));
        for (auto& c : columns)
            c = d3d9::LinearColumn{int(rng() % unsigned(count)), int(rng() % unsigned(count)), int(rng() % 32768)};
        const int fade = rng() % 2 ? d3d9::kNoFade : int(rng() % 32768);
        const auto factor = [&] { return int(rng() % 65535) - 32767; };
        const d3d9::ChannelScale scale =
            rng() % 3 == 0 ? d3d9::kUnscaled : d3d9::ChannelScale{factor(), factor(), factor()};
        for (const d3d9::LinearKernels* set : sets) {
            if (!set) continue;
            std::vector<int16_t> filtered(size_t(count) * 4);
            set->vertical(top.data(), bottom.data(), count, wy, filtered.data());
            ASSERT_EQ(filtered, filteredScalar) << set->name << " round " << round;
            for (bool blend : {false, true}) {
                std::vector<uint32_t> whole = dst, halves = dst, want = dst;
                scalar.horizontal(want.data(), filteredScalar.data(), columns.data(), n, scale, fade, blend);
                set->horizontal(whole.data(), filteredScalar.data(), columns.data(), n, scale, fade, blend);
                std::vector<int16_t> pixels(size_t(n) * 4);
                set->filter(pixels.data(), filteredScalar.data(), columns.data(), n);
                set->write(halves.data(), pixels.data(), n, scale, fade, blend);
                ASSERT_EQ(whole, want) << set->name << " round " << round << (blend ? " blending" : "");
                ASSERT_EQ(halves, want) << set->name << " halves, round " << round << (blend ? " blending" : "");
            }
        }
    }
}

// ---- getting frames out ---------------------------------------------------------------

TEST_F(SoftwareDeviceDraws, ClearAndReadBackGiveOpaquePixels)
{
    Clear(0x00123456); // a clear alpha byte: the target still reads opaque
    const Pixels px = ReadBack();
    ASSERT_EQ(px.size(), size_t(kWidth) * kHeight);
    EXPECT_EQ(std::count(px.begin(), px.end(), 0xFF123456u), long(px.size()));
}

TEST_F(SoftwareDeviceDraws, SavedPngHoldsTheBackBuffer)
{
    std::mt19937 rng(17);
    BindArgbTexture(32, 24, [&](int, int) { return rng(); });
    UnbindShader();
    Clear(0xFF102030);
    DrawQuad(ImageQuad(20, 30, 32, 24, 2, 2));
    const Pixels px = ReadBack();

    char path[] = "/tmp/kesto_software_device_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    IDirect3DSurface9* back = nullptr;
    ASSERT_EQ(m_device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
    EXPECT_EQ(D3DXSaveSurfaceToFileA(path, D3DXIFF_PNG, back, nullptr, nullptr), D3D_OK);
    back->Release();

    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, path), 0) << image.message;
    image.format = PNG_FORMAT_BGRA; // little-endian 0xAARRGGBB words
    ASSERT_EQ(image.width, png_uint_32(kWidth));
    ASSERT_EQ(image.height, png_uint_32(kHeight));
    Pixels decoded(size_t(kWidth) * kHeight);
    ASSERT_NE(png_image_finish_read(&image, nullptr, decoded.data(), 0, nullptr), 0) << image.message;
    unlink(path);
    EXPECT_EQ(decoded, px);
}

TEST_F(SoftwareDeviceDraws, PresentShowsTheBackBufferInTheWindow)
{
    UseFlatColour(0xFFC08040);
    Clear(0xFF000010);
    DrawQuad(Quad(10, 10, 30, 20));
    ASSERT_EQ(m_device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    SDL_Window* window = sdl::WindowOf(m_window);
    ASSERT_NE(window, nullptr);
    SDL_Surface* surface = SDL_GetWindowSurface(window);
    if (!surface) GTEST_SKIP() << "the video driver " << SDL_GetCurrentVideoDriver() << " gives windows no surface";
    const auto pixel = [&](int x, int y) {
        Uint32 v = 0;
        const Uint8* p =
            static_cast<const Uint8*>(surface->pixels) + y * surface->pitch + x * surface->format->BytesPerPixel;
        memcpy(&v, p, surface->format->BytesPerPixel);
        Uint8 r, g, b;
        SDL_GetRGB(v, surface->format, &r, &g, &b);
        return uint32_t(0xFF000000u | r << 16 | g << 8 | b);
    };
    EXPECT_EQ(pixel(15, 15), 0xFFC08040u);
    EXPECT_EQ(pixel(5, 5), 0xFF000010u);
}

} // namespace
} // namespace kes::test
