// Primitive assembly and the choice between the fast and the general path.
#include "Rasterizer.h"

#include "DrawContext.h"
#include "Lines.h"
#include "PixelPipeline.h"
#include "Triangles.h"

namespace kes::d3d9 {

Rasterizer::Rasterizer() : m_kernels{&SelectSpanKernels(), &SelectLinearKernels()} {}

namespace {

TargetView ViewOfTarget(PixelStore& target)
{
    TargetView view;
    // The back buffer is always X8R8G8B8; anything else is not ours to draw into.
    if (BytesPerPixel(target.format) != 4 || target.bytes.empty()) return view;
    view.bits = target.bytes.data();
    view.pitch = target.pitch;
    view.width = int(target.width);
    view.height = int(target.height);
    return view;
}

} // namespace

void Rasterizer::Draw(const PipelineState& state, PixelStore& target, D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* v,
                      UINT count)
{
    const TargetView view = ViewOfTarget(target);
    if (!view.bits) return;
    const PixelStage stage = MakePixelStage(state);
    const DrawContext ctx{stage, view, state.cullMode};

    switch (type) {
    case D3DPT_TRIANGLESTRIP:
        if (count == 4 && m_fastPaths && m_quads.Draw(ctx, v, m_kernels)) {
            ++m_counts.fastQuads;
            return;
        }
        // Every second triangle of a strip is given in reverse, so that all
        // of them wind the same way for culling.
        for (UINT i = 0; i + 2 < count; ++i) {
            if (i % 2 == 0)
                DrawTriangle(ctx, v[i], v[i + 1], v[i + 2]);
            else
                DrawTriangle(ctx, v[i + 1], v[i], v[i + 2]);
            ++m_counts.triangles;
        }
        break;
    case D3DPT_TRIANGLELIST:
        for (UINT i = 0; i + 2 < count; i += 3) {
            DrawTriangle(ctx, v[i], v[i + 1], v[i + 2]);
            ++m_counts.triangles;
        }
        break;
    case D3DPT_TRIANGLEFAN:
        for (UINT i = 1; i + 1 < count; ++i) {
            DrawTriangle(ctx, v[0], v[i], v[i + 1]);
            ++m_counts.triangles;
        }
        break;
    case D3DPT_LINELIST:
        for (UINT i = 0; i + 1 < count; i += 2) {
            DrawLine(ctx, v[i], v[i + 1]);
            ++m_counts.lines;
        }
        break;
    case D3DPT_LINESTRIP:
        for (UINT i = 0; i + 1 < count; ++i) {
            DrawLine(ctx, v[i], v[i + 1]);
            ++m_counts.lines;
        }
        break;
    default: break; // point lists are not drawn
    }
}

void Rasterizer::Fill(PixelStore& target, uint32_t colour) const
{
    const TargetView view = ViewOfTarget(target);
    if (!view.bits) return;
    if (view.pitch == int64_t(view.width) * 4) {
        // One run over the whole buffer when rows are back to back.
        m_kernels.span->fill(view.Row(0), colour, view.width * view.height);
        return;
    }
    for (int y = 0; y < view.height; ++y) m_kernels.span->fill(view.Row(y), colour, view.width);
}

} // namespace kes::d3d9
