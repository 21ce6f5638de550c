// Property: any bytes as text, UTF-8 or code page 936, in any style, make a
// text image or none, and nothing past the text is read (the input is the
// text, in a block of exactly its size). UTF-8 whose every character has a
// GBK form that reads back as that character gives, byte for byte, the
// image of that GBK form.
//
// The first byte is the style: bit 0 underline, bit 1 emboss, bit 2 the
// code page 936 road as well, bits 3-7 the wrap width in steps of 8 pixels
// (0: one line).
#include "FuzzSupport.h"

#include <KesPlatform.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Text needs fonts, and fonts an application that went through Init.
MApp& App()
{
    static MApp* app = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        KesPlatformSetVideoDriver("offscreen");
        KesPlatformSetRenderDevice("software");
        MApp* a = new MApp;
        a->SetWindowSize(64, 48);
        a->SetAsync(0);
        if (!a->Init()) abort();
        return a;
    }();
    return *app;
}

void* Font()
{
    static void* font = App().GetFont("fuzz", "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", 12, 0, 0);
    if (!font) abort(); // scripts/setup.sh installs fonts-wqy-zenhei
    return font;
}

// The image's size, key point and coverage, and the image given back.
std::vector<int> Take(MImage* img)
{
    std::vector<int> out;
    if (!img) return out;
    out = {img->m_width, img->m_height, img->m_keyX, img->m_keyY};
    unsigned char* bits = nullptr;
    int pitch = 0;
    if (!img->Lock(&bits, &pitch)) abort(); // a text image that was made can be read
    for (int y = 0; y < img->m_height; ++y)
        out.insert(out.end(), bits + size_t(pitch) * size_t(y), bits + size_t(pitch) * size_t(y) + img->m_width);
    img->Unlock();
    App().CloseImage(img);
    return out;
}

// The GBK form of the first `n` bytes of valid UTF-8, through the same
// conversions the engine uses; false unless each character is one byte
// below 0x80 or a two-byte character that reads back as itself (936's own
// single bytes above 0x7F are read by the text images as lead bytes).
bool GbkForm(const char* text, int n, std::string* gbk)
{
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, n, nullptr, 0);
    if (units <= 0) return false;
    std::vector<WCHAR> wide(size_t(units), 0);
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, n, wide.data(), units) != units) return false;
    for (const WCHAR ch : wide) {
        char bytes[2];
        BOOL usedDefault = FALSE;
        const int k = WideCharToMultiByte(936, 0, &ch, 1, bytes, 2, nullptr, &usedDefault);
        if (k <= 0 || usedDefault) return false;
        if (k == 1 && (unsigned char)bytes[0] >= 0x80) return false;
        WCHAR back = 0;
        if (k == 2 && (MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, 2, &back, 1) != 1 || back != ch))
            return false;
        gbk->append(bytes, size_t(k));
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 4096) return 0;
    MApp& app = App();
    void* font = Font();
    const int underline = data[0] & 1, emboss = (data[0] >> 1) & 1, width = (data[0] >> 3) * 8;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const int len = int(size - 1);

    const std::vector<int> utf8 = Take(app.LoadTextUtf8Ex(font, text, len, underline, emboss, width));
    if (data[0] & 4) Take(app.LoadTextEx(font, text, len, underline, emboss, width));

    std::string gbk;
    const int n = int(strnlen(text, size_t(len)));
    if (n > 0 && GbkForm(text, n, &gbk)) {
        const std::vector<int> fromGbk =
            Take(app.LoadTextEx(font, gbk.data(), int(gbk.size()), underline, emboss, width));
        if (fromGbk != utf8) {
            fprintf(stderr, "UTF-8 text and its GBK form (%zu bytes) give different images\n", gbk.size());
            abort();
        }
    }
    return 0;
}
