// The demo's sounds, both from sound.wdf: music that loops from the start,
// and a click when the hero is sent somewhere.
#ifndef KESTO_DEMO_GAME_SOUNDS_H
#define KESTO_DEMO_GAME_SOUNDS_H

#include <KesApp.h>

namespace kes::demo {

// Sets the volumes (0 for both when `mute`) and starts the music. A missing
// sound archive is said once and the demo plays on in silence.
void StartSounds(MApp& app, bool mute);
void PlayClick(MApp& app);

} // namespace kes::demo

#endif
