// A software Direct3D 9 device on a hidden window, set up as the engine's
// render object sets it up (blending SRCALPHA / INVSRCALPHA, cull none, point
// filters, clamped addressing, the effect program bound), with helpers to
// make textures, draw vertices and read the back buffer.
#ifndef KESTO_TESTS_SOFTWAREDEVICEFIXTURE_H
#define KESTO_TESTS_SOFTWAREDEVICEFIXTURE_H

#include <d3d9.h>
#include <d3dx9.h>

#include "d3d9/Device.h"
#include "d3d9/effect/EffectProgram.h"
#include "d3d9/software/SoftwareDevice.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace kes::test {

using d3d9::Float4;
using Vertex = d3d9::VertexXyzrhwTex1;

// The effect program's text as the engine hands it to D3DXCompileShader.
extern const char* const kEffectProgramText;

// The four strip vertices of a screen rectangle, in the engine's order
// top-left, top-right, bottom-left, bottom-right.
std::vector<Vertex> Quad(float left, float top, float right, float bottom, float u0 = 0, float v0 = 0, float u1 = 0,
                         float v1 = 0);

// The quad the engine draws for a whole w x h image at (left, top) with
// scales (sx, sy): texture coordinates carry the half-texel offset.
std::vector<Vertex> ImageQuad(float left, float top, int w, int h, float sx = 1, float sy = 1);

// One 0xAARRGGBB channel (shift 16 red, 8 green, 0 blue).
inline int Channel(uint32_t argb, int shift)
{
    return int((argb >> shift) & 255);
}

// src (channels 0..1, saturated here) over an X8R8G8B8 pixel with
// SRCALPHA / INVSRCALPHA, rounded to nearest: the textbook formula in double.
uint32_t Over(Float4 src, uint32_t dst);
// src written with blending off.
uint32_t Opaque(Float4 src);

// Largest difference of the red, green and blue bytes.
int ColourDistance(uint32_t a, uint32_t b);

// The device is the software one unless a subclass names another
// (KesPlatformSetRenderDevice's names): the same scenes then run on it.
class SoftwareDeviceTest : public ::testing::Test {
protected:
    virtual const char* DeviceName() const { return "software"; }

    static constexpr int kWidth = 160;
    static constexpr int kHeight = 120;

    void SetUp() override;
    void TearDown() override;
    // The states the engine's render object sets (also after a reset).
    void SetEngineState();

    // A managed texture; `texel(x, y)` gives each texel in the format's own
    // layout (a 32-bit word, the 16 bits of R5G6B5, the byte of A8).
    IDirect3DTexture9* MakeTexture(int w, int h, D3DFORMAT format, const std::function<uint32_t(int, int)>& texel);

    // The effect program's constants, set through its constant table.
    void SetEffect(int function, int blend, float alpha, Float4 color);
    // Draws with no pixel shader bound (the texel is the colour).
    void UnbindShader();

    void Clear(uint32_t colour);
    // Uploads the vertices and draws them in one call inside a scene.
    void Draw(D3DPRIMITIVETYPE type, const std::vector<Vertex>& vertices);
    void DrawQuad(const std::vector<Vertex>& quad) { Draw(D3DPT_TRIANGLESTRIP, quad); }

    // The back buffer through GetBackBuffer and LockRect, row by row.
    std::vector<uint32_t> ReadBack();
    uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) const { return pixels[size_t(y) * kWidth + x]; }

    d3d9::SoftwareDevice& Soft() { return *static_cast<d3d9::SoftwareDevice*>(m_device); }

    HWND m_window = nullptr;
    IDirect3D9* m_d3d = nullptr;
    IDirect3DDevice9* m_device = nullptr;
    IDirect3DVertexBuffer9* m_vertices = nullptr;
    IDirect3DPixelShader9* m_shader = nullptr;
    ID3DXConstantTable* m_constants = nullptr;
    std::vector<IDirect3DTexture9*> m_textures;

    static constexpr UINT kMaxVertices = 64;
};

} // namespace kes::test

#endif
