// pictures: every kind of picture the engine loads, from archives and from
// loose files alike, and one picture drawn again and again as tiles. The
// demo's archives hold a JPEG background (scene/back.jpg in scene.wdf) and
// a 32-bit TGA logo with alpha (ui/logo.tga in ui.wdf); a BMP and a PNG
// badge lie loose beside this file (pictures/data). LoadPNG is a Kesto
// extension; the others are the engine's own loaders.
//
//   pictures <demo data folder> [--frames N] [--screenshot PATH]
#include <KesApp.h>

#include "ExampleRun.h"

#include <initializer_list>
#include <stdio.h>

#ifndef KESTO_EXAMPLE_PICTURES
#define KESTO_EXAMPLE_PICTURES "pictures/data"
#endif

namespace {

ExampleOptions g_options;
void* g_font = 0;
MImage* g_back = 0;
MImage* g_logo = 0;
MImage* g_bmp = 0;
MImage* g_png = 0;
ExampleLabel g_labels[5];

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    RECTF whole(0, 0, 1, 1);
    // The background shrunk into the top-left quarter; the logo beside it.
    const float shrink = 400.0f / float(g_back->m_width);
    app.DrawImage(g_back, 0, 0, whole, BLEND_NORMAL, 0, 1.0f, shrink, shrink);
    app.DrawImage(g_logo, 440, 40, whole, BLEND_NORMAL, 0, 1.0f, 1.0f, 1.0f);
    // The 32 x 32 badges three times their size.
    app.DrawImage(g_bmp, 100, 400, whole, BLEND_NORMAL, 0, 1.0f, 3.0f, 3.0f);
    app.DrawImage(g_png, 260, 400, whole, BLEND_NORMAL, 0, 1.0f, 3.0f, 3.0f);
    // Tiles: one image, many draws, edge to edge.
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 8; ++column)
            app.DrawImage(g_png, 440.0f + 40 * column, 400.0f + 40 * row, whole, BLEND_NORMAL, 0, 1.0f, 1.25f, 1.25f);
    DrawLabel(app, g_font, &g_labels[0], "JPEG from scene.wdf", 10, 310, 0xFFE0E0E0);
    DrawLabel(app, g_font, &g_labels[1], "TGA from ui.wdf", 440, 10, 0xFFE0E0E0);
    DrawLabel(app, g_font, &g_labels[2], "BMP, loose", 100, 505, 0xFFE0E0E0);
    DrawLabel(app, g_font, &g_labels[3], "PNG, loose", 260, 505, 0xFFE0E0E0);
    DrawLabel(app, g_font, &g_labels[4], "PNG as tiles", 440, 525, 0xFFE0E0E0);
    EndOfFrame(app, g_options);
    return 1;
}

MImage* Loaded(MImage* image, const char* what)
{
    if (!image) fprintf(stderr, "pictures: %s did not load (the log said why)\n", what);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    if (!ParseExampleOptions(argc, argv, "pictures", 10, &g_options)) return 2;
    MApp app;
    if (!OpenExampleWindow(app, "Kesto: pictures", Update, 0)) return 1;
    OpenArchiveChain(g_options.data, "scene");
    OpenArchiveChain(g_options.data, "ui");
    g_back = Loaded(app.LoadJPEG("scene/back.jpg"), "scene/back.jpg");
    g_logo = Loaded(app.LoadTGA("ui/logo.tga"), "ui/logo.tga");
    g_bmp = Loaded(app.LoadBMP(KESTO_EXAMPLE_PICTURES "/badge.bmp"), "badge.bmp");
    g_png = Loaded(app.LoadPNG(KESTO_EXAMPLE_PICTURES "/badge.png"), "badge.png");
    const bool ready = g_back && g_logo && g_bmp && g_png;
    g_font = ExampleFont(app, 18);
    if (ready) app.Run();
    for (ExampleLabel& label : g_labels) ReleaseLabel(app, &label);
    // Loaded pictures stay in the engine's cache until closed.
    for (MImage* image : {g_back, g_logo, g_bmp, g_png})
        if (image) app.CloseImage(image);
    app.Shutdown();
    return ready ? 0 : 1;
}
