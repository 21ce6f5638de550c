// The part of FMOD Ex's class interface that Kesto calls, for systems
// without the vendor's library, implemented on
// SDL2_mixer (Platform/fmod/sdlmixer).
//
// What it does:
// - System::init opens the audio output (44.1 kHz stereo) with that many
//   mixer channels (at most 256). When no sound device can be opened it
//   falls back to SDL's "dummy" driver, once saying so through the log:
//   sounds still play in real time, channels still end and volumes apply.
//   One system can be initialised at a time.
// - System::createSound reads the whole file through the installed file
//   callbacks (open, seek to 0, reads of the block alignment, close; plain
//   files when none are installed) and decodes it at once into memory, as
//   FMOD_DEFAULT (a sample, not a stream) asks: WAV, Ogg Vorbis, Opus, MP3,
//   FLAC, AIFF, VOC. A damaged or cut file gives FMOD_ERR_FILE_BAD where its
//   format can tell: FLAC metadata longer than the file, an Ogg page cut off or failing its checksum, an Ogg stream without its
//   last page, FLAC decoding to fewer samples than it declares. A file that
//   no decoder reads gives FMOD_ERR_FORMAT. A WAV whose data chunk runs
//   past the end of the file plays the whole sample frames there, as common
//   players do; MP3 has no length to check: a cut MP3 plays what is there.
//   Each failure (and each cut WAV) is said once through the log.
// - Sub-sounds: a chained Ogg file (complete Ogg streams one after another,
//   as `cat a.ogg b.ogg > bank.ogg` makes) is a bank whose sub-sounds are
//   its streams in file order. Every other file, and a one-stream Ogg, has
//   no sub-sounds. Sub-sounds belong to their parent: releasing the parent
//   releases them.
// - System::playSound(FMOD_CHANNEL_FREE, ...) takes a channel that is not
//   playing, starting after the one taken last, so that a recently ended
//   channel's handles stay answerable the longest; FMOD_ERR_CHANNEL_ALLOC
//   when all are busy (no stealing). FMOD_LOOP_NORMAL and FMOD_LOOP_BIDI
//   loop for ever (BIDI loops forwards); FMOD_LOOP_OFF plays once. A play
//   starts at volume 1.0; `paused` pauses it as soon as it has started (the
//   mixer may already have taken one buffer of it).
// - Channel handles outlive what they name: a handle whose play ended, or
//   whose sound was released, answers FMOD_ERR_INVALID_HANDLE; one whose
//   channel has since started another sound answers FMOD_ERR_CHANNEL_STOLEN
//   (until that channel has been reused 1024 times; then an old handle
//   names the new play, as FMOD's own handle counts wrap).
// - Channel::setVolume: 0.0 silent to 1.0 full in 128 steps (the mixer's);
//   values above 1.0 play at 1.0 and below 0.0 at 0.0 (FMOD Ex's range
//   ends there: no amplification); NaN and infinities give
//   FMOD_ERR_INVALID_FLOAT.
// Not implemented: everything else of FMOD Ex (3-D, DSP, streams,
// non-blocking opens, asynchronous file reads, extended creation info).
#ifndef KESTO_PLATFORM_FMOD_HPP
#define KESTO_PLATFORM_FMOD_HPP

#include <fmod.h>

namespace FMOD {

class System;
class Sound;
class Channel;

inline FMOD_RESULT System_Create(System** system)
{
    return FMOD_System_Create(reinterpret_cast<FMOD_SYSTEM**>(system));
}

class System {
public:
    FMOD_RESULT F_API release();
    FMOD_RESULT F_API init(int maxchannels, FMOD_INITFLAGS flags, void* extradriverdata);
    FMOD_RESULT F_API close();
    FMOD_RESULT F_API update();
    // blockalign: reads ask for whole blocks of this many bytes (0: any size).
    FMOD_RESULT F_API setFileSystem(FMOD_FILE_OPENCALLBACK useropen, FMOD_FILE_CLOSECALLBACK userclose,
                                    FMOD_FILE_READCALLBACK userread, FMOD_FILE_SEEKCALLBACK userseek,
                                    FMOD_FILE_ASYNCREADCALLBACK userasyncread,
                                    FMOD_FILE_ASYNCCANCELCALLBACK userasynccancel, int blockalign);
    FMOD_RESULT F_API createSound(const char* name_or_data, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exinfo,
                                  Sound** sound);
    FMOD_RESULT F_API playSound(FMOD_CHANNELINDEX channelid, Sound* sound, bool paused, Channel** channel);

protected:
    System() = default;
    ~System() = default;
    System(const System&) = delete;
    System& operator=(const System&) = delete;
};

class Sound {
public:
    // Stops every channel playing the sound (or its sub-sounds) and frees it.
    FMOD_RESULT F_API release();
    FMOD_RESULT F_API setMode(FMOD_MODE mode);
    FMOD_RESULT F_API getNumSubSounds(int* numsubsounds);
    FMOD_RESULT F_API getSubSound(int index, Sound** subsound);

protected:
    Sound() = default;
    ~Sound() = default;
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;
};

class Channel {
public:
    FMOD_RESULT F_API isPlaying(bool* isplaying);
    FMOD_RESULT F_API setVolume(float volume);

protected:
    Channel() = default;
    ~Channel() = default;
};

} // namespace FMOD

#endif
