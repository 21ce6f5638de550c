// The demo's pictures, each made from nothing but code. Sprite frames are
// written as <folder>/g<group>_f<frame>.png, the names `kesto-was encode`
// takes from a folder; the grid sizes below are the ones tools/demo/
// CMakeLists.txt passes to it, and the game checks them when it loads.
#ifndef KESTO_DEMO_ART_ART_H
#define KESTO_DEMO_ART_ART_H

#include <string>

namespace kes::demo::art {

// The hero: 8 directions, walking (8 frames a stride) and standing
// (4 frames of breathing); 80 x 108 frames, key point on the ground between
// the feet at (40, 96).
bool WriteHeroWalk(const std::string& folder, std::string* error);
bool WriteHeroStand(const std::string& folder, std::string* error);

// A spinning ruby: 1 group of 12 frames, 40 x 48, key point at its centre.
bool WriteGem(const std::string& folder, std::string* error);

// The digits 0 to 9 as frames 0 to 9 of one group, 14 x 22, key point top left.
bool WriteDigits(const std::string& folder, std::string* error);

// An 800 x 600 meadow with a paved plaza, as a baseline 4:2:0 JPEG.
bool WriteBackground(const std::string& path, std::string* error);

// The word KESTO with an outline and a soft shadow, as a run-length coded
// 32-bit TGA with alpha.
bool WriteLogo(const std::string& path, std::string* error);

} // namespace kes::demo::art

#endif
