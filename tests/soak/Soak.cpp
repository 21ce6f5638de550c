#include "Soak.h"

#include <KesPlatform.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

namespace kes::soak {
namespace {

const char* const kSprites[] = {"shape/char/hero_walk.was", "shape/char/hero_stand.was", "shape/item/gem.was",
                                "ui/digits.was"};
const char kFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

double ResidentMb()
{
    long pages = 0, resident = 0;
    if (FILE* f = fopen("/proc/self/statm", "r")) {
        if (fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

struct Run {
    MApp* app = nullptr;
    Settings settings;
    Report report;
    void* font = nullptr;
    std::chrono::steady_clock::time_point start;
    bool warm = false;
};

Run* g_run = nullptr;

void CountAssertion(const wchar_t* expr, const wchar_t* file, unsigned line)
{
    if (g_run && g_run->report.assertions++ < 5) fprintf(stderr, "kesto-soak: check failed: %ls (%ls:%u)\n", expr, file, line);
}

int Lost()
{
    return 1;
}

int Restored()
{
    if (g_run) ++g_run->report.resets;
    return 1;
}

// One frame: the loads of this frame, then the drawing.
int Frame()
{
    Run& r = *g_run;
    MApp& app = *r.app;
    const long n = r.report.frames++;

    // Sprites: the first is held for the whole run, so loading it is a cache
    // hit; the others lose their last reference when closed below, so each
    // of their loads decodes the file again (the batch keeps the images it
    // still has to draw).
    MImageVolume* volume = app.LoadWas(kSprites[n % 4]);
    MImage* back = (n % 30 == 0) ? app.LoadJPEG("scene/back.jpg") : nullptr;
    MImage* logo = (n % 30 == 15) ? app.LoadTGA("ui/logo.tga") : nullptr;
    char line[64];
    snprintf(line, sizeof line, "frame %ld, %d resets", n, r.report.resets);
    MImage* text = r.font ? app.LoadText(r.font, line, n % 2, (n / 2) % 2, 0) : nullptr;
    r.report.loads += (volume != nullptr) + (back != nullptr) + (logo != nullptr) + (text != nullptr);

    RECTF whole(0, 0, 1, 1);
    if (volume && volume->m_total > 0) {
        for (int i = 0; i < r.settings.sprites; ++i) {
            MImage* img = volume->m_images[(i + n) % volume->m_total];
            if (!img) continue;
            const float x = float((i * 37 + n * 3) % 800), y = float((i * 53 + n) % 600);
            app.DrawImage(img, x, y, whole, BLEND_NORMAL, 0, 1.0f, 1.0f, 1.0f);
        }
    }
    if (back) app.DrawImage(back, 0, 0, whole, BLEND_NORMAL, 0, 0.2f, 1.0f, 1.0f);
    if (logo) app.DrawImage(logo, 10, 10, whole, BLEND_NORMAL, 0, 1.0f, 1.0f, 1.0f);
    if (text) app.DrawTextImage(text, 20, 560, whole, 0xFFFFFFFF, int(n % 2), 1.0f, 1.0f);

    // Drawing holds its own references until the batch is replayed: the
    // loaders' references can go at once.
    if (volume) app.CloseImageVolume(volume);
    if (back) app.CloseImage(back);
    if (logo) app.CloseImage(logo);
    if (text) app.CloseImage(text);
    if (n % 20 == 0) app.PlaySoundA("sound/click.ogg");

    if (r.settings.loseEvery > 0 && n > 0 && n % r.settings.loseEvery == 0) KesPlatformLoseWindowDevice(app.GetHWnd());

    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - r.start).count();
    // Memory is measured once every cache holds what the run uses and the
    // allocators have settled: after a tenth of the run, at least 500 frames.
    const bool pastWarmUp = r.settings.frames > 0 ? n >= std::max(500L, r.settings.frames / 10)
                                                  : elapsed >= std::max(2.0, r.settings.seconds / 10);
    if (!r.warm && pastWarmUp) {
        r.warm = true;
        r.report.startMb = ResidentMb();
    }
    if ((r.settings.frames > 0 && r.report.frames >= r.settings.frames) ||
        (r.settings.seconds > 0 && elapsed >= r.settings.seconds))
        app.ExitApp();
    return 1;
}

} // namespace

Report RunSoak(MApp& app, const Settings& settings)
{
    Run run;
    run.app = &app;
    run.settings = settings;
    run.start = std::chrono::steady_clock::now();
    run.font = app.GetFont("soak", kFont, 14, 0, 0);
    g_run = &run;
    const KesAssertHandler previous = KesSetAssertHandler(CountAssertion);
    app.SetUpdateFrameFunc(Frame);
    app.SetLostDeviceFunc(Lost);
    app.SetRestoreDeviceFunc(Restored);
    app.SetMusicVolume(0.3f);
    app.PlayMusic("sound/music.ogg");
    MImageVolume* held = app.LoadWas(kSprites[0]);

    app.Run();

    if (held) app.CloseImageVolume(held);
    app.PlayMusic(nullptr);
    KesSetAssertHandler(previous);
    g_run = nullptr;
    Report& r = run.report;
    r.endMb = ResidentMb();
    if (!run.warm) r.startMb = r.endMb;
    if (!run.font) r.failure = std::string("no font at ") + kFont;
    else if (r.assertions > 0) r.failure = std::to_string(r.assertions) + " failed checks";
    else if (r.endMb - r.startMb > settings.marginMb)
        r.failure = "resident memory grew by " + std::to_string(r.endMb - r.startMb) + " MB";
    else if (settings.loseEvery > 0 && r.frames > settings.loseEvery && r.resets == 0)
        r.failure = "the device was lost but never reset";
    return r;
}

} // namespace kes::soak
