// Reading an engine image's pixels back as 0xAARRGGBB, for sheets, exports
// and tests. Every format the loaders make is read: A8R8G8B8, X8R8G8B8
// (opaque), R5G6B5 (each field widened by repeating its top bits) and A8
// (white at the coverage).
#ifndef KESTO_TOOLS_VIEW_PIXELS_H
#define KESTO_TOOLS_VIEW_PIXELS_H

#include <cstdint>
#include <vector>

class MImage;

namespace kes::view {

// m_width x m_height pixels, row-major. False when the image cannot be
// locked or has a format not listed above.
bool ReadPixels(MImage* image, std::vector<uint32_t>* argb);

// `src` over `dst` by src's alpha, rounded to nearest; the result is opaque.
uint32_t Over(uint32_t src, uint32_t dst);

} // namespace kes::view

#endif
