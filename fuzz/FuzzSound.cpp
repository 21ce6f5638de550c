// Property: opening any file as a sound never faults: the container checks,
// the bank splitting and the decoders either give a sound (whose sub-sounds
// can all be asked for) or refuse it, read through the engine's callbacks.
#include "FuzzSupport.h"

#include <KesSoundState.h>

#include <cstdlib>

namespace {

FMOD::System* System()
{
    static FMOD::System* system = [] {
        // No sound card needed, and none made to play noise.
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        FMOD::System* s = nullptr;
        if (FMOD::System_Create(&s) != FMOD_OK || s->init(4, FMOD_INIT_NORMAL, nullptr) != FMOD_OK) abort();
        s->setFileSystem(kes::sound::FileOpen, kes::sound::FileClose, kes::sound::FileRead, kes::sound::FileSeek,
                         nullptr, nullptr, 2048);
        return s;
    }();
    return system;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FMOD::System* system = System();
    const std::string name = kes::fuzz::WriteInput("fuzz.snd", data, size);
    FMOD::Sound* sound = nullptr;
    if (system->createSound(name.c_str(), FMOD_DEFAULT, nullptr, &sound) != FMOD_OK) return 0;
    int count = 0;
    sound->getNumSubSounds(&count);
    for (int i = 0; i < count; ++i) {
        FMOD::Sound* sub = nullptr;
        if (sound->getSubSound(i, &sub) != FMOD_OK || !sub) abort();
    }
    sound->release();
    return 0;
}
