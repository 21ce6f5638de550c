// Screen-aligned quads: coverage, texel tables, and the row loops.
#include "QuadPath.h"

#include "Triangles.h"

#include "../effect/EffectColours.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kes::d3d9 {

// s = u·width = s0 + dsdx·(x − x0) along the rows, t = t0 + dtdy·(y − y0)
// down the columns: the first triangle's planes.
struct QuadPath::Mapping {
    double s0, x0, dsdx;
    double t0, y0, dtdy;
    // The pixels the quad covers before clipping to the target.
    int64_t fullX0, fullX1, fullY0, fullY1;

    double S(int px) const { return s0 + dsdx * (double(px) - x0); }
    double T(int py) const { return t0 + dtdy * (double(py) - y0); }
};

namespace {

// A finished span of program results into the target: opaque, or over it
// with each pixel's alpha, faded by the tables' weight where they fade.
void WriteSpan(const SpanKernels& kernels, uint32_t* out, const uint32_t* span, int n, bool blend,
               const ChannelTables& t)
{
    if (!blend)
        kernels.copy(out, span, n);
    else if (t.alphaKept)
        kernels.blend(out, span, n);
    else
        kernels.blendFaded(out, span, t.weight, n);
}

// Asks for a target span a couple of rows ahead: rows lie a whole target
// width apart, too far for the processor to guess, and a blend that reads
// every pixel (a faded sprite) would otherwise wait for each line in turn.
void PrefetchTarget(const uint32_t* span, int n)
{
    const char* p = reinterpret_cast<const char*>(span);
    const char* end = reinterpret_cast<const char*>(span + n);
    for (; p < end; p += 64) __builtin_prefetch(p, 1);
    __builtin_prefetch(end - 1, 1);
}

// A quad corner on the 1/256 grid: pixel first + i then lies exactly
// (first − corner) + i from it, so what is kept relative to the corner (the
// texel columns and rows, the filtered pixels) holds wherever it stands.
bool OnSubpixelGrid(double corner)
{
    return corner * double(kSubpixelOne) == std::nearbyint(corner * double(kSubpixelOne));
}

} // namespace

bool QuadPath::Draw(const DrawContext& ctx, const VertexXyzrhwTex1* v, const QuadKernels& kernels)
{
    const PixelStage& stage = ctx.stage;
    if (stage.blend == BlendKind::Factors) return false;
    const VertexXyzrhwTex1 &tl = v[0], &tr = v[1], &bl = v[2], &br = v[3];
    if (!(tl.y == tr.y && bl.y == br.y && tl.x == bl.x && tr.x == br.x)) return false;
    // Also false for NaN and infinite positions.
    if (!(InGuardBand(tl.x) && InGuardBand(tr.x) && InGuardBand(tl.y) && InGuardBand(bl.y))) return false;
    TexelTransform transform = ClassifyTexelTransform(stage);
    if (transform != TexelTransform::Flat && !(tl.u == bl.u && tr.u == br.u && tl.v == tr.v && bl.v == br.v))
        return false;

    // The two triangles' union: left and top edges in, right and bottom out,
    // whichever way round the corners come. Both triangles of such a strip
    // wind the same way, so the first one decides culling for both.
    const int64_t xa = SnapToSubpixel(tl.x), xb = SnapToSubpixel(tr.x);
    const int64_t ya = SnapToSubpixel(tl.y), yb = SnapToSubpixel(bl.y);
    if (xa == xb || ya == yb) return true;
    if (Culled(ctx.cullMode, double(xb - xa) * double(yb - ya))) return true;
    const TargetView& target = ctx.target;
    const int x0 = int(std::max<int64_t>(0, CeilDiv(std::min(xa, xb), kSubpixelOne)));
    const int x1 = int(std::min<int64_t>(target.width, CeilDiv(std::max(xa, xb), kSubpixelOne)));
    const int y0 = int(std::max<int64_t>(0, CeilDiv(std::min(ya, yb), kSubpixelOne)));
    const int y1 = int(std::min<int64_t>(target.height, CeilDiv(std::max(ya, yb), kSubpixelOne)));
    if (x0 >= x1 || y0 >= y1) return true;

    if (transform == TexelTransform::Flat) {
        DrawFlat(ctx, x0, x1, y0, y1, *kernels.span);
        return true;
    }

    // Texture coordinates as the first triangle's planes give them: u·width
    // along x, v·height along y.
    const TextureView& view = stage.sampler.view;
    Mapping m;
    m.s0 = double(tl.u) * view.width;
    m.x0 = tl.x;
    m.dsdx = (double(tr.u) * view.width - m.s0) / (double(tr.x) - tl.x);
    m.t0 = double(tl.v) * view.height;
    m.y0 = tl.y;
    m.dtdy = (double(bl.v) * view.height - m.t0) / (double(bl.y) - tl.y);
    m.fullX0 = CeilDiv(std::min(xa, xb), kSubpixelOne);
    m.fullX1 = CeilDiv(std::max(xa, xb), kSubpixelOne);
    m.fullY0 = CeilDiv(std::min(ya, yb), kSubpixelOne);
    m.fullY1 = CeilDiv(std::max(ya, yb), kSubpixelOne);
    if (stage.Linear(std::max(std::fabs(m.dsdx), std::fabs(m.dtdy)))) {
        DrawLinear(ctx, transform, m, x0, x1, y0, y1, *kernels.linear);
        return true;
    }

    m_channels = nullptr;
    m_coverage = nullptr;
    switch (transform) {
    case TexelTransform::FadeAlpha:
    case TexelTransform::Channels:
        m_channels = &m_tables.Channels(stage.constants, view.format == D3DFMT_R5G6B5);
        break;
    case TexelTransform::Recolour:
        m_channels = &m_tables.Channels(stage.constants, false); // for its alpha column
        if (!EffectColoursHandles(stage.constants)) m_memo.Use(stage.constants);
        break;
    case TexelTransform::Coverage: m_coverage = &m_tables.Coverage(stage.constants); break;
    default: break;
    }

    // A sprite drawn again with the same constants reads a copy whose texels
    // are already mapped; the plain kernels then write the same bytes.
    m_view = view;
    if (const TextureView* copy = MappedCopy(ctx, transform)) {
        m_view = *copy;
        transform = m_channels->alphaKept ? TexelTransform::Identity : TexelTransform::FadeAlpha;
    }

    const int n = x1 - x0;
    if (int(m_span.size()) < n) m_span.resize(size_t(n));
    PointTexelsFor(m_columns, m.s0, m.dsdx, m.x0, x0, n, view.width, stage.sampler.addressU);
    PointTexelsFor(m_rows, m.t0, m.dtdy, m.y0, y0, y1 - y0, view.height, stage.sampler.addressV);
    // Only a faded blend reads every target pixel; the others mostly write
    // over or skip them, and asking ahead would only cost.
    const bool prefetch = transform == TexelTransform::FadeAlpha && stage.blend == BlendKind::SourceAlpha;
    for (int py = y0; py < y1; ++py) {
        if (prefetch && py + 4 < y1) PrefetchTarget(ctx.target.Row(py + 4) + x0, n);
        DrawRow(ctx, transform, py, m_rows.texels[size_t(py - y0)], x0, n, *kernels.span);
    }
    return true;
}

void QuadPath::PointTexelsFor(PointTexels& memo, double origin, double step, double corner, int first, int n, int size,
                              DWORD address)
{
    // Off the grid every draw computes its own.
    const bool onGrid = OnSubpixelGrid(corner);
    const FilterAxis axis{origin, step, double(first) - corner, n, size, address};
    if (onGrid && memo.axis.pixels != 0 && memo.axis == axis) {
        ++m_keptAxes;
        return;
    }
    if (memo.texels.size() < size_t(n)) memo.texels.resize(size_t(n));
    int* texels = memo.texels.data();
    bool contiguous = true;
    for (int i = 0; i < n; ++i) {
        texels[i] = PointTexel(TexelFixed(origin + step * (double(first + i) - corner)), size, address);
        contiguous = contiguous && texels[i] == texels[0] + i;
    }
    memo.contiguous = contiguous;
    memo.axis = axis;
    if (!onGrid) memo.axis.pixels = 0;
}

void QuadPath::Recolour(const EffectConstants& k, uint32_t* row, int n)
{
    if (!EffectColoursHandles(k)) {
        for (int i = 0; i < n; ++i) row[i] = (row[i] & 0xFF000000u) | m_memo.Map(row[i]);
        return;
    }
    // Four texels at a time beat remembering colours: a sprite has
    // thousands, and a miss costs a whole run of the program.
    if (m_colours.size() < size_t(n)) m_colours.resize(size_t(n));
    EffectColours(k, row, m_colours.data(), n);
    for (int i = 0; i < n; ++i) row[i] = (row[i] & 0xFF000000u) | m_colours[size_t(i)];
}

const TextureView* QuadPath::MappedCopy(const DrawContext& ctx, TexelTransform transform)
{
    const PixelStage& stage = ctx.stage;
    const TextureView& view = stage.sampler.view;
    if (transform != TexelTransform::Recolour && transform != TexelTransform::Channels) return nullptr;
    if (!stage.texture || view.format == D3DFMT_R5G6B5) return nullptr;
    MappedTextureKey key;
    key.texture = stage.texture;
    key.bits = view.bits;
    key.revision = stage.textureRevision;
    key.constants = stage.constants;
    const ChannelTables& t = *m_channels;
    MappedTextureCache::RowMapper map;
    if (transform == TexelTransform::Recolour) {
        key.mapping = TexelMapping::Recolour;
        map = [this, &stage](uint32_t* row, int n) { Recolour(stage.constants, row, n); };
    } else if (stage.blend == BlendKind::SourceAlpha && t.alphaKept && t.scalable) {
        // The usual tinted sprite blends with the slopes; everything else
        // goes through the tables (DrawRow).
        key.mapping = TexelMapping::Scales;
        map = [&t](uint32_t* row, int n) {
            for (int i = 0; i < n; ++i) row[i] = ScaleChannels(row[i], t.scale);
        };
    } else {
        key.mapping = TexelMapping::Tables;
        map = [&t](uint32_t* row, int n) {
            const ChannelMap m{t.red, t.green, t.blue};
            for (int i = 0; i < n; ++i) row[i] = MapChannels(row[i], m);
        };
    }
    return m_mapped.Find(key, view, map);
}

KeptQuad QuadPath::FilteredQuad(const DrawContext& ctx, const Mapping& m, const LinearKernels& kernels)
{
    const PixelStage& stage = ctx.stage;
    const TextureView& view = stage.sampler.view;
    // Quads far larger than any target are not worth keeping whole.
    constexpr int64_t kMaxSide = 4096;
    const int64_t w = m.fullX1 - m.fullX0, h = m.fullY1 - m.fullY0;
    if (!stage.texture || w > kMaxSide || h > kMaxSide) return KeptQuad{};
    // The key holds each axis relative to the quad's corner.
    if (!OnSubpixelGrid(m.x0) || !OnSubpixelGrid(m.y0)) return KeptQuad{};
    FilteredQuadKey key;
    key.texture = stage.texture;
    key.bits = view.bits;
    key.revision = stage.textureRevision;
    key.x = FilterAxis{m.s0, m.dsdx, double(m.fullX0) - m.x0, int(w), view.width, stage.sampler.addressU};
    key.y = FilterAxis{m.t0, m.dtdy, double(m.fullY0) - m.y0, int(h), view.height, stage.sampler.addressV};
    return m_filteredQuads.Find(key, view, kernels);
}

void QuadPath::DrawLinear(const DrawContext& ctx, TexelTransform transform, const Mapping& m, int x0, int x1, int y0,
                          int y1, const LinearKernels& kernels)
{
    const PixelStage& stage = ctx.stage;
    const TextureView& view = stage.sampler.view;
    const int n = x1 - x0;
    if (int(m_taps.size()) < n) {
        m_taps.resize(size_t(n));
        m_linearColumns.resize(size_t(n));
    }
    // Integers for colours the program leaves alone or scales per channel;
    // R5G6B5 fields rounded to bytes first would be amplified by a scale.
    ChannelScale scale = kUnscaled;
    int fade = kNoFade;
    bool integer = transform == TexelTransform::Identity;
    const bool channels = transform == TexelTransform::Channels && view.format != D3DFMT_R5G6B5;
    if (transform == TexelTransform::FadeAlpha || channels) {
        const ChannelTables& t = m_tables.Channels(stage.constants, false);
        integer = !channels || t.scalable;
        if (channels) scale = t.scale;
        fade = t.alphaKept ? kNoFade : t.weight[255]; // the program's factor on alpha
    }
    const bool blend = stage.blend == BlendKind::SourceAlpha;
    if (integer) {
        if (const KeptQuad kept = FilteredQuad(ctx, m, kernels)) {
            const int64_t width = m.fullX1 - m.fullX0;
            // The part of row py to write, in pixels of the quad: a blend
            // leaves the clear pixels at either end of a row as they are.
            const auto span = [&](int py, int64_t& first, int64_t& end) {
                first = x0 - m.fullX0;
                end = x1 - m.fullX0;
                if (!blend) return;
                const int32_t* seen = kept.seen + (py - m.fullY0) * 2;
                first = std::max<int64_t>(first, seen[0]);
                end = std::min<int64_t>(end, seen[1]);
            };
            int64_t first, end;
            for (int py = y0; py < y1; ++py) {
                if (py + 4 < y1) {
                    span(py + 4, first, end);
                    if (first < end) PrefetchTarget(ctx.target.Row(py + 4) + m.fullX0 + first, int(end - first));
                }
                span(py, first, end);
                if (first >= end) continue;
                const int16_t* row = kept.pixels + ((py - m.fullY0) * width + first) * 4;
                kernels.write(ctx.target.Row(py) + m.fullX0 + first, row, int(end - first), scale, fade, blend);
            }
            return;
        }
    }

    int first = view.width, last = 0; // the texel columns the row uses
    for (int i = 0; i < n; ++i) {
        const LinearTap tap = LinearTapFor(TexelFixed(m.S(x0 + i)), view.width, stage.sampler.addressU);
        m_taps[size_t(i)] = tap;
        first = std::min({first, tap.i0, tap.i1});
        last = std::max({last, tap.i0, tap.i1});
    }

    if (!integer) {
        // Colours the program changes are filtered in float, as the
        // general path filters them, so that the program sees the same texel.
        for (int py = y0; py < y1; ++py) {
            const LinearTap row = LinearTapFor(TexelFixed(m.T(py)), view.height, stage.sampler.addressV);
            uint32_t* out = ctx.target.Row(py) + x0;
            for (int i = 0; i < n; ++i) {
                const Float4 texel = FilterBilinear(view, m_taps[size_t(i)], row);
                out[i] = BlendPixel(stage, ShadeTexel(stage, texel), out[i]);
            }
        }
        return;
    }

    const int count = last - first + 1;
    if (int(m_top.size()) < count) {
        m_top.resize(size_t(count));
        m_bottom.resize(size_t(count));
        m_filtered.resize(size_t(count) * 4);
    }
    for (int i = 0; i < n; ++i) {
        const LinearTap& tap = m_taps[size_t(i)];
        m_linearColumns[size_t(i)] = LinearColumn{tap.i0 - first, tap.i1 - first, int(tap.fraction >> 1)};
    }
    for (int py = y0; py < y1; ++py) {
        const LinearTap row = LinearTapFor(TexelFixed(m.T(py)), view.height, stage.sampler.addressV);
        ReadTexelRow(view, row.i0, first, count, m_top.data());
        ReadTexelRow(view, row.i1, first, count, m_bottom.data());
        kernels.vertical(m_top.data(), m_bottom.data(), count, int(row.fraction >> 1), m_filtered.data());
        kernels.horizontal(ctx.target.Row(py) + x0, m_filtered.data(), m_linearColumns.data(), n, scale, fade, blend);
    }
}

void QuadPath::DrawFlat(const DrawContext& ctx, int x0, int x1, int y0, int y1, const SpanKernels& kernels)
{
    const PixelStage& stage = ctx.stage;
    const Float4 c = ShadeTexel(stage, kUnboundTexel);
    const uint32_t rgb = ToByte(c.r) << 16 | ToByte(c.g) << 8 | ToByte(c.b);
    const int n = x1 - x0;
    if (stage.blend == BlendKind::Replace) {
        for (int py = y0; py < y1; ++py) kernels.fill(ctx.target.Row(py) + x0, rgb, n);
        return;
    }
    // Colours from bytes (everything the engine draws flat) have an alpha
    // that is a whole byte; others blend with the finer 15-bit weight.
    const float a255 = c.a * 255.0f, whole = std::floor(a255 + 0.5f);
    if (std::fabs(a255 - whole) < 1e-3f) {
        for (int py = y0; py < y1; ++py) kernels.fillBlend(ctx.target.Row(py) + x0, rgb, uint32_t(whole), n);
    } else {
        const uint16_t w = AlphaWeight(c.a);
        for (int py = y0; py < y1; ++py) kernels.fillBlendWeighted(ctx.target.Row(py) + x0, rgb, w, n);
    }
}

const uint32_t* QuadPath::GatherRow(const TextureView& view, int ty, int n)
{
    const uint8_t* row = view.Row(ty);
    const int* columns = m_columns.texels.data();
    uint32_t* span = m_span.data();
    switch (view.format) {
    case D3DFMT_A8R8G8B8:
        for (int i = 0; i < n; ++i) memcpy(&span[i], row + size_t(columns[i]) * 4, 4);
        break;
    case D3DFMT_X8R8G8B8:
        for (int i = 0; i < n; ++i) {
            memcpy(&span[i], row + size_t(columns[i]) * 4, 4);
            span[i] |= 0xFF000000u;
        }
        break;
    default:
        for (int i = 0; i < n; ++i) span[i] = TexelArgb8(view, columns[i], ty);
        break;
    }
    return span;
}

void QuadPath::DrawRow(const DrawContext& ctx, TexelTransform transform, int py, int ty, int x0, int n,
                       const SpanKernels& kernels)
{
    const PixelStage& stage = ctx.stage;
    const TextureView& view = m_view;
    uint32_t* out = ctx.target.Row(py) + x0;
    const bool blend = stage.blend == BlendKind::SourceAlpha;

    switch (transform) {
    case TexelTransform::Identity: {
        const bool fourBytes = view.format == D3DFMT_A8R8G8B8 || view.format == D3DFMT_X8R8G8B8;
        const uint32_t* src = m_columns.contiguous && fourBytes
                                  ? reinterpret_cast<const uint32_t*>(view.Row(ty)) + m_columns.texels[0]
                                  : GatherRow(view, ty, n);
        // Formats without alpha are opaque whatever their top byte holds.
        const bool hasAlpha = view.format == D3DFMT_A8R8G8B8 || view.format == D3DFMT_A8;
        if (blend && hasAlpha)
            kernels.blend(out, src, n);
        else
            kernels.copy(out, src, n);
        break;
    }
    case TexelTransform::FadeAlpha: {
        const bool direct = m_columns.contiguous && view.format == D3DFMT_A8R8G8B8;
        const uint32_t* src =
            direct ? reinterpret_cast<const uint32_t*>(view.Row(ty)) + m_columns.texels[0] : GatherRow(view, ty, n);
        if (blend)
            kernels.blendFaded(out, src, m_channels->weight, n);
        else
            kernels.copy(out, src, n);
        break;
    }
    case TexelTransform::Channels: {
        const ChannelTables& t = *m_channels;
        if (blend && t.alphaKept && view.format != D3DFMT_R5G6B5) {
            // The usual tinted sprite: tables and blend in one pass.
            const bool direct = m_columns.contiguous && view.format == D3DFMT_A8R8G8B8;
            const uint32_t* src =
                direct ? reinterpret_cast<const uint32_t*>(view.Row(ty)) + m_columns.texels[0] : GatherRow(view, ty, n);
            if (t.scalable)
                kernels.blendScaled(out, src, t.scale, n);
            else
                kernels.blendMapped(out, src, ChannelMap{t.red, t.green, t.blue}, n);
            break;
        }
        uint32_t* span = m_span.data();
        if (view.format == D3DFMT_R5G6B5) {
            const uint8_t* row = view.Row(ty);
            for (int i = 0; i < n; ++i) {
                uint16_t v;
                memcpy(&v, row + size_t(m_columns.texels[size_t(i)]) * 2, 2);
                span[i] = 0xFF000000u | t.red[v >> 11] | t.green[(v >> 5) & 63] | t.blue[v & 31];
            }
        } else {
            GatherRow(view, ty, n);
            for (int i = 0; i < n; ++i) {
                const uint32_t p = span[i];
                span[i] = (p & 0xFF000000u) | t.red[(p >> 16) & 255] | t.green[(p >> 8) & 255] | t.blue[p & 255];
            }
        }
        WriteSpan(kernels, out, span, n, blend, t);
        break;
    }
    case TexelTransform::Coverage: {
        uint32_t* span = m_span.data();
        GatherRow(view, ty, n);
        const CoverageTables& t = *m_coverage;
        for (int i = 0; i < n; ++i) {
            const uint32_t a = span[i] & 0xFF000000u;
            span[i] = a | t.colour[a >> 24];
        }
        if (blend)
            kernels.blendFaded(out, span, t.weight, n);
        else
            kernels.copy(out, span, n);
        break;
    }
    case TexelTransform::Recolour: {
        uint32_t* span = m_span.data();
        GatherRow(view, ty, n);
        Recolour(stage.constants, span, n);
        WriteSpan(kernels, out, span, n, blend, *m_channels);
        break;
    }
    case TexelTransform::PerPixel:
    case TexelTransform::Flat: // drawn by DrawFlat; kept here for completeness
        for (int i = 0; i < n; ++i) {
            const Float4 texel = TexelFloat(view, m_columns.texels[size_t(i)], ty);
            out[i] = BlendPixel(stage, ShadeTexel(stage, texel), out[i]);
        }
        break;
    }
}

} // namespace kes::d3d9
