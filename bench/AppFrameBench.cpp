// The engine's own cost per frame: one iteration of MApp::Run with nothing
// recorded — the message pump, the clock, the device check, then begin,
// clear, an empty batch, end and present into the window (retrace wait
// off, offscreen) — beside a plain SDL2 loop that polls its events, reads
// the clock, clears its back buffer and presents it through a window
// surface of the same kind. Both sleep 1 ms per frame as the engine's loop
// does; the figures are CPU time, so the sleep hides no cost.
#include <KesApp.h>
#include <KesPlatform.h>

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

benchmark::State* g_state = nullptr;

int CountFrame()
{
    // Every update call is one iteration of the loop: the time between two
    // of them is the loop's whole cost.
    if (!g_state->KeepRunning()) Singleton<MApp>::GetSingleton().ExitApp();
    return 1;
}

void BM_EngineEmptyFrame(benchmark::State& state)
{
    KesPlatformSetVideoDriver("offscreen");
    KesPlatformSetRenderDevice("software");
    MApp app;
    app.SetWindowSize(kWidth, kHeight);
    app.SetAsync(0);
    app.SetUpdateFrameFunc(CountFrame);
    if (!app.Init()) {
        state.SkipWithError("Init failed");
        return;
    }
    g_state = &state;
    app.Run();
    app.Shutdown();
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_EngineEmptyFrame)->Unit(benchmark::kMicrosecond);

void BM_PlainSdlLoop(benchmark::State& state)
{
    KesPlatformSetVideoDriver("offscreen");
    KesPlatformHasDisplay(); // starts SDL's video system as the engine does
    SDL_Window* window = SDL_CreateWindow("plain", 0, 0, kWidth, kHeight, SDL_WINDOW_SHOWN);
    SDL_Surface* back = SDL_CreateRGBSurfaceWithFormat(0, kWidth, kHeight, 32, SDL_PIXELFORMAT_RGB888);
    if (!window || !back) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    Uint64 previous = 0;
    double elapsed = 0;
    for (auto _ : state) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
        const Uint64 now = SDL_GetPerformanceCounter();
        elapsed += double(now - previous) / double(SDL_GetPerformanceFrequency());
        previous = now;
        SDL_FillRect(back, nullptr, SDL_MapRGB(back->format, 0, 0, 0));
        SDL_Surface* surface = SDL_GetWindowSurface(window);
        SDL_BlitSurface(back, nullptr, surface, nullptr);
        SDL_UpdateWindowSurface(window);
        SDL_Delay(1);
    }
    benchmark::DoNotOptimize(elapsed);
    SDL_FreeSurface(back);
    SDL_DestroyWindow(window);
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_PlainSdlLoop)->Unit(benchmark::kMicrosecond);

} // namespace
