// Music and sound effects through FMOD, reading every sound file through
// MFile so that sounds live in the archives like any other data.
//
// One looping music and up to 32 one-shot effects. The state is the
// process's, not the application object's: it is made when the library is
// loaded and the members of MApp only drive it.
#include <KesApp.h>
#include <KesFile.h>

#include "KesReport.h"
#include "KesSoundState.h"

FMOD::System* g_pSystem = 0;
MSound g_music;
MSound g_sounds[KES_SOUND_SLOTS];
float g_musicVolume = 1.0f;
float g_soundVolume = 1.0f;

MSound::MSound() : m_sound(0), m_channel(0)
{
}

MSound::~MSound()
{
    if (m_sound) m_sound->release();
}

MSound& MSound::operator=(const MSound& other)
{
    m_sound = other.m_sound;
    m_channel = other.m_channel;
    return *this;
}

namespace kes::sound {

FMOD_RESULT F_CALLBACK FileOpen(const char* name, int, unsigned int* filesize, void** handle, void** userdata)
{
    // FMOD always names the file; without a name there is nothing to open.
    if (!name) return FMOD_ERR_INVALID_PARAM;
    MFile* file = new MFile;
    if (!file->Open(name)) {
        delete file;
        return FMOD_ERR_FILE_NOTFOUND;
    }
    if (filesize) *filesize = file->m_Size;
    if (handle) *handle = file;
    if (userdata) *userdata = 0;
    return FMOD_OK;
}

FMOD_RESULT F_CALLBACK FileClose(void* handle, void*)
{
    if (!handle) return FMOD_ERR_INVALID_PARAM;
    MFile* file = static_cast<MFile*>(handle);
    file->Close();
    delete file;
    return FMOD_OK;
}

FMOD_RESULT F_CALLBACK FileRead(void* handle, void* buffer, unsigned int sizebytes, unsigned int* bytesread,
                                void*)
{
    if (!handle) return FMOD_ERR_INVALID_PARAM;
    if (!bytesread) return FMOD_OK;
    // Clipped at the file's end, which for an archive entry is the entry's.
    static_cast<MFile*>(handle)->Read(buffer, sizebytes, bytesread);
    return *bytesread < sizebytes ? FMOD_ERR_FILE_EOF : FMOD_OK;
}

FMOD_RESULT F_CALLBACK FileSeek(void* handle, unsigned int pos, void*)
{
    if (!handle) return FMOD_ERR_INVALID_PARAM;
    static_cast<MFile*>(handle)->Seek(pos);
    return FMOD_OK;
}

} // namespace kes::sound

namespace {

// Creates the named sound and starts it (sub-sound `index` when `useIndex`)
// with `mode` and `volume`. On success `into` holds the created sound and
// the channel; on any failure nothing is kept. A sound that cannot be read
// or decoded has been reported by the file and sound layers; what goes
// wrong after that is reported here, under the call (`what`) the game made.
void Start(const char* what, const char* name, bool useIndex, int index, FMOD_MODE mode, float volume,
           MSound* into)
{
    FMOD::Sound* sound = 0;
    if (g_pSystem->createSound(name, FMOD_DEFAULT, 0, &sound) != FMOD_OK) return;
    FMOD::Sound* play = sound;
    if (useIndex) {
        int count = 0;
        sound->getNumSubSounds(&count);
        FMOD::Sound* sub = 0;
        if (index >= count || sound->getSubSound(index, &sub) != FMOD_OK) {
            kes::Report("%s %s: sub-sound %d asked for; the file holds %d", what, name, index, count);
            sound->release();
            return;
        }
        play = sub;
    }
    play->setMode(mode);
    FMOD::Channel* channel = 0;
    if (const FMOD_RESULT r = g_pSystem->playSound(FMOD_CHANNEL_FREE, play, false, &channel); r != FMOD_OK) {
        kes::Report("%s %s: cannot be played (FMOD error %d)", what, name, int(r));
        sound->release();
        return;
    }
    // Field by field: a temporary MSound would release the sound on its way out.
    into->m_sound = sound;
    into->m_channel = channel;
    channel->setVolume(volume);
}

// The first slot that is empty or whose effect has finished (its sound is
// released then); null when all 32 still play.
MSound* FindSlot()
{
    for (MSound& slot : g_sounds) {
        if (!slot.m_sound) return &slot;
        bool playing = false;
        // A channel that cannot say it plays (ended: invalid handle; reused:
        // stolen; or any other failure) can no longer be heard through this
        // slot, and holding the slot for it would lose the slot for good.
        const FMOD_RESULT r = slot.m_channel ? slot.m_channel->isPlaying(&playing) : FMOD_ERR_INVALID_HANDLE;
        if (r != FMOD_OK || !playing) {
            slot.m_sound->release();
            slot.m_sound = 0;
            return &slot;
        }
    }
    return 0;
}

void PlayEffect(const char* name, bool useIndex, int index)
{
    if (!g_pSystem || !name) return;
    MSound* slot = FindSlot();
    if (!slot) return;
    Start("PlaySound", name, useIndex, index, FMOD_LOOP_OFF, g_soundVolume, slot);
}

void PlayMusicFile(const char* name, bool useIndex, int index)
{
    // The old music stops first, whatever follows: PlayMusic(NULL) is "stop".
    if (g_music.m_sound) {
        g_music.m_sound->release();
        g_music.m_sound = 0;
    }
    if (!g_pSystem || !name) return;
    Start("PlayMusic", name, useIndex, index, FMOD_LOOP_NORMAL, g_musicVolume, &g_music);
}

} // namespace

int MApp::InitSoundSystem()
{
    // A system left by an earlier Init whose sound set-up failed would
    // otherwise be lost here.
    if (g_pSystem) UninitSoundSystem();
    if (FMOD::System_Create(&g_pSystem) != FMOD_OK) return 0;
    if (g_pSystem->init(64, FMOD_INIT_NORMAL, 0) != FMOD_OK) return 0;
    // 2048-byte reads: whole sectors of the archives.
    return g_pSystem->setFileSystem(kes::sound::FileOpen, kes::sound::FileClose, kes::sound::FileRead,
                                    kes::sound::FileSeek, 0, 0, 2048) == FMOD_OK
               ? 1
               : 0;
}

void MApp::UninitSoundSystem()
{
    for (MSound& slot : g_sounds) {
        if (slot.m_sound) {
            slot.m_sound->release();
            slot.m_sound = 0;
        }
        slot.m_channel = 0;
    }
    if (g_music.m_sound) {
        g_music.m_sound->release();
        g_music.m_sound = 0;
    }
    g_music.m_channel = 0;
    if (g_pSystem) {
        g_pSystem->close();
        g_pSystem->release();
        g_pSystem = 0;
    }
}

void MApp::UpdateSoundSystem()
{
    if (g_pSystem) g_pSystem->update();
}

void MApp::PlayMusic(const char* name)
{
    PlayMusicFile(name, false, 0);
}

void MApp::PlayMusic(const char* name, int index)
{
    PlayMusicFile(name, true, index);
}

void MApp::SetMusicVolume(float volume)
{
    g_musicVolume = volume;
    if (g_music.m_sound) g_music.m_channel->setVolume(volume);
}

void MApp::PlaySoundA(const char* name)
{
    PlayEffect(name, false, 0);
}

void MApp::PlaySoundA(const char* name, int index)
{
    PlayEffect(name, true, index);
}

void MApp::SetSoundVolume(float volume)
{
    g_soundVolume = volume;
    // Finished effects too: their channels answer with an error, ignored.
    for (MSound& slot : g_sounds)
        if (slot.m_sound) slot.m_channel->setVolume(volume);
}
