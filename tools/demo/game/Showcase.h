// The panels around the plaza, one for each thing the sprite batcher does:
// tints, hue turns and alpha (left); scale, lines and rectangles (right);
// the 22 blend levels (bottom).
#ifndef KESTO_DEMO_GAME_SHOWCASE_H
#define KESTO_DEMO_GAME_SHOWCASE_H

#include "Assets.h"

namespace kes::demo {

// `seconds` drives the animations: the gems' spin, the turning hero, the
// hue cycle, the pulse and the sweep of the lines.
void DrawShowcase(MApp& app, const Assets& assets, float seconds);

} // namespace kes::demo

#endif
