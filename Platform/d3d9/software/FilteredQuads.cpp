// Filtered quads kept between draws.
#include "FilteredQuads.h"

#include <algorithm>
#include <cstring>

namespace kes::d3d9 {

bool FilterAxis::operator==(const FilterAxis& o) const
{
    // Bit for bit: the taps are computed from these very values.
    return memcmp(&origin, &o.origin, sizeof origin) == 0 && memcmp(&step, &o.step, sizeof step) == 0 &&
           memcmp(&offset, &o.offset, sizeof offset) == 0 && pixels == o.pixels && size == o.size &&
           address == o.address;
}

bool FilteredQuadKey::operator==(const FilteredQuadKey& o) const
{
    return texture == o.texture && bits == o.bits && revision == o.revision && x == o.x && y == o.y;
}

size_t FilteredQuadKey::Hash::operator()(const FilteredQuadKey& k) const
{
    uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(k.texture)) ^ uint64_t(k.revision) << 32;
    for (const FilterAxis* a : {&k.x, &k.y}) {
        uint64_t words[3];
        memcpy(words, &a->origin, 8);
        memcpy(words + 1, &a->step, 8);
        memcpy(words + 2, &a->offset, 8);
        for (const uint64_t w : words) h = (h ^ w) * 0x100000001B3ull;
        h = (h ^ uint64_t(a->pixels) << 20 ^ uint64_t(a->size)) * 0x100000001B3ull;
    }
    return size_t(h ^ (h >> 29));
}

void ReadTexelRow(const TextureView& view, int y, int first, int count, uint32_t* out)
{
    const uint8_t* row = view.Row(y);
    switch (view.format) {
    case D3DFMT_A8R8G8B8: memcpy(out, row + size_t(first) * 4, size_t(count) * 4); break;
    case D3DFMT_X8R8G8B8:
        memcpy(out, row + size_t(first) * 4, size_t(count) * 4);
        for (int i = 0; i < count; ++i) out[i] |= 0xFF000000u;
        break;
    default:
        for (int i = 0; i < count; ++i) out[i] = TexelArgb8(view, first + i, y);
        break;
    }
}

KeptQuad FilteredQuadCache::Find(const FilteredQuadKey& key, const TextureView& view, const LinearKernels& kernels)
{
    const size_t w = size_t(key.x.pixels), h = size_t(key.y.pixels);
    // The pixels, then each row's first and end of pixels that are not clear.
    const void* kept = m_kept.Find(key, w * h * 8 + h * 8, [&](void* out) {
        m_taps.resize(w);
        int first = view.width, last = 0; // the texel columns the rows use
        for (size_t i = 0; i < w; ++i) {
            const LinearTap t = m_taps[i] = key.x.Tap(int(i));
            first = std::min({first, t.i0, t.i1});
            last = std::max({last, t.i0, t.i1});
        }
        const int count = last - first + 1;
        m_columns.resize(w);
        for (size_t i = 0; i < w; ++i)
            m_columns[i] = LinearColumn{m_taps[i].i0 - first, m_taps[i].i1 - first, int(m_taps[i].fraction >> 1)};
        m_top.resize(size_t(count));
        m_bottom.resize(size_t(count));
        m_filtered.resize(size_t(count) * 4);
        for (size_t r = 0; r < h; ++r) {
            const LinearTap row = key.y.Tap(int(r));
            ReadTexelRow(view, row.i0, first, count, m_top.data());
            ReadTexelRow(view, row.i1, first, count, m_bottom.data());
            kernels.vertical(m_top.data(), m_bottom.data(), count, int(row.fraction >> 1), m_filtered.data());
            kernels.filter(static_cast<int16_t*>(out) + r * w * 4, m_filtered.data(), m_columns.data(), int(w));
        }
        int32_t* seen = reinterpret_cast<int32_t*>(static_cast<int16_t*>(out) + w * h * 4);
        for (size_t r = 0; r < h; ++r) {
            const int16_t* row = static_cast<const int16_t*>(out) + r * w * 4;
            size_t first = 0, end = w;
            while (first < w && row[first * 4 + 3] == 0) ++first;
            while (end > first && row[(end - 1) * 4 + 3] == 0) --end;
            seen[2 * r] = int32_t(first);
            seen[2 * r + 1] = int32_t(end);
        }
    });
    if (!kept) return KeptQuad{};
    const int16_t* pixels = static_cast<const int16_t*>(kept);
    return KeptQuad{pixels, reinterpret_cast<const int32_t*>(pixels + w * h * 4)};
}

} // namespace kes::d3d9
