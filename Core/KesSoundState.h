// The sound system's process-wide state and its file callbacks, for the
// engine's own sound code and for tests.
#ifndef KESTO_CORE_KESSOUNDSTATE_H
#define KESTO_CORE_KESSOUNDSTATE_H

#include <KesSound.h>

#include <fmod.hpp>

enum { KES_SOUND_SLOTS = 32 };

extern FMOD::System* g_pSystem;
extern MSound g_music;
extern MSound g_sounds[KES_SOUND_SLOTS];
extern float g_musicVolume;
extern float g_soundVolume;

namespace kes::sound {

// FMOD's file system over MFile: the handle is the MFile object.
FMOD_RESULT F_CALLBACK FileOpen(const char* name, int unicode, unsigned int* filesize, void** handle,
                                void** userdata);
FMOD_RESULT F_CALLBACK FileClose(void* handle, void* userdata);
FMOD_RESULT F_CALLBACK FileRead(void* handle, void* buffer, unsigned int sizebytes, unsigned int* bytesread,
                                void* userdata);
FMOD_RESULT F_CALLBACK FileSeek(void* handle, unsigned int pos, void* userdata);

} // namespace kes::sound

#endif
