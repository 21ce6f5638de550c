// Text images: a string's glyphs laid out into one A8 coverage image, on
// one line or wrapped at a width, with an optional underline and relief.
// The colour comes at draw time (DrawTextImage).
#include "KesTextImage.h"

#include "KesD3D9.h"

#include FT_GLYPH_H

#include <new>
#include <string.h>

namespace {

struct Placed {
    const MFontChar* glyph; // null: no glyph, a gap of the font's em width
    int x;                  // pen position from the image's left edge
    int y;                  // top of the character's line
};

// Writes the glyph's coverage with its top-left pixel at (left, top),
// clipped to the image. Only covered pixels are written: a glyph reaching
// past its cell (kerned, slanted, an overhanging hook) must not erase its
// neighbour's strokes, and the image starts out clear, so this is also
// what a plain copy would leave.
void DrawGlyph(const FT_Bitmap& bm, int left, int top, unsigned char* bits, int pitch, int w, int h)
{
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY && bm.pixel_mode != FT_PIXEL_MODE_MONO) return;
    const int rows = int(bm.rows), cols = int(bm.width);
    // An upward-flowing bitmap starts with its bottom row in memory.
    const unsigned char* top0 = bm.buffer + (bm.pitch < 0 ? ptrdiff_t(-bm.pitch) * (rows - 1) : 0);
    const int c0 = left < 0 ? -left : 0;
    const int c1 = cols < w - left ? cols : w - left;
    for (int r = 0; r < rows; ++r) {
        const int y = top + r;
        if (y < 0) continue;
        if (y >= h) break;
        const unsigned char* src = top0 + ptrdiff_t(bm.pitch) * r;
        unsigned char* dst = bits + ptrdiff_t(pitch) * y;
        if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
            for (int c = c0; c < c1; ++c)
                if (src[c]) dst[left + c] = src[c];
        } else {
            for (int c = c0; c < c1; ++c)
                if (src[c >> 3] & (0x80 >> (c & 7))) dst[left + c] = 0xFF;
        }
    }
}

// Relief: each pixel becomes mid-grey plus half its difference to the pixel
// below-right, and clear areas stay clear. Reading ahead of the writes keeps
// every input unfiltered.
void Emboss(unsigned char* bits, int pitch, int w, int h)
{
    for (int r = 0; r + 1 < h; ++r) {
        unsigned char* row = bits + ptrdiff_t(pitch) * r;
        const unsigned char* below = row + pitch;
        for (int c = 0; c + 1 < w; ++c) {
            const int a = below[c + 1], b = row[c];
            row[c] = (a <= 20 && b <= 20) ? 0 : (unsigned char)(128 + (a - b) / 2);
        }
    }
}

// The image of `n` glyphs in order; null when no texture can have its size.
MImage* ComposeText(MRender* render, kes::FontRecord* font, const MFontChar* const* glyphs, int n, int underline,
                    int emboss, int width)
{
    Placed* placed = new (std::nothrow) Placed[size_t(n)];
    if (!placed) return 0;
    const int m = emboss ? 1 : 0;
    int penX = m, lineY = m, count = 0;
    bool wrapped = false, hasPrev = false;
    FT_UInt prevIndex = 0;
    for (int i = 0; i < n; ++i) {
        const MFontChar* glyph = glyphs[i];
        const int advance = glyph ? glyph->advance : font->xppem;
        if (width && penX + advance >= width) {
            lineY += font->height + m + 1;
            penX = m;
            hasPrev = false;
            wrapped = true;
        }
        if (font->kerning && glyph && hasPrev) {
            FT_Vector delta;
            if (FT_Get_Kerning(font->face, prevIndex, glyph->index, FT_KERNING_DEFAULT, &delta) == 0)
                penX += int(delta.x >> 6);
        }
        placed[count++] = {glyph, penX, lineY};
        penX += advance;
        hasPrev = glyph != 0;
        prevIndex = glyph ? glyph->index : 0;
    }
    const int w = (wrapped ? width : penX) + m;
    const int h = lineY + font->height + m + 2;
    // A size no texture can have would end the process in CreateTextureImage.
    if (w <= 0 || h <= 0 || !render || !render->CanCreateTexture(unsigned(w), unsigned(h))) {
        delete[] placed;
        return 0;
    }

    MImage* img = render->CreateTextureImage(unsigned(w), unsigned(h), KES_FMT_A8);
    unsigned char* bits = 0;
    int pitch = 0;
    if (img->Lock(&bits, &pitch)) {
        // Only strokes are written below: everything else must read clear.
        for (int y = 0; y < h; ++y) memset(bits + ptrdiff_t(pitch) * y, 0, size_t(w));
        for (int k = 0; k < count; ++k) {
            const Placed& p = placed[k];
            if (!p.glyph) continue;
            // The baseline of a line lies ascender + 1 rows below its top.
            const int top = p.y + font->ascender - p.glyph->bearingY + 1;
            DrawGlyph(p.glyph->glyph->bitmap, p.x + p.glyph->bearingX, top, bits, pitch, w, h);
        }
        if (underline) {
            for (int k = 0; k < count; ++k) {
                const Placed& p = placed[k];
                const int y = p.y + font->height - 1;
                if (y < 0 || y >= h) continue;
                const int advance = p.glyph ? p.glyph->advance : font->xppem;
                const int x0 = p.x < 0 ? 0 : p.x;
                const int x1 = p.x + advance < w ? p.x + advance : w;
                if (x1 > x0) memset(bits + ptrdiff_t(pitch) * y + x0, 0xFF, size_t(x1 - x0));
            }
        }
        if (emboss) Emboss(bits, pitch, w, h);
        img->Unlock();
    }
    if (!width) img->m_keyY = font->ascender;
    delete[] placed;
    return img;
}

} // namespace

namespace kes {

MImage* TextImage(MRender* render, void* mfont, const char* text, int len, int underline, int emboss, int width,
                  GlyphReader read)
{
    KES_CHECK(mfont, KES_FONT_SOURCE);
    if (!mfont || !text || len <= 0) return 0;
    // Never past `len` bytes: the text need not be terminated within them.
    const int n = int(strnlen(text, size_t(len)));
    if (n <= 0) return 0;
    FontRecord* font = static_cast<FontRecord*>(mfont);
    const MFontChar** glyphs = new (std::nothrow) const MFontChar*[size_t(n)];
    if (!glyphs) return 0;
    const int count = read(font, text, n, glyphs);
    MImage* img = count > 0 ? ComposeText(render, font, glyphs, count, underline, emboss, width) : 0;
    delete[] glyphs;
    return img;
}

int WholeTextLength(const char* text)
{
    const size_t len = strlen(text);
    return len > size_t(0x7FFFFFFF) ? 0x7FFFFFFF : int(len);
}

} // namespace kes
