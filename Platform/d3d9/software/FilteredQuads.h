// Linearly filtered texels of a magnified quad, kept for quads drawn again
// at the same size (a scaled sprite on every frame, wherever it stands).
//
// The integer bilinear path filters every pixel's four texels on every
// draw. What it computes before scaling, fading and blending, the value P of
// each pixel (LinearSpans), depends only on the texture's contents and on
// which texels and weights each pixel column and row takes, and those follow
// from how texture coordinates run along each axis relative to the quad's
// corner; for a sprite at whole-pixel positions they are the same wherever
// it is drawn. So the P of the whole quad, before clipping to the target, is
// kept at its full 16 bits (bytes would change the rounding of a third of
// the pixels) under a key of the texture object, its revision and the two
// axes; a later draw writes the visible part of it with the same kernels'
// second half and gets the same bytes. RepeatCache decides when to keep and
// drop.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_FILTEREDQUADS_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_FILTEREDQUADS_H

#include "LinearSpans.h"
#include "RepeatCache.h"
#include "Sampler.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kes::d3d9 {

// How texture coordinates run along one axis of a quad: pixel i of it
// (0 at its first covered pixel) samples at texel coordinate
//   origin + step·(offset + i)
// where offset is the first pixel's distance from the quad's corner.
struct FilterAxis {
    double origin = 0, step = 0, offset = 0;
    int pixels = 0; // covered pixels, before clipping
    int size = 0;   // texels along the axis
    DWORD address = 0;

    bool operator==(const FilterAxis& o) const;
    LinearTap Tap(int i) const { return LinearTapFor(TexelFixed(origin + step * (offset + double(i))), size, address); }
};

struct FilteredQuadKey {
    const void* texture = nullptr; // the texture object (identity only)
    const uint8_t* bits = nullptr; // its level 0 bytes
    uint32_t revision = 0;
    FilterAxis x, y;

    bool operator==(const FilteredQuadKey& o) const;
    struct Hash {
        size_t operator()(const FilteredQuadKey& k) const;
    };
};

// A kept quad: P of every pixel, row by row, four 16-bit channels each
// (blue, green, red, alpha), and for each row the pixels from the first to
// the last whose blend weight is not zero. The others are clear: a blended
// write leaves their target pixels as they were and may skip them.
struct KeptQuad {
    const int16_t* pixels = nullptr;
    const int32_t* seen = nullptr; // per row: first pixel, one past the last (equal when all are clear)

    explicit operator bool() const { return pixels != nullptr; }
};

class FilteredQuadCache {
public:
    // 16 MiB of filtered pixels, 8 bytes each: a hundred sprites of 64 x 64
    // drawn at twice their size, or one quad of 1400 x 1400 (a quarter).
    static constexpr size_t kDefaultBudget = size_t(16) << 20;

    explicit FilteredQuadCache(size_t budgetBytes = kDefaultBudget) : m_kept(budgetBytes) {}

    // The quad's kept pixels (empty when not kept). The texels are read
    // from `view` through `kernels` when the key is met for the second
    // time. Valid until the next call.
    KeptQuad Find(const FilteredQuadKey& key, const TextureView& view, const LinearKernels& kernels);

    void Forget(const void* texture) { m_kept.Forget(texture); }
    size_t Bytes() const { return m_kept.Bytes(); }
    size_t Quads() const { return m_kept.Results(); }

private:
    RepeatCache<FilteredQuadKey> m_kept;
    std::vector<LinearTap> m_taps;
    std::vector<LinearColumn> m_columns;
    std::vector<uint32_t> m_top, m_bottom;
    std::vector<int16_t> m_filtered;
};

// `count` texels of row y from column `first` on, as 0xAARRGGBB.
void ReadTexelRow(const TextureView& view, int y, int first, int count, uint32_t* out);

} // namespace kes::d3d9

#endif
