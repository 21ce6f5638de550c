#include "GlMagnification.h"

#include <cmath>

namespace kes::d3d9::gl {
namespace {

// The largest texel footprint of a pixel in triangle a, b, c: the longer
// of the texture coordinates' derivatives along x and along y, in texels.
// 0 for a triangle without area (it has no pixels to filter), NaN for
// positions or coordinates that are not numbers.
double Footprint(const VertexXyzrhwTex1& a, const VertexXyzrhwTex1& b, const VertexXyzrhwTex1& c, double w, double h)
{
    const double x1 = double(b.x) - a.x, y1 = double(b.y) - a.y;
    const double x2 = double(c.x) - a.x, y2 = double(c.y) - a.y;
    const double det = x1 * y2 - x2 * y1;
    if (det == 0) return 0;
    const double s1 = (double(b.u) - a.u) * w, s2 = (double(c.u) - a.u) * w;
    const double t1 = (double(b.v) - a.v) * h, t2 = (double(c.v) - a.v) * h;
    const double dsdx = (s1 * y2 - s2 * y1) / det, dsdy = (s2 * x1 - s1 * x2) / det;
    const double dtdx = (t1 * y2 - t2 * y1) / det, dtdy = (t2 * x1 - t1 * x2) / det;
    return std::fmax(std::hypot(dsdx, dtdx), std::hypot(dsdy, dtdy));
}

bool Magnifies(const VertexXyzrhwTex1& a, const VertexXyzrhwTex1& b, const VertexXyzrhwTex1& c, double w, double h)
{
    return Footprint(a, b, c, w, h) <= 1.001;
}

} // namespace

bool WholeDrawMagnified(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* v, UINT count, UINT width, UINT height)
{
    const double w = width, h = height;
    switch (type) {
    case D3DPT_TRIANGLELIST:
        for (UINT i = 0; i + 2 < count; i += 3)
            if (!Magnifies(v[i], v[i + 1], v[i + 2], w, h)) return false;
        return true;
    case D3DPT_TRIANGLESTRIP:
        for (UINT i = 0; i + 2 < count; ++i)
            if (!Magnifies(v[i], v[i + 1], v[i + 2], w, h)) return false;
        return true;
    case D3DPT_TRIANGLEFAN:
        for (UINT i = 1; i + 1 < count; ++i)
            if (!Magnifies(v[0], v[i], v[i + 1], w, h)) return false;
        return true;
    default: return false;
    }
}

} // namespace kes::d3d9::gl
