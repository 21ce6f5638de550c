// Mapped copies of textures, least recently drawn dropped first.
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

size_t MappedTextureKeyHash::operator()(const MappedTextureKey& k) const
{
    uint32_t words[6];
    memcpy(&words[0], &k.constants.alpha, 4);
    memcpy(&words[1], &k.constants.color, 16);
    words[5] = uint32_t(k.constants.function) * 31u + uint32_t(k.constants.blend) * 7u + uint32_t(k.mapping);
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(k.texture)) ^ uint64_t(k.revision) << 32;
    for (const uint32_t w : words) h = (h ^ w) * 0x100000001B3ull;
    return size_t(h ^ (h >> 29));
}

MappedTextureCache::MappedTextureCache(size_t budgetBytes) : m_budget(budgetBytes) {}

const TextureView* MappedTextureCache::Find(const MappedTextureKey& key, const TextureView& source,
                                            const RowMapper& map)
{
    ++m_draws;
    const size_t bytes = size_t(source.width) * size_t(source.height) * 4;
    if (bytes > m_budget / 4) return nullptr;
    const auto found = m_index.find(key);
    if (found == m_index.end()) {
        m_seen.push_front(Entry{key, m_draws, {}, {}});
        m_index.emplace(key, m_seen.begin());
        if (m_seen.size() > kMaxSeen) Erase(m_seen, std::prev(m_seen.end()));
        return nullptr;
    }
    const List::iterator it = found->second;
    it->lastDraw = m_draws;
    if (it->view) {
        if (it != m_copies.begin()) m_copies.splice(m_copies.begin(), m_copies, it);
        return &it->view;
    }
    if (it != m_seen.begin()) m_seen.splice(m_seen.begin(), m_seen, it);
    if (!MakeRoom(bytes)) return nullptr;
    Build(*it, source, map);
    m_copies.splice(m_copies.begin(), m_seen, it);
    return &it->view;
}

bool MappedTextureCache::MakeRoom(size_t bytes)
{
    while (m_bytes + bytes > m_budget) {
        const List::iterator oldest = std::prev(m_copies.end());
        if (m_draws - oldest->lastDraw < kStaleDraws) return false;
        Erase(m_copies, oldest);
    }
    return true;
}

void MappedTextureCache::Build(Entry& e, const TextureView& source, const RowMapper& map)
{
    const int w = source.width, h = source.height;
    e.texels.resize(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        uint32_t* row = e.texels.data() + size_t(y) * size_t(w);
        for (int x = 0; x < w; ++x) row[x] = TexelArgb8(source, x, y);
        map(row, w);
    }
    e.view.bits = reinterpret_cast<const uint8_t*>(e.texels.data());
    e.view.pitch = int64_t(w) * 4;
    e.view.width = w;
    e.view.height = h;
    e.view.format = D3DFMT_A8R8G8B8;
    m_bytes += e.texels.size() * 4;
}

void MappedTextureCache::Erase(List& list, List::iterator it)
{
    m_bytes -= it->texels.size() * 4;
    m_index.erase(it->key);
    list.erase(it);
}

void MappedTextureCache::Forget(const void* texture)
{
    for (List* list : {&m_seen, &m_copies})
        for (auto it = list->begin(); it != list->end();) {
            const auto next = std::next(it);
            if (it->key.texture == texture) Erase(*list, it);
            it = next;
        }
}

} // namespace kes::d3d9
