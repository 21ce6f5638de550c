// music_and_clicks: music that loops, and a click every second and on every
// mouse press, both read from sound.wdf like any other data file. The
// engine plays what it can and is silent otherwise; why a sound did not
// play comes through the platform's log hook, which this example listens to.
//
//   music_and_clicks <demo data folder> [--frames N] [--screenshot PATH]
#include <KesApp.h>
#include <KesPlatform.h>

#include "ExampleRun.h"

#include <stdio.h>
#include <string.h>

namespace {

const char kMusic[] = "sound/music.ogg"; // four seconds, looping
const char kClick[] = "sound/click.ogg";
const int kClickEvery = 60; // frames

ExampleOptions g_options;
int g_clicks = 0;
int g_flash = 0;    // frames of the last click's flash still to show
int g_failures = 0; // lines the engine gave about our sounds
void* g_font = 0;
ExampleLabel g_musicLabel, g_clickLabel;

// Every line is shown; the ones that name our sounds say why one did not
// play (missing from the archives, damaged, no free channel).
void Heard(const char* line, void*)
{
    fprintf(stderr, "music_and_clicks: %s\n", line);
    if (strstr(line, kMusic) || strstr(line, kClick)) ++g_failures;
}

void Click(MApp& app, const char* why)
{
    app.PlaySoundA(kClick);
    ++g_clicks;
    g_flash = 12;
    printf("click %d (%s) at frame %d\n", g_clicks, why, FrameNumber());
}

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    if (FrameNumber() % kClickEvery == 0) Click(app, "timer");

    // The game's clock against the music's length: a bar that fills every
    // four seconds, as the tune comes round.
    const float loop = float(app.GetCurTime() / 4.0 - int(app.GetCurTime() / 4.0));
    app.DrawRect(100, 120, 600, 40, 0xFF8090C0, 1);
    app.DrawRect(102, 122, 596 * loop, 36, 0xFF4060C0, 0);
    // A lamp that lights on each click and fades.
    const DWORD glow = DWORD(40 + 215 * g_flash / 12);
    app.DrawRect(340, 220, 120, 120, 0xFF000000 | glow << 16 | glow << 8 | 0x20, 0);
    if (g_flash > 0) --g_flash;
    // One dot a click.
    for (int i = 0; i < g_clicks && i < 40; ++i) app.DrawRect(100 + 15 * float(i), 400, 10, 10, 0xFFF0D040, 0);
    char text[96];
    snprintf(text, sizeof text, "music: %s, looping every 4 s", kMusic);
    DrawLabel(app, g_font, &g_musicLabel, text, 100, 84, 0xFFC0C8D8);
    snprintf(text, sizeof text, "clicks: %d (every 60 frames, and on a mouse press)", g_clicks);
    DrawLabel(app, g_font, &g_clickLabel, text, 100, 364, 0xFFC0C8D8);

    EndOfFrame(app, g_options);
    return 1;
}

int Input(MInputEven*)
{
    MApp& app = Singleton<MApp>::GetSingleton();
    POINT at;
    if (app.InputCheckMouseClick(WM_LBUTTONDOWN, 0, &at)) Click(app, "mouse");
    if (app.InputGetVKey(VK_ESCAPE, 0, 0, 0)) app.ExitApp();
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseExampleOptions(argc, argv, "music_and_clicks", 150, &g_options)) return 2;
    KesPlatformSetLogHandler(Heard, 0);
    MApp app;
    if (!OpenExampleWindow(app, "Kesto: music and clicks", Update, Input)) return 1;
    if (!OpenArchiveChain(g_options.data, "sound")) {
        app.Shutdown();
        return 1;
    }
    app.SetMusicVolume(0.5f);
    app.SetSoundVolume(0.8f);
    app.PlayMusic(kMusic);
    const char* driver = KesPlatformAudioDriver();
    printf("music %s looping, sound output %s\n", kMusic, driver ? driver : "none");
    fflush(stdout);
    g_font = ExampleFont(app, 18);
    app.Run();
    ReleaseLabel(app, &g_musicLabel);
    ReleaseLabel(app, &g_clickLabel);
    app.Shutdown();
    KesPlatformSetLogHandler(0, 0);
    printf("%d clicks, %s\n", g_clicks, g_failures ? "some sounds did not play" : "no sound reported a failure");
    return g_failures ? 1 : 0;
}
