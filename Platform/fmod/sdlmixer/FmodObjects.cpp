// FMOD's System, Sound and Channel over SDL2_mixer's channels.
//
// A Sound is a decoded Mix_Chunk. A Channel pointer is a handle, as FMOD's
// own are: its value holds the mixer channel and the number of the play on
// that channel, and it is never followed, so that any handle ever given out
// can still be asked about safely, even after the system is gone, and a
// finished play's handle never names a later play, however many follow.
#include "AudioOutput.h"
#include "SoundData.h"
#include "../../config/Log.h"

#include <fmod.hpp>

#include <SDL_mixer.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kes::fmod {
namespace {

constexpr int kMaxChannels = 256;

// A handle's value: a tag no user-space address has (so nothing can take it
// for an object, and a pointer that is not a handle is refused), the play's
// number (48 bits: more plays than a game could make) and the channel, in
// steps of 16 so that the value is aligned as a pointer would be.
constexpr uint64_t kHandleTag = uint64_t(1) << 62;
constexpr int kPlayShift = 12;
constexpr uint64_t kPlayMask = (uint64_t(1) << 48) - 1;
constexpr int kChannelShift = 4;

class SystemImpl;

class SoundImpl : public FMOD::Sound {
public:
    SystemImpl* system = nullptr;
    SoundImpl* parent = nullptr;
    Mix_Chunk* chunk = nullptr;
    FMOD_MODE mode = FMOD_DEFAULT;
    std::vector<SoundImpl*> subs;

    ~SoundImpl()
    {
        for (SoundImpl* s : subs) delete s;
        if (chunk) Mix_FreeChunk(chunk);
    }
    bool IsOrOwns(const SoundImpl* s) const { return s == this || (s && s->parent == this); }
};

// Per mixer channel: plays started on it (the current play's number, kept
// across systems so that an earlier system's handles stay stale), and the
// sound of the current play (null once it ended or was stopped).
uint64_t g_plays[kMaxChannels];
SoundImpl* g_playing[kMaxChannels];

class SystemImpl : public FMOD::System {
public:
    bool inited = false;
    int channels = 0;
    int nextChannel = 0;
    FileSystem files;
    std::vector<SoundImpl*> sounds; // top-level sounds alive

    void StopSound(const SoundImpl* s)
    {
        for (int ch = 0; ch < channels; ++ch) {
            if (g_playing[ch] && s->IsOrOwns(g_playing[ch])) {
                Mix_HaltChannel(ch);
                g_playing[ch] = nullptr;
            }
        }
    }
    void Close()
    {
        if (!inited) return;
        for (SoundImpl* s : sounds) delete s; // closing invalidates every object made here
        sounds.clear();
        for (int ch = 0; ch < channels; ++ch) g_playing[ch] = nullptr;
        CloseAudioOutput();
        inited = false;
    }
};

SystemImpl* g_active; // the one system that holds the output

SystemImpl* Impl(FMOD::System* s)
{
    return static_cast<SystemImpl*>(s);
}
SoundImpl* Impl(FMOD::Sound* s)
{
    return static_cast<SoundImpl*>(s);
}

FMOD::Channel* HandleOf(int ch)
{
    const uint64_t value = kHandleTag | (g_plays[ch] & kPlayMask) << kPlayShift | uint64_t(ch) << kChannelShift;
    return reinterpret_cast<FMOD::Channel*>(uintptr_t(value));
}

// The mixer channel a live handle names; -1 with the reason otherwise.
int ChannelOf(FMOD::Channel* c, FMOD_RESULT* why)
{
    static_assert(sizeof(uintptr_t) == 8, "handles carry 64 bits");
    const uint64_t value = uint64_t(reinterpret_cast<uintptr_t>(c));
    const uint64_t channelBits = uint64_t(kMaxChannels - 1) << kChannelShift;
    const uint64_t handleBits = kHandleTag | kPlayMask << kPlayShift | channelBits;
    if ((value & kHandleTag) == 0 || (value & ~handleBits) != 0) {
        *why = FMOD_ERR_INVALID_PARAM;
        return -1;
    }
    const int ch = int((value & channelBits) >> kChannelShift);
    if (!g_active || ch >= g_active->channels) {
        *why = FMOD_ERR_INVALID_HANDLE;
        return -1;
    }
    if ((g_plays[ch] & kPlayMask) != (value >> kPlayShift & kPlayMask)) {
        *why = FMOD_ERR_CHANNEL_STOLEN;
        return -1;
    }
    if (g_playing[ch] && !Mix_Playing(ch)) g_playing[ch] = nullptr;
    if (!g_playing[ch]) {
        *why = FMOD_ERR_INVALID_HANDLE;
        return -1;
    }
    return ch;
}

} // namespace
} // namespace kes::fmod

using namespace kes::fmod;

extern "C" FMOD_RESULT F_API FMOD_System_Create(FMOD_SYSTEM** system)
{
    if (!system) return FMOD_ERR_INVALID_PARAM;
    *system = reinterpret_cast<FMOD_SYSTEM*>(static_cast<FMOD::System*>(new SystemImpl));
    return FMOD_OK;
}

namespace FMOD {

FMOD_RESULT System::release()
{
    SystemImpl* s = Impl(this);
    close();
    delete s;
    return FMOD_OK;
}

FMOD_RESULT System::init(int maxchannels, FMOD_INITFLAGS, void*)
{
    SystemImpl* s = Impl(this);
    if (maxchannels < 1 || maxchannels > kMaxChannels) return FMOD_ERR_INVALID_PARAM;
    if (s->inited || g_active) return FMOD_ERR_INITIALIZED;
    if (!OpenAudioOutput(maxchannels)) return FMOD_ERR_OUTPUT_INIT;
    s->inited = true;
    s->channels = maxchannels;
    s->nextChannel = 0;
    g_active = s;
    return FMOD_OK;
}

FMOD_RESULT System::close()
{
    SystemImpl* s = Impl(this);
    s->Close();
    if (g_active == s) g_active = nullptr;
    return FMOD_OK;
}

FMOD_RESULT System::update()
{
    SystemImpl* s = Impl(this);
    if (!s->inited) return FMOD_ERR_INITIALIZATION;
    // Plays that ended free their channels' handles.
    for (int ch = 0; ch < s->channels; ++ch)
        if (g_playing[ch] && !Mix_Playing(ch)) g_playing[ch] = nullptr;
    return FMOD_OK;
}

FMOD_RESULT System::setFileSystem(FMOD_FILE_OPENCALLBACK useropen, FMOD_FILE_CLOSECALLBACK userclose,
                                  FMOD_FILE_READCALLBACK userread, FMOD_FILE_SEEKCALLBACK userseek,
                                  FMOD_FILE_ASYNCREADCALLBACK, FMOD_FILE_ASYNCCANCELCALLBACK, int blockalign)
{
    if (blockalign < 0) return FMOD_ERR_INVALID_PARAM;
    FileSystem& fs = Impl(this)->files;
    fs.open = useropen;
    fs.close = userclose;
    fs.read = userread;
    fs.seek = userseek;
    fs.blockAlign = unsigned(blockalign);
    return FMOD_OK;
}

FMOD_RESULT System::createSound(const char* name, FMOD_MODE mode, FMOD_CREATESOUNDEXINFO* exinfo, Sound** sound)
{
    SystemImpl* s = Impl(this);
    if (!sound) return FMOD_ERR_INVALID_PARAM;
    *sound = nullptr;
    if (!name || exinfo) return FMOD_ERR_INVALID_PARAM;
    if (!s->inited) return FMOD_ERR_INITIALIZATION;

    std::vector<uint8_t> data;
    FMOD_RESULT r = ReadWholeFile(s->files, name, &data);
    if (r != FMOD_OK) return r;
    std::string why;
    r = CheckContainer(data.data(), data.size(), &why);
    if (r != FMOD_OK) {
        kes::platform::LogOnce("sound %s: %s", name, why.c_str());
        return r;
    }
    SoundImpl* made = new SoundImpl;
    made->system = s;
    made->mode = mode;
    bool damaged = false;
    const std::vector<Range> chain = OggChain(data.data(), data.size());
    if (chain.size() > 1) {
        // A bank: every stream must decode. The parent is the whole chain
        // where the decoder follows it, else it holds no sound of its own.
        for (const Range& link : chain) {
            SoundImpl* sub = new SoundImpl;
            sub->system = s;
            sub->parent = made;
            sub->mode = mode;
            made->subs.push_back(sub);
            sub->chunk = Decode(data.data() + link.offset, link.size, &why, &damaged);
            if (!sub->chunk) {
                delete made;
                made = nullptr;
                break;
            }
        }
        std::string ignored;
        bool ignoredDamage;
        if (made) made->chunk = Decode(data.data(), data.size(), &ignored, &ignoredDamage);
    } else {
        made->chunk = Decode(data.data(), data.size(), &why, &damaged);
        if (!made->chunk) {
            delete made;
            made = nullptr;
        }
    }
    if (!made) {
        kes::platform::LogOnce("sound %s cannot be decoded: %s", name, why.c_str());
        return damaged ? FMOD_ERR_FILE_BAD : FMOD_ERR_FORMAT;
    }
    s->sounds.push_back(made);
    *sound = made;
    return FMOD_OK;
}

FMOD_RESULT System::playSound(FMOD_CHANNELINDEX channelid, Sound* sound, bool paused, Channel** channel)
{
    SystemImpl* s = Impl(this);
    if (channel) *channel = nullptr;
    if (!sound) return FMOD_ERR_INVALID_PARAM;
    if (!s->inited) return FMOD_ERR_INITIALIZATION;
    SoundImpl* snd = Impl(sound);
    if (!snd->chunk) return FMOD_ERR_FORMAT;

    int ch = -1;
    if (channelid == FMOD_CHANNEL_FREE) {
        for (int i = 0; i < s->channels; ++i) {
            const int c = (s->nextChannel + i) % s->channels;
            if (!Mix_Playing(c)) {
                ch = c;
                break;
            }
        }
        if (ch < 0) return FMOD_ERR_CHANNEL_ALLOC;
    } else {
        if (channelid < 0 || channelid >= s->channels) return FMOD_ERR_INVALID_PARAM;
        ch = channelid;
        Mix_HaltChannel(ch);
    }
    s->nextChannel = (ch + 1) % s->channels;

    const int loops = snd->mode & (FMOD_LOOP_NORMAL | FMOD_LOOP_BIDI) ? -1 : 0;
    Mix_Volume(ch, MIX_MAX_VOLUME); // a new play starts at full volume, as FMOD's do
    if (Mix_PlayChannel(ch, snd->chunk, loops) < 0) return FMOD_ERR_INTERNAL;
    if (paused) Mix_Pause(ch);
    ++g_plays[ch];
    g_playing[ch] = snd;
    if (channel) *channel = HandleOf(ch);
    return FMOD_OK;
}

FMOD_RESULT Sound::release()
{
    SoundImpl* snd = Impl(this);
    // Sub-sounds live and die with their parent.
    if (snd->parent) return FMOD_ERR_INVALID_PARAM;
    SystemImpl* s = snd->system;
    s->StopSound(snd);
    for (size_t i = 0; i < s->sounds.size(); ++i)
        if (s->sounds[i] == snd) {
            s->sounds.erase(s->sounds.begin() + long(i));
            break;
        }
    delete snd;
    return FMOD_OK;
}

FMOD_RESULT Sound::setMode(FMOD_MODE mode)
{
    Impl(this)->mode = mode;
    return FMOD_OK;
}

FMOD_RESULT Sound::getNumSubSounds(int* numsubsounds)
{
    if (!numsubsounds) return FMOD_ERR_INVALID_PARAM;
    *numsubsounds = int(Impl(this)->subs.size());
    return FMOD_OK;
}

FMOD_RESULT Sound::getSubSound(int index, Sound** subsound)
{
    if (!subsound) return FMOD_ERR_INVALID_PARAM;
    *subsound = nullptr;
    SoundImpl* snd = Impl(this);
    if (index < 0 || size_t(index) >= snd->subs.size()) return FMOD_ERR_INVALID_PARAM;
    *subsound = snd->subs[size_t(index)];
    return FMOD_OK;
}

FMOD_RESULT Channel::isPlaying(bool* isplaying)
{
    if (!isplaying) return FMOD_ERR_INVALID_PARAM;
    *isplaying = false;
    FMOD_RESULT why = FMOD_OK;
    if (ChannelOf(this, &why) < 0) return why;
    *isplaying = true;
    return FMOD_OK;
}

FMOD_RESULT Channel::setVolume(float volume)
{
    if (!std::isfinite(volume)) return FMOD_ERR_INVALID_FLOAT;
    FMOD_RESULT why = FMOD_OK;
    const int ch = ChannelOf(this, &why);
    if (ch < 0) return why;
    const float v = volume < 0.0f ? 0.0f : volume > 1.0f ? 1.0f : volume;
    Mix_Volume(ch, int(std::lround(v * MIX_MAX_VOLUME)));
    return FMOD_OK;
}

} // namespace FMOD
