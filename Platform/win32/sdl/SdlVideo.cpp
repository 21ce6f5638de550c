// Starting SDL's video system with a driver that works here: a table of
// video drivers in order of preference, chosen once.
#include "SdlVideo.h"

#include "../../config/BackendTable.h"
#include "../../config/Log.h"
#include "../../config/PlatformConfig.h"

#include <KesPlatform.h>

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kes::sdl {
namespace {

// SDL's driver `name`, or SDL's own choice for null. A refusal is said at
// once: SDL's error text is gone after the next attempt.
bool TryDriver(const char* name)
{
    if (name) SDL_SetHint(SDL_HINT_VIDEODRIVER, name);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    const char* env = getenv("SDL_VIDEODRIVER");
    if (name)
        platform::Log("video driver '%s' refused: %s", name, SDL_GetError());
    else if (env)
        platform::Log("video driver '%s' (SDL_VIDEODRIVER) refused: %s", env, SDL_GetError());
    else
        platform::Log("no desktop video driver: %s", SDL_GetError());
    return false;
}

struct VideoDriver {
    const char* name;
    const char* description;
    bool (*open)(std::string* why);
};

// SDL's own choice honours SDL_VIDEODRIVER and finds a desktop; with no
// desktop named, asking SDL would only make the desktop drivers complain on
// standard error.
bool OpenDesktop(std::string* why)
{
    if (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY") && !getenv("SDL_VIDEODRIVER")) {
        *why = "no desktop (DISPLAY, WAYLAND_DISPLAY and SDL_VIDEODRIVER unset)";
        return false;
    }
    return TryDriver(nullptr);
}
bool OpenOffscreen(std::string*)
{
    return TryDriver("offscreen");
}
bool OpenDummy(std::string*)
{
    return TryDriver("dummy");
}

const VideoDriver kDesktop = {"desktop", "the desktop's own driver as SDL finds it (x11, wayland)", OpenDesktop};
const VideoDriver kOffscreen = {"offscreen", "windows in memory, with OpenGL through EGL", OpenOffscreen};
const VideoDriver kDummy = {"dummy", "windows that exist nowhere, without OpenGL", OpenDummy};
const VideoDriver* const kVideoDrivers[] = {&kDesktop, &kOffscreen, &kDummy, nullptr};

} // namespace

bool EnsureVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // Window surfaces are plain memory: the software device presents by
    // copying, and SDL must not build a GPU renderer behind the surface.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Closing a window is the game's business (WM_CLOSE), not a quit of
    // its own; a full-screen game keeps its window when the player switches
    // away.
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // A program's choice is a record of the table or any SDL driver by its
    // own name ("x11", "wayland", "kmsdrm"), and stands alone.
    const std::string& asked = platform::Settings().videoDriver;
    const VideoDriver* named = platform::FindBackend(kVideoDrivers, asked.c_str());
    if (!asked.empty() && !named) return TryDriver(asked.c_str());
    std::string passedOver;
    return platform::ChooseBackend(
               kVideoDrivers, named, [](const VideoDriver& d, std::string* why) { return d.open(why); },
               &passedOver) != nullptr;
}

void DesktopSize(int* width, int* height)
{
    SDL_DisplayMode mode;
    if (EnsureVideo() && SDL_GetDesktopDisplayMode(0, &mode) == 0 && mode.w > 0 && mode.h > 0) {
        *width = mode.w;
        *height = mode.h;
    } else {
        *width = 1024;
        *height = 768;
    }
}

bool HasDisplay()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && strcmp(driver, "offscreen") != 0 && strcmp(driver, "dummy") != 0;
}

} // namespace kes::sdl

extern "C" {

const char* KesPlatformVideoDriver(void)
{
    return SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
}

int KesPlatformHasDisplay(void)
{
    return kes::sdl::EnsureVideo() && kes::sdl::HasDisplay() ? 1 : 0;
}

} // extern "C"
