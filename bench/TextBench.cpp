// A text image of a 40-character line at 16 px: MApp::LoadText (the A8
// coverage image that DrawTextImage tints) beside SDL2_ttf's
// TTF_RenderUTF8_Blended of the same text in the same font, the choice of
// a game written on SDL. Warm: both have every glyph of the line cached
// already. Cold: the font is opened and the line rendered for the first
// time (the engine's glyph cache lives as long as its font, so a new font
// name is a cold cache; SDL2_ttf's lives in its TTF_Font). The images are
// consumed by their release, which keeps the work from being optimised
// away. (DoNotOptimize on the pointer is avoided: with GCC's "+m,r"
// operand under the sanitizers it has handed back a clobbered pointer.)
#include <KesApp.h>

#include "BenchSupport.h"

#include <SDL_ttf.h>
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr int kSize = 16;

struct Line {
    const char* font;
    const char* ansi; // code page 936, as the engine takes it
    const char* utf8; // the same text for SDL2_ttf
};

const Line kLatin = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "The quick brown fox jumps over a lazy do",
    "The quick brown fox jumps over a lazy do",
};
// Twenty Chinese characters: 40 bytes in GBK.
const Line kChinese = {
    "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
    "\xCC\xEC\xB5\xD8\xD0\xFE\xBB\xC6\xD3\xEE\xD6\xE6\xBA\xE9\xBB\xC4\xC8\xD5\xD4\xC2"
    "\xD3\xAF\xEA\xBE\xB3\xBD\xCB\xDE\xC1\xD0\xD5\xC5\xBA\xAE\xC0\xB4\xCA\xEE\xCD\xF9",
    "\xE5\xA4\xA9\xE5\x9C\xB0\xE7\x8E\x84\xE9\xBB\x84\xE5\xAE\x87\xE5\xAE\x99\xE6\xB4"
    "\xAA\xE8\x8D\x92\xE6\x97\xA5\xE6\x9C\x88\xE7\x9B\x88\xE6\x98\x83\xE8\xBE\xB0\xE5"
    "\xAE\xBF\xE5\x88\x97\xE5\xBC\xA0\xE5\xAF\x92\xE6\x9D\xA5\xE6\x9A\x91\xE5\xBE\x80",
};

const Line& LineOf(const benchmark::State& state) { return state.range(0) ? kChinese : kLatin; }

std::unique_ptr<MApp> StartApp(benchmark::State& state)
{
    std::unique_ptr<MApp> app = kes::bench::StartGame(320, 240);
    if (!app) state.SkipWithError("Init failed");
    return app;
}

void BM_EngineTextWarm(benchmark::State& state)
{
    const Line& line = LineOf(state);
    std::unique_ptr<MApp> app = StartApp(state);
    if (!app) return;
    void* font = app->GetFont("bench", line.font, kSize, 0, 0);
    if (!font) {
        state.SkipWithError("font not opened");
        return;
    }
    MImage* first = app->LoadText(font, line.ansi, 0, 0, 0);
    if (!first) {
        state.SkipWithError("no text image");
        return;
    }
    state.counters["width"] = first->m_width;
    app->CloseImage(first);
    for (auto _ : state) {
        MImage* img = app->LoadText(font, line.ansi, 0, 0, 0);
        app->CloseImage(img);
    }
    app->Shutdown();
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_EngineTextWarm)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_SdlTtfBlendedWarm(benchmark::State& state)
{
    const Line& line = LineOf(state);
    if (TTF_Init() != 0) {
        state.SkipWithError(TTF_GetError());
        return;
    }
    TTF_Font* font = TTF_OpenFont(line.font, kSize);
    if (!font) {
        state.SkipWithError(TTF_GetError());
        return;
    }
    const SDL_Color white = {255, 255, 255, 255};
    SDL_Surface* first = TTF_RenderUTF8_Blended(font, line.utf8, white);
    if (!first) {
        state.SkipWithError(TTF_GetError());
        return;
    }
    state.counters["width"] = first->w;
    SDL_FreeSurface(first);
    for (auto _ : state) {
        SDL_Surface* s = TTF_RenderUTF8_Blended(font, line.utf8, white);
        SDL_FreeSurface(s);
    }
    TTF_CloseFont(font);
    TTF_Quit();
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_SdlTtfBlendedWarm)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Fonts stay open until the application object goes, so the cold runs are
// kept to a fixed number of fonts.
constexpr int kColdRuns = 300;

void BM_EngineTextCold(benchmark::State& state)
{
    const Line& line = LineOf(state);
    std::unique_ptr<MApp> app = StartApp(state);
    if (!app) return;
    int n = 0;
    for (auto _ : state) {
        const std::string name = "cold" + std::to_string(n++);
        void* font = app->GetFont(name.c_str(), line.font, kSize, 0, 0);
        MImage* img = app->LoadText(font, line.ansi, 0, 0, 0);
        app->CloseImage(img);
    }
    app->Shutdown();
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_EngineTextCold)->Arg(0)->Arg(1)->Iterations(kColdRuns)->Unit(benchmark::kMicrosecond);

void BM_SdlTtfBlendedCold(benchmark::State& state)
{
    const Line& line = LineOf(state);
    if (TTF_Init() != 0) {
        state.SkipWithError(TTF_GetError());
        return;
    }
    const SDL_Color white = {255, 255, 255, 255};
    for (auto _ : state) {
        TTF_Font* font = TTF_OpenFont(line.font, kSize);
        SDL_Surface* s = TTF_RenderUTF8_Blended(font, line.utf8, white);
        SDL_FreeSurface(s);
        TTF_CloseFont(font);
    }
    TTF_Quit();
    state.SetItemsProcessed(int64_t(state.iterations()));
}
BENCHMARK(BM_SdlTtfBlendedCold)->Arg(0)->Arg(1)->Iterations(kColdRuns)->Unit(benchmark::kMicrosecond);

} // namespace
