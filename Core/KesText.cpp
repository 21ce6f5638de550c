// Text images of code page 936 strings: each character's glyph from the
// font's cache, then one image of them all (KesTextImage).
#include <KesApp.h>

#include "KesTextImage.h"

namespace {

// A byte of 0x80 or more takes the next one with it as one double-byte
// character, lead byte low.
int ReadGbk(kes::FontRecord* font, const char* text, int n, const MFontChar** glyphs)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    int count = 0;
    for (int i = 0; i < n; ++i) {
        DWORD code;
        if (bytes[i] >= 0x80 && i + 1 < n) {
            code = DWORD(bytes[i]) | DWORD(bytes[i + 1]) << 8;
            ++i;
        } else {
            // A lone lead byte at the end keeps its sign: no face maps such
            // a code, so it shows as the face's missing-glyph mark.
            code = DWORD(int32_t(static_cast<signed char>(bytes[i])));
        }
        glyphs[count++] = kes::FontGlyph(font, code);
    }
    return count;
}

} // namespace

MImage* MApp::LoadText(void* font, const char* text, int underline, int emboss, int width)
{
    if (!text) return 0;
    return LoadTextEx(font, text, kes::WholeTextLength(text), underline, emboss, width);
}

MImage* MApp::LoadTextEx(void* font, const char* text, int len, int underline, int emboss, int width)
{
    return kes::TextImage(m_pRender, font, text, len, underline, emboss, width, ReadGbk);
}
