// Text images of UTF-8 strings, a Kesto extension beside the code page 936
// ones: the same layout, styles and glyph cache. Each character's glyph is
// asked for by its Unicode value, the key under which the 936 road caches
// it too, so GBK text and its UTF-8 form give the same image, and a
// character that GBK lacks has a key of its own.
#include <KesApp.h>

#include "KesTextImage.h"

#include <new>

namespace {

// Where WCHAR is 16 bits (Windows), a character past U+FFFF arrives as a
// surrogate pair; a half that is not part of one is no character.
DWORD NextCharacter(const WCHAR* wide, int count, int* i)
{
    const DWORD unit = DWORD(wide[*i]);
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    if (unit <= 0xDBFF && *i + 1 < count) {
        const DWORD low = DWORD(wide[*i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
            ++*i;
            return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
        }
    }
    return 0xFFFD;
}

// Without flags the conversion never refuses broken text: each maximal
// part of a broken sequence (a stray continuation byte, a truncated,
// overlong or surrogate form, a value past U+10FFFF) reads as one U+FFFD,
// drawn as the font draws that character. Every character takes at least
// one byte, and one wide unit per byte at the most, so n is room enough.
int ReadUtf8(kes::FontRecord* font, const char* text, int n, const MFontChar** glyphs)
{
    WCHAR* wide = new (std::nothrow) WCHAR[size_t(n)];
    if (!wide) return -1;
    const int units = MultiByteToWideChar(CP_UTF8, 0, text, n, wide, n);
    int count = units > 0 ? 0 : -1;
    for (int i = 0; i < units; ++i) glyphs[count++] = kes::UnicodeGlyph(font, NextCharacter(wide, units, &i));
    delete[] wide;
    return count;
}

} // namespace

MImage* MApp::LoadTextUtf8(void* font, const char* text, int underline, int emboss, int width)
{
    if (!text) return 0;
    return LoadTextUtf8Ex(font, text, kes::WholeTextLength(text), underline, emboss, width);
}

MImage* MApp::LoadTextUtf8Ex(void* font, const char* text, int len, int underline, int emboss, int width)
{
    return kes::TextImage(m_pRender, font, text, len, underline, emboss, width, ReadUtf8);
}
