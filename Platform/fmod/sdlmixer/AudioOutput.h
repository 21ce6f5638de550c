// The audio output under the FMOD subset: SDL's audio device opened through
// SDL2_mixer, with SDL's dummy driver when no device can be opened.
#ifndef KESTO_PLATFORM_FMOD_AUDIOOUTPUT_H
#define KESTO_PLATFORM_FMOD_AUDIOOUTPUT_H

namespace kes::fmod {

// Opens the output with `channels` mixer channels: the output asked for
// through KesPlatformSetAudioDriver alone, else SDL's own choice of device,
// then its "dummy" driver (saying why once through the log). False when
// none opens, with the reason through the log.
bool OpenAudioOutput(int channels);
void CloseAudioOutput();

} // namespace kes::fmod

#endif
