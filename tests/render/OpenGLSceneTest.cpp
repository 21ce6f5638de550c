// The OpenGL device against the software device: every kind of scene the
// software device's own tests check against the rules (coverage, culling,
// sampling, formats, lines, blending, the effect program) drawn on both and
// compared pixel by pixel. Colours may differ by two levels per channel
// (the GPU rounds filtered texels and blends its own way); one-pixel lines
// are compared by coverage, since OpenGL's line rule is not Direct3D's in
// every half-pixel case.
//
// The OpenGL device must be there: on this machine and in CI, Mesa's
// llvmpipe gives a context through EGL on SDL's offscreen driver. A machine
// without one fails these tests rather than skipping them.
#include "CoverageCases.h"
#include "DeviceRig.h"

#include <KesPlatform.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

namespace kes::test {
namespace {

constexpr uint32_t kBlack = 0xFF000000u;
constexpr int kColourTolerance = 2;
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

using Scene = std::function<void(DeviceRig&)>;

class OpenGLMatchesSoftware : public DevicePairTest {
protected:
    // Draws the scene on both devices and compares the frames.
    void ExpectSameColours(const std::string& name, const Scene& scene, int tolerance = kColourTolerance)
    {
        SCOPED_TRACE(name);
        scene(m_soft);
        scene(m_gl);
        EXPECT_EQ(ColourDifferences(m_soft.ReadBack(), m_gl.ReadBack(), tolerance), "");
    }

    void ExpectSameCoverage(const std::string& name, const Scene& scene, uint32_t background, int slack)
    {
        SCOPED_TRACE(name);
        scene(m_soft);
        scene(m_gl);
        EXPECT_EQ(CoverageDifferences(m_soft.ReadBack(), m_gl.ReadBack(), background, slack), "");
    }
};

std::vector<Vertex> Strip(std::initializer_list<std::pair<float, float>> points)
{
    std::vector<Vertex> v;
    for (const auto& p : points) v.push_back(Vertex{p.first, p.second, 0, 1, 0, 0});
    return v;
}

// ---- coverage -----------------------------------------------------------------

TEST_F(OpenGLMatchesSoftware, QuadsCoverTheSamePixels)
{
    for (const RectCase& c : kCoverageRects)
        ExpectSameColours(c.name, [&](DeviceRig& d) {
            d.Clear(kBlack);
            d.UseFlatColour(0xFFFFFFFF);
            d.DrawQuad(Quad(c.left, c.top, c.right, c.bottom));
        }, 0);
}

TEST_F(OpenGLMatchesSoftware, SharedEdgesAndTriangulationsDrawEachPixelOnce)
{
    ExpectSameColours("quads and a strip sharing edges", [](DeviceRig& d) {
        d.Clear(kBlack);
        d.UseFlatColour(0x66FFFFFF);
        d.DrawQuad(Quad(10, 10, 30, 20));
        d.DrawQuad(Quad(30, 10, 50.5f, 20));
        d.DrawQuad(Quad(50.5f, 10, 70, 20));
        d.DrawQuad(Quad(10, 20, 70, 35.5f));
        d.DrawQuad(Quad(10, 35.5f, 70, 50));
        d.Draw(D3DPT_TRIANGLESTRIP, Strip({{80, 10}, {80, 50}, {95.5f, 10}, {95.5f, 50}, {120, 10}, {120, 50}}));
    }, 0);
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> cornerX(-10 * 256, (DeviceRig::kWidth + 10) * 256);
    std::uniform_int_distribution<int> cornerY(-10 * 256, (DeviceRig::kHeight + 10) * 256);
    std::uniform_real_distribution<float> unit(0.05f, 0.95f);
    for (int round = 0; round < 10; ++round) {
        float l = float(cornerX(rng)) / 256.0f, r = float(cornerX(rng)) / 256.0f;
        float t = float(cornerY(rng)) / 256.0f, b = float(cornerY(rng)) / 256.0f;
        if (l > r) std::swap(l, r);
        if (t > b) std::swap(t, b);
        const Vertex tl{l, t, 0, 1, 0, 0}, tr{r, t, 0, 1, 0, 0}, bl{l, b, 0, 1, 0, 0}, br{r, b, 0, 1, 0, 0};
        const Vertex in{l + (r - l) * unit(rng), t + (b - t) * unit(rng), 0, 1, 0, 0};
        const std::pair<D3DPRIMITIVETYPE, std::vector<Vertex>> cuts[] = {
            {D3DPT_TRIANGLEFAN, {in, tl, tr, br, bl, tl}},
            {D3DPT_TRIANGLELIST, {tl, tr, in, tr, br, in, br, bl, in, bl, tl, in}},
            {D3DPT_TRIANGLELIST, {tl, br, tr, tl, bl, br}},
        };
        for (const auto& cut : cuts)
            ExpectSameColours("rectangle cut round " + std::to_string(round), [&](DeviceRig& d) {
                d.Clear(kBlack);
                d.UseFlatColour(0x66FFFFFF);
                d.Draw(cut.first, cut.second);
            }, 0);
    }
}

TEST_F(OpenGLMatchesSoftware, CullModesAndPositionsThatAreNotNumbers)
{
    for (DWORD cull : {D3DCULL_NONE, D3DCULL_CW, D3DCULL_CCW})
        for (bool mirrored : {false, true})
            ExpectSameColours("cull " + std::to_string(cull) + (mirrored ? " mirrored" : ""), [&](DeviceRig& d) {
                d.Device()->SetRenderState(D3DRS_CULLMODE, cull);
                d.Clear(kBlack);
                d.UseFlatColour(0xFFFFFFFF);
                d.DrawQuad(mirrored ? Quad(40, 10, 20, 30) : Quad(20, 10, 40, 30));
                d.Draw(D3DPT_TRIANGLELIST, mirrored ? Strip({{80, 10}, {60, 10}, {80, 30}})
                                                    : Strip({{60, 10}, {80, 10}, {60, 30}}));
                d.Device()->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
            }, 0);
    ExpectSameColours("not numbers", [](DeviceRig& d) {
        d.Clear(kBlack);
        d.UseFlatColour(0xFFFFFFFF);
        d.DrawQuad(Quad(kNaN, 10, 50, 50));
        d.DrawQuad(Quad(10, 10, kInf, 50));
        d.Draw(D3DPT_TRIANGLELIST, Strip({{10, 10}, {kNaN, 50}, {10, 50}}));
        d.DrawQuad(Quad(60, 60, 70, 70)); // and a good quad after them
    }, 0);
}

// ---- sampling -------------------------------------------------------------------

TEST_F(OpenGLMatchesSoftware, SamplingFiltersAndAddressing)
{
    constexpr int W = 5, H = 4;
    const float du = 0.5f / W, dv = 0.5f / H;
    std::mt19937 rng(3);
    std::vector<uint32_t> texels;
    for (int i = 0; i < W * H; ++i) texels.push_back(0xFF000000u | (rng() & 0xFFFFFF));
    const struct {
        const char* name;
        float left, top, right, bottom, u0, v0, u1, v1;
        DWORD mag, min, address;
    } cases[] = {
        {"1:1 point", 20, 30, 20 + W, 30 + H, du, dv, 1 + du, 1 + dv, D3DTEXF_POINT, D3DTEXF_POINT, D3DTADDRESS_CLAMP},
        {"1:1 linear", 20, 30, 20 + W, 30 + H, du, dv, 1 + du, 1 + dv, D3DTEXF_LINEAR, D3DTEXF_POINT,
         D3DTADDRESS_CLAMP},
        {"magnified 2.5 x point", 10, 10, 10 + 2.5f * W, 10 + 2.5f * H, du, dv, 1 + du, 1 + dv, D3DTEXF_POINT,
         D3DTEXF_POINT, D3DTADDRESS_CLAMP},
        {"magnified 2.5 x linear", 10, 10, 10 + 2.5f * W, 10 + 2.5f * H, du, dv, 1 + du, 1 + dv, D3DTEXF_LINEAR,
         D3DTEXF_POINT, D3DTADDRESS_CLAMP},
        {"magnified 3 x linear, mirrored", 60, 10, 60 - 3.0f * W, 10 + 3.0f * H, 0, 0, 1, 1, D3DTEXF_LINEAR,
         D3DTEXF_POINT, D3DTADDRESS_CLAMP},
        {"minified, point minification", 100, 50, 100 + W, 50 + H, 0.05f, 0.05f, 2.05f, 2.05f, D3DTEXF_LINEAR,
         D3DTEXF_POINT, D3DTADDRESS_CLAMP},
        {"minified, linear minification", 100, 50, 100 + W, 50 + H, 0.05f, 0.05f, 2.05f, 2.05f, D3DTEXF_POINT,
         D3DTEXF_LINEAR, D3DTADDRESS_CLAMP},
        {"outside 0..1 clamps, point", 30, 60, 30 + 4.0f * W, 60 + 4.0f * H, -0.45f, -0.7f, 1.55f, 1.8f,
         D3DTEXF_POINT, D3DTEXF_POINT, D3DTADDRESS_CLAMP},
        {"outside 0..1 clamps, linear", 30, 60, 30 + 4.0f * W, 60 + 4.0f * H, -0.45f, -0.7f, 1.55f, 1.8f,
         D3DTEXF_LINEAR, D3DTEXF_POINT, D3DTADDRESS_CLAMP},
        {"wrap repeats", 10, 10, 10 + 3 * W, 10 + 2 * H, -1 + du, -1 + du, 2 + du, 1 + du, D3DTEXF_POINT,
         D3DTEXF_POINT, D3DTADDRESS_WRAP},
        {"the engine's mirrored image", 50 + W, 20, 50, 20 + H, du, dv, 1 + du, 1 + dv, D3DTEXF_POINT,
         D3DTEXF_POINT, D3DTADDRESS_CLAMP},
    };
    for (const auto& c : cases)
        ExpectSameColours(c.name, [&](DeviceRig& d) {
            d.Clear(0xFF204060);
            d.SetEffect(0, 14, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.5f});
            d.BindArgb(W, H, texels);
            d.SetFilters(c.mag, c.min);
            d.Device()->SetSamplerState(0, D3DSAMP_ADDRESSU, c.address);
            d.Device()->SetSamplerState(0, D3DSAMP_ADDRESSV, c.address);
            d.DrawQuad(Quad(c.left, c.top, c.right, c.bottom, c.u0, c.v0, c.u1, c.v1));
            d.SetFilters(D3DTEXF_POINT, D3DTEXF_POINT);
            d.Device()->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
            d.Device()->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        });
}

TEST_F(OpenGLMatchesSoftware, TextureFormatsAndTheMissingTexture)
{
    const struct {
        const char* name;
        D3DFORMAT format;
        uint32_t raw;
    } cases[] = {
        {"A8R8G8B8", D3DFMT_A8R8G8B8, 0x80FF8040},      {"A8R8G8B8 clear", D3DFMT_A8R8G8B8, 0x00FF8040},
        {"X8R8G8B8", D3DFMT_X8R8G8B8, 0x12FF8040},      {"R5G6B5", D3DFMT_R5G6B5, (17u << 11) | (45u << 5) | 3u},
        {"R5G6B5 extremes", D3DFMT_R5G6B5, (31u << 11) | 1u}, {"A8", D3DFMT_A8, 0x40},
    };
    for (bool shader : {false, true})
        for (const auto& c : cases)
            ExpectSameColours(std::string(c.name) + (shader ? " through function 0" : " without a shader"),
                              [&](DeviceRig& d) {
                                  // Texels that vary, so a swapped channel or row shows.
                                  d.Device()->SetTexture(0, d.MakeTexture(7, 3, c.format, [&](int x, int y) {
                                      return c.raw ^ uint32_t(x * 0x1F + y * 0x0700);
                                  }));
                                  if (shader)
                                      d.SetEffect(0, 14, 1.0f, Float4{0, 0, 0, 0});
                                  else
                                      d.UnbindShader();
                                  d.Clear(0xFF3060A0);
                                  d.DrawQuad(ImageQuad(10, 10, 7, 3));
                                  d.DrawQuad(ImageQuad(30, 10, 7, 3, 3, 3));
                              });
    ExpectSameColours("no texture", [](DeviceRig& d) {
        d.Clear(0xFF3060A0);
        d.Device()->SetTexture(0, nullptr);
        d.SetEffect(0, 14, 1.0f, Float4{0, 0, 0, 0});
        d.DrawQuad(Quad(10, 10, 20, 20));
        d.SetEffect(0, 14, 0.5f, Float4{0, 0, 0, 0});
        d.DrawQuad(Quad(30, 10, 40, 20));
    });
}

// ---- lines ------------------------------------------------------------------------

TEST_F(OpenGLMatchesSoftware, LinesCoverTheSamePixels)
{
    const struct {
        const char* name;
        float x0, y0, x1, y1;
    } cases[] = {
        {"horizontal", 10, 10, 14, 10},       {"horizontal, backwards", 14, 10, 10, 10},
        {"vertical", 5, 5, 5, 9},             {"diagonal", 0, 0, 4, 4},
        {"diagonal, up and left", 24, 24, 20, 20}, {"shallow", 0, 20, 6, 22},
        {"steep", 40, 0, 41, 3},              {"between centres", 10.5f, 3, 14.5f, 3},
        {"clipped at the left edge", -5, 30, 3, 30}, {"clipped at the bottom", 70, 118, 70, 125},
        {"long and slanted", 3, 100, 150, 20},
    };
    for (const auto& c : cases)
        ExpectSameCoverage(c.name, [&](DeviceRig& d) {
            d.Clear(kBlack);
            d.UseFlatColour(0xFFFFFFFF);
            d.Draw(D3DPT_LINELIST, {Vertex{c.x0, c.y0, 0, 1, 0, 0}, Vertex{c.x1, c.y1, 0, 1, 0, 0}});
        }, kBlack, 1);
    ExpectSameCoverage("a closed strip", [](DeviceRig& d) {
        d.Clear(kBlack);
        d.UseFlatColour(0x66FFFFFF);
        d.Draw(D3DPT_LINESTRIP, Strip({{20, 20}, {60, 20}, {60, 50}, {20, 50}, {20, 20}}));
    }, kBlack, 2);
    ExpectSameCoverage("a textured line", [](DeviceRig& d) {
        std::vector<uint32_t> texels;
        for (int i = 0; i < 8; ++i) texels.push_back(0xFF000000u | uint32_t(i * 0x203040));
        d.Clear(kBlack);
        d.SetEffect(0, 14, 1.0f, Float4{0, 0, 0, 0});
        d.BindArgb(8, 1, texels);
        d.Draw(D3DPT_LINELIST, {Vertex{20, 5, 0, 1, 0.5f / 8, 0.5f}, Vertex{28, 5, 0, 1, 1 + 0.5f / 8, 0.5f}});
    }, kBlack, 1);
}

// ---- blending and the effect program --------------------------------------------

TEST_F(OpenGLMatchesSoftware, BlendingInDrawingOrder)
{
    ExpectSameColours("translucent quads", [](DeviceRig& d) {
        d.Clear(0xFF102030);
        for (int i = 0; i < 5; ++i) {
            d.UseFlatColour((uint32_t(40 + i * 40) << 24) | (0x00FF8040u >> (i % 3)));
            d.DrawQuad(Quad(10.0f + i * 8, 10.0f + i * 6, 60.0f + i * 8, 50.0f + i * 6));
        }
    });
    ExpectSameColours("blend factors ONE and ZERO", [](DeviceRig& d) {
        d.Clear(0xFF102030);
        d.Device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        d.Device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
        d.UseFlatColour(0x20A04010);
        d.DrawQuad(Quad(0, 0, 8, 8));
        d.Device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        d.Device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
        d.DrawQuad(Quad(10, 0, 18, 8));
        d.Device()->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d.DrawQuad(Quad(20, 0, 28, 8));
        d.Device()->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        d.Device()->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        d.Device()->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    });
}

TEST_F(OpenGLMatchesSoftware, EffectFunctionsGiveTheSameColours)
{
    const float sixth = 1.0f / 6.0f;
    const Float4 neutral{0.5f, 0.5f, 0.5f, 0.5f};
    const struct {
        const char* name;
        int function, blend;
        float alpha;
        Float4 color;
        D3DFORMAT format;
    } cases[] = {
        {"plain", 0, 14, 1.0f, neutral, D3DFMT_A8R8G8B8},
        {"plain, faded", 0, 14, 0.5f, neutral, D3DFMT_A8R8G8B8},
        {"tint, neutral hue", 1, 14, 1.0f, Float4{0.5f, 1.0f, 0.25f, 0.5f}, D3DFMT_A8R8G8B8},
        {"tint and hue rotation", 1, 14, 0.7f, Float4{0.5f, 0.5f, 0.5f, 0.5f + sixth}, D3DFMT_A8R8G8B8},
        {"grey level", 2, 0, 1.0f, neutral, D3DFMT_A8R8G8B8},
        {"darkest level", 2, 6, 1.0f, neutral, D3DFMT_A8R8G8B8},
        {"level 13", 2, 13, 0.8f, neutral, D3DFMT_A8R8G8B8},
        {"brightest level", 2, 21, 1.0f, neutral, D3DFMT_X8R8G8B8},
        {"darkening with tint", 3, 10, 1.0f, Float4{0.75f, 0.62f, 0.37f, 0.5f}, D3DFMT_A8R8G8B8},
        {"brightening with tint, faded", 3, 18, 0.4f, Float4{1.0f, 0.5f, 0.75f, 0.5f}, D3DFMT_R5G6B5},
        {"darkening with hue rotation", 3, 8, 1.0f, Float4{0.5f, 0.5f, 1.0f, 0.16f}, D3DFMT_A8R8G8B8},
        {"silhouette", 4, 0, 0, Float4{1.0f, 0.2f, 0.4f, 0.8f}, D3DFMT_A8},
        {"silhouette of a colour image", 4, 0, 0, Float4{0.0f, 0.6f, 1.0f, 1.0f}, D3DFMT_A8R8G8B8},
        {"glow", 5, 0, 0, Float4{1.0f, 1.0f, 1.0f, 1.0f}, D3DFMT_A8},
        {"glow on a colour image", 5, 0, 0, Float4{0.2f, 0.9f, 0.5f, 0.7f}, D3DFMT_A8R8G8B8},
        {"flat colour", 6, 0, 0, Float4{0.25f, 0.5f, 0.75f, 0.6f}, D3DFMT_A8R8G8B8},
        {"flat colour, unknown function", 100, 0, 0, Float4{0.9f, 0.1f, 0.3f, 1.0f}, D3DFMT_A8},
    };
    const uint32_t argb[6] = {0xFFFF0000, 0xFF808080, 0x80C04020, 0x00FFFFFF, 0xFFF0F0E0, 0xC0102030};
    const uint8_t coverage[6] = {255, 128, 64, 0, 200, 1};
    for (const auto& c : cases)
        ExpectSameColours(c.name, [&](DeviceRig& d) {
            d.Device()->SetTexture(0, d.MakeTexture(6, 1, c.format, [&](int x, int) -> uint32_t {
                switch (c.format) {
                case D3DFMT_A8: return coverage[x];
                case D3DFMT_R5G6B5:
                    return ((argb[x] >> 8) & 0xF800) | ((argb[x] >> 5) & 0x07E0) | ((argb[x] >> 3) & 0x001F);
                default: return argb[x];
                }
            }));
            d.SetEffect(c.function, c.blend, c.alpha, c.color);
            d.Clear(0xFF406080);
            d.DrawQuad(ImageQuad(10, 10, 6, 1));
            // Magnified so that no texel boundary falls on a pixel centre,
            // where either side would be right.
            d.DrawQuad(ImageQuad(10, 20, 6, 1, 2.5f, 2.5f));
        });
}

} // namespace
} // namespace kes::test
