/// \file
/// The font records a game reads: MFontInfo (a font's line metrics and
/// style) and MFontChar (one cached glyph). Fonts come from MApp::GetFont as
/// untyped handles; both they and the glyph records belong to the engine and
/// stay valid until the application object is destroyed.
#ifndef KESTO_KESFONT_H
#define KESTO_KESFONT_H

#include <KesUtility.h>

/// FreeType's own handle type, repeated so that games need FreeType's headers
/// only when they read a glyph's bitmap (include FT_GLYPH_H for that).
typedef struct FT_BitmapGlyphRec_* FT_BitmapGlyph;

/// Filled by MApp::GetFontInfo; all in whole pixels except the style fields.
struct MFontInfo {
    int ascender; ///< top of the tallest glyphs above the baseline
    int height;   ///< distance between two lines
    int xppem;    ///< the sized face's pixels per em, horizontally
    int yppem;    ///< the sized face's pixels per em, vertically
    int bold;     ///< emboldening as asked (2 widens strokes by one pixel), 0 none
    int italic;   ///< nonzero: glyphs are slanted to the right
};

/// One glyph of a font, rendered with the font's style.
struct MFontChar {
    DWORD index;          ///< the face's glyph index (0: the face has no glyph for it)
    int advance;          ///< pen movement to the next character
    int bearingX;         ///< left edge of the glyph relative to the pen
    int bearingY;         ///< top of the glyph above the baseline
    FT_BitmapGlyph glyph; ///< the bitmap: 8-bit coverage, or 1 bit per pixel
                          ///< (most significant bit leftmost) for a face's own
                          ///< monochrome strikes; owned by the font
};

#endif
