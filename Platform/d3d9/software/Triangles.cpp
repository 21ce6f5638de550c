// Triangle setup and scan conversion, the general way.
//
// Direct3D 9's rules for pre-transformed vertices: a pixel is covered when
// its centre, at integer coordinates, is inside the triangle; a centre
// exactly on an edge belongs to the triangle only when that edge is a top
// edge (horizontal, the triangle below it) or a left edge. Two triangles
// sharing an edge therefore never both draw a pixel on it, and a rectangle
// from x = 68 to x = 132 covers the pixels 68 to 131.
//
// Positions snap to 1/256 pixel and coverage is decided with exact 64-bit
// edge functions, solved per row for the span of covered pixels, which is
// clipped to the target before anything is touched. Texture coordinates are
// planes over the screen (rhw is 1: no perspective), evaluated in double at
// each pixel centre. Not implemented: depth, perspective correction,
// clipping against user planes.
#include "Triangles.h"

#include <algorithm>
#include <cmath>

namespace kes::d3d9 {

namespace {

struct Point {
    double x, y;
};

struct FixedPoint {
    int64_t x, y;
};

// A texture coordinate in texels as a plane over the screen.
struct Plane {
    double origin, x0, y0, dx, dy;
    double At(double px, double py) const { return origin + dx * (px - x0) + dy * (py - y0); }
};

struct Interpolants {
    Plane s, t;
    bool linear;
};

// The planes of s = u·width and t = v·height through the three vertices,
// and the filter their footprint selects. False for a degenerate triangle.
bool MakeInterpolants(const PixelStage& stage, const VertexXyzrhwTex1& a, const VertexXyzrhwTex1& b,
                      const VertexXyzrhwTex1& c, Interpolants* out)
{
    const double w = stage.Textured() ? stage.sampler.view.width : 1;
    const double h = stage.Textured() ? stage.sampler.view.height : 1;
    const double x1 = double(b.x) - a.x, y1 = double(b.y) - a.y;
    const double x2 = double(c.x) - a.x, y2 = double(c.y) - a.y;
    const double det = x1 * y2 - x2 * y1;
    if (det == 0 || !std::isfinite(det)) return false;
    const double s0 = a.u * w, s1 = b.u * w - s0, s2 = c.u * w - s0;
    const double t0 = a.v * h, t1 = b.v * h - t0, t2 = c.v * h - t0;
    const double dsdx = (s1 * y2 - s2 * y1) / det, dsdy = (s2 * x1 - s1 * x2) / det;
    const double dtdx = (t1 * y2 - t2 * y1) / det, dtdy = (t2 * x1 - t1 * x2) / det;
    out->s = Plane{s0, a.x, a.y, dsdx, dsdy};
    out->t = Plane{t0, a.x, a.y, dtdx, dtdy};
    const double rho = std::max(std::hypot(dsdx, dtdx), std::hypot(dsdy, dtdy));
    out->linear = stage.Textured() && stage.Linear(rho);
    return true;
}

void ShadeSpan(const DrawContext& ctx, const Interpolants& in, int py, int x0, int x1)
{
    const PixelStage& stage = ctx.stage;
    uint32_t* row = ctx.target.Row(py);
    for (int px = x0; px < x1; ++px) {
        const Float4 texel = SampleTexel(stage, in.linear, in.s.At(px, py), in.t.At(px, py));
        row[px] = BlendPixel(stage, ShadeTexel(stage, texel), row[px]);
    }
}

// One edge a -> b of a triangle wound so that its inside is where
// E(X, Y) = dx·(Y − ay) − dy·(X − ax) > 0; a centre with E = 0 counts only
// on a top or left edge.
struct Edge {
    int64_t dx, dy, ax, ay, threshold;

    Edge(FixedPoint a, FixedPoint b) : dx(b.x - a.x), dy(b.y - a.y), ax(a.x), ay(a.y)
    {
        const bool top = dy == 0 && dx > 0, left = dy < 0;
        threshold = top || left ? 0 : 1;
    }

    // Narrows [lo, hi] to the pixels of row Y (fixed point) on the inside.
    void Limit(int64_t Y, int64_t* lo, int64_t* hi) const
    {
        // E(px) = n − d·px with px the pixel column; inside: d·px <= n.
        const int64_t n = dx * (Y - ay) + dy * ax - threshold;
        const int64_t d = dy * kSubpixelOne;
        if (d > 0)
            *hi = std::min(*hi, FloorDiv(n, d));
        else if (d < 0)
            *lo = std::max(*lo, CeilDiv(-n, -d));
        else if (n < 0)
            *hi = *lo - 1;
    }
};

// Scan converts a snapped triangle with positive area.
void Rasterize(const DrawContext& ctx, const Interpolants& in, FixedPoint a, FixedPoint b, FixedPoint c)
{
    const TargetView& target = ctx.target;
    const int64_t minY = std::min({a.y, b.y, c.y}), maxY = std::max({a.y, b.y, c.y});
    const int64_t firstRow = std::max<int64_t>(0, CeilDiv(minY, kSubpixelOne));
    const int64_t lastRow = std::min<int64_t>(target.height - 1, FloorDiv(maxY, kSubpixelOne));
    const Edge edges[3] = {Edge(a, b), Edge(b, c), Edge(c, a)};
    for (int64_t py = firstRow; py <= lastRow; ++py) {
        int64_t lo = 0, hi = target.width - 1;
        for (const Edge& e : edges) e.Limit(py * kSubpixelOne, &lo, &hi);
        if (lo <= hi) ShadeSpan(ctx, in, int(py), int(lo), int(hi) + 1);
    }
}

int64_t Area(FixedPoint a, FixedPoint b, FixedPoint c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Snaps and draws one triangle lying inside the guard band; `sign` is the
// winding the unsnapped triangle had (snapping may collapse a sliver).
void SnapAndRasterize(const DrawContext& ctx, const Interpolants& in, Point p0, Point p1, Point p2, int sign)
{
    FixedPoint a{SnapToSubpixel(p0.x), SnapToSubpixel(p0.y)};
    FixedPoint b{SnapToSubpixel(p1.x), SnapToSubpixel(p1.y)};
    FixedPoint c{SnapToSubpixel(p2.x), SnapToSubpixel(p2.y)};
    const int64_t area = Area(a, b, c);
    if (area == 0 || (area > 0) != (sign > 0)) return;
    if (area < 0) std::swap(b, c);
    Rasterize(ctx, in, a, b, c);
}

// Sutherland–Hodgman against the guard band: at most 3 + 4 corners.
int ClipToGuardBand(const Point* in, int count, Point* out)
{
    Point a[8], b[8];
    std::copy(in, in + count, a);
    Point* src = a;
    Point* dst = b;
    for (int plane = 0; plane < 4 && count > 0; ++plane) {
        const auto inside = [plane](const Point& p) {
            switch (plane) {
            case 0: return p.x >= -kGuardBand;
            case 1: return p.x <= kGuardBand;
            case 2: return p.y >= -kGuardBand;
            default: return p.y <= kGuardBand;
            }
        };
        const auto cross = [plane](const Point& p, const Point& q) {
            const double bound = plane % 2 == 0 ? -kGuardBand : kGuardBand;
            if (plane < 2) {
                const double f = (bound - p.x) / (q.x - p.x);
                return Point{bound, p.y + (q.y - p.y) * f};
            }
            const double f = (bound - p.y) / (q.y - p.y);
            return Point{p.x + (q.x - p.x) * f, bound};
        };
        int n = 0;
        for (int i = 0; i < count; ++i) {
            const Point& p = src[i];
            const Point& q = src[(i + 1) % count];
            const bool pin = inside(p), qin = inside(q);
            if (pin) dst[n++] = p;
            if (pin != qin) dst[n++] = cross(p, q);
        }
        count = n;
        std::swap(src, dst);
    }
    std::copy(src, src + count, out);
    return count;
}

} // namespace

void DrawTriangle(const DrawContext& ctx, const VertexXyzrhwTex1& a, const VertexXyzrhwTex1& b,
                  const VertexXyzrhwTex1& c)
{
    if (!FinitePosition(a) || !FinitePosition(b) || !FinitePosition(c)) return;
    const TargetView& target = ctx.target;
    // Nothing of it can reach a pixel centre of the target.
    if (std::max({a.x, b.x, c.x}) < 0 || std::max({a.y, b.y, c.y}) < 0 || std::min({a.x, b.x, c.x}) > target.width ||
        std::min({a.y, b.y, c.y}) > target.height)
        return;

    const Point p[3] = {{a.x, a.y}, {b.x, b.y}, {c.x, c.y}};
    const double area = (p[1].x - p[0].x) * (p[2].y - p[0].y) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
    Interpolants in;
    if (!MakeInterpolants(ctx.stage, a, b, c, &in)) return;

    const bool inBand = InGuardBand(a.x) && InGuardBand(a.y) && InGuardBand(b.x) && InGuardBand(b.y) &&
                        InGuardBand(c.x) && InGuardBand(c.y);
    if (inBand) {
        // Culling looks at the snapped triangle, as hardware does.
        const FixedPoint f0{SnapToSubpixel(p[0].x), SnapToSubpixel(p[0].y)};
        const FixedPoint f1{SnapToSubpixel(p[1].x), SnapToSubpixel(p[1].y)};
        const FixedPoint f2{SnapToSubpixel(p[2].x), SnapToSubpixel(p[2].y)};
        const int64_t fixedArea = Area(f0, f1, f2);
        if (fixedArea == 0 || Culled(ctx.cullMode, double(fixedArea))) return;
        if (fixedArea > 0)
            Rasterize(ctx, in, f0, f1, f2);
        else
            Rasterize(ctx, in, f0, f2, f1);
        return;
    }

    if (Culled(ctx.cullMode, area)) return;
    Point clipped[8];
    const int n = ClipToGuardBand(p, 3, clipped);
    const int sign = area > 0 ? 1 : -1;
    // A fan over the clipped polygon: its inner edges are shared, and the
    // fill rule draws their pixels once.
    for (int i = 1; i + 1 < n; ++i) SnapAndRasterize(ctx, in, clipped[0], clipped[i], clipped[i + 1], sign);
}

} // namespace kes::d3d9
