// Byte tables of the effect program, built from EffectPixel.
#include "EffectTables.h"

#include "SpanKernels.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace kes::d3d9 {

TexelTransform ClassifyTexelTransform(const PixelStage& stage)
{
    if (!stage.Textured()) return TexelTransform::Flat; // every pixel sees the same opaque black texel
    if (!stage.effect) return TexelTransform::Identity;
    const EffectConstants& k = stage.constants;
    // The hue rotation gives its input back only for exactly 0.5 (and
    // finite colours: a NaN channel would mix into the others).
    const bool neutralHue =
        k.color.a == 0.5f && std::isfinite(k.color.r) && std::isfinite(k.color.g) && std::isfinite(k.color.b);
    // Colours that mix their channels are remembered by texel colour, which
    // needs texels that are whole bytes.
    const TexelTransform mixed =
        stage.sampler.view.format == D3DFMT_R5G6B5 ? TexelTransform::PerPixel : TexelTransform::Recolour;
    switch (k.function) {
    case 0: return k.alpha < 1.0f ? TexelTransform::FadeAlpha : TexelTransform::Identity;
    case 1: return neutralHue ? TexelTransform::Channels : mixed;
    // Blend level 0 mixes the channels towards grey.
    case 2: return k.blend != 0 ? TexelTransform::Channels : mixed;
    case 3: return k.blend != 0 && neutralHue ? TexelTransform::Channels : mixed;
    case 4: return TexelTransform::Coverage;
    // Glow gives an uncovered texel back unchanged, colour and all; on A8
    // that colour is always black.
    case 5: return stage.sampler.view.format == D3DFMT_A8 ? TexelTransform::Coverage : TexelTransform::PerPixel;
    default: return TexelTransform::Flat;
    }
}

namespace {

// Whether each channel's table follows x·m for the slope m the program
// gives at 1.0, and that slope in 12 fraction bits.
void FindScale(const EffectConstants& k, ChannelTables* t)
{
    t->scalable = false;
    const Float4 one = EffectPixel(k, Float4{1.0f, 1.0f, 1.0f, 1.0f});
    const float slopes[3] = {one.r, one.g, one.b};
    int factors[3];
    for (int c = 0; c < 3; ++c) {
        if (!(std::fabs(slopes[c]) < 7.99f)) return; // also NaN
        factors[c] = int(std::lround(slopes[c] * 4096.0f));
    }
    const uint32_t* tables[3] = {t->red, t->green, t->blue};
    for (int c = 0; c < 3; ++c)
        for (int x = 0; x < 256; ++x) {
            int line = (x * factors[c] + 2048) >> 12;
            line = line < 0 ? 0 : line > 255 ? 255 : line;
            const int table = int((tables[c][x] >> (16 - 8 * c)) & 255);
            if (std::abs(table - line) > 1) return;
        }
    t->scale = ChannelScale{factors[0], factors[1], factors[2]};
    t->scalable = true;
}

} // namespace

void BuildChannelTables(const EffectConstants& k, bool fields565, ChannelTables* out)
{
    const float* unorm = UnormTable8();
    out->alphaKept = true;
    for (int x = 0; x < 256; ++x) {
        // A grey texel runs every channel through the program at once; the
        // program treats the channels separately, so each column of results
        // is that channel's transfer function.
        const float f = unorm[x];
        const Float4 o = EffectPixel(k, Float4{f, f, f, f});
        out->red[x] = ToByte(o.r) << 16;
        out->green[x] = ToByte(o.g) << 8;
        out->blue[x] = ToByte(o.b);
        out->weight[x] = AlphaWeight(Saturate(o.a));
        if (o.a != f) out->alphaKept = false;
    }
    FindScale(k, out);
    if (!fields565) return;
    for (int v = 0; v < 64; ++v) {
        const float g = float(v) / 63.0f;
        out->green[v] = ToByte(EffectPixel(k, Float4{g, g, g, 1.0f}).g) << 8;
        if (v >= 32) continue;
        const float rb = float(v) / 31.0f;
        const Float4 o = EffectPixel(k, Float4{rb, rb, rb, 1.0f});
        out->red[v] = ToByte(o.r) << 16;
        out->blue[v] = ToByte(o.b);
    }
}

void BuildCoverageTables(const EffectConstants& k, CoverageTables* out)
{
    const float* unorm = UnormTable8();
    for (int a = 0; a < 256; ++a) {
        const Float4 o = EffectPixel(k, Float4{0.0f, 0.0f, 0.0f, unorm[a]});
        out->colour[a] = ToByte(o.r) << 16 | ToByte(o.g) << 8 | ToByte(o.b);
        out->weight[a] = AlphaWeight(Saturate(o.a));
    }
}

ColourMemo::ColourMemo()
{
    memset(m_keys, 0, sizeof m_keys);
}

void ColourMemo::Use(const EffectConstants& k)
{
    if (m_haveK && k.function == m_k.function && k.blend == m_k.blend &&
        memcmp(&k.alpha, &m_k.alpha, sizeof k.alpha) == 0 && memcmp(&k.color, &m_k.color, sizeof k.color) == 0)
        return;
    m_k = k;
    m_haveK = true;
    memset(m_keys, 0, sizeof m_keys);
}

uint32_t ColourMemo::Fill(uint32_t slot, uint32_t rgb)
{
    const float* unorm = UnormTable8();
    const Float4 o = EffectPixel(m_k, Float4{unorm[rgb >> 16], unorm[(rgb >> 8) & 255], unorm[rgb & 255], 1.0f});
    const uint32_t value = ToByte(o.r) << 16 | ToByte(o.g) << 8 | ToByte(o.b);
    m_keys[slot] = rgb | kFilled;
    m_values[slot] = value;
    return value;
}

bool EffectTableCache::Key::operator==(const Key& o) const
{
    // Bit patterns, so that NaN constants find their tables too.
    return function == o.function && blend == o.blend && fields565 == o.fields565 &&
           memcmp(&alpha, &o.alpha, sizeof alpha) == 0 && memcmp(&color, &o.color, sizeof color) == 0;
}

EffectTableCache::Key EffectTableCache::KeyOf(const EffectConstants& k, bool fields565)
{
    return Key{k.function, k.blend, fields565, k.alpha, k.color};
}

namespace {

// The entry holding `key`, else the least recently used one rebuilt.
template <class Entry, class Key, class Build>
Entry& Find(Entry* entries, int count, const Key& key, unsigned* clock, Build build)
{
    Entry* oldest = &entries[0];
    for (int i = 0; i < count; ++i) {
        Entry& e = entries[i];
        if (e.used && e.key == key) {
            e.stamp = ++*clock;
            return e;
        }
        if (!e.used || (oldest->used && e.stamp < oldest->stamp)) oldest = &e;
    }
    oldest->key = key;
    oldest->used = true;
    oldest->stamp = ++*clock;
    build(&oldest->tables);
    return *oldest;
}

} // namespace

const ChannelTables& EffectTableCache::Channels(const EffectConstants& k, bool fields565)
{
    return Find(m_channels, kEntries, KeyOf(k, fields565), &m_clock,
                [&](ChannelTables* t) { BuildChannelTables(k, fields565, t); })
        .tables;
}

const CoverageTables& EffectTableCache::Coverage(const EffectConstants& k)
{
    return Find(m_coverage, kEntries, KeyOf(k, false), &m_clock, [&](CoverageTables* t) { BuildCoverageTables(k, t); })
        .tables;
}

} // namespace kes::d3d9
