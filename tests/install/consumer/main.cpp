// A game outside the engine's tree: builds against the installed headers and
// library only, every one of them included.
#include <KesApp.h>
#include <KesExport.h>
#include <KesFile.h>
#include <KesFont.h>
#include <KesImage.h>
#include <KesLZ.h>
#include <KesPlatform.h>
#include <KesSound.h>
#include <KesUtility.h>
#include <KesVersion.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

namespace {

int g_frames = 0;
int g_keys = 0;

// A game's frame: draws a little, and after a few frames asks to end.
int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    app.DrawRect(10, 10, 50, 20, 0xFF2080C0, 0);
    app.DrawLine(0, 0, 100, 100, 0xFFFFFFFF, 1);
    if (++g_frames == 5) app.ExitApp();
    return 1;
}

int Input(MInputEven*)
{
    ++g_keys;
    return 1;
}

int g_logged = 0;
void CountLine(const char* line, void* user)
{
    if (line && user == &g_logged) ++g_logged;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) return 2;
    MApp app;
    if (Singleton<MApp>::GetSingletonPtr() != &app) return 3;
    if (WString2ID("abc") != 0x10E668B5u) return 4;

    char path[4096];
    snprintf(path, sizeof path, "%s/consumer-note.txt", argv[1]);
    FILE* f = fopen(path, "wb");
    if (!f) return 5;
    fputs("hello from disk", f);
    fclose(f);
    MFile file;
    if (!file.Load(path, 0) || strcmp(static_cast<char*>(file.GetPtr(0)), "hello from disk") != 0) return 6;

    unsigned char stream[] = {0x11, 0x00, 0x00}; // an empty LZO1X block
    unsigned char out[1];
    if (LZDecode(stream, out) != 0) return 7;
    // A whole (tiny) game: window, device, loop, and the way out.
    app.SetWinTitle("consumer");
    app.SetWindowSize(64, 48);
    app.SetAsync(0);
    app.SetUpdateFrameFunc(Update);
    app.SetInputEvenFunc(Input);
    if (!app.Init()) return 8;
    if (!app.IsInited() || !app.GetHWnd()) return 9;
    app.Run();
    app.Shutdown();
    if (g_frames != 5) return 10;
    if (app.GetCurTime() <= 0.0) return 11;
    if (app.RandInt(3, 3) != 3) return 12;

    // The platform layer's calls, as a tool or a test of a game uses them.
    // A screenshot needs a live device: take one while the game runs again.
    if (!KesPlatformVideoDriver() || KesPlatformDeviceName(nullptr)) return 13;
    KesPlatformSetPow2Textures(0);
    KesPlatformSetRenderDevice("Software");
    KesPlatformLoseDevice(nullptr);
    KesPlatformSetLogHandler(CountLine, &g_logged);
    if (!app.Init()) return 14;
    snprintf(path, sizeof path, "%s/consumer-shot.png", argv[1]);
    if (!KesPlatformSaveScreenshot(app.GetHWnd(), path) || KesPlatformHasDisplay() < 0) return 15;
    // The screenshot read back as a picture (LoadPNG, an extension), and a
    // name that is nowhere giving nothing.
    MImage* shot = app.LoadPNG(path);
    if (!shot || shot->m_width != 64 || shot->m_height != 48 || app.LoadPNG("no-such-picture.png")) return 18;
    app.CloseImage(shot);
    // A file that is no sound: the sound layer says so through the handler.
    snprintf(path, sizeof path, "%s/consumer-noise.ogg", argv[1]);
    f = fopen(path, "wb");
    if (!f) return 16;
    fputs("OggS and then nothing a decoder takes", f);
    fclose(f);
    app.PlaySoundA(path);
    // Text in UTF-8, from a font of the system's (Debian's fonts-dejavu-core).
    void* font = app.GetFont("consumer", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 16, 0, 0);
    MImage* text = font ? app.LoadTextUtf8(font, "Kesto: fa\xC3\xA7" "ade, na\xC3\xAF" "ve, \xC3\xB1", 0, 0, 0) : nullptr;
    if (!text || text->m_width <= 0 || text->m_format != KES_FMT_A8) return 18;
    app.CloseImage(text);
    KesPlatformLoseWindowDevice(app.GetHWnd()); // a frame would now reset the device
    app.Shutdown();
    KesPlatformSetLogHandler(nullptr, nullptr);
    if (g_logged == 0) return 17;
    // The headers built against and the library run with are one release.
    if (strcmp(KesVersion(), KESTO_VERSION) != 0 || KesVersionNumber() != KESTO_VERSION_NUMBER) return 18;
    puts("consumer ok");
    return 0;
}
