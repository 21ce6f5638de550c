// effects: what the sprite batcher does to one sprite, side by side. Every
// DrawImage takes a blend level (0 grey, 14 as it is, up to 21 brighter),
// a colour that tints (0x80 in a channel leaves it; 0 for no tint) and
// whose alpha byte turns the hue (0x80 not at all), an alpha, and a scale.
//
//   effects <demo data folder> [--frames N] [--screenshot PATH]
#include <KesApp.h>

#include "ExampleRun.h"

#include <stdio.h>

namespace {

ExampleOptions g_options;
MImageVolume* g_hero = 0;
void* g_font = 0;

struct Copy {
    const char* label;
    int blend;
    DWORD colour;
    float alpha;
    float scale;
};

// Two rows of five cells, 160 x 300 each; the sprite's feet at (80, 220)
// of its cell, its label below.
const Copy kCopies[10] = {
    {"as it is", BLEND_NORMAL, 0, 1.0f, 1.0f},
    {"tint red", BLEND_NORMAL, 0x80FF4040, 1.0f, 1.0f},
    {"hue turned", BLEND_NORMAL, 0xAA808080, 1.0f, 1.0f},
    {"alpha 0.4", BLEND_NORMAL, 0, 0.4f, 1.0f},
    {"scale 1.5", BLEND_NORMAL, 0, 1.0f, 1.5f},
    {"blend 0", BLEND_COLOR, 0x80808080, 1.0f, 1.0f},
    {"blend 8", 8, 0x80808080, 1.0f, 1.0f},
    {"blend 14", BLEND_NORMAL, 0x80808080, 1.0f, 1.0f},
    {"blend 21", BLEND_LIGHT, 0x80808080, 1.0f, 1.0f},
    {"tint blue", BLEND_NORMAL, 0x804040FF, 1.0f, 1.0f},
};
ExampleLabel g_labels[10];

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    // Facing the viewer, mid-stride: the same picture in every cell.
    MImage* hero = g_hero->GetImage(0, 2);
    RECTF whole(0, 0, 1, 1);
    for (int i = 0; i < 10; ++i) {
        const float left = float(i % 5) * 160, top = float(i / 5) * 300;
        const Copy& c = kCopies[i];
        app.DrawRect(left + 4, top + 4, 152, 292, 0xFF505868, 1);
        app.DrawImage(hero, left + 80, top + 220, whole, c.blend, c.colour, c.alpha, c.scale, c.scale);
        DrawLabel(app, g_font, &g_labels[i], c.label, left + 14, top + 240, 0xFFE0E0E0);
    }
    EndOfFrame(app, g_options);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseExampleOptions(argc, argv, "effects", 10, &g_options)) return 2;
    MApp app;
    if (!OpenExampleWindow(app, "Kesto: sprite effects", Update, 0)) return 1;
    g_hero = LoadDemoHero(app, g_options.data);
    if (!g_hero) {
        app.Shutdown();
        return 1;
    }
    g_font = ExampleFont(app, 18);
    app.Run();
    for (ExampleLabel& label : g_labels) ReleaseLabel(app, &label);
    app.CloseImageVolume(g_hero);
    app.Shutdown();
    return 0;
}
