// Starting SDL's video system with a driver that works here.
#include "SdlVideo.h"

#include "../../config/PlatformConfig.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace kes::sdl {
namespace {

bool TryDriver(const char* name)
{
    if (name) SDL_SetHint(SDL_HINT_VIDEODRIVER, name);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    return false;
}

} // namespace

bool EnsureVideo()
{
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    // Window surfaces are plain memory: the software device presents by
    // copying, and SDL must not build a GPU renderer behind the surface.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    const std::string& asked = platform::Settings().videoDriver;
    if (!asked.empty()) return TryDriver(asked.c_str());
    // SDL's own choice honours SDL_VIDEODRIVER and finds a desktop; without
    // one, the offscreen driver still gives windows (and EGL contexts).
    return TryDriver(nullptr) || TryDriver("offscreen") || TryDriver("dummy");
}

bool HasDisplay()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver && strcmp(driver, "offscreen") != 0 && strcmp(driver, "dummy") != 0;
}

} // namespace kes::sdl

extern "C" const char* KesPlatformVideoDriver(void)
{
    return SDL_WasInit(SDL_INIT_VIDEO) ? SDL_GetCurrentVideoDriver() : nullptr;
}
