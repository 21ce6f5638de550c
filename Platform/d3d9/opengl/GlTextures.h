// GPU copies of the platform's textures for one OpenGL device.
//
// A texture's level 0 lives in ordinary memory (Resources.h), where locks
// write it; its GPU copy is refreshed when it is next bound and its
// revision has moved. A texture refreshed more than once keeps a shadow of
// what was sent, so that later refreshes send only the band of rows that
// changed (a font cache or an animated image changes a few rows at a time).
//
// Formats: A8R8G8B8, X8R8G8B8 (alpha read as one), R5G6B5, A8 (colour 0,
// as the software device samples it); the bytes go up unchanged and the
// texture's swizzle puts the channels where Direct3D has them. Level 0 only;
// addressing is clamp or wrap, filters point or linear, as the software
// device implements them.
#ifndef KESTO_PLATFORM_D3D9_OPENGL_GLTEXTURES_H
#define KESTO_PLATFORM_D3D9_OPENGL_GLTEXTURES_H

#include "GlApi.h"

#include "../Device.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace kes::d3d9::gl {

class TextureCache {
public:
    // Binds texture unit 0 to the state's texture (refreshed first when it
    // changed) with the state's sampler settings, minifying with
    // `minFilter`, or to an opaque black texel when none is bound.
    void Bind(const Api& gl, bool es, const PipelineState& state, DWORD minFilter);
    // A number that stands for the texture as long as it lives and is never
    // given to another (addresses are reused).
    uint64_t SerialOf(const Texture* texture);
    // The texture is going away; its serial, or 0 when it had none.
    uint64_t Forget(const Api& gl, const Texture* texture);
    void Destroy(const Api& gl);
    // Something else was bound to GL_TEXTURE_2D: the next Bind binds again.
    void ForgetBinding() { m_bound = 0; }

    // How many rows went to the GPU in all; tests check partial refreshes.
    uint64_t RowsUploaded() const { return m_rowsUploaded; }

private:
    struct Entry {
        GLuint name = 0;
        uint64_t serial = 0;
        uint32_t revision = 0;
        UINT width = 0, height = 0;
        D3DFORMAT format = D3DFMT_UNKNOWN;
        int uploads = 0;
        std::vector<uint8_t> shadow; // what was sent, once refreshed more than once
        GLint magFilter = 0, minFilter = 0, wrapS = 0, wrapT = 0;
    };

    void Refresh(const Api& gl, bool es, Entry& e, const PixelStore& level);
    void SetSampler(const Api& gl, Entry& e, const PipelineState& state, DWORD minFilter);

    std::unordered_map<const Texture*, Entry> m_entries;
    Entry m_black;
    GLuint m_bound = 0;
    uint64_t m_rowsUploaded = 0;
    uint64_t m_lastSerial = 0;
};

} // namespace kes::d3d9::gl

#endif
