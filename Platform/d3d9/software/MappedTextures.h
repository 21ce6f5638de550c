// Copies of textures with the effect program's colour mapping already
// applied to every texel, for sprites drawn again and again with the same
// constants (a hue-turned or tinted sprite on every frame).
//
// Drawing such a sprite otherwise maps each covered texel on every draw:
// tables or slopes for a tint, the program itself (behind ColourMemo) for a
// hue rotation. The copy holds what that mapping gives, texel for texel and
// alpha kept, so a point-sampled draw reads it through the plain span kernels
// and writes the same bytes. Which mapping made a copy is part of its key;
// the caller maps with exactly the function its uncached path uses.
//
// A copy is made on the second draw of a (texture, contents, constants)
// pair: a sprite whose constants change on every draw never pays for one.
// Copies are keyed on the texture object and its revision (bumped by every
// unlock), and the device drops a texture's copies when the texture goes
// away, so an address reused by a new texture never finds an old copy. The
// copies' bytes stay within a budget; the least recently drawn go first, but
// only once they have not been drawn for a while: when more sprites repeat
// than the budget holds, the ones without a copy take the uncached path
// instead of pushing out copies that are still in use and being rebuilt
// themselves a frame later.
#ifndef KESTO_PLATFORM_D3D9_SOFTWARE_MAPPEDTEXTURES_H
#define KESTO_PLATFORM_D3D9_SOFTWARE_MAPPEDTEXTURES_H

#include "Sampler.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <unordered_map>
#include <vector>

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
};

struct MappedTextureKeyHash {
    size_t operator()(const MappedTextureKey& k) const;
};

class MappedTextureCache {
public:
    // 16 MiB of copies: a few hundred sprite textures, or four at 1024 x 1024.
    static constexpr size_t kDefaultBudget = size_t(16) << 20;
    // Pairs remembered as seen once (without a copy), at most.
    static constexpr size_t kMaxSeen = 4096;
    // A copy not drawn in this many draws may make room for a new one.
    static constexpr uint64_t kStaleDraws = 4096;

    // Maps a row of `n` texels in place (0xAARRGGBB in, 0xAARRGGBB out).
    using RowMapper = std::function<void(uint32_t* row, int n)>;

    explicit MappedTextureCache(size_t budgetBytes = kDefaultBudget);

    // The mapped copy (A8R8G8B8, the source's size) for `key`, made from
    // `source` with `map` when the pair is met for the second time; null
    // before that, for textures larger than a quarter of the budget, and
    // while the budget is taken by copies in use. The view stays valid
    // until the next call.
    const TextureView* Find(const MappedTextureKey& key, const TextureView& source, const RowMapper& map);

    // Drops every copy of a texture that is going away.
    void Forget(const void* texture);

    size_t Bytes() const { return m_bytes; }
    size_t Copies() const { return m_copies.size(); }
    size_t Budget() const { return m_budget; }

private:
    struct Entry {
        MappedTextureKey key;
        uint64_t lastDraw = 0;
        TextureView view; // empty while the pair was seen once only
        std::vector<uint32_t> texels;
    };
    // Most recently drawn first. Entries move from m_seen to m_copies when
    // their copy is made (splicing keeps the index's iterators valid).
    using List = std::list<Entry>;

    bool MakeRoom(size_t bytes);
    void Build(Entry& e, const TextureView& source, const RowMapper& map);
    void Erase(List& list, List::iterator it);

    size_t m_budget;
    size_t m_bytes = 0;
    uint64_t m_draws = 0;
    List m_seen, m_copies;
    std::unordered_map<MappedTextureKey, List::iterator, MappedTextureKeyHash> m_index;
};

} // namespace kes::d3d9

#endif
