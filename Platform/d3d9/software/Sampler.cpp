// Texel addressing, format conversion and filtering for the software device.
#include "Sampler.h"

#include <cmath>
#include <cstring>

namespace kes::d3d9 {

namespace {

struct UnormTables {
    float of8[256];
    float of5[32];
    float of6[64];
    uint8_t byteOf5[32];
    uint8_t byteOf6[64];

    UnormTables()
    {
        for (int i = 0; i < 256; ++i) of8[i] = float(i) / 255.0f;
        for (int i = 0; i < 32; ++i) {
            of5[i] = float(i) / 31.0f;
            byteOf5[i] = Unorm5(uint32_t(i));
        }
        for (int i = 0; i < 64; ++i) {
            of6[i] = float(i) / 63.0f;
            byteOf6[i] = Unorm6(uint32_t(i));
        }
    }
};

const UnormTables& Unorm()
{
    static const UnormTables tables;
    return tables;
}

inline Float4 Lerp(const Float4& a, const Float4& b, float f)
{
    return Float4{a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f, a.a + (b.a - a.a) * f};
}

} // namespace

const float* UnormTable8()
{
    return Unorm().of8;
}

TextureView ViewOf(const Texture* texture)
{
    TextureView view;
    if (!texture || texture->Level(0).bytes.empty()) return view;
    const PixelStore& level = texture->Level(0);
    view.bits = level.bytes.data();
    view.pitch = level.pitch;
    view.width = int(level.width);
    view.height = int(level.height);
    view.format = level.format;
    return view;
}

int64_t TexelFixed(double texels)
{
    // Beyond +-2^40 texels every texture is long since clamped or wrapped
    // to the same texel; the limit keeps the fixed-point value in range.
    constexpr double kLimit = 1099511627776.0;
    if (!(texels > -kLimit)) texels = texels != texels ? 0.0 : -kLimit;
    if (texels > kLimit) texels = kLimit;
    return std::llrint(texels * double(1 << kTexelFractionBits));
}

int AddressTexel(int64_t i, int size, DWORD mode)
{
    if (mode == D3DTADDRESS_WRAP) {
        int64_t r = i % size;
        return int(r < 0 ? r + size : r);
    }
    if (i < 0) return 0;
    if (i >= size) return size - 1;
    return int(i);
}

uint32_t TexelArgb8(const TextureView& t, int x, int y)
{
    const uint8_t* row = t.Row(y);
    switch (t.format) {
    case D3DFMT_A8R8G8B8: {
        uint32_t v;
        memcpy(&v, row + size_t(x) * 4, 4);
        return v;
    }
    case D3DFMT_X8R8G8B8: {
        uint32_t v;
        memcpy(&v, row + size_t(x) * 4, 4);
        return v | 0xFF000000u;
    }
    case D3DFMT_R5G6B5: {
        uint16_t v;
        memcpy(&v, row + size_t(x) * 2, 2);
        const UnormTables& u = Unorm();
        return 0xFF000000u | uint32_t(u.byteOf5[v >> 11]) << 16 | uint32_t(u.byteOf6[(v >> 5) & 63]) << 8 |
               u.byteOf5[v & 31];
    }
    case D3DFMT_A8: return uint32_t(row[x]) << 24;
    default: return 0xFF000000u;
    }
}

Float4 TexelFloat(const TextureView& t, int x, int y)
{
    const UnormTables& u = Unorm();
    const uint8_t* row = t.Row(y);
    switch (t.format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: {
        const uint8_t* p = row + size_t(x) * 4; // bytes B, G, R, A
        const float a = t.format == D3DFMT_A8R8G8B8 ? u.of8[p[3]] : 1.0f;
        return Float4{u.of8[p[2]], u.of8[p[1]], u.of8[p[0]], a};
    }
    case D3DFMT_R5G6B5: {
        uint16_t v;
        memcpy(&v, row + size_t(x) * 2, 2);
        return Float4{u.of5[v >> 11], u.of6[(v >> 5) & 63], u.of5[v & 31], 1.0f};
    }
    case D3DFMT_A8: return Float4{0.0f, 0.0f, 0.0f, u.of8[row[x]]};
    default: return kUnboundTexel;
    }
}

Float4 SamplePoint(const SamplerSetup& s, double texelS, double texelT)
{
    const TextureView& t = s.view;
    const int x = PointTexel(TexelFixed(texelS), t.width, s.addressU);
    const int y = PointTexel(TexelFixed(texelT), t.height, s.addressV);
    return TexelFloat(t, x, y);
}

LinearTap LinearTapFor(int64_t fixed, int size, DWORD mode)
{
    // Half a texel back: at a texel's centre the weights are exactly 1 and 0.
    constexpr int64_t kHalf = int64_t(1) << (kTexelFractionBits - 1);
    constexpr int64_t kMask = (int64_t(1) << kTexelFractionBits) - 1;
    const int64_t f = fixed - kHalf;
    const int64_t i = f >> kTexelFractionBits;
    return LinearTap{AddressTexel(i, size, mode), AddressTexel(i + 1, size, mode), uint32_t(f & kMask)};
}

Float4 FilterBilinear(const TextureView& t, const LinearTap& x, const LinearTap& y)
{
    constexpr float kScale = 1.0f / float(1 << kTexelFractionBits);
    const float wx = float(x.fraction) * kScale, wy = float(y.fraction) * kScale;
    const Float4 top = Lerp(TexelFloat(t, x.i0, y.i0), TexelFloat(t, x.i1, y.i0), wx);
    const Float4 bottom = Lerp(TexelFloat(t, x.i0, y.i1), TexelFloat(t, x.i1, y.i1), wx);
    return Lerp(top, bottom, wy);
}

Float4 SampleLinear(const SamplerSetup& s, double texelS, double texelT)
{
    const TextureView& t = s.view;
    return FilterBilinear(t, LinearTapFor(TexelFixed(texelS), t.width, s.addressU),
                          LinearTapFor(TexelFixed(texelT), t.height, s.addressV));
}

bool UsesMagnification(double rho)
{
    // 1:1 within a thousandth counts as 1:1: texture coordinates made with
    // float arithmetic are rarely exact.
    return rho <= 1.001;
}

} // namespace kes::d3d9
