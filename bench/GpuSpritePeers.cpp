// What a developer would pick instead of the engine to draw sprites on the
// GPU, drawing the frames of GpuSpriteBench.cpp: SDL2's OpenGL renderer
// (one SDL_RenderCopy a sprite; SDL batches them) and SFML 2.5 (a
// sf::VertexArray of quads filled every frame, one draw). Both present
// every frame with the retrace wait off, and finish it, as the devices do. The
// tint is their colour modulation, the fade their alpha modulation, the
// scaled sprites their linear filtering; neither has the hue effect, so a
// user of either turns the picture's hue once, beforehand, and draws that
// copy as a plain sprite.
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

// How the sprites of a frame are drawn, as each peer can say it.
struct PeerLook {
    Uint8 r = 255, g = 255, b = 255, a = 255;
    bool hueTurned = false; // the copy with its hue turned beforehand
    int scale = 1;          // drawn at this many times the size, filtered linearly
};
constexpr PeerLook kPlain{};
constexpr PeerLook kTint{kTintR, kTintG, kTintB};
constexpr PeerLook kAlpha{255, 255, 255, 128};
constexpr PeerLook kHue{255, 255, 255, 255, true};
constexpr PeerLook kScaled{255, 255, 255, 255, false, 2};

// The sprite turned by a third of the hue circle (red to green, green to
// blue, blue to red): a channel rotation, which is what the copy costs to
// draw that matters here, not its colours.
std::vector<uint32_t> HueTurnedPixels()
{
    std::vector<uint32_t> px = kes::bench::SpritePixels();
    for (uint32_t& p : px) p = (p & 0xFF000000u) | ((p >> 8) & 0xFFFFu) | ((p & 0xFFu) << 16);
    return px;
}

std::vector<uint8_t> RgbaBytes(const std::vector<uint32_t>& argb)
{
    std::vector<uint8_t> out;
    for (const uint32_t p : argb) out.insert(out.end(), {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24)});
    return out;
}

struct SdlGlScene {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    SDL_Texture* turned = nullptr; // the hue-turned copy
    std::vector<kes::bench::SpritePlace> places = kes::bench::SpritePlaces(kMaxSprites);
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
        texture = MakeTexture(kes::bench::SpritePixels());
        turned = MakeTexture(HueTurnedPixels());
        if (!texture || !turned) return;
        Place(1);
        ok = true;
    }

    SDL_Texture* MakeTexture(const std::vector<uint32_t>& pixels)
    {
        SDL_Texture* t =
            SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSpriteSize, kSpriteSize);
        if (!t) return nullptr;
        SDL_UpdateTexture(t, nullptr, pixels.data(), kSpriteSize * 4);
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
        return t;
    }

    // The sprites' rectangles at `scale` times the size.
    void Place(int scale)
    {
        rects.clear();
        for (const kes::bench::SpritePlace& p : places)
            rects.push_back(SDL_Rect{p.x, p.y, kSpriteSize * scale, kSpriteSize * scale});
    }

    // Sets the look on the texture it is drawn with, which it returns.
    SDL_Texture* Use(const PeerLook& look)
    {
        SDL_Texture* t = look.hueTurned ? turned : texture;
        SDL_SetTextureColorMod(t, look.r, look.g, look.b);
        SDL_SetTextureAlphaMod(t, look.a);
        // SDL's GL renderer sets a texture's filters on whichever GL context
        // is current, and the other renderers of this run have their own:
        // binding the texture through SDL makes the renderer's current first.
        // Without it, scaled sprites drawn after another renderer's case kept
        // the nearest filter of the case before, and did less work.
        SDL_GL_BindTexture(t, nullptr, nullptr);
        SDL_GL_UnbindTexture(t);
        SDL_SetTextureScaleMode(t, look.scale != 1 ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
        Place(look.scale);
        return t;
    }

    void Frame(int n, SDL_Texture* t)
    {
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
        SDL_RenderClear(renderer);
        for (int i = 0; i < n; ++i) SDL_RenderCopy(renderer, t, nullptr, &rects[size_t(i)]);
        SDL_RenderPresent(renderer);
        kes::bench::FinishGl();
    }
};

SdlGlScene* SdlGl()
{
    static SdlGlScene* scene = new SdlGlScene; // for the whole run
    return scene;
}

void SdlGlSprites(benchmark::State& state, const PeerLook& look)
{
    SdlGlScene* scene = SdlGl();
    if (!scene->ok) return state.SkipWithError("no SDL2 OpenGL renderer here");
    const int n = int(state.range(0));
    SDL_Texture* t = scene->Use(look);
    scene->Frame(n, t);
    for (auto _ : state) scene->Frame(n, t);
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

struct SfmlScene {
    std::unique_ptr<sf::RenderWindow> window;
    sf::Texture texture;
    sf::Texture turned; // the hue-turned copy
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
        sf::Image image, turnedImage;
        image.create(kSpriteSize, kSpriteSize, kes::bench::SpriteRgbaBytes().data());
        turnedImage.create(kSpriteSize, kSpriteSize, RgbaBytes(HueTurnedPixels()).data());
        ok = texture.loadFromImage(image) && turned.loadFromImage(turnedImage);
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
    void Frame(int n, const PeerLook& look)
    {
        const sf::Color colour(look.r, look.g, look.b, look.a);
        quads.resize(size_t(n) * 4);
        const float s = float(kSpriteSize), d = float(kSpriteSize * look.scale);
        for (int i = 0; i < n; ++i) {
            const float x = float(places[size_t(i)].x), y = float(places[size_t(i)].y);
            sf::Vertex* q = &quads[size_t(i) * 4];
            q[0] = sf::Vertex({x, y}, colour, {0, 0});
            q[1] = sf::Vertex({x + d, y}, colour, {s, 0});
            q[2] = sf::Vertex({x + d, y + d}, colour, {s, s});
            q[3] = sf::Vertex({x, y + d}, colour, {0, s});
        }
        window->setActive(true);
        sf::Texture& t = look.hueTurned ? turned : texture;
        t.setSmooth(look.scale != 1);
        window->clear(sf::Color::Black);
        window->draw(quads, &t);
        window->display();
        kes::bench::FinishGl();
        Leave();
    }
};

void SfmlSprites(benchmark::State& state, const PeerLook& look)
{
    static SfmlScene* scene = new SfmlScene; // for the whole run
    if (!scene->ok) return state.SkipWithError("SFML needs an X display (run under Xvfb)");
    const int n = int(state.range(0));
    scene->Frame(n, look);
    for (auto _ : state) scene->Frame(n, look);
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
}

#define KESTO_PEER_SPRITES(kind, look)                 \
    void BM_Sdl2OpenGL_##kind(benchmark::State& s)     \
    {                                                  \
        SdlGlSprites(s, look);                         \
    }                                                  \
    void BM_Sfml_##kind(benchmark::State& s)           \
    {                                                  \
        SfmlSprites(s, look);                          \
    }
KESTO_PEER_SPRITES(Plain, kPlain)
KESTO_PEER_SPRITES(Tint, kTint)
KESTO_PEER_SPRITES(Alpha, kAlpha)
KESTO_PEER_SPRITES(Hue, kHue)
KESTO_PEER_SPRITES(Scaled, kScaled)

// SDL's read-back of the whole frame, beside the devices' (a frame of 1000
// sprites, then SDL_RenderReadPixels before the present).
void BM_Sdl2OpenGL_FrameAndReadBack(benchmark::State& state)
{
    SdlGlScene* scene = SdlGl();
    if (!scene->ok) return state.SkipWithError("no SDL2 OpenGL renderer here");
    std::vector<uint32_t> copy(size_t(kFieldWidth) * kFieldHeight);
    scene->Use(kPlain);
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

#define KESTO_SPRITE_COUNTS \
    ->Arg(100)->Arg(1000)->Arg(10000)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_Sdl2OpenGL_Plain) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sfml_Plain) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sdl2OpenGL_Tint) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sfml_Tint) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sdl2OpenGL_Alpha) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sfml_Alpha) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sdl2OpenGL_Hue) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sfml_Hue) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sdl2OpenGL_Scaled) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sfml_Scaled) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_Sdl2OpenGL_FrameAndReadBack)->UseRealTime()->Unit(benchmark::kMicrosecond);
