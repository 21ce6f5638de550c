// What the rasterizer's parts share during one draw call: the target, the
// pixel stage, the cull mode, and the rules for vertex positions.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_DRAWCONTEXT_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_DRAWCONTEXT_H

#include "PixelPipeline.h"

#include <cmath>
#include <cstdint>

namespace kes::d3d9 {

// The X8R8G8B8 target of a draw.
struct TargetView {
    uint8_t* bits = nullptr;
    int64_t pitch = 0;
    int width = 0;
    int height = 0;

    uint32_t* Row(int y) const { return reinterpret_cast<uint32_t*>(bits + pitch * y); }
};

struct DrawContext {
    const PixelStage& stage;
    TargetView target;
    DWORD cullMode;
};

// Vertex positions snap to 1/256 of a pixel, as hardware keeps a fixed
// number of sub-pixel bits; coverage is then decided in exact integers.
constexpr int kSubpixelBits = 8;
constexpr int64_t kSubpixelOne = int64_t(1) << kSubpixelBits;

// Positions are snapped only within +-2^20 pixels of the origin, where the
// integer edge arithmetic cannot overflow; triangles reaching further are
// clipped to that band first (it lies far outside any target).
constexpr double kGuardBand = 1048576.0;

inline bool InGuardBand(double v)
{
    return v >= -kGuardBand && v <= kGuardBand;
}

inline int64_t SnapToSubpixel(double v)
{
    return std::llround(v * double(kSubpixelOne));
}

// Vertices with an infinite or NaN position draw nothing.
inline bool FinitePosition(const VertexXyzrhwTex1& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y);
}

// floor(n / d) and ceil(n / d) for d > 0.
inline int64_t FloorDiv(int64_t n, int64_t d)
{
    return n >= 0 ? n / d : -((-n + d - 1) / d);
}

inline int64_t CeilDiv(int64_t n, int64_t d)
{
    return -FloorDiv(-n, d);
}

} // namespace kes::d3d9

#endif
