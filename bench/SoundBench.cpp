// Starting an effect: MApp::PlaySoundA of a one-second Ogg Vorbis file
// inside an archive (the name looked up, the entry read through the file
// callbacks, decoded and played) beside SDL2_mixer's own Mix_LoadWAV_RW and
// Mix_PlayChannel of the same file lying loose on disk, the choice of a game
// written on SDL. Every 32 starts all channels are stopped (untimed), so
// that both keep finding a free channel; the engine then reuses its slots
// and releases their old sounds, and the SDL side frees its old chunks, both
// inside the timed part.
//
// The mixer's cost: music and 32 effects playing at once on SDL's dummy
// driver, which mixes in real time; the process's CPU time over a stretch of
// wall time while the main thread sleeps is the mixing thread's share of a
// core (counter "cpu_share"), for the engine and for plain SDL2_mixer.
#include <KesApp.h>
#include <KesDataFile.h>
#include <KesFile.h>

#include "BenchSupport.h"
#include "WdfWriter.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <thread>

namespace {

constexpr int kEffects = 32;

// The sounds, made once with sox and oggenc (scripts/setup.sh installs
// them): a one-second effect and a four-second music, loose and packed.
struct Fixture {
    kes::bench::ScratchFolder folder;
    bool ok = false;

    Fixture()
    {
        const std::string make =
            "sox -D -n -r 44100 -b 16 -c 2 effect.wav synth 1 sine 440 vol 0.2 && "
            "sox -D -n -r 44100 -b 16 -c 2 music.wav synth 4 triangle 220 vol 0.2 && "
            "oggenc -Q -q 3 -o effect.ogg effect.wav && oggenc -Q -q 3 -o music.ogg music.wav";
        if (std::system(make.c_str()) != 0) return;
        kes::wdf::ArchiveWriter w;
        w.AddFile(MFile::Fnameid("bench/effect.ogg"), folder.Path() + "/effect.ogg");
        w.AddFile(MFile::Fnameid("bench/music.ogg"), folder.Path() + "/music.ogg");
        std::string error;
        ok = w.Write("bench.wdf", &error) && MFile::OpenDataFile("bench.wdf");
    }
    ~Fixture() { kes::CloseAllDataFiles(); }
    std::string Loose(const char* name) const { return folder.Path() + "/" + name; }
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

// The engine after Init with the sound system on SDL's dummy driver.
std::unique_ptr<MApp> StartApp(benchmark::State& state)
{
    if (!TheFixture().ok) {
        state.SkipWithError("the sounds could not be made (sox, oggenc)");
        return nullptr;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    std::unique_ptr<MApp> app = kes::bench::StartGame(320, 240);
    if (!app) state.SkipWithError("Init failed");
    return app;
}

// Plain SDL2_mixer opened as the engine opens it.
bool OpenMixer(benchmark::State& state)
{
    if (!TheFixture().ok) {
        state.SkipWithError("the sounds could not be made (sox, oggenc)");
        return false;
    }
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 || Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        state.SkipWithError(Mix_GetError());
        return false;
    }
    Mix_AllocateChannels(kEffects);
    return true;
}

void CloseMixer()
{
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void StopAllEvery32(benchmark::State& state, int n)
{
    if (n % kEffects != 0) return;
    state.PauseTiming();
    Mix_HaltChannel(-1);
    state.ResumeTiming();
}

void BM_EnginePlaySoundFromArchive(benchmark::State& state)
{
    std::unique_ptr<MApp> app = StartApp(state);
    if (!app) return;
    int n = 0;
    for (auto _ : state) {
        StopAllEvery32(state, n++);
        app->PlaySoundA("bench/effect.ogg");
    }
    Mix_HaltChannel(-1);
    app->Shutdown();
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_EnginePlaySoundFromArchive)->Unit(benchmark::kMicrosecond);

void BM_SdlMixerLoadAndPlay(benchmark::State& state)
{
    if (!OpenMixer(state)) return;
    const std::string path = TheFixture().Loose("effect.ogg");
    Mix_Chunk* chunks[kEffects] = {};
    int n = 0;
    for (auto _ : state) {
        StopAllEvery32(state, n);
        Mix_Chunk*& slot = chunks[n++ % kEffects];
        if (slot) Mix_FreeChunk(slot);
        slot = Mix_LoadWAV_RW(SDL_RWFromFile(path.c_str(), "rb"), 1);
        if (!slot || Mix_PlayChannel(-1, slot, 0) < 0) {
            state.SkipWithError(Mix_GetError());
            break;
        }
    }
    Mix_HaltChannel(-1);
    for (Mix_Chunk* c : chunks)
        if (c) Mix_FreeChunk(c);
    CloseMixer();
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_SdlMixerLoadAndPlay)->Unit(benchmark::kMicrosecond);

// CPU time of the whole process while the main thread sleeps `seconds`:
// what the mixing thread spent, as a share of one core.
double CpuShareWhileSleeping(double seconds)
{
    timespec a, b;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &a);
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &b);
    return (double(b.tv_sec - a.tv_sec) + double(b.tv_nsec - a.tv_nsec) * 1e-9) / seconds;
}

constexpr double kListen = 0.5; // seconds: all 32 one-second effects still play

void BM_EngineMixing32EffectsAndMusic(benchmark::State& state)
{
    std::unique_ptr<MApp> app = StartApp(state);
    if (!app) return;
    app->PlayMusic("bench/music.ogg");
    double share = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Mix_HaltChannel(-1);
        for (int i = 0; i < kEffects; ++i) app->PlaySoundA("bench/effect.ogg");
        state.ResumeTiming();
        share += CpuShareWhileSleeping(kListen);
    }
    state.counters["cpu_share"] = share / double(state.iterations());
    app->PlayMusic(nullptr);
    Mix_HaltChannel(-1);
    app->Shutdown();
}
BENCHMARK(BM_EngineMixing32EffectsAndMusic)->Iterations(4)->Unit(benchmark::kMillisecond);

void BM_SdlMixerMixing32EffectsAndMusic(benchmark::State& state)
{
    if (!OpenMixer(state)) return;
    Mix_Music* music = Mix_LoadMUS(TheFixture().Loose("music.ogg").c_str());
    Mix_Chunk* effect = Mix_LoadWAV(TheFixture().Loose("effect.ogg").c_str());
    if (!music || !effect) {
        state.SkipWithError(Mix_GetError());
        return;
    }
    Mix_PlayMusic(music, -1);
    double share = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Mix_HaltChannel(-1);
        for (int i = 0; i < kEffects; ++i) Mix_PlayChannel(-1, effect, 0);
        state.ResumeTiming();
        share += CpuShareWhileSleeping(kListen);
    }
    state.counters["cpu_share"] = share / double(state.iterations());
    Mix_HaltMusic();
    Mix_HaltChannel(-1);
    Mix_FreeMusic(music);
    Mix_FreeChunk(effect);
    CloseMixer();
}
BENCHMARK(BM_SdlMixerMixing32EffectsAndMusic)->Iterations(4)->Unit(benchmark::kMillisecond);

} // namespace
