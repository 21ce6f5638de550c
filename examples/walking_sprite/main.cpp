// walking_sprite: the demo's hero walking in eight directions, read from
// the archive chain shape.wdf + shape.wd1. A WAS sprite is a grid of
// frames: group g faces g * 45 degrees clockwise from "down the screen"
// (0 south, 2 west, 4 north, 6 east), each group 8 frames of a stride.
//
//   walking_sprite <demo data folder> [--frames N] [--screenshot PATH]
#include <KesApp.h>

#include "ExampleRun.h"

#include <math.h>
#include <stdio.h>

namespace {

ExampleOptions g_options;
MImageVolume* g_hero = 0;
void* g_font = 0;
ExampleLabel g_label;
const char* const kFacing[8] = {"south", "south-west", "west", "north-west", "north", "north-east", "east",
                                "south-east"};

const int kFramesPerLeg = 48;  // each direction is walked this long
const int kFramesPerStep = 4;  // a sprite frame lasts 4 engine frames
const float kSpeed = 2.0f;     // pixels a frame across the screen
const float kStartX = 400, kStartY = 300;

// Where the walk has taken the hero after `frame` frames, and its group.
// Legs go out and come back (south then north, west then east, ...), so
// the hero stays near the middle and only the current pair of legs counts.
// Down the screen the ground is seen at a slant: steps there are halved.
void Walk(int frame, float* x, float* y, int* group)
{
    static const int kOrder[8] = {0, 4, 2, 6, 1, 5, 3, 7};
    const int leg = frame / kFramesPerLeg % 8, into = frame % kFramesPerLeg;
    *group = kOrder[leg];
    const float out = float(leg % 2 == 0 ? into : kFramesPerLeg - into) * kSpeed;
    const float a = float(kOrder[leg & ~1]) * 0.78539816f; // the way out
    *x = kStartX - sinf(a) * out;
    *y = kStartY + cosf(a) * out * 0.5f;
}

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    const int frame = FrameNumber();
    float x, y;
    int group;
    Walk(frame, &x, &y, &group);

    // The hero stands on its key point, the ground between its feet.
    const int step = frame / kFramesPerStep % g_hero->m_frameCount;
    RECTF whole(0, 0, 1, 1);
    app.DrawImage(g_hero->GetImage(group, step), x, y, whole, BLEND_NORMAL, 0, 1.0f, 1.0f, 1.0f);
    char text[96];
    snprintf(text, sizeof text, "group %d (facing %s), frame %d", group, kFacing[group], step);
    DrawLabel(app, g_font, &g_label, text, 20, 16, 0xFFC0C8D8);
    EndOfFrame(app, g_options);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseExampleOptions(argc, argv, "walking_sprite", 150, &g_options)) return 2;
    MApp app;
    if (!OpenExampleWindow(app, "Kesto: walking sprite", Update, 0)) return 1;
    g_hero = LoadDemoHero(app, g_options.data);
    if (!g_hero) {
        app.Shutdown();
        return 1;
    }
    printf("walking_sprite: hero_walk.was, %d directions x %d frames\n", g_hero->m_groupCount, g_hero->m_frameCount);
    g_font = ExampleFont(app, 18);
    app.Run();
    ReleaseLabel(app, &g_label);
    app.CloseImageVolume(g_hero);
    app.Shutdown();
    return 0;
}
