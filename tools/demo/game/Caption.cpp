#include "Caption.h"

#include <cmath>
#include <cstdio>

namespace kes::demo {
namespace {

const char* const kFontFile = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";

// GBK: "Kesto 引擎演示：中文文字"
const char kTitle[] = "Kesto \xD2\xFD\xC7\xE6\xD1\xDD\xCA\xBE\xA3\xBA\xD6\xD0\xCE\xC4\xCE\xC4\xD7\xD6";
// GBK: "文字由 FreeType 画成覆盖图，再由精灵批处理着色、发光。支持自动换行、
// 字距调整、下划线和浮雕。"
const char kParagraph[] =
    "\xCE\xC4\xD7\xD6\xD3\xC9 FreeType \xBB\xAD\xB3\xC9\xB8\xB2\xB8\xC7\xCD\xBC\xA3\xAC\xD4\xD9\xD3\xC9\xBE\xAB\xC1"
    "\xE9\xC5\xFA\xB4\xA6\xC0\xED\xD7\xC5\xC9\xAB\xA1\xA2\xB7\xA2\xB9\xE2\xA1\xA3\xD6\xA7\xB3\xD6\xD7\xD4\xB6\xAF\xBB"
    "\xBB\xD0\xD0\xA1\xA2\xD7\xD6\xBE\xE0\xB5\xF7\xD5\xFB\xA1\xA2\xCF\xC2\xBB\xAE\xCF\xDF\xBA\xCD\xB8\xA1\xB5\xF1\xA1"
    "\xA3";
// UTF-8, Kesto's extension: GBK has neither ß, ñ, Æ, ø nor Hangul.
const char kUtf8Line[] = "UTF-8 \xE4\xB9\x9F\xE8\xA1\x8C\xEF\xBC\x9A"
                         "Stra\xC3\x9F" "e, se\xC3\xB1" "or, \xC3\x86r\xC3\xB8sk\xC3\xB8" "bing, "
                         "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4";

} // namespace

void LoadCaption(MApp& app, Assets* a)
{
    void* titleFont = app.GetFont("demo-title", kFontFile, 24, 2, 0);
    void* bodyFont = app.GetFont("demo-body", kFontFile, 14, 0, 0);
    if (!titleFont || !bodyFont) {
        std::fprintf(stderr, "kesto-demo: no font at %s (package fonts-wqy-zenhei): the demo shows no text\n", kFontFile);
        return;
    }
    a->title = app.LoadText(titleFont, kTitle, 0, 1, 0);
    a->paragraph = app.LoadText(bodyFont, kParagraph, 0, 0, 380);
    a->utf8Line = app.LoadTextUtf8(bodyFont, kUtf8Line, 0, 0, 0);
}

void DrawCaption(MApp& app, const Assets& a, float seconds)
{
    RECTF whole(0, 0, 1, 1);
    if (a.title) {
        // The image's key point is its ascender line: y is the top of the
        // tallest letters. A shadow, a breathing glow, then the lettering.
        const DWORD glowAlpha = DWORD(150 + 90 * std::sin(seconds * 3.0f));
        app.DrawTextImage(a.title, 302, 40, whole, 0xC0000000, 0, 1.0f, 1.0f);
        app.DrawTextImage(a.title, 300, 38, whole, (glowAlpha << 24) | 0xFF9020, 1, 1.0f, 1.0f);
        app.DrawTextImage(a.title, 300, 38, whole, 0xFFFFF4D0, 0, 1.0f, 1.0f);
    }
    if (a.paragraph) {
        // The panel holds the paragraph and, under it, the UTF-8 line.
        const int below = 58 + a.paragraph->m_height;
        const int bottom = a.utf8Line ? below + a.utf8Line->m_height : below;
        app.DrawRect(294, 54, 392, float(bottom + 4 - 54), 0x90101020, 0);
        app.DrawTextImage(a.paragraph, 300, 58, whole, 0xFFE8F0FF, 0, 1.0f, 1.0f);
        // A one-line image's key point is its ascender line.
        if (a.utf8Line)
            app.DrawTextImage(a.utf8Line, 300, float(below + a.utf8Line->m_keyY), whole, 0xFFB8E0C8, 0, 1.0f, 1.0f);
    }
}

} // namespace kes::demo
