// Fonts: FreeType faces opened by name and size, their glyphs styled (bold,
// italic), rendered once and kept until the application object goes.
//
// Text arrives in code page 936; a double-byte character is converted to
// Unicode before the face's character map is asked, and its glyph is cached
// under the Unicode value, so the same character reached by another road
// (UTF-8 text) shares one rendering. Every key is the very value the
// character map is asked for: two roads that meet on one key want the same
// glyph.
#include <KesApp.h>

#include "KesFontFace.h"

#include FT_GLYPH_H
#include FT_OUTLINE_H
#include FT_BITMAP_H
#include FT_TRIGONOMETRY_H

#include <new>
#include <stdio.h>

namespace {

// Process-wide, like the font files it reads.
FT_Library g_library = 0;

// Up to this size glyphs are hinted for a monochrome grid and the faces'
// own bitmap strikes are used: small text stays crisp. Larger sizes always
// take the outline.
const int kLargestHintedSize = 14;
const FT_Int32 kSmallLoadFlags = FT_LOAD_TARGET_MONO | FT_LOAD_NO_AUTOHINT;
const FT_Int32 kLargeLoadFlags = FT_LOAD_NO_BITMAP;

// Pushes every point of the outline to the right by the stroke's share of
// `strength` along its corner's bisector, so that stems thicken towards
// the right while the left edges stay put. Heights are not changed.
// 0 when the outline has no usable orientation.
int EmboldenOutlineX(FT_Outline* outline, FT_Pos strength)
{
    const FT_Pos s = strength / 2;
    if (s == 0) return 1;
    const FT_Orientation orientation = FT_Outline_Get_Orientation(outline);
    if (orientation == FT_ORIENTATION_NONE) return outline->n_contours ? 0 : 1;
    // Outward is to the left of a TrueType contour's direction, to the right of a PostScript one.
    const FT_Angle rotate = orientation == FT_ORIENTATION_TRUETYPE ? -FT_ANGLE_PI2 : FT_ANGLE_PI2;

    FT_Vector* points = outline->points;
    int first = 0;
    for (int c = 0; c < outline->n_contours; ++c) {
        const int last = outline->contours[c];
        if (last < first || last >= outline->n_points) break;
        // The neighbours are read unmoved: keep the originals of the
        // points already written.
        const FT_Vector firstPoint = points[first];
        FT_Vector prev = points[last];
        FT_Vector cur = firstPoint;
        for (int n = first; n <= last; ++n) {
            const FT_Vector next = n < last ? points[n + 1] : firstPoint;
            const FT_Angle in = FT_Atan2(cur.x - prev.x, cur.y - prev.y);
            const FT_Angle out = FT_Atan2(next.x - cur.x, next.y - cur.y);
            const FT_Angle diff = FT_Angle_Diff(in, out);
            const FT_Fixed scale = FT_Cos(diff / 2);
            FT_Vector d = {0, 0};
            // Where the contour nearly turns back on itself (a spike) the
            // bisector push would shoot the point far out: such points only
            // take the plain shift.
            if (scale <= -0x4000 || scale >= 0x4000)
                FT_Vector_From_Polar(&d, FT_DivFix(s, scale), in + diff / 2 - rotate);
            points[n].x = cur.x + s + d.x;
            prev = cur;
            cur = next;
        }
        first = last + 1;
    }
    return 1;
}

// Thickens the slot's glyph by `s` (26.6) horizontally and widens its
// advance by as much, keeping the glyph centred in the wider cell.
void EmboldenSlot(FT_GlyphSlot slot, FT_Pos s)
{
    if (s == 0) return;
    FT_Pos xstr, ystr;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_BBox before, after;
        FT_Outline_Get_CBox(&slot->outline, &before);
        if (s > 0 && !EmboldenOutlineX(&slot->outline, s)) return;
        FT_Outline_Get_CBox(&slot->outline, &after);
        const FT_Pos width = after.xMax - after.xMin;
        xstr = width - (before.xMax - before.xMin);
        ystr = (after.yMax - after.yMin) - (before.yMax - before.yMin);
        slot->metrics.horiBearingX = (slot->metrics.horiAdvance + xstr - width) / 2;
    } else if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
        // Bitmaps grow by whole pixels, at least one.
        xstr = s < 64 ? 64 : (s & ~FT_Pos(63));
        ystr = 0;
        // The strike may still live in the face's own memory; FreeType
        // reallocates the buffer it emboldens, so the slot must own it.
        if (FT_GlyphSlot_Own_Bitmap(slot)) return;
        if (FT_Bitmap_Embolden(g_library, &slot->bitmap, xstr, 0)) return;
    } else {
        return;
    }
    if (slot->advance.x) slot->advance.x += xstr;
    if (slot->advance.y) slot->advance.y += ystr;
    slot->metrics.width += xstr;
    slot->metrics.height += ystr;
    slot->metrics.horiBearingY += ystr;
    slot->metrics.horiAdvance += xstr;
    slot->metrics.vertBearingX -= xstr / 2;
    slot->metrics.vertBearingY += ystr;
    slot->metrics.vertAdvance += ystr;
    if (slot->format == FT_GLYPH_FORMAT_BITMAP) slot->bitmap_top += FT_Int(ystr >> 6);
}

// A code of 0x80 or more holds one double-byte character of code page 936,
// lead byte in the low byte; its low 16 bits become the Unicode value. Two
// bytes that are not exactly one character leave the code as it is.
DWORD ToUnicode(DWORD code)
{
    if (code < 0x80) return code;
    const char bytes[2] = {char(code & 0xFF), char((code >> 8) & 0xFF)};
    WCHAR wide = 0;
    if (MultiByteToWideChar(936, 0, bytes, 2, &wide, 1) != 1) return code;
    return (code & 0xFFFF0000u) | (DWORD(wide) & 0xFFFF);
}

kes::FontRecord* AsFont(void* font)
{
    return static_cast<kes::FontRecord*>(font);
}

} // namespace

namespace kes {

const MFontChar* FontGlyph(FontRecord* font, DWORD code)
{
    return UnicodeGlyph(font, ToUnicode(code));
}

const MFontChar* UnicodeGlyph(FontRecord* font, DWORD code)
{
    if (void* cached = font->glyphs.Find(code)) return static_cast<const MFontChar*>(cached);

    FT_Face face = font->face;
    const FT_UInt index = FT_Get_Char_Index(face, code);
    const FT_Int32 flags = font->size > kLargestHintedSize ? kLargeLoadFlags : kSmallLoadFlags;
    // A glyph that fails is tried again on its next use; the report says it once.
    if (const FT_Error error = FT_Load_Glyph(face, index, flags)) {
        Report("font %s: glyph %u of U+%04X cannot be loaded (FreeType error 0x%02X)", font->name, unsigned(index),
               unsigned(code), unsigned(error));
        return 0;
    }
    FT_GlyphSlot slot = face->glyph;
    if (font->bold) EmboldenSlot(slot, FT_Pos(font->bold) * 32);
    if (font->italic && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
        // x' = x + y / 2: tops lean to the right, the baseline stays.
        FT_Matrix slant = {0x10000, 0x8000, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &slant);
    }
    FT_Glyph glyph;
    if (const FT_Error error = FT_Get_Glyph(slot, &glyph)) {
        Report("font %s: glyph %u of U+%04X cannot be copied (FreeType error 0x%02X)", font->name, unsigned(index),
               unsigned(code), unsigned(error));
        return 0;
    }
    // Outlines become 8-bit coverage; a face's own bitmap keeps its depth.
    if (const FT_Error error = FT_Glyph_To_Bitmap(&glyph, FT_RENDER_MODE_NORMAL, NULL, 1)) {
        Report("font %s: glyph %u of U+%04X cannot be rendered (FreeType error 0x%02X)", font->name,
               unsigned(index), unsigned(code), unsigned(error));
        FT_Done_Glyph(glyph);
        return 0;
    }
    MFontChar* ch = new (std::nothrow) MFontChar;
    if (!ch) {
        FT_Done_Glyph(glyph);
        return 0;
    }
    ch->index = index;
    ch->advance = int(slot->metrics.horiAdvance >> 6);
    ch->bearingX = int(slot->metrics.horiBearingX >> 6);
    ch->bearingY = int(slot->metrics.horiBearingY >> 6);
    ch->glyph = reinterpret_cast<FT_BitmapGlyph>(glyph);
    font->glyphs.Insert(code, ch);
    return ch;
}

} // namespace kes

int MApp::InitFontSystem()
{
    // A second Init (after one that failed later on) keeps the fonts it has.
    if (g_library) return 1;
    return FT_Init_FreeType(&g_library) == 0 ? 1 : 0;
}

void MApp::UninitFontSystem()
{
    for (int i = 0; i < m_fontMap.GetCount(); ++i) {
        kes::FontRecord* font = AsFont(m_fontMap[i]);
        for (int k = 0; k < font->glyphs.GetCount(); ++k) {
            MFontChar* ch = static_cast<MFontChar*>(font->glyphs[k]);
            FT_Done_Glyph(reinterpret_cast<FT_Glyph>(ch->glyph));
            delete ch;
        }
        FT_Done_Face(font->face);
        delete font;
    }
    if (g_library) FT_Done_FreeType(g_library);
    g_library = 0;
}

void* MApp::GetFont(const char* name, const char* path, int size, int bold, int italic)
{
    if (!name) return 0;
    const DWORD id = WString2ID(name);
    if (void* font = m_fontMap.Find(id)) return font;
    // FreeType would take a size of 0 as 1 and a negative one as 65535 pixels.
    if (!g_library || !path || size <= 0) {
        kes::Report("GetFont %s: %s", name,
                    !g_library ? "the font system is not started (MApp::Init)"
                    : !path    ? "no font file named"
                               : "a size below 1 pixel");
        return 0;
    }

    FT_Face face;
    kes::Reason why;
    if (kes::OpenFontFace(g_library, path, &face, &why)) {
        kes::Report("GetFont %s from %s: %s", name, path, why.text);
        return 0;
    }
    const char* refused = !face->charmap        ? "it has no Unicode character map"
                          : !FT_IS_SCALABLE(face) ? "it has no outlines, only fixed-size bitmaps"
                          : FT_Set_Pixel_Sizes(face, FT_UInt(size), FT_UInt(size)) ? "it cannot be sized"
                                                                                    : 0;
    if (refused) {
        kes::Report("GetFont %s from %s at %d pixels: %s", name, path, size, refused);
        FT_Done_Face(face);
        return 0;
    }
    kes::FontRecord* font = new (std::nothrow) kes::FontRecord;
    if (!font) {
        FT_Done_Face(face);
        return 0;
    }
    const FT_Size_Metrics& metrics = face->size->metrics;
    font->face = face;
    font->kerning = FT_HAS_KERNING(face) ? 1 : 0;
    font->ascender = int32_t(metrics.ascender >> 6);
    font->height = int32_t(metrics.height >> 6);
    font->xppem = metrics.x_ppem;
    font->yppem = metrics.y_ppem;
    font->size = size;
    font->bold = bold;
    font->italic = italic;
    snprintf(font->name, sizeof font->name, "%s", name);
    m_fontMap.Insert(id, font);
    return font;
}

int MApp::GetFontInfo(void* font, MFontInfo* info)
{
    if (!font || !info) return 0;
    const kes::FontRecord* f = AsFont(font);
    info->ascender = f->ascender;
    info->height = f->height;
    info->xppem = f->xppem;
    info->yppem = f->yppem;
    info->bold = f->bold;
    info->italic = f->italic;
    return 1;
}

const MFontChar* MApp::GetFontChar(void* mfont, DWORD code)
{
    KES_CHECK(mfont, KES_FONT_SOURCE);
    if (!mfont) return 0;
    return kes::FontGlyph(AsFont(mfont), code);
}
