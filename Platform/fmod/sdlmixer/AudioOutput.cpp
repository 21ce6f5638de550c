// Opening the mixer: a table of sound outputs in order of preference, the
// one asked for or else the first that opens.
#include "AudioOutput.h"

#include "../../config/BackendTable.h"
#include "../../config/Log.h"
#include "../../config/PlatformConfig.h"

#include <KesPlatform.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <dlfcn.h>

#include <cstdio>
#include <string>

namespace kes::fmod {
namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 1024; // about 23 ms a buffer: short enough for effects


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

struct AudioDriver {
    const char* name;
    const char* description;
    bool (*open)(std::string* why);
};

bool OpenDevice(std::string* why)
{
    return TryDriver(nullptr, why);
}
bool OpenDummy(std::string* why)
{
    return TryDriver("dummy", why);
}

// SDL never picks its dummy driver by itself: it is the last record.
const AudioDriver kDevice = {"device", "SDL's choice of sound device (SDL_AUDIODRIVER, else the first that works)",
                             OpenDevice};
const AudioDriver kDummy = {"dummy", "mixes in real time and plays nowhere", OpenDummy};
const AudioDriver* const kAudioDrivers[] = {&kDevice, &kDummy, nullptr};

} // namespace

bool OpenAudioOutput(int channels)
{
    // A program's choice is a record of the table or any SDL audio driver
    // by its own name ("pulseaudio", "alsa", "disk"), and stands alone.
    const std::string& asked = platform::Settings().audioDriver;
    const AudioDriver* named = platform::FindBackend(kAudioDrivers, asked.c_str());
    if (!asked.empty() && !named) {
        std::string why;
        if (!TryDriver(asked.c_str(), &why)) {
            platform::Log("cannot open SDL's %s audio driver: %s", asked.c_str(), why.c_str());
            return false;
        }
        Mix_AllocateChannels(channels);
        return true;
    }
    static bool s_saidFallback = false;
    std::string passedOver;
    const AudioDriver* chosen = platform::ChooseBackend(
        kAudioDrivers, named, [](const AudioDriver& d, std::string* why) { return d.open(why); }, &passedOver);
    if (!chosen) {
        platform::Log("no sound output opens (%s)", passedOver.c_str());
        return false;
    }
    if (chosen != kAudioDrivers[0] && !named && !s_saidFallback) {
        platform::Log("no sound device (%s); sound plays on SDL's %s audio driver", passedOver.c_str(), chosen->name);
        s_saidFallback = true;
    }
    Mix_AllocateChannels(channels);
    return true;
}

} // namespace kes::fmod

extern "C" const char* KesPlatformAudioDriver(void)
{
    return SDL_WasInit(SDL_INIT_AUDIO) ? SDL_GetCurrentAudioDriver() : nullptr;
}

namespace kes::fmod {

void CloseAudioOutput()
{
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

} // namespace kes::fmod
