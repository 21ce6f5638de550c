// Copies of textures through the effect program, made on the CPU.
//
// On a CPU rasterizer the effect's arithmetic is much of a sprite's cost:
// the hue turn makes a sprite cost half again as much as a plain one, and
// even a tint's one multiply costs a quarter more than sampling alone. But a
// game turns and tints an image to a few fixed values (a team's colour, a
// darkened level, a character's palette) and draws it so frame after
// frame: the program's output for each texel is then the same every time.
// A copy holding those outputs, drawn point-sampled as a plain texture
// (times the fade, which only scales alpha), gives the same pixels at a
// plain sprite's cost.
//
// A copy is made the second time a (texture, pixels, constants) pair is
// drawn, so constants that change every frame cost no more than the program
// does. Copies are found by the texture's serial (never its address, which
// a texture made later may reuse) and the revision of its pixels; they are
// kept within a byte budget, least recently used first out.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLEFFECTCOPIES_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLEFFECTCOPIES_H

#include "GlApi.h"

#include "../Resources.h"
#include "../effect/EffectProgram.h"

#include <array>
#include <cstdint>
#include <list>
#include <unordered_map>

namespace kes::d3d9::gl {

// What a copy's texels depend on: the texture, its pixels' revision, and
// the program's constants other than the fade (compared bit for bit).
struct EffectCopyKey {
    uint64_t serial = 0;
    uint32_t revision = 0;
    EffectConstants constants; // alpha is always 1: the fade is applied when drawing

    bool operator==(const EffectCopyKey& o) const;
};

struct EffectCopyKeyHash {
    size_t operator()(const EffectCopyKey& k) const;
};

// The texels of `level` through the program k without its fade, saturated
// and rounded to bytes as a render target stores them: R, G, B, A bytes,
// row by row, width x height x 4 of them. Texels read as the GPU samples
// them (5-6-5 channels as fractions of 31 and 63, A8 as black with alpha).
void EffectTexels(const EffectConstants& k, const PixelStore& level, uint8_t* rgba);

class EffectCopies {
public:
    // The copies together never hold more than this many bytes.
    static constexpr size_t kBudgetBytes = size_t(16) << 20;

    // Binds the copy for `key` to texture unit 0, point-sampled with wrap or
    // clamp addressing, made from `level` now if this is the key's second
    // use. False, binding nothing, when there is no copy (yet): the caller
    // runs the program. Textures larger than a quarter of the budget get
    // no copy.
    bool Use(const Api& gl, const EffectCopyKey& key, const PixelStore& level, DWORD addressU, DWORD addressV);

    // The texture of `serial` is going: its copies go too.
    void Forget(const Api& gl, uint64_t serial);
    // Deletes every copy (the device is lost, reset or released).
    void Destroy(const Api& gl);

    size_t Bytes() const { return m_bytes; }
    uint64_t Made() const { return m_made; }

private:
    struct Copy {
        EffectCopyKey key;
        GLuint name = 0;
        size_t bytes = 0;
        GLint wrapS = 0, wrapT = 0;
    };
    using Lru = std::list<Copy>; // most recently used first

    // The copy for `key`, first in the list; null when there is none (yet).
    Copy* Find(const Api& gl, const EffectCopyKey& key, const PixelStore& level);
    Copy& Make(const Api& gl, const EffectCopyKey& key, const PixelStore& level, size_t bytes);
    void Drop(const Api& gl, Lru::iterator it);

    Lru m_copies;
    std::unordered_map<EffectCopyKey, Lru::iterator, EffectCopyKeyHash> m_index;
    // Keys used once and not copied yet, one per slot of their hash: a
    // filter, not a record (a key may push out another), that costs no
    // allocation when constants change with every draw.
    static constexpr size_t kSeenSlots = 256;
    std::array<EffectCopyKey, kSeenSlots> m_seen{};
    size_t m_bytes = 0;
    uint64_t m_made = 0;
};

} // namespace kes::d3d9::gl

#endif
