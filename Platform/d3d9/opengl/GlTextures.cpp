// Texture uploads and sampler settings.
#include "GlTextures.h"

#include <cstring>

namespace kes::d3d9::gl {
namespace {

struct UploadFormat {
    GLint internal;
    GLenum format, type;
    GLint swizzle[4]; // where red, green, blue and alpha are read from
};

UploadFormat FormatOf(D3DFORMAT f, bool es)
{
    switch (f) {
    // Bytes B, G, R, A in memory: desktop GL takes them as they are (and
    // the driver may keep them so, sampling without a swizzle); GLES only
    // takes R, G, B, A, so the channels are swapped when sampled.
    case D3DFMT_A8R8G8B8:
        if (!es) return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA}};
        return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {GL_BLUE, GL_GREEN, GL_RED, GL_ALPHA}};
    case D3DFMT_X8R8G8B8:
        if (!es) return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
        return {GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE, {GL_BLUE, GL_GREEN, GL_RED, GL_ONE}};
    // OpenGL 3.3 has no 5-6-5 storage of its own; eight bits keep every value.
    case D3DFMT_R5G6B5:
        return {es ? GL_RGB565 : GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, {GL_RED, GL_GREEN, GL_BLUE, GL_ONE}};
    case D3DFMT_A8: return {GL_R8, GL_RED, GL_UNSIGNED_BYTE, {GL_ZERO, GL_ZERO, GL_ZERO, GL_RED}};
    default: return {0, 0, 0, {0, 0, 0, 0}};
    }
}

GLint Filter(DWORD d3dFilter)
{
    return d3dFilter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
}

GLint Wrap(DWORD address)
{
    return address == D3DTADDRESS_WRAP ? GL_REPEAT : GL_CLAMP_TO_EDGE;
}

void SetUnpack(const Api& gl, const PixelStore& level)
{
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.PixelStorei(GL_UNPACK_ROW_LENGTH, level.pitch / BytesPerPixel(level.format));
}

} // namespace

void TextureCache::Refresh(const Api& gl, bool es, Entry& e, const PixelStore& level)
{
    const UploadFormat f = FormatOf(level.format, es);
    const size_t rowBytes = size_t(level.width) * size_t(BytesPerPixel(level.format));
    SetUnpack(gl, level);
    if (e.width != level.width || e.height != level.height || e.format != level.format) {
        gl.TexImage2D(GL_TEXTURE_2D, 0, f.internal, GLsizei(level.width), GLsizei(level.height), 0, f.format, f.type,
                      level.bytes.data());
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_R, f.swizzle[0]);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_G, f.swizzle[1]);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_B, f.swizzle[2]);
        gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, f.swizzle[3]);
        e.width = level.width;
        e.height = level.height;
        e.format = level.format;
        e.uploads = 1;
        e.shadow.clear();
        m_rowsUploaded += level.height;
        return;
    }
    // Rows [first, last) differ from what the GPU holds; all of them when
    // nothing was kept to compare with.
    UINT first = 0, last = level.height;
    if (!e.shadow.empty()) {
        while (first < last && memcmp(level.Row(first), &e.shadow[first * rowBytes], rowBytes) == 0) ++first;
        while (last > first && memcmp(level.Row(last - 1), &e.shadow[(last - 1) * rowBytes], rowBytes) == 0) --last;
    } else {
        e.shadow.resize(rowBytes * level.height);
    }
    if (first < last) {
        gl.TexSubImage2D(GL_TEXTURE_2D, 0, 0, GLint(first), GLsizei(level.width), GLsizei(last - first), f.format,
                         f.type, level.Row(first));
        for (UINT y = first; y < last; ++y) memcpy(&e.shadow[y * rowBytes], level.Row(y), rowBytes);
        m_rowsUploaded += last - first;
    }
    ++e.uploads;
}

void TextureCache::SetSampler(const Api& gl, Entry& e, const PipelineState& state, DWORD minFilter)
{
    const GLint mag = Filter(state.magFilter), min = Filter(minFilter);
    const GLint s = Wrap(state.addressU), t = Wrap(state.addressV);
    if (e.magFilter != mag) gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, e.magFilter = mag);
    if (e.minFilter != min) gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, e.minFilter = min);
    if (e.wrapS != s) gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, e.wrapS = s);
    if (e.wrapT != t) gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, e.wrapT = t);
}

uint64_t TextureCache::SerialOf(const Texture* texture)
{
    Entry& e = m_entries[texture];
    if (!e.serial) e.serial = ++m_lastSerial;
    return e.serial;
}

void TextureCache::Bind(const Api& gl, bool es, const PipelineState& state, DWORD minFilter)
{
    const Texture* texture = state.texture;
    Entry* e = &m_black;
    if (texture && !texture->Level(0).bytes.empty()) e = &m_entries[texture];
    const bool fresh = e->name == 0;
    if (fresh) gl.GenTextures(1, &e->name);
    if (m_bound != e->name) {
        gl.BindTexture(GL_TEXTURE_2D, e->name);
        m_bound = e->name;
    }
    if (e == &m_black) {
        if (fresh) {
            // What the software device samples when nothing is bound.
            const uint8_t black[4] = {0, 0, 0, 255};
            gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
            gl.PixelStorei(GL_UNPACK_ROW_LENGTH, 0);
            gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, black);
            gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        }
    } else {
        const PixelStore& level = texture->Level(0);
        if (fresh || e->revision != level.revision) {
            Refresh(gl, es, *e, level);
            e->revision = level.revision;
        }
    }
    SetSampler(gl, *e, state, minFilter);
}

uint64_t TextureCache::Forget(const Api& gl, const Texture* texture)
{
    const auto it = m_entries.find(texture);
    if (it == m_entries.end()) return 0;
    const uint64_t serial = it->second.serial;
    if (it->second.name) {
        if (m_bound == it->second.name) m_bound = 0;
        gl.DeleteTextures(1, &it->second.name);
    }
    m_entries.erase(it);
    return serial;
}

void TextureCache::Destroy(const Api& gl)
{
    for (auto& [texture, e] : m_entries)
        if (e.name) gl.DeleteTextures(1, &e.name);
    m_entries.clear();
    if (m_black.name) gl.DeleteTextures(1, &m_black.name);
    m_black = Entry();
    m_bound = 0;
}

} // namespace kes::d3d9::gl
