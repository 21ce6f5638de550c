// Whether a draw magnifies its texture everywhere.
//
// Direct3D (and the software device) chooses between the magnification and
// the minification filter per pixel, from how many texels the pixel spans.
// OpenGL does too, but a CPU rasterizer such as llvmpipe then runs both
// filters for every pixel and picks one. The engine's triangles are flat
// (no perspective), so each spans the same texels per pixel everywhere:
// when every triangle of a draw magnifies (or draws 1:1), every pixel would
// choose the magnification filter, and the device can say so by setting
// both filters to it.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLMAGNIFICATION_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLMAGNIFICATION_H

#include "../Device.h"

namespace kes::d3d9::gl {

// True when every triangle of the strip, list or fan spans at most one
// texel of a width x height texture per pixel along each screen axis (the
// same 1:1 slack of a thousandth as the software device allows). False for
// anything it cannot tell, such as positions that are not numbers.
// Triangles without area draw nothing and do not count.
bool WholeDrawMagnified(D3DPRIMITIVETYPE type, const VertexXyzrhwTex1* v, UINT count, UINT width, UINT height);

} // namespace kes::d3d9::gl

#endif
