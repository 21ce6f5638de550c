// Mapped copies of textures.
#include "MappedTextures.h"

#include <cstring>

namespace kes::d3d9 {

bool MappedTextureKey::operator==(const MappedTextureKey& o) const
{
    // Constants compare bit for bit, so that NaN constants find their copy too.
    return texture == o.texture && bits == o.bits && revision == o.revision && mapping == o.mapping &&
           constants.function == o.constants.function && constants.blend == o.constants.blend &&
           memcmp(&constants.alpha, &o.constants.alpha, sizeof constants.alpha) == 0 &&
           memcmp(&constants.color, &o.constants.color, sizeof constants.color) == 0;
}

size_t MappedTextureKey::Hash::operator()(const MappedTextureKey& k) const
{
    uint32_t words[6];
    memcpy(&words[0], &k.constants.alpha, 4);
    memcpy(&words[1], &k.constants.color, 16);
    words[5] = uint32_t(k.constants.function) * 31u + uint32_t(k.constants.blend) * 7u + uint32_t(k.mapping);
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(k.texture)) ^ uint64_t(k.revision) << 32;
    for (const uint32_t w : words) h = (h ^ w) * 0x100000001B3ull;
    return size_t(h ^ (h >> 29));
}

MappedTextureCache::MappedTextureCache(size_t budgetBytes) : m_copies(budgetBytes) {}

const TextureView* MappedTextureCache::Find(const MappedTextureKey& key, const TextureView& source,
                                            const RowMapper& map)
{
    const int w = source.width, h = source.height;
    const void* texels = m_copies.Find(key, size_t(w) * size_t(h) * 4, [&](void* out) {
        for (int y = 0; y < h; ++y) {
            uint32_t* row = static_cast<uint32_t*>(out) + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x) row[x] = TexelArgb8(source, x, y);
            map(row, w);
        }
    });
    if (!texels) return nullptr;
    m_view.bits = static_cast<const uint8_t*>(texels);
    m_view.pitch = int64_t(w) * 4;
    m_view.width = w;
    m_view.height = h;
    m_view.format = D3DFMT_A8R8G8B8;
    return &m_view;
}

} // namespace kes::d3d9
