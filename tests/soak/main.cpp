// kesto-soak: runs a game on the engine for a long time and says whether it
// stayed healthy: memory flat within a margin, the device reset after every
// loss, no failed check. It runs on SDL's offscreen driver unless told
// otherwise, on the demo's archives.
//   kesto-soak --data <folder> [--frames N] [--seconds S] [--sprites K]
//              [--lose-every F] [--margin MB]
#include "Soak.h"

#include <KesFile.h>
#include <KesPlatform.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

int Usage()
{
    fputs("usage: kesto-soak --data <folder with the demo's archives> [--frames N] [--seconds S]\n"
          "                  [--sprites K] [--lose-every F] [--margin MB] [--video driver]\n",
          stderr);
    return 2;
}

bool Number(const char* text, double least, double* out)
{
    char* end = nullptr;
    const double v = strtod(text, &end);
    if (!*text || *end || !(v >= least)) return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    kes::soak::Settings settings;
    std::string video = "offscreen";
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (i + 1 >= argc) return Usage();
        const char* v = argv[++i];
        double d = 0;
        if (!strcmp(a, "--data")) settings.data = v;
        else if (!strcmp(a, "--video")) video = v;
        else if (!strcmp(a, "--frames") && Number(v, 1, &d)) settings.frames = long(d);
        else if (!strcmp(a, "--seconds") && Number(v, 0.1, &d)) settings.seconds = d;
        else if (!strcmp(a, "--sprites") && Number(v, 0, &d)) settings.sprites = int(d);
        else if (!strcmp(a, "--lose-every") && Number(v, 0, &d)) settings.loseEvery = int(d);
        else if (!strcmp(a, "--margin") && Number(v, 0, &d)) settings.marginMb = d;
        else return Usage();
    }
    if (settings.data.empty() || (settings.frames == 0 && settings.seconds == 0)) return Usage();
    if (chdir(settings.data.c_str()) != 0) {
        fprintf(stderr, "kesto-soak: %s: cannot enter the folder\n", settings.data.c_str());
        return 1;
    }
    for (const char* archive : {"shape.wdf", "shape.wd1", "scene.wdf", "ui.wdf", "sound.wdf"}) {
        if (!MFile::OpenDataFile(archive)) {
            fprintf(stderr, "kesto-soak: %s/%s: not an archive the engine can read\n", settings.data.c_str(), archive);
            return 1;
        }
    }

    KesPlatformSetVideoDriver(video.c_str());
    MApp app;
    app.SetWinTitle("Kesto soak");
    app.SetWindowSize(800, 600);
    app.SetAsync(0);
    if (!app.Init()) {
        fputs("kesto-soak: the window or the device could not be made\n", stderr);
        return 1;
    }
    const kes::soak::Report r = kes::soak::RunSoak(app, settings);
    app.Shutdown();

    printf("kesto-soak: %ld frames, %d device resets, %llu loads, %d failed checks\n", r.frames, r.resets,
           static_cast<unsigned long long>(r.loads), r.assertions);
    printf("kesto-soak: resident memory %.1f MB after the warm-up, %.1f MB at the end (margin %.1f MB)\n", r.startMb,
           r.endMb, settings.marginMb);
    if (!r.failure.empty()) {
        printf("kesto-soak: FAILED: %s\n", r.failure.c_str());
        return 1;
    }
    printf("kesto-soak: held\n");
    return 0;
}
