// Direct3D 9's rasterization on the CPU: pre-transformed triangle lists,
// strips and fans, line lists and line strips into an X8R8G8B8 target, with
// the bound texture, sampler states, pixel program and blending of the
// pipeline state.
//
// Each draw call takes the fast path for screen-aligned quads (QuadPath)
// when it applies and the general path (Triangles, Lines, PixelPipeline)
// otherwise; both follow the same coverage and texel rules and agree within
// one step per 8-bit channel. Not implemented: point lists,
// depth, stencil, perspective-correct interpolation (rhw is taken as 1), more
// than one texture stage.
#ifndef KESTO_PLATFORM_D3D9_RASTERIZER_H
#define KESTO_PLATFORM_D3D9_RASTERIZER_H

#include "LinearSpans.h"
#include "QuadPath.h"
#include "SpanKernels.h"

#include "../Device.h"

#include <cstdint>

namespace kes::d3d9 {

class Rasterizer {
public:
    // How many primitives went which way, for tests and profiling.
    struct Counts {
        uint64_t fastQuads = 0;
        uint64_t triangles = 0; // general path
        uint64_t lines = 0;
    };

    Rasterizer();

    void Draw(const PipelineState& state, PixelStore& target, D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* vertices,
              UINT count);

    // Drops what the fast path keeps made from a texture that is going away.
    void ForgetTexture(const void* texture) { m_quads.ForgetTexture(texture); }
    const QuadPath& Quads() const { return m_quads; }

    // Clears the whole target to an opaque colour.
    void Fill(PixelStore& target, uint32_t colour) const;

    // Tests compare the fast path with the general one, and the span
    // kernel sets with each other.
    void SetFastPaths(bool on) { m_fastPaths = on; }
    void SetSpanKernels(const SpanKernels& kernels) { m_kernels.span = &kernels; }
    void SetLinearKernels(const LinearKernels& kernels) { m_kernels.linear = &kernels; }
    const Counts& Stats() const { return m_counts; }

private:
    bool m_fastPaths = true;
    QuadKernels m_kernels;
    QuadPath m_quads;
    Counts m_counts;
};

} // namespace kes::d3d9

#endif
