// text: text images in Chinese, wrapped to a width. The engine reads its
// strings as GBK (code page 936), as its games were written; LoadTextUtf8
// (a Kesto extension) reads UTF-8. The same sentence in either encoding
// gives the same picture; UTF-8 also reaches characters GBK lacks, which
// are drawn where the font has them.
//
//   text [demo data folder] [--frames N] [--screenshot PATH]
#include <KesApp.h>

#include "ExampleRun.h"

#include <initializer_list>
#include <stdio.h>

namespace {

// "你好，世界。欢迎来到科斯托引擎：这段文字按宽度自动换行，同一句话用两种编码写出。"
const char kGbk[] = "\xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\xA1\xA3\xBB\xB6\xD3\xAD\xC0\xB4\xB5\xBD\xBF\xC6"
                    "\xCB\xB9\xCD\xD0\xD2\xFD\xC7\xE6\xA3\xBA\xD5\xE2\xB6\xCE\xCE\xC4\xD7\xD6\xB0\xB4\xBF\xED"
                    "\xB6\xC8\xD7\xD4\xB6\xAF\xBB\xBB\xD0\xD0\xA3\xAC\xCD\xAC\xD2\xBB\xBE\xE4\xBB\xB0\xD3\xC3"
                    "\xC1\xBD\xD6\xD6\xB1\xE0\xC2\xEB\xD0\xB4\xB3\xF6\xA1\xA3";
const char kUtf8[] = "你好，世界。欢迎来到科斯托引擎：这段文字按宽度自动换行，同一句话用两种编码写出。";
// Letters GBK has no code for: only UTF-8 can ask for them.
const char kBeyondGbk[] = "Ñandú · Straße · 한국어";

// A WenQuanYi Zen Hei face (Debian's fonts-wqy-zenhei): Chinese, Latin and Hangul.
const char kFontFile[] = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
const int kWrapWidth = 340;

ExampleOptions g_options;
MImage* g_gbk = 0;
MImage* g_utf8 = 0;
MImage* g_beyond = 0;
void* g_labelFont = 0;
ExampleLabel g_labels[3];

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    RECTF whole(0, 0, 1, 1);
    // Text images are coverage (A8), drawn in a colour of the game's choice.
    app.DrawTextImage(g_gbk, 30, 70, whole, 0xFFFFFFFF, 0, 1.0f, 1.0f);
    app.DrawTextImage(g_utf8, 430, 70, whole, 0xFFFFFFFF, 0, 1.0f, 1.0f);
    app.DrawTextImage(g_beyond, 30, 420, whole, 0xFFFFE080, 0, 1.0f, 1.0f);
    DrawLabel(app, g_labelFont, &g_labels[0], "LoadText (GBK)", 30, 30, 0xFF90A0B0);
    DrawLabel(app, g_labelFont, &g_labels[1], "LoadTextUtf8 (UTF-8)", 430, 30, 0xFF90A0B0);
    DrawLabel(app, g_labelFont, &g_labels[2], "UTF-8 beyond GBK", 30, 360, 0xFF90A0B0);
    EndOfFrame(app, g_options);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseExampleOptions(argc, argv, "text", 10, &g_options)) return 2;
    MApp app;
    if (!OpenExampleWindow(app, "Kesto: text in GBK and UTF-8", Update, 0)) return 1;
    void* font = app.GetFont("text-example", kFontFile, 24, 0, 0);
    if (font) {
        g_gbk = app.LoadText(font, kGbk, 0, 0, kWrapWidth);
        g_utf8 = app.LoadTextUtf8(font, kUtf8, 0, 0, kWrapWidth);
        g_beyond = app.LoadTextUtf8(font, kBeyondGbk, 1, 0, 0); // underlined
    }
    const bool ready = g_gbk && g_utf8 && g_beyond;
    if (!ready) fprintf(stderr, "text: no text images (is fonts-wqy-zenhei installed? the log said why)\n");
    g_labelFont = ExampleFont(app, 16);
    if (ready) app.Run();
    for (ExampleLabel& label : g_labels) ReleaseLabel(app, &label);
    for (MImage* image : {g_gbk, g_utf8, g_beyond})
        if (image) app.CloseImage(image);
    app.Shutdown();
    return ready ? 0 : 1;
}
