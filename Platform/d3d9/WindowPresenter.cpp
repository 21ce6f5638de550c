// Presenting into SDL windows.
#include "WindowPresenter.h"

#include "Resources.h"
#include "../win32/sdl/SdlVideo.h"

#include <SDL.h>

#include <cerrno>
#include <time.h>

namespace kes::d3d9 {
namespace {

int64_t Now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

int RefreshRate(SDL_Window* window)
{
    SDL_DisplayMode mode;
    const int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &mode) == 0 && mode.refresh_rate >= 24 &&
        mode.refresh_rate <= 500)
        return mode.refresh_rate;
    return 60;
}

} // namespace

void ApplyDisplayMode(HWND window, const D3DPRESENT_PARAMETERS& params)
{
    sdl::SetDeviceFullscreen(window, !params.Windowed, int(params.BackBufferWidth), int(params.BackBufferHeight));
}

void RetraceClock::Wait(HWND window, UINT interval)
{
    if (interval == D3DPRESENT_INTERVAL_IMMEDIATE) return;
    // Window surfaces have no retrace to wait for: keep to the display's
    // refresh grid instead, so that games pace as they would. A present
    // that comes late waits for the next refresh, as a real one does.
    const int64_t period = 1000000000 / RefreshRate(sdl::WindowOf(window));
    const int64_t now = Now();
    int64_t next = m_last + period;
    if (next <= now) next = now - (now - m_last) % period + period;
    if (next - now > period) next = now + period; // the clock moved back, or the first present
    timespec until{time_t(next / 1000000000), long(next % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    m_last = next;
}

void ShowInWindow(HWND window, const PixelStore& bb)
{
    SDL_Window* sdlWindow = sdl::WindowOf(window);
    if (!sdlWindow) return;
    SDL_Surface* surface = SDL_GetWindowSurface(sdlWindow);
    if (!surface) return;
    const sdl::Viewport view = sdl::ViewportOf(window);
    const int bw = int(bb.width), bh = int(bb.height);
    void* pixels = const_cast<uint8_t*>(bb.bytes.data());
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    if (view.Identity() && surface->w == bw && surface->h == bh) {
        SDL_ConvertPixels(bw, bh, SDL_PIXELFORMAT_RGB888, pixels, bb.pitch, surface->format->format, surface->pixels,
                          surface->pitch);
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    } else {
        if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
        SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(pixels, bw, bh, 32, bb.pitch, SDL_PIXELFORMAT_RGB888);
        if (source) {
            SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
            SDL_Rect dest = view.dest;
            // Smooth scaling where the formats allow it (they do on the usual
            // 32-bit desktops); SDL's nearest-pixel scaling otherwise.
            if (surface->format->format != SDL_PIXELFORMAT_RGB888 ||
                SDL_SoftStretchLinear(source, nullptr, surface, &dest) != 0)
                SDL_BlitScaled(source, nullptr, surface, &dest);
            SDL_FreeSurface(source);
        }
    }
    SDL_UpdateWindowSurface(sdlWindow);
}

} // namespace kes::d3d9
