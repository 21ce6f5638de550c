// The fast path for what the engine draws most: a triangle strip of four
// vertices forming a screen-aligned rectangle (top-left, top-right,
// bottom-left, bottom-right; mirrored when right lies left of left) whose
// texture coordinate u follows x and v follows y.
//
// It covers exactly the pixels the two triangles would (the rectangle's left
// and top edges in, right and bottom out, the same 1/256 snapping), picks
// the same texel for each pixel (a per-column and per-row table of texel
// indices made with the sampler's own addressing), and runs the pixel stage
// on bytes: the effect program's byte tables (EffectTables) and the integer
// span kernels (SpanKernels). Linearly filtered quads get the same two
// texels and weight per column and per row as the general path; their
// colours are filtered in integers (LinearSpans) when the program leaves
// them alone, else in float exactly as the general path does. Results agree
// with the general path within one step per 8-bit channel. Draws that repeat
// (the same texture and constants, or the same magnification) read what an
// earlier draw made instead: a mapped copy of the texture (MappedTextures),
// the quad's filtered pixels (FilteredQuads); the bytes written are the same.
//
// Not handled here, left to the general path: rotated or sheared quads,
// texture coordinates that do not follow the screen axes, blend factors
// other than SRCALPHA / INVSRCALPHA or none.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_QUADPATH_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_QUADPATH_H

#include "DrawContext.h"
#include "EffectTables.h"
#include "FilteredQuads.h"
#include "LinearSpans.h"
#include "MappedTextures.h"
#include "SpanKernels.h"

#include <vector>

namespace kes::d3d9 {

// The integer kernels the fast path runs (tests swap them).
struct QuadKernels {
    const SpanKernels* span;
    const LinearKernels* linear;
};

class QuadPath {
public:
    // Draws the strip when this path handles it (true, also when nothing
    // was to be drawn); false leaves it to the general path untouched.
    bool Draw(const DrawContext& ctx, const VertexXyzrhwTex1* v, const QuadKernels& kernels);

    // A texture is going away: its mapped copies and filtered quads go with it.
    void ForgetTexture(const void* texture)
    {
        m_mapped.Forget(texture);
        m_filteredQuads.Forget(texture);
    }
    const MappedTextureCache& MappedCopies() const { return m_mapped; }
    const FilteredQuadCache& FilteredQuads() const { return m_filteredQuads; }
    // How often a point-sampled draw took the texel columns or rows of the
    // one before (PointTexels), counted axis by axis.
    uint64_t KeptTexelAxes() const { return m_keptAxes; }

private:
    struct Mapping; // how texture coordinates follow the screen

    // The point-sampled texel index of each pixel along one axis, kept while
    // draws run the same way along it: sprites of one size and texture
    // coordinates at whole-pixel positions, wherever they stand, take the
    // same columns and rows, and computing them costs as much as blending a
    // few rows.
    struct PointTexels {
        FilterAxis axis; // what they were computed for (pixels = 0: nothing kept)
        std::vector<int> texels;
        bool contiguous = false; // they run up one texel per pixel
    };
    // The texels of `n` pixels from `first` along an axis where pixel p
    // samples at origin + step·(p − corner); counts a kept set in m_keptAxes.
    void PointTexelsFor(PointTexels& memo, double origin, double step, double corner, int first, int n, int size,
                        DWORD address);

    void DrawFlat(const DrawContext& ctx, int x0, int x1, int y0, int y1, const SpanKernels& kernels);
    void DrawRow(const DrawContext& ctx, TexelTransform transform, int py, int ty, int x0, int n,
                 const SpanKernels& kernels);
    void DrawLinear(const DrawContext& ctx, TexelTransform transform, const Mapping& m, int x0, int x1, int y0, int y1,
                    const LinearKernels& kernels);
    // The texels of one row at the columns' indices, as 0xAARRGGBB.
    const uint32_t* GatherRow(const TextureView& view, int ty, int n);
    // The bound texture with the program's colour mapping for `transform`
    // already applied (see MappedTextures), or null.
    const TextureView* MappedCopy(const DrawContext& ctx, TexelTransform transform);
    // The program's colour for each texel of a row (0xAARRGGBB, alpha kept).
    void Recolour(const EffectConstants& k, uint32_t* row, int n);
    // The quad's filtered pixels kept from earlier draws (FilteredQuads), or null.
    KeptQuad FilteredQuad(const DrawContext& ctx, const Mapping& m, const LinearKernels& kernels);

    EffectTableCache m_tables;
    ColourMemo m_memo;               // colours the four-lane program does not handle
    std::vector<uint32_t> m_colours; // a row's colours from the four-lane program
    MappedTextureCache m_mapped;
    FilteredQuadCache m_filteredQuads;
    TextureView m_view; // what point-sampled rows read: the texture or its mapped copy
    const ChannelTables* m_channels = nullptr;
    const CoverageTables* m_coverage = nullptr;
    PointTexels m_columns, m_rows; // texel column of each pixel column, row of each pixel row
    uint64_t m_keptAxes = 0;
    std::vector<uint32_t> m_span; // source pixels of one row
    // Linear filtering: each pixel column's texels, as taps for the float
    // filter and as columns of the integer one; two texel rows as
    // 0xAARRGGBB and their vertical blend.
    std::vector<LinearTap> m_taps;
    std::vector<LinearColumn> m_linearColumns;
    std::vector<uint32_t> m_top, m_bottom;
    std::vector<int16_t> m_filtered;
};

} // namespace kes::d3d9

#endif
