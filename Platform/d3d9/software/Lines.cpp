// Lines, one pixel wide, on the general path.
//
// The usual one-pixel rule: step along the major axis through each integer
// pixel centre from the start towards the end, leaving out the end's own
// pixel, so that a closed strip draws each corner once; the minor
// coordinate is rounded to the nearest pixel centre (halves go down and
// right). Texture coordinates interpolate along the line. The major range is
// clipped to the target before the loop and each pixel's minor coordinate
// is checked. Not implemented: wide or antialiased lines, line patterns.
#include "Lines.h"

#include <algorithm>
#include <cmath>

namespace kes::d3d9 {

void DrawLine(const DrawContext& ctx, const VertexXyzrhwTex1& a, const VertexXyzrhwTex1& b)
{
    if (!FinitePosition(a) || !FinitePosition(b)) return;
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    if (dx == 0 && dy == 0) return;
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const double m0 = xMajor ? a.x : a.y, m1 = xMajor ? b.x : b.y;
    const double n0 = xMajor ? a.y : a.x;
    const double dm = m1 - m0, slope = (xMajor ? dy : dx) / dm;
    const int majorSize = xMajor ? ctx.target.width : ctx.target.height;
    const int minorSize = xMajor ? ctx.target.height : ctx.target.width;

    double first, last;
    if (dm > 0) {
        first = std::ceil(m0);
        last = std::ceil(m1) - 1;
    } else {
        first = std::floor(m1) + 1;
        last = std::floor(m0);
    }
    first = std::max(first, 0.0);
    last = std::min(last, double(majorSize - 1));
    if (first > last) return;

    const PixelStage& stage = ctx.stage;
    const double w = stage.Textured() ? stage.sampler.view.width : 1;
    const double h = stage.Textured() ? stage.sampler.view.height : 1;
    const double s0 = a.u * w, t0 = a.v * h;
    const double ds = (b.u * w - s0) / dm, dt = (b.v * h - t0) / dm; // per pixel along the line
    const bool linear = stage.Textured() && stage.Linear(std::hypot(ds, dt));

    for (int i = int(first); i <= int(last); ++i) {
        const double minor = std::floor(n0 + (i - m0) * slope + 0.5);
        if (!(minor >= 0 && minor < minorSize)) continue;
        const int px = xMajor ? i : int(minor), py = xMajor ? int(minor) : i;
        const Float4 texel = SampleTexel(stage, linear, s0 + (i - m0) * ds, t0 + (i - m0) * dt);
        uint32_t* pixel = ctx.target.Row(py) + px;
        *pixel = BlendPixel(stage, ShadeTexel(stage, texel), *pixel);
    }
}

} // namespace kes::d3d9
