// placeholder until the rasterizer lands (not committed)
#include "Rasterizer.h"
namespace kes::d3d9 {
void RasterizePrimitives(const PipelineState&, PixelStore&, D3DPRIMITIVETYPE, const VertexXyzrhwTex1*, UINT) {}
}
