// Lines one pixel wide: segments of line lists and line strips.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_LINES_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_LINES_H

#include "DrawContext.h"

namespace kes::d3d9 {

// One segment, from a towards b; b's own pixel is not drawn.
void DrawLine(const DrawContext& ctx, const VertexXyzrhwTex1& a, const VertexXyzrhwTex1& b);

} // namespace kes::d3d9

#endif
