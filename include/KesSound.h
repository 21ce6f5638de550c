/// \file
/// MSound: one sound of the sound system and the channel it plays on.
///
/// The engine keeps one for the music and 32 for the effects; a game plays
/// sounds through MApp (PlayMusic, PlaySoundA) and need not make its own.
#ifndef KESTO_KESSOUND_H
#define KESTO_KESSOUND_H

#include <KesUtility.h>

/// The sound system's classes (FMOD Ex's names), named here only for
/// MSound's pointers; a game need not use them.
namespace FMOD {
class Sound;
class Channel;
} // namespace FMOD

/// A sound and the channel of its last play. The record owns the sound
/// (releases it when destroyed); the channel belongs to the sound system.
class KESTO_API MSound {
public:
    /// The sound it owns (for a sub-sound's play, the file's parent sound);
    /// null when empty.
    FMOD::Sound* m_sound;
    /// The channel of its last play. Kept after the sound is released: FMOD
    /// answers a stale channel with an error, never with another sound's state.
    FMOD::Channel* m_channel;

    MSound(); ///< Empty: no sound, no channel.
    /// Releases the sound it still holds.
    ~MSound();
    /// Copies both pointers: the two records then name one sound, and only
    /// one of them may release it (clear the other's m_sound first).
    MSound& operator=(const MSound& other);
    /// A copy made at construction would release the sound twice.
    MSound(const MSound&) = delete;
};

#endif
