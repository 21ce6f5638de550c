// hello_window: a window and the main loop. The engine calls Update once a
// frame; the game draws there, and the engine draws it all at the frame's
// end. The last 120 frame times are drawn as bars, the frame rate as text,
// and a square goes round to show that frames follow each other.
//
//   hello_window [data folder] [--frames N] [--screenshot PATH]
#include <KesApp.h>
#include <KesPlatform.h>
#include <KesVersion.h>

#include "ExampleRun.h"

#include <math.h>
#include <stdio.h>

namespace {

ExampleOptions g_options;
void* g_font = 0;
ExampleLabel g_rateLabel, g_versionLabel;

const int kHistory = 120;
float g_frameMs[kHistory]; // the last frames' lengths, oldest overwritten
int g_next = 0;

// Bars of frame length along the bottom: a bar 3 pixels a millisecond, the
// 16.7 ms of a 60 Hz display marked by a line.
void DrawFrameGraph(MApp& app)
{
    const float left = 40, bottom = 560, width = 720;
    app.DrawRect(left, bottom - 150, width, 150, 0xFF202838, 0);
    for (int i = 0; i < kHistory; ++i) {
        const float ms = g_frameMs[(g_next + i) % kHistory];
        const float h = ms * 3 < 150 ? ms * 3 : 150;
        app.DrawRect(left + i * (width / kHistory), bottom - h, width / kHistory - 1, h, 0xFF40C070, 0);
    }
    app.DrawLine(left, bottom - 50, left + width, bottom - 50, 0xFFE0E040, 1);
}

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    g_frameMs[g_next] = float(app.GetDeltaTime() * 1000.0);
    g_next = (g_next + 1) % kHistory;

    // A square that turns once every 120 frames, whatever their length.
    const float turn = float(FrameNumber() % 120) / 120.0f * 6.2831853f;
    app.DrawRect(400 + 120 * cosf(turn) - 20, 200 + 120 * sinf(turn) - 20, 40, 40, 0xFFF08030, 0);
    app.DrawRect(380, 180, 40, 40, 0xFF8090C0, 1);

    char text[128];
    snprintf(text, sizeof text, "%u frames a second, this one %.1f ms", unsigned(app.GetFPS()),
             app.GetDeltaTime() * 1000.0);
    DrawLabel(app, g_font, &g_rateLabel, text, 40, 16, 0xFFFFFFFF);
    snprintf(text, sizeof text, "Kesto %s, video driver %s", KesVersion(), KesPlatformVideoDriver());
    DrawLabel(app, g_font, &g_versionLabel, text, 40, 46, 0xFFA0B0D0);
    DrawFrameGraph(app);

    EndOfFrame(app, g_options);
    return 1;
}

int Input(MInputEven*)
{
    MApp& app = Singleton<MApp>::GetSingleton();
    if (app.InputGetVKey(VK_ESCAPE, 0, 0, 0)) app.ExitApp();
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseExampleOptions(argc, argv, "hello_window", 120, &g_options)) return 2;
    MApp app;
    app.SetWinTitle("Kesto: hello window");
    app.SetWindowSize(800, 600);
    app.SetUpdateFrameFunc(Update);
    app.SetInputEvenFunc(Input);
    if (!app.Init()) return 1; // the platform layer said why
    g_font = ExampleFont(app, 20);
    app.Run();
    ReleaseLabel(app, &g_rateLabel);
    ReleaseLabel(app, &g_versionLabel);
    app.Shutdown();
    return 0;
}
