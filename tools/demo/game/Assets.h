// The demo's data: which archives it registers, what it loads from them,
// and giving it all back.
#ifndef KESTO_DEMO_GAME_ASSETS_H
#define KESTO_DEMO_GAME_ASSETS_H

#include <KesApp.h>

#include <string>

namespace kes::demo {

// Each holds the one reference its loader gave; ReleaseAssets gives them back.
struct Assets {
    MImageVolume* heroWalk = nullptr;  // shape/char/hero_walk.was: 8 directions x 8 frames
    MImageVolume* heroStand = nullptr; // shape/char/hero_stand.was: 8 directions x 4 frames
    MImageVolume* gem = nullptr;       // shape/item/gem.was: 1 x 12
    MImageVolume* digits = nullptr;    // ui/digits.was: frames 0..9 are the digits
    MImage* background = nullptr;      // scene/back.jpg, 800 x 600
    MImage* logo = nullptr;            // ui/logo.tga
    MImage* title = nullptr;           // text images (Caption.h), when the font is there
    MImage* paragraph = nullptr;
    MImage* utf8Line = nullptr;        // a line of UTF-8 text, with letters GBK lacks
};

// The folder that holds the archives: `given`, else "data" beside the
// executable, else the executable's own folder. Empty when none holds shape.wdf.
std::string FindDataFolder(const std::string& given);

// Registers every archive of the shape, scene, ui and sound chains in
// `folder` (sound is optional: the demo plays on in silence without it).
// The engine names archives by their file name alone (as a game started from
// its own folder would), so this makes `folder` the current directory.
// False with the reason when it cannot.
bool OpenArchives(const std::string& folder, std::string* error);

// Loads everything; false naming the first thing that is missing or not
// what the demo expects (the others stay loaded for ReleaseAssets).
bool LoadAssets(MApp& app, Assets* assets, std::string* error);
void ReleaseAssets(MApp& app, Assets* assets);

} // namespace kes::demo

#endif
