// Sampler 0 of the software device: texel addressing, format conversion,
// point and bilinear filtering of level 0.
//
// Implemented: the formats A8R8G8B8, X8R8G8B8 (alpha 1), R5G6B5 (channels
// v/31, v/63, v/31 as hardware converts them, alpha 1) and A8 (colour 0);
// clamp and wrap addressing; the choice between the magnification and the
// minification filter from the texel footprint of a pixel. Not implemented:
// mipmaps, border and mirror addressing, anisotropic filtering.
//
// Texture coordinates are quantised to 1/65536 of a texel before they are
// used, as a GPU keeps a fixed number of sub-texel bits. The rasterizer's
// faster paths address texels through the same functions, so two
// computations of a coordinate that differ in their last bits still pick
// the same texel.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_SAMPLER_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_SAMPLER_H

#include "../Resources.h"
#include "../effect/EffectProgram.h"

#include <cstdint>

namespace kes::d3d9 {

class Texture;

// Level 0 of a texture as the sampler reads it; empty when nothing is bound.
struct TextureView {
    const uint8_t* bits = nullptr;
    int64_t pitch = 0;
    int width = 0;
    int height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;

    explicit operator bool() const { return bits != nullptr; }
    const uint8_t* Row(int y) const { return bits + pitch * y; }
};

TextureView ViewOf(const Texture* texture);

struct SamplerSetup {
    TextureView view;
    DWORD addressU = D3DTADDRESS_CLAMP;
    DWORD addressV = D3DTADDRESS_CLAMP;
};

constexpr int kTexelFractionBits = 16;

// A coordinate in texels (u·width) as fixed point with 16 fraction bits,
// rounded to nearest. Values far outside any texture are limited first;
// NaN becomes 0.
int64_t TexelFixed(double texels);

// The texel index that addressing gives for integer index i of a texture
// `size` texels wide.
int AddressTexel(int64_t i, int size, DWORD mode);

// Point sampling's texel index for a fixed-point coordinate.
inline int PointTexel(int64_t fixed, int size, DWORD mode)
{
    return AddressTexel(fixed >> kTexelFractionBits, size, mode);
}

// Linear filtering's two texels along one axis and the weight of the second:
// the point half a texel before the coordinate lies between them.
struct LinearTap {
    int i0, i1;
    uint32_t fraction; // 16 bits: the weight of i1 is fraction / 65536
};

LinearTap LinearTapFor(int64_t fixed, int size, DWORD mode);

// One texel, (x, y) inside the texture, as 0xAARRGGBB bytes (R5G6B5
// channels rounded to the nearest byte) or as floats 0..1.
uint32_t TexelArgb8(const TextureView& t, int x, int y);
Float4 TexelFloat(const TextureView& t, int x, int y);

// The texel nothing is bound: opaque black.
constexpr Float4 kUnboundTexel{0.0f, 0.0f, 0.0f, 1.0f};

// Filtered lookups at texel coordinates (s, t) = (u·width, v·height).
Float4 SamplePoint(const SamplerSetup& s, double texelS, double texelT);
Float4 SampleLinear(const SamplerSetup& s, double texelS, double texelT);

// The bilinear blend of four texels, as SampleLinear makes it.
Float4 FilterBilinear(const TextureView& t, const LinearTap& x, const LinearTap& y);

// Whether a pixel whose footprint is `rho` texels (the larger of the two
// screen-axis derivatives' lengths) uses the magnification filter: it does
// when the texture is magnified or drawn 1:1.
bool UsesMagnification(double rho);

// byte / 255 as float, for the 256 byte values.
const float* UnormTable8();

} // namespace kes::d3d9

#endif
