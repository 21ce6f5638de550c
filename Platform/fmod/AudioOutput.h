// The audio output under the FMOD subset: SDL's audio device opened through
// SDL2_mixer, with SDL's dummy driver when no device can be opened.
#ifndef KESTO_PLATFORM_FMOD_AUDIOOUTPUT_H
#define KESTO_PLATFORM_FMOD_AUDIOOUTPUT_H

namespace kes::fmod {

// Opens the output with `channels` mixer channels. Tries SDL's own choice of
// driver first, then "dummy" (saying why once on standard error). False when
// neither opens, with the reason on standard error.
bool OpenAudioOutput(int channels);
void CloseAudioOutput();

} // namespace kes::fmod

#endif
