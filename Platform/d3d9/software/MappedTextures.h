// Copies of textures with the effect program's colour mapping already
// applied to every texel, for sprites drawn again and again with the same
// constants (a hue-turned or tinted sprite on every frame).
//
// Drawing such a sprite otherwise maps each covered texel on every draw:
// tables or slopes for a tint, the program itself (behind ColourMemo) for a
// hue rotation. The copy holds what that mapping gives, texel for texel and
// alpha kept, so a point-sampled draw reads it through the plain span kernels
// and writes the same bytes. Which mapping made a copy is part of its key;
// the caller maps with exactly the function its uncached path uses. Copies
// are made, kept and dropped as RepeatCache says, keyed on the texture
// object, its revision (bumped by every unlock) and the constants.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_MAPPEDTEXTURES_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_MAPPEDTEXTURES_H

#include "RepeatCache.h"
#include "Sampler.h"

#include <cstddef>
#include <cstdint>
#include <functional>

namespace kes::d3d9 {

// Which of the fast path's colour mappings made a copy.
enum class TexelMapping : uint8_t {
    Recolour, // ColourMemo: the whole colour through the program
    Tables,   // per-channel byte tables
    Scales,   // per-channel slopes
};

struct MappedTextureKey {
    const void* texture = nullptr; // the texture object (identity only)
    const uint8_t* bits = nullptr; // its level 0 bytes
    uint32_t revision = 0;
    TexelMapping mapping = TexelMapping::Recolour;
    EffectConstants constants;

    bool operator==(const MappedTextureKey& o) const;
    struct Hash {
        size_t operator()(const MappedTextureKey& k) const;
    };
};

class MappedTextureCache {
public:
    // 16 MiB of copies: a few hundred sprite textures, or four at 1024 x 1024.
    static constexpr size_t kDefaultBudget = size_t(16) << 20;
    static constexpr uint64_t kStaleDraws = RepeatCache<MappedTextureKey>::kStaleDraws;

    // Maps a row of `n` texels in place (0xAARRGGBB in, 0xAARRGGBB out).
    using RowMapper = std::function<void(uint32_t* row, int n)>;

    explicit MappedTextureCache(size_t budgetBytes = kDefaultBudget);

    // The mapped copy (A8R8G8B8, the source's size) for `key`, made from
    // `source` with `map`, when RepeatCache has one; null otherwise. The
    // view stays valid until the next call.
    const TextureView* Find(const MappedTextureKey& key, const TextureView& source, const RowMapper& map);

    // Drops every copy of a texture that is going away.
    void Forget(const void* texture) { m_copies.Forget(texture); }

    size_t Bytes() const { return m_copies.Bytes(); }
    size_t Copies() const { return m_copies.Results(); }
    size_t Budget() const { return m_copies.Budget(); }

private:
    RepeatCache<MappedTextureKey> m_copies;
    TextureView m_view;
};

} // namespace kes::d3d9

#endif
