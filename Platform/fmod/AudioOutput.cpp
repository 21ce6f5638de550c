// Opening the mixer: a table of two drivers, the first that opens wins.
#include "AudioOutput.h"

#include "../config/Log.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace kes::fmod {
namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 1024; // about 23 ms a buffer: short enough for effects

// null: SDL's own choice (SDL_AUDIODRIVER, else the first device that works).
// "dummy" is SDL's driver that mixes in real time and plays nowhere; SDL never
// picks it by itself.
const char* const kDrivers[] = {nullptr, "dummy"};

// libasound prints its own lines on standard error when there is no sound
// card, before SDL moves on and we say in one line what happened. Its
// error handler is muted while SDL probes the devices; the library is
// looked up at run time, as SDL loads it, so nothing links against it.
class QuietAlsa {
public:
    QuietAlsa()
    {
        m_lib = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
        if (m_lib) m_set = reinterpret_cast<SetHandler>(dlsym(m_lib, "snd_lib_error_set_handler"));
        if (m_set) m_set(Silent);
    }
    ~QuietAlsa()
    {
        if (m_set) m_set(nullptr); // ALSA's own handler again
        if (m_lib) dlclose(m_lib);
    }
    QuietAlsa(const QuietAlsa&) = delete;
    QuietAlsa& operator=(const QuietAlsa&) = delete;

private:
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    static void Silent(const char*, int, const char*, int, const char*, ...) {}

    void* m_lib = nullptr;
    SetHandler m_set = nullptr;
};

bool TryDriver(const char* name, std::string* why)
{
    const QuietAlsa quiet;
    // Above SDL_AUDIODRIVER, which would otherwise name the driver that failed.
    if (name) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, name, SDL_HINT_OVERRIDE);
    const bool ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (name) SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!ok) {
        *why = SDL_GetError();
        return false;
    }
    if (Mix_OpenAudio(kRate, AUDIO_S16SYS, 2, kFrames) != 0) {
        *why = Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

} // namespace

bool OpenAudioOutput(int channels)
{
    static bool s_saidFallback = false;
    std::string firstWhy;
    for (const char* name : kDrivers) {
        std::string why;
        if (TryDriver(name, &why)) {
            if (name && !s_saidFallback) {
                kes::platform::Log("no sound device (%s); sound plays on SDL's %s audio driver", firstWhy.c_str(),
                                   name);
                s_saidFallback = true;
            }
            Mix_AllocateChannels(channels);
            return true;
        }
        if (firstWhy.empty()) firstWhy = why;
        if (name) kes::platform::Log("cannot open SDL's %s audio driver: %s", name, why.c_str());
    }
    return false;
}

void CloseAudioOutput()
{
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace kes::fmod
