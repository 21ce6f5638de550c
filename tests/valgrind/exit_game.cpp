// A game's whole life on one render device, the way games end it: frames
// drawn with shapes and a text image, ExitApp from inside a frame (the
// window goes while the loop still draws its last frame), Shutdown, and the
// application object deleted, its images released after the device.
// Run under valgrind's memcheck, which sees what AddressSanitizer cannot:
// reads inside SDL and the GL driver of memory our layer freed.
#include <KesApp.h>
#include <KesPlatform.h>

#include <stdio.h>

namespace {

int g_frames = 0;
MImage* g_text = nullptr;

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    app.DrawRect(10, 10, 50, 20, 0xFF2080C0, 0);
    app.DrawLine(0, 0, 100, 100, 0xFFFFFFFF, 1);
    if (g_text) {
        RECTF whole = {0, 0, 1, 1};
        app.DrawImage(g_text, 20, 60, whole, BLEND_NORMAL, 0, 1.0f, 1.0f, 1.0f);
    }
    if (++g_frames == 4) app.ExitApp();
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s <opengl|software> <font file>\n", argv[0]);
        return 2;
    }
    KesPlatformSetRenderDevice(argv[1]);
    MApp* app = new MApp;
    app->SetWinTitle("exit game");
    app->SetWindowSize(160, 120);
    app->SetAsync(0);
    app->SetUpdateFrameFunc(Update);
    // A device asked for by name is that device or none: Init fails
    // rather than fall back to another.
    if (!app->Init()) return 3;
    void* font = app->GetFont("valgrind", argv[2], 16, 0, 0);
    g_text = font ? app->LoadText(font, "Kesto", 0, 0, 0) : nullptr;
    if (!g_text) return 5;
    app->Run();
    app->Shutdown();
    delete app;
    g_text->Release(); // the text image outlives the application and its device
    printf("exit game: %d frames on %s\n", g_frames, argv[1]);
    return g_frames >= 4 ? 0 : 6;
}
