// What sits on top of the scene: the logo and the frame rate, and numbers
// drawn with the digits sprite.
#ifndef KESTO_DEMO_GAME_HUD_H
#define KESTO_DEMO_GAME_HUD_H

#include "Assets.h"

namespace kes::demo {

// Draws `value` with its last digit ending at x (right-aligned), its top at
// y, each digit `scale` times its size. Returns the left edge of the number.
float DrawNumber(MApp& app, const Assets& assets, float x, float y, unsigned value, float scale);

// The logo in the top left, breathing through its alpha, the caption, and
// the frame rate in a box in the top right.
void DrawHud(MApp& app, const Assets& assets, float seconds, unsigned fps);

} // namespace kes::demo

#endif
