// The font record behind the handles of MApp::GetFont, and the glyph lookup
// that the text images share with GetFontChar.
#ifndef KESTO_CORE_KESFONTFACE_H
#define KESTO_CORE_KESFONTFACE_H

#include <KesFont.h>
#include <KesUtility.h>

#include "KesReport.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#define KES_FONT_SOURCE L"Core/KesFont"

namespace kes {

struct FontRecord {
    MMapPtr glyphs;    // character code asked of the face (after the 936 conversion) -> MFontChar*, owned
    FT_Face face;      // owned
    int32_t kerning;   // 1 when the face has kerning pairs
    int32_t ascender;  // sized metrics in whole pixels
    int32_t height;
    int32_t xppem;
    int32_t yppem;
    int32_t size;      // the pixel size asked for
    int32_t bold;      // emboldening strength in 1/32 pixel, 0 none
    int32_t italic;
    char name[64];     // as the game named it, for the reports of its glyphs
};

// The glyph of `code` (ASCII, or a 936 double-byte character as lead +
// 256 * trail), rendered and cached on first use; null when it cannot be
// made (nothing is cached then, so the next call tries again).
const MFontChar* FontGlyph(FontRecord* font, DWORD code);

// The glyph of a Unicode value, cached under that value: where FontGlyph
// ends up after the 936 conversion, so a character that GBK has gets the
// same record by either road, and one that GBK lacks gets a key no GBK
// character converts to.
const MFontChar* UnicodeGlyph(FontRecord* font, DWORD unicode);

// Face 0 of the font file `path`, named as the game names any file (Windows
// separators and letter case are resolved by the file layer); FreeType's
// error code, 0 on success, with the reason in `why` on failure.
FT_Error OpenFontFace(FT_Library library, const char* path, FT_Face* face, Reason* why);

} // namespace kes

#endif
