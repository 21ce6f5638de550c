#include "ExampleRun.h"

#include <KesPlatform.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

int g_frame = 0;
const char* g_name = "example";

} // namespace

bool ParseExampleOptions(int argc, char** argv, const char* name, int headlessFrames, ExampleOptions* out)
{
    g_name = name;
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        if (strcmp(argv[i], "--frames") == 0 && hasValue) {
            out->frames = atoi(argv[++i]);
        } else if (strcmp(argv[i], "--screenshot") == 0 && hasValue) {
            out->screenshot = argv[++i];
        } else if (strcmp(argv[i], "--script") == 0) {
            out->script = true;
        } else if (argv[i][0] != '-') {
            out->data = argv[i];
        } else {
            fprintf(stderr, "usage: %s [data folder] [--frames N] [--screenshot PATH] [--script]\n", name);
            return false;
        }
    }
    // Nobody to close the window: a picture of the run, then the end.
    if (!KesPlatformHasDisplay() && out->frames <= 0) out->frames = headlessFrames;
    return true;
}

int OpenArchiveChain(const char* folder, const char* base)
{
    static const char kSuffix[] = "f123456789abcde"; // .wdf, .wd1 ... .wde
    int opened = 0;
    for (int n = 0; n < 15; ++n) {
        char path[1024];
        snprintf(path, sizeof path, "%s/%s.wd%c", folder, base, kSuffix[n]);
        FILE* f = fopen(path, "rb");
        if (!f) break; // a chain ends at its first missing part
        fclose(f);
        if (MFile::OpenDataFile(path)) ++opened;
    }
    if (!opened) fprintf(stderr, "%s: no %s.wdf in %s\n", g_name, base, folder);
    return opened;
}

bool OpenExampleWindow(MApp& app, const char* title, MAppFunc update, MInputEvenFunc input)
{
    app.SetWinTitle(title);
    app.SetWindowSize(800, 600);
    app.SetUpdateFrameFunc(update);
    app.SetInputEvenFunc(input ? input : QuitOnEscape);
    return app.Init() != 0;
}

int QuitOnEscape(MInputEven*)
{
    MApp& app = Singleton<MApp>::GetSingleton();
    if (app.InputGetVKey(VK_ESCAPE, 0, 0, 0)) app.ExitApp();
    return 1;
}

MImageVolume* LoadDemoHero(MApp& app, const char* folder)
{
    // Each file of a chain by its own call; "shape/..." names then search both.
    if (!OpenArchiveChain(folder, "shape")) return 0;
    MImageVolume* hero = app.LoadWas("shape/char/hero_walk.was");
    if (!hero) fprintf(stderr, "%s: no shape/char/hero_walk.was in %s\n", g_name, folder);
    return hero;
}

void EndOfFrame(MApp& app, const ExampleOptions& options)
{
    ++g_frame;
    if (options.frames <= 0 || g_frame < options.frames) return;
    char fallback[300];
    snprintf(fallback, sizeof fallback, "%s.png", g_name);
    const char* path = options.screenshot ? options.screenshot : fallback;
    // The frame last shown, which is the one before this callback's.
    if (KesPlatformSaveScreenshot(app.GetHWnd(), path))
        printf("%s: %d frames, screenshot %s\n", g_name, g_frame, path);
    app.ExitApp();
}

int FrameNumber()
{
    return g_frame + 1;
}

void* ExampleFont(MApp& app, int size)
{
    static const char* const kFiles[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                         "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"};
    char name[32];
    for (const char* file : kFiles) {
        snprintf(name, sizeof name, "%s-%d", file == kFiles[0] ? "sans" : "zenhei", size);
        if (void* font = app.GetFont(name, file, size, 0, 0)) return font;
    }
    static bool told = false;
    if (!told) fprintf(stderr, "%s: no font (package fonts-dejavu-core); text is left out\n", g_name);
    told = true;
    return 0;
}

void DrawLabel(MApp& app, void* font, ExampleLabel* label, const char* text, float x, float y, DWORD colour)
{
    if (!font) return;
    // The batch that drew the old image ended with the last frame, so it
    // can go now.
    if (strcmp(label->text, text) != 0 || !label->image) {
        ReleaseLabel(app, label);
        label->image = app.LoadText(font, text, 0, 0, 0);
        snprintf(label->text, sizeof label->text, "%s", text);
    }
    if (!label->image) return;
    // A one-line text image is placed by its baseline.
    MFontInfo info;
    const float ascender = app.GetFontInfo(font, &info) ? float(info.ascender) : 0.0f;
    RECTF whole(0, 0, 1, 1);
    app.DrawTextImage(label->image, x, y + ascender, whole, colour, 0, 1.0f, 1.0f);
}

void ReleaseLabel(MApp& app, ExampleLabel* label)
{
    if (label->image) app.CloseImage(label->image);
    label->image = 0;
    label->text[0] = 0;
}
