// Direct3D 9's rasterization on the CPU: pre-transformed triangles and lines
// into an X8R8G8B8 target, with the bound texture, sampler states, pixel
// program and blending of the pipeline state.
#ifndef KESTO_PLATFORM_D3D9_RASTERIZER_H
#define KESTO_PLATFORM_D3D9_RASTERIZER_H

#include "../Device.h"

namespace kes::d3d9 {

void RasterizePrimitives(const PipelineState& state, PixelStore& target, D3DPRIMITIVETYPE type,
                         const VertexXyzrhwTex1* vertices, UINT count);

} // namespace kes::d3d9

#endif
