#include "GlEffectCopies.h"

#include "../PixelFormats.h"

#include <cstring>
#include <functional>
#include <vector>

namespace kes::d3d9::gl {
namespace {

// A texel as the GPU samples it.
Float4 SampledTexel(const PixelStore& level, UINT x, UINT y)
{
    const uint8_t* row = level.Row(y);
    constexpr float k255 = 1.0f / 255.0f;
    switch (level.format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8: {
        const uint8_t* p = row + size_t(x) * 4; // B, G, R, A
        const float a = level.format == D3DFMT_X8R8G8B8 ? 1.0f : float(p[3]) * k255;
        return Float4{float(p[2]) * k255, float(p[1]) * k255, float(p[0]) * k255, a};
    }
    case D3DFMT_R5G6B5: {
        uint16_t v;
        memcpy(&v, row + size_t(x) * 2, 2);
        return Float4{float(v >> 11) / 31.0f, float((v >> 5) & 63) / 63.0f, float(v & 31) / 31.0f, 1.0f};
    }
    case D3DFMT_A8: return Float4{0.0f, 0.0f, 0.0f, float(row[x]) * k255};
    default: return Float4{0.0f, 0.0f, 0.0f, 1.0f};
    }
}

uint8_t UnormByte(float c)
{
    // Saturated first, as the render target saturates the program's output;
    // NaN stores as 0 there too.
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return uint8_t(c * 255.0f + 0.5f);
}

GLint Wrap(DWORD address)
{
    return address == D3DTADDRESS_WRAP ? GL_REPEAT : GL_CLAMP_TO_EDGE;
}

bool Copyable(D3DFORMAT f)
{
    return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_A8;
}

} // namespace

bool EffectCopyKey::operator==(const EffectCopyKey& o) const
{
    const EffectConstants &a = constants, &b = o.constants;
    return serial == o.serial && revision == o.revision && a.function == b.function && a.blend == b.blend &&
        memcmp(&a.color, &b.color, sizeof a.color) == 0;
}

size_t EffectCopyKeyHash::operator()(const EffectCopyKey& k) const
{
    uint32_t colour[4];
    memcpy(colour, &k.constants.color, sizeof colour);
    uint64_t h = k.serial * 0x9E3779B97F4A7C15ull ^ k.revision;
    for (uint32_t v : {uint32_t(k.constants.function), uint32_t(k.constants.blend), colour[0], colour[1], colour[2],
                       colour[3]})
        h = (h ^ v) * 0x100000001B3ull;
    return std::hash<uint64_t>()(h);
}

void EffectTexels(const EffectConstants& k, const PixelStore& level, uint8_t* rgba)
{
    EffectConstants unfaded = k;
    unfaded.alpha = 1.0f;
    for (UINT y = 0; y < level.height; ++y)
        for (UINT x = 0; x < level.width; ++x, rgba += 4) {
            const Float4 c = EffectPixel(unfaded, SampledTexel(level, x, y));
            rgba[0] = UnormByte(c.r);
            rgba[1] = UnormByte(c.g);
            rgba[2] = UnormByte(c.b);
            rgba[3] = UnormByte(c.a);
        }
}

EffectCopies::Copy* EffectCopies::Find(const Api& gl, const EffectCopyKey& key, const PixelStore& level)
{
    const auto found = m_index.find(key);
    if (found != m_index.end()) {
        m_copies.splice(m_copies.begin(), m_copies, found->second);
        return &m_copies.front();
    }
    const size_t bytes = size_t(level.width) * size_t(level.height) * 4;
    if (!Copyable(level.format) || bytes == 0 || bytes > kBudgetBytes / 4) return nullptr;
    EffectCopyKey& seen = m_seen[EffectCopyKeyHash()(key) % kSeenSlots];
    if (!(seen == key)) {
        seen = key;
        return nullptr;
    }
    seen = EffectCopyKey();
    return &Make(gl, key, level, bytes);
}

bool EffectCopies::Use(const Api& gl, const EffectCopyKey& key, const PixelStore& level, DWORD addressU, DWORD addressV)
{
    Copy* c = Find(gl, key, level);
    if (!c) return false;
    gl.BindTexture(GL_TEXTURE_2D, c->name);
    const GLint s = Wrap(addressU), t = Wrap(addressV);
    if (c->wrapS != s) gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, c->wrapS = s);
    if (c->wrapT != t) gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, c->wrapT = t);
    return true;
}

EffectCopies::Copy& EffectCopies::Make(const Api& gl, const EffectCopyKey& key, const PixelStore& level, size_t bytes)
{
    // Copies of the texture's earlier pixels can never be drawn again.
    for (auto it = m_copies.begin(); it != m_copies.end();) {
        const auto next = std::next(it);
        if (it->key.serial == key.serial && it->key.revision != key.revision) Drop(gl, it);
        it = next;
    }
    while (m_bytes + bytes > kBudgetBytes && !m_copies.empty()) Drop(gl, std::prev(m_copies.end()));

    std::vector<uint8_t> rgba(bytes);
    EffectTexels(key.constants, level, rgba.data());
    Copy c;
    c.key = key;
    c.bytes = bytes;
    gl.GenTextures(1, &c.name);
    gl.BindTexture(GL_TEXTURE_2D, c.name);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, GLsizei(level.width), GLsizei(level.height), 0, GL_RGBA,
                  GL_UNSIGNED_BYTE, rgba.data());
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    m_copies.push_front(c);
    m_index[key] = m_copies.begin();
    m_bytes += bytes;
    ++m_made;
    return m_copies.front();
}

void EffectCopies::Drop(const Api& gl, Lru::iterator it)
{
    gl.DeleteTextures(1, &it->name);
    m_bytes -= it->bytes;
    m_index.erase(it->key);
    m_copies.erase(it);
}

void EffectCopies::Forget(const Api& gl, uint64_t serial)
{
    for (auto it = m_copies.begin(); it != m_copies.end();) {
        const auto next = std::next(it);
        if (it->key.serial == serial) Drop(gl, it);
        it = next;
    }
}

void EffectCopies::Destroy(const Api& gl)
{
    while (!m_copies.empty()) Drop(gl, m_copies.begin());
    m_seen.fill(EffectCopyKey());
}

} // namespace kes::d3d9::gl
