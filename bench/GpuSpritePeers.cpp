// What a developer would pick instead of the engine to draw sprites on the
// GPU, drawing the frames of GpuSpriteBench.cpp: SDL2's OpenGL renderer
// (one SDL_RenderCopy a sprite; SDL batches them) and SFML 2.5 (a
// sf::VertexArray of quads filled every frame, one draw). Both present
// every frame with the retrace wait off, and finish it, as the devices do. The
// tint is their colour modulation; neither has the hue effect.
#include "GlFinish.h"
#include "SpriteField.h"

#include <SDL.h>
#include <SFML/Graphics.hpp>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

using kes::bench::kFieldHeight;
using kes::bench::kFieldWidth;
using kes::bench::kSpriteSize;

constexpr int kMaxSprites = 10000;
// The engine's tint at blend level 10 darkens to about three quarters; the
// colour SDL and SFML multiply by.
constexpr Uint8 kTintR = 0xC0, kTintG = 0xA0, kTintB = 0x60;

struct SdlGlScene {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    std::vector<SDL_Rect> rects;
    bool ok = false;

    SdlGlScene()
    {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
        SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
        window =
            SDL_CreateWindow("SDL2 sprites", 0, 0, kFieldWidth, kFieldHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
        SDL_RendererInfo info;
        if (!renderer || SDL_GetRendererInfo(renderer, &info) != 0 || SDL_strcmp(info.name, "opengl") != 0) return;
        texture =
            SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSpriteSize, kSpriteSize);
        if (!texture) return;
        const std::vector<uint32_t> pixels = kes::bench::SpritePixels();
        SDL_UpdateTexture(texture, nullptr, pixels.data(), kSpriteSize * 4);
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        for (const kes::bench::SpritePlace& p : kes::bench::SpritePlaces(kMaxSprites))
            rects.push_back(SDL_Rect{p.x, p.y, kSpriteSize, kSpriteSize});
        ok = true;
    }

    void Frame(int n)
    {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        for (int i = 0; i < n; ++i) SDL_RenderCopy(renderer, texture, nullptr, &rects[size_t(i)]);
        SDL_RenderPresent(renderer);
        kes::bench::FinishGl();
    }
};

SdlGlScene* SdlGl()
{
    static SdlGlScene* scene = new SdlGlScene; // for the whole run
    return scene;
}

void SdlGlSprites(benchmark::State& state, bool tint)
{
    SdlGlScene* scene = SdlGl();
    if (!scene->ok) return state.SkipWithError("no SDL2 OpenGL renderer here");
    const int n = int(state.range(0));
    if (tint)
        SDL_SetTextureColorMod(scene->texture, kTintR, kTintG, kTintB);
    else
        SDL_SetTextureColorMod(scene->texture, 255, 255, 255);
    scene->Frame(n);
    for (auto _ : state) scene->Frame(n);
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

void BM_Sdl2OpenGL_Plain(benchmark::State& s)
{
    SdlGlSprites(s, false);
}
void BM_Sdl2OpenGL_Tint(benchmark::State& s)
{
    SdlGlSprites(s, true);
}

struct SfmlScene {
    std::unique_ptr<sf::RenderWindow> window;
    sf::Texture texture;
    sf::VertexArray quads{sf::Quads};
    std::vector<kes::bench::SpritePlace> places = kes::bench::SpritePlaces(kMaxSprites);
    bool ok = false;

    SfmlScene()
    {
        // SFML 2.5 makes its GL contexts through GLX only.
        const char* display = getenv("DISPLAY");
        if (!display || !*display) return;
        window = std::make_unique<sf::RenderWindow>(
            sf::VideoMode(kFieldWidth, kFieldHeight), "SFML sprites", sf::Style::None);
        window->setVisible(false);
        window->setVerticalSyncEnabled(false);
        sf::Image image;
        image.create(kSpriteSize, kSpriteSize, kes::bench::SpriteRgbaBytes().data());
        ok = texture.loadFromImage(image);
        Leave();
    }

    // SFML and SDL each remember which context they made current, and
    // neither sees the other switch: SFML's context is let go after each of
    // its frames, and SDL told that none is current, so that each makes its
    // own current again (the engine's device does so through SDL).
    void Leave()
    {
        window->setActive(false);
        SDL_GL_MakeCurrent(nullptr, nullptr);
    }

    // A game's sprites move: the array is filled again every frame.
    void Frame(int n, sf::Color colour)
    {
        quads.resize(size_t(n) * 4);
        const float s = float(kSpriteSize);
        for (int i = 0; i < n; ++i) {
            const float x = float(places[size_t(i)].x), y = float(places[size_t(i)].y);
            sf::Vertex* q = &quads[size_t(i) * 4];
            q[0] = sf::Vertex({x, y}, colour, {0, 0});
            q[1] = sf::Vertex({x + s, y}, colour, {s, 0});
            q[2] = sf::Vertex({x + s, y + s}, colour, {s, s});
            q[3] = sf::Vertex({x, y + s}, colour, {0, s});
        }
        window->setActive(true);
        window->clear(sf::Color::Black);
        window->draw(quads, &texture);
        window->display();
        kes::bench::FinishGl();
        Leave();
    }
};

void SfmlSprites(benchmark::State& state, sf::Color colour)
{
    static SfmlScene* scene = new SfmlScene; // for the whole run
    if (!scene->ok) return state.SkipWithError("SFML needs an X display (run under Xvfb)");
    const int n = int(state.range(0));
    scene->Frame(n, colour);
    for (auto _ : state) scene->Frame(n, colour);
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

void BM_Sfml_Plain(benchmark::State& s)
{
    SfmlSprites(s, sf::Color::White);
}
void BM_Sfml_Tint(benchmark::State& s)
{
    SfmlSprites(s, sf::Color(kTintR, kTintG, kTintB));
}

// SDL's read-back of the whole frame, beside the devices' (a frame of 1000
// sprites, then SDL_RenderReadPixels before the present).
void BM_Sdl2OpenGL_FrameAndReadBack(benchmark::State& state)
{
    SdlGlScene* scene = SdlGl();
    if (!scene->ok) return state.SkipWithError("no SDL2 OpenGL renderer here");
    std::vector<uint32_t> copy(size_t(kFieldWidth) * kFieldHeight);
    SDL_SetTextureColorMod(scene->texture, 255, 255, 255);
    for (auto _ : state) {
        SDL_SetRenderDrawColor(scene->renderer, 0, 0, 0, 255);
        SDL_RenderClear(scene->renderer);
        for (int i = 0; i < 1000; ++i)
            SDL_RenderCopy(scene->renderer, scene->texture, nullptr, &scene->rects[size_t(i)]);
        SDL_RenderReadPixels(scene->renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, copy.data(), kFieldWidth * 4);
        SDL_RenderPresent(scene->renderer);
        kes::bench::FinishGl();
        benchmark::DoNotOptimize(copy.data());
    }
}

} // namespace

#define KESTO_SPRITE_COUNTS ->Arg(100)->Arg(1000)->Arg(10000)->UseRealTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_Sdl2OpenGL_Plain) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sfml_Plain) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sdl2OpenGL_Tint) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sfml_Tint) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sdl2OpenGL_FrameAndReadBack)->UseRealTime()->Unit(benchmark::kMicrosecond);
