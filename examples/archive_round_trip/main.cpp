// archive_round_trip: a folder packed into an archive at build time, and
// read back. The build ran `kesto-wdf pack gfx gfx.wdf` (Pack.cmake); the
// archive holds gfx/badge.tga under the id of that name, and the program
// registers the archive and loads the picture through it as a game does.
//
//   archive_round_trip [folder with gfx.wdf] [--frames N] [--screenshot PATH]
#include <KesApp.h>

#include "ExampleRun.h"

#include <stdio.h>

#ifndef KESTO_EXAMPLE_DATA
#define KESTO_EXAMPLE_DATA "."
#endif

namespace {

// 64 x 64: red, green, blue and yellow quarters in a white frame, inside
// a magenta edge. A 24-bit TGA's first stored pixel names the colour that
// becomes transparent, so the edge is not drawn.
const char kPicture[] = "gfx/badge.tga";

ExampleOptions g_options;
MImage* g_badge = 0;

int Update()
{
    MApp& app = Singleton<MApp>::GetSingleton();
    RECTF whole(0, 0, 1, 1);
    // Four times its size, its top-left corner (the key point) at (272, 172):
    // the middle of the window.
    app.DrawImage(g_badge, 272, 172, whole, BLEND_NORMAL, 0, 1.0f, 4.0f, 4.0f);
    EndOfFrame(app, g_options);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    g_options.data = KESTO_EXAMPLE_DATA;
    if (!ParseExampleOptions(argc, argv, "archive_round_trip", 10, &g_options)) return 2;
    MApp app;
    if (!OpenExampleWindow(app, "Kesto: archive round trip", Update, 0)) return 1;
    if (!OpenArchiveChain(g_options.data, "gfx")) {
        app.Shutdown();
        return 1;
    }
    // Where the name was found: a loose gfx/badge.tga would come first.
    MFile file;
    if (file.Load(kPicture, 0))
        printf("%s: id 0x%08X, %u bytes, %s\n", kPicture, unsigned(MFile::Fnameid(kPicture)), unsigned(file.GetSize()),
               file.m_Offset ? "from gfx.wdf" : "a loose file");
    g_badge = app.LoadTGA(kPicture);
    if (!g_badge) {
        fprintf(stderr, "archive_round_trip: %s is not in %s/gfx.wdf\n", kPicture, g_options.data);
        app.Shutdown();
        return 1;
    }
    app.Run();
    app.CloseImage(g_badge);
    app.Shutdown();
    return 0;
}
