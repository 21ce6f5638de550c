// The text image itself: a string's characters turned into glyphs by a
// reader of its encoding (code page 936, UTF-8), laid out on one line or
// wrapped at a width and drawn into one A8 coverage image.
#ifndef KESTO_CORE_KESTEXTIMAGE_H
#define KESTO_CORE_KESTEXTIMAGE_H

#include <KesImage.h>

#include "KesFontFace.h"

class MRender;

namespace kes {

// Puts the glyphs of the characters in the first `n` bytes of `text` (no
// zero among them) into glyphs[], which has room for `n`; a null glyph is
// a blank the font's em wide. Returns how many, or -1 when the text cannot
// be read.
typedef int (*GlyphReader)(FontRecord* font, const char* text, int n, const MFontChar** glyphs);

// A new A8 image (count 1, not cached) of the first `len` bytes of `text`,
// or of those up to its zero, as `read` finds their glyphs. Null for a null
// font (reported), no text, len <= 0, or a size no texture can have.
MImage* TextImage(MRender* render, void* font, const char* text, int len, int underline, int emboss, int width,
                  GlyphReader read);

// The length that the whole-string entry points pass on: strlen, at most
// what an int holds.
int WholeTextLength(const char* text);

} // namespace kes

#endif
