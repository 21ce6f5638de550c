#include "Sounds.h"

#include <KesFile.h>

#include <cstdio>

namespace kes::demo {
namespace {

const char kMusic[] = "sound/music.ogg";
const char kClick[] = "sound/click.ogg";

// The engine plays what it can find and is silent otherwise; the demo
// says which of its sounds are not there.
bool Present(const char* name)
{
    MFile file;
    if (file.Open(name)) {
        file.Close();
        return true;
    }
    std::fprintf(stderr, "kesto-demo: %s is not in the archives; it will not be heard\n", name);
    return false;
}

} // namespace

void StartSounds(MApp& app, bool mute)
{
    app.SetMusicVolume(mute ? 0.0f : 0.5f);
    app.SetSoundVolume(mute ? 0.0f : 0.8f);
    Present(kClick);
    if (Present(kMusic)) app.PlayMusic(kMusic);
}

void PlayClick(MApp& app)
{
    app.PlaySoundA(kClick);
}

} // namespace kes::demo
