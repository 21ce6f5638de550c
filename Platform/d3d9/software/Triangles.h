// Triangles on the general path: any shape, any filter, any pixel program,
// one pixel at a time through PixelPipeline.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_TRIANGLES_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_TRIANGLES_H

#include "DrawContext.h"

namespace kes::d3d9 {

// One triangle in the order the primitive gives its vertices (the order
// decides culling).
void DrawTriangle(const DrawContext& ctx, const VertexXyzrhwTex1& a, const VertexXyzrhwTex1& b,
                  const VertexXyzrhwTex1& c);

// Whether the cull mode removes a triangle of this signed area (positive:
// clockwise as seen on the screen, y pointing down).
inline bool Culled(DWORD cullMode, double signedArea)
{
    if (cullMode == D3DCULL_CW) return signedArea > 0;
    if (cullMode == D3DCULL_CCW) return signedArea < 0;
    return false;
}

} // namespace kes::d3d9

#endif
