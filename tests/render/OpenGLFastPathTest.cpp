// The OpenGL device's shortcuts against the software device: copies of
// textures through the effect (hue turns, tints, levels) made on the CPU,
// over every texel of scenes in every texture format, and as they follow
// their texture (changed pixels, a released texture, a hue that changes
// every draw, the byte budget, a lost device); the effect reduced to texel x constant, and minifying with the
// magnification filter where a whole draw magnifies. Colours may differ by
// two levels per channel, as in the other scene comparisons.
#include "DeviceRig.h"

#include "d3d9/opengl/GlMagnification.h"
#include "d3d9/opengl/OpenGLDevice.h"

#include <KesPlatform.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace kes::test {
namespace {

constexpr int kColourTolerance = 2;
constexpr float kSixth = 1.0f / 6.0f;

class OpenGLFastPaths : public DevicePairTest {
protected:
    d3d9::OpenGLDevice& Gl() { return *static_cast<d3d9::OpenGLDevice*>(m_gl.Device()); }

    // Draws the scene once on the software device and `glFrames` times on
    // the OpenGL device (copies are made for the second frame), then
    // compares the last frames.
    void ExpectSameColours(const std::string& name, const std::function<void(DeviceRig&)>& scene, int glFrames = 2)
    {
        SCOPED_TRACE(name);
        scene(m_soft);
        for (int i = 0; i < glFrames; ++i) scene(m_gl);
        EXPECT_EQ(ColourDifferences(m_soft.ReadBack(), m_gl.ReadBack(), kColourTolerance), "");
    }
};

// The effect constants a case draws with.
struct Look {
    const char* name;
    int function, blend;
    float fade;
    Float4 color;
};

// Texels from a fixed seed, in the format's own layout.
std::function<uint32_t(int, int)> RandomTexels(D3DFORMAT format, uint32_t seed)
{
    return [format, seed](int x, int y) {
        std::mt19937 rng(seed + uint32_t(y * 4096 + x));
        const uint32_t v = rng();
        switch (format) {
        case D3DFMT_R5G6B5: return v & 0xFFFF;
        case D3DFMT_A8: return v & 0xFF;
        default: return v;
        }
    };
}

TEST_F(OpenGLFastPaths, CopiesThroughTheEffectDrawWhatTheProgramDraws)
{
    const Look looks[] = {
        {"hue byte 160", 1, 14, 1.0f, Float4{0.5f, 0.5f, 0.5f, 159.0f / 254}},
        {"tint and a sixth, faded", 1, 14, 0.6f, Float4{0.75f, 0.5f, 0.3f, 0.5f + kSixth}},
        {"half a turn, brightened tint", 1, 14, 1.0f, Float4{1.0f, 0.9f, 0.6f, 0.0f}},
        {"grey level, then a turn", 3, 0, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.3f}},
        {"darkened, tinted, turned, faded", 3, 9, 0.35f, Float4{0.6f, 0.4f, 0.8f, 0.9f}},
        {"brightest level, turned", 3, 21, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.75f}},
        {"the engine's tint at level 10", 3, 10, 1.0f, Float4{191.0f / 254, 159.0f / 254, 95.0f / 254, 0.5f}},
        {"tint alone, faded", 1, 14, 0.5f, Float4{0.9f, 0.3f, 0.6f, 0.5f}},
        {"darkest level alone", 2, 6, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.5f}},
        {"grey level alone", 2, 0, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.5f}},
    };
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A8};
    for (D3DFORMAT format : formats)
        for (const auto& look : looks) {
            // One texture per case and device, so that each case's first
            // frame runs the program and its second the copy.
            IDirect3DTexture9* textures[2] = {
                m_soft.MakeTexture(64, 48, format, RandomTexels(format, uint32_t(format))),
                m_gl.MakeTexture(64, 48, format, RandomTexels(format, uint32_t(format)))};
            const uint64_t madeBefore = Gl().EffectCopiesMade();
            ExpectSameColours(std::string(look.name) + ", format " + std::to_string(format), [&](DeviceRig& d) {
                d.Clear(0xFF406080);
                d.Device()->SetTexture(0, textures[&d == &m_gl]);
                d.SetEffect(look.function, look.blend, look.fade, look.color);
                d.DrawQuad(ImageQuad(4, 4, 64, 48));                 // every texel once
                // Magnified, point-sampled, no texel edge on a pixel centre.
                d.DrawQuad(ImageQuad(72, 4, 64, 48, 2.5f, 2.5f));
                // Wrapped across the left edge, 1:1.
                d.Device()->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
                const float du = 0.5f / 64, dv = 0.5f / 48;
                d.DrawQuad(Quad(4, 80, 100, 110, -0.5f + du, dv, 1.0f + du, 30.0f / 48 + dv));
                d.Device()->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
            });
            EXPECT_EQ(Gl().EffectCopiesMade(), madeBefore + 1) << look.name;
        }
}

TEST_F(OpenGLFastPaths, CopiesFollowTheirTextureAndAreMadeOnlyForRepeatedDraws)
{
    const Float4 turn{0.5f, 0.6f, 0.4f, 0.5f + kSixth};
    const auto draw = [&](DeviceRig& d, IDirect3DTexture9* t, float hue) {
        d.Clear(0xFF000000);
        d.Device()->SetTexture(0, t);
        d.SetEffect(1, 14, 1.0f, Float4{turn.r, turn.g, turn.b, hue});
        d.DrawQuad(ImageQuad(10, 10, 32, 32));
    };
    IDirect3DTexture9* soft = m_soft.MakeTexture(32, 32, D3DFMT_A8R8G8B8, RandomTexels(D3DFMT_A8R8G8B8, 1));
    IDirect3DTexture9* gl = m_gl.MakeTexture(32, 32, D3DFMT_A8R8G8B8, RandomTexels(D3DFMT_A8R8G8B8, 1));

    // A hue that changes every frame never gets a copy.
    for (int i = 0; i < 20; ++i) draw(m_gl, gl, 0.05f * float(i));
    EXPECT_EQ(Gl().EffectCopiesMade(), 0u);

    // The same hue twice: one copy, kept for later frames.
    ExpectSameColours("repeated", [&](DeviceRig& d) { draw(d, &d == &m_gl ? gl : soft, turn.a); }, 3);
    EXPECT_EQ(Gl().EffectCopiesMade(), 1u);
    EXPECT_EQ(Gl().EffectCopyBytes(), 32u * 32u * 4u);

    // New pixels: the copy of the old ones is never drawn again.
    for (DeviceRig* d : {&m_soft, &m_gl}) {
        IDirect3DTexture9* t = d == &m_gl ? gl : soft;
        D3DLOCKED_RECT lr;
        ASSERT_EQ(t->LockRect(0, &lr, nullptr, 0), D3D_OK);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                static_cast<uint32_t*>(static_cast<void*>(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch))[x] =
                    0xFF000000u | uint32_t(x * 8) << 16 | uint32_t(y * 8);
        t->UnlockRect(0);
    }
    ExpectSameColours("changed pixels, first frame", [&](DeviceRig& d) { draw(d, &d == &m_gl ? gl : soft, turn.a); },
                      1);
    ExpectSameColours("changed pixels, copied", [&](DeviceRig& d) { draw(d, &d == &m_gl ? gl : soft, turn.a); }, 2);
    EXPECT_EQ(Gl().EffectCopiesMade(), 2u);
    EXPECT_EQ(Gl().EffectCopyBytes(), 32u * 32u * 4u) << "the copy of the old pixels stays";

    // Released: its copies go; a texture made afterwards (often at the same
    // address) with other pixels draws its own.
    m_gl.ReleaseTexture(gl);
    m_soft.ReleaseTexture(soft);
    EXPECT_EQ(Gl().EffectCopyBytes(), 0u);
    soft = m_soft.MakeTexture(32, 32, D3DFMT_A8R8G8B8, RandomTexels(D3DFMT_A8R8G8B8, 2));
    gl = m_gl.MakeTexture(32, 32, D3DFMT_A8R8G8B8, RandomTexels(D3DFMT_A8R8G8B8, 2));
    ExpectSameColours("a later texture", [&](DeviceRig& d) { draw(d, &d == &m_gl ? gl : soft, turn.a); }, 1);
    ExpectSameColours("a later texture, copied", [&](DeviceRig& d) { draw(d, &d == &m_gl ? gl : soft, turn.a); });
    EXPECT_EQ(Gl().EffectCopiesMade(), 3u);

    // Linear filtering blends texels before the program: no copy for that.
    m_gl.SetFilters(D3DTEXF_LINEAR, D3DTEXF_LINEAR);
    m_soft.SetFilters(D3DTEXF_LINEAR, D3DTEXF_LINEAR);
    ExpectSameColours("filtered", [&](DeviceRig& d) {
        d.Clear(0xFF000000);
        d.Device()->SetTexture(0, &d == &m_gl ? gl : soft);
        d.SetEffect(1, 14, 1.0f, turn);
        d.DrawQuad(ImageQuad(10, 10, 32, 32, 2.5f, 2.5f));
    }, 3);
    EXPECT_EQ(Gl().EffectCopiesMade(), 3u);
}

TEST_F(OpenGLFastPaths, CopiesStayWithinTheirBudgetAndGoWithALostDevice)
{
    // Each texture's copy is 1 MiB: more of them than the budget holds.
    constexpr int kSide = 512;
    const size_t copyBytes = size_t(kSide) * kSide * 4;
    const int count = int(d3d9::gl::EffectCopies::kBudgetBytes / copyBytes) + 4;
    std::vector<IDirect3DTexture9*> textures;
    for (int i = 0; i < count; ++i)
        textures.push_back(m_gl.MakeTexture(kSide, kSide, D3DFMT_A8R8G8B8, [](int x, int y) {
            return 0xFF000000u | uint32_t(x) << 8 | uint32_t(y);
        }));
    for (int frame = 0; frame < 2; ++frame)
        for (IDirect3DTexture9* t : textures) {
            m_gl.Device()->SetTexture(0, t);
            m_gl.SetEffect(1, 14, 1.0f, Float4{0.5f, 0.5f, 0.5f, 0.2f});
            m_gl.DrawQuad(ImageQuad(0, 0, 16, 16)); // a corner of it
            m_gl.Clear(0xFF000000);
        }
    EXPECT_EQ(Gl().EffectCopiesMade(), uint64_t(count));
    EXPECT_LE(Gl().EffectCopyBytes(), d3d9::gl::EffectCopies::kBudgetBytes);
    EXPECT_GE(Gl().EffectCopyBytes(), d3d9::gl::EffectCopies::kBudgetBytes - copyBytes);

    // Larger than a quarter of the budget: never copied.
    IDirect3DTexture9* huge = m_gl.MakeTexture(1200, 1000, D3DFMT_A8R8G8B8, [](int, int) { return 0xFF808080u; });
    for (int frame = 0; frame < 3; ++frame) {
        m_gl.Device()->SetTexture(0, huge);
        m_gl.DrawQuad(ImageQuad(0, 0, 16, 16));
        m_gl.Clear(0xFF000000);
    }
    EXPECT_EQ(Gl().EffectCopiesMade(), uint64_t(count));

    // A lost device lets its copies go at the present that finds it lost.
    KesPlatformLoseDevice(m_gl.Device());
    EXPECT_EQ(m_gl.Device()->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(Gl().EffectCopyBytes(), 0u);
}

TEST_F(OpenGLFastPaths, ReducedEffectsDrawWhatTheProgramDraws)
{
    // Every byte value in every channel, at blend levels and tints that
    // reduce to one multiply, drawn over a background that shows alpha.
    const Look looks[] = {
        {"plain", 0, 14, 1.0f, Float4{}},
        {"plain, faded", 0, 14, 0.3f, Float4{}},
        {"darkest level", 2, 6, 1.0f, Float4{}},
        {"level 13, faded", 2, 13, 0.8f, Float4{}},
        {"brightest level", 2, 21, 1.0f, Float4{}},
        {"the engine's tint at level 10", 3, 10, 1.0f, Float4{191.0f / 254, 159.0f / 254, 95.0f / 254, 0.5f}},
        {"bright tint, brightened, faded", 3, 18, 0.45f, Float4{1.0f, 0.8f, 0.6f, 0.5f}},
        {"tint with a zero byte", 1, 14, 1.0f, Float4{-1.0f / 254, 0.5f, 1.0f, 0.5f}},
    };
    for (const auto& look : looks)
        ExpectSameColours(look.name, [&](DeviceRig& d) {
            d.Device()->SetTexture(0, d.MakeTexture(128, 8, D3DFMT_A8R8G8B8, [](int x, int y) {
                const uint32_t v = uint32_t(x * 2 + (y & 1));
                return uint32_t((y * 37) & 255) << 24 | v << 16 | (255 - v) << 8 | ((v * 91) & 255);
            }));
            d.SetEffect(look.function, look.blend, look.fade, look.color);
            d.Clear(0xFF406080);
            d.DrawQuad(ImageQuad(8, 8, 128, 8));
            // Magnified so that no texel edge falls on a pixel centre.
            d.DrawQuad(ImageQuad(8, 20, 128, 8, 1.0f, 2.5f));
        }, 1);
}

TEST_F(OpenGLFastPaths, GatheredDrawsKeepEveryTriangleOfTheirOwn)
{
    // Draws of one state go out as one call of many draws: each must keep
    // all of its triangles, whatever else it holds (triangles without area
    // or with positions that are not numbers, shapes that are not
    // rectangles), and the order of the draws.
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    const auto v = [](float x, float y) { return Vertex{x, y, 0, 1, 0, 0}; };
    const uint64_t callsBefore = Gl().DrawCalls();
    for (DeviceRig* d : {&m_soft, &m_gl}) {
        d->Clear(0xFF000000);
        d->UseFlatColour(0x80FFC040);
        d->DrawQuad(Quad(4, 4, 30, 20));
        d->Draw(D3DPT_TRIANGLELIST, {v(40, 4), v(70, 4), v(40, 20), v(70, 4), v(70, 20), v(40, 20), v(50, 10),
                                     v(50, 10), v(50, 10)});
        d->Draw(D3DPT_TRIANGLELIST, {v(80, 4), v(80, 4), v(80, 4), v(80, 4), v(110, 4), v(80, 20), v(110, 4),
                                     v(110, 20), v(80, 20)});
        d->Draw(D3DPT_TRIANGLEFAN, {v(20, 40), v(4, 30), v(36, 30), v(36, 50), v(4, 50), v(4, 30)});
        d->Draw(D3DPT_TRIANGLELIST, {v(60, 30), v(75, 40), v(60, 50), v(60, 30), v(45, 40), v(60, 50)});
        d->Draw(D3DPT_TRIANGLESTRIP, {v(80, 30), v(110, 30), v(80, 50), v(110, 50), v(kNaN, 60), v(120, 70)});
        d->DrawQuad(Quad(10, 25, 100, 35)); // over the others, last
    }
    EXPECT_EQ(ColourDifferences(m_soft.ReadBack(), m_gl.ReadBack(), 0), "");
    EXPECT_EQ(Gl().DrawCalls() - callsBefore, 1u);
}

TEST(OpenGLMagnification, WholeDrawsThatMagnifyAreToldFromTheRest)
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    const auto strip = [](float left, float top, float right, float bottom, float u1, float v1) {
        return std::vector<Vertex>{Vertex{left, top, 0, 1, 0, 0}, Vertex{right, top, 0, 1, u1, 0},
                                   Vertex{left, bottom, 0, 1, 0, v1}, Vertex{right, bottom, 0, 1, u1, v1}};
    };
    // A 64 x 32 texture.
    const struct {
        const char* name;
        std::vector<Vertex> v;
        D3DPRIMITIVETYPE type;
        bool magnified;
    } cases[] = {
        {"twice the size", strip(0, 0, 128, 64, 1, 1), D3DPT_TRIANGLESTRIP, true},
        {"1:1", strip(0, 0, 64, 32, 1, 1), D3DPT_TRIANGLESTRIP, true},
        {"1:1 within a thousandth", strip(0, 0, 63.95f, 32, 1, 1), D3DPT_TRIANGLESTRIP, true},
        {"mirrored and magnified", strip(128, 0, 0, 64, 1, 1), D3DPT_TRIANGLESTRIP, true},
        {"half the size", strip(0, 0, 32, 16, 1, 1), D3DPT_TRIANGLESTRIP, false},
        {"wider, but squeezed in height", strip(0, 0, 128, 16, 1, 1), D3DPT_TRIANGLESTRIP, false},
        {"a strip whose second quad minifies",
         {Vertex{0, 0, 0, 1, 0, 0}, Vertex{0, 64, 0, 1, 0, 1}, Vertex{128, 0, 0, 1, 1, 0},
          Vertex{128, 64, 0, 1, 1, 1}, Vertex{130, 0, 0, 1, 3, 0}, Vertex{130, 64, 0, 1, 3, 1}},
         D3DPT_TRIANGLESTRIP, false},
        {"a fan, rotated a quarter turn, magnified",
         {Vertex{0, 0, 0, 1, 0, 0}, Vertex{0, 128, 0, 1, 1, 0}, Vertex{64, 128, 0, 1, 1, 1}, Vertex{64, 0, 0, 1, 0, 1}},
         D3DPT_TRIANGLEFAN, true},
        {"a list with one minified triangle",
         {Vertex{0, 0, 0, 1, 0, 0}, Vertex{128, 0, 0, 1, 1, 0}, Vertex{0, 64, 0, 1, 0, 1}, Vertex{0, 0, 0, 1, 0, 0},
          Vertex{8, 0, 0, 1, 1, 0}, Vertex{0, 4, 0, 1, 0, 1}},
         D3DPT_TRIANGLELIST, false},
        {"a triangle without area among magnified ones",
         {Vertex{0, 0, 0, 1, 0, 0}, Vertex{128, 0, 0, 1, 1, 0}, Vertex{0, 64, 0, 1, 0, 1}, Vertex{5, 5, 0, 1, 0, 0},
          Vertex{5, 5, 0, 1, 1, 0}, Vertex{5, 5, 0, 1, 0, 1}},
         D3DPT_TRIANGLELIST, true},
        {"a position that is not a number", strip(0, 0, kNaN, 64, 1, 1), D3DPT_TRIANGLESTRIP, false},
        {"a line list", strip(0, 0, 128, 64, 1, 1), D3DPT_LINELIST, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(d3d9::gl::WholeDrawMagnified(c.type, c.v.data(), UINT(c.v.size()), 64, 32), c.magnified) << c.name;
}

TEST_F(OpenGLFastPaths, MagnifiedDrawsWithTwoFiltersDrawWhatTheSoftwareDeviceDraws)
{
    std::vector<uint32_t> texels;
    std::mt19937 rng(11);
    for (int i = 0; i < 16 * 12; ++i) texels.push_back(rng() | 0x40000000u);
    const struct {
        const char* name;
        DWORD mag, min;
        float scale;
    } cases[] = {
        {"linear magnification, point minification", D3DTEXF_LINEAR, D3DTEXF_POINT, 2.5f},
        {"point magnification, linear minification", D3DTEXF_POINT, D3DTEXF_LINEAR, 2.5f},
        {"linear magnification, 1:1", D3DTEXF_LINEAR, D3DTEXF_POINT, 1.0f},
        {"linear magnification, minified", D3DTEXF_LINEAR, D3DTEXF_POINT, 0.5f},
    };
    for (const auto& c : cases)
        ExpectSameColours(c.name, [&](DeviceRig& d) {
            d.Clear(0xFF204060);
            d.BindArgb(16, 12, texels);
            d.SetFilters(c.mag, c.min);
            for (int hue : {0, 1}) {
                // Plain, then with a hue turn (which the filters keep from its copy).
                d.SetEffect(hue ? 1 : 0, 14, 1.0f, Float4{0.5f, 0.5f, 0.5f, hue ? 0.8f : 0.5f});
                d.DrawQuad(ImageQuad(5.0f + 70.0f * float(hue), 5, 16, 12, c.scale, c.scale));
            }
        });
}

} // namespace
} // namespace kes::test
