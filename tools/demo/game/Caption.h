// The demo's text: a title in Chinese with a glow, a wrapped paragraph (both
// GBK) and under it one line of UTF-8 with letters GBK lacks, made once
// into text images from a font of the system's (WenQuanYi Zen Hei, which
// covers GBK and more).
#ifndef KESTO_DEMO_GAME_CAPTION_H
#define KESTO_DEMO_GAME_CAPTION_H

#include "Assets.h"

namespace kes::demo {

// Makes assets->title, assets->paragraph and assets->utf8Line. Without the font the demo
// goes on without text and says so.
void LoadCaption(MApp& app, Assets* assets);

// Draws what LoadCaption made.
void DrawCaption(MApp& app, const Assets& assets, float seconds);

} // namespace kes::demo

#endif
