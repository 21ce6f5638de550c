// Sprites per second as a game draws them — recorded by the render object
// (what MApp::DrawImage hands on; the benchmark holds one render object per
// device, where a game has one MApp), replayed at the frame's end, presented — on the
// OpenGL device and on the software device, beside SDL2's OpenGL renderer
// and SFML's vertex arrays (GpuSpritePeers.cpp) on the same GL, in the same
// run. N sprites of 64 x 64 a frame into 800 x 600: plain, tinted at a
// blend level, faded, hue-turned, or drawn at twice the size (filtered).
//
// Every frame is finished (glFinish) before the next begins. "Time" and
// items_per_second (sprites a second) are wall time; "CPU" is the whole
// process's: recording, submitting and the GL rasterizer's own threads, the
// work a frame costs, which other programs on a busy machine disturb far
// less than the wall time. The counter record_us is the recording alone.
// scripts/bench.sh runs this under Xvfb when there is no display, so that
// every renderer draws through the same X server and Mesa's GL.
#include "BenchSupport.h"
#include "DeviceWindow.h"
#include "GlFinish.h"
#include "SpriteField.h"

#include <KesApp.h>
#include <KesD3D9.h>
#include <KesPlatform.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>

namespace {

using kes::bench::kFieldHeight;
using kes::bench::kFieldWidth;
using kes::bench::kSpriteSize;

// How the sprites of a frame are drawn: MApp::DrawImage's arguments.
struct Look {
    int blend;
    DWORD colour;
    float alpha = 1.0f;
    float scale = 1.0f;
};

// A render object drawing on one device into its own window, with the
// sprite as an image of it.
struct EngineScene {
    HWND window = nullptr;
    MRender* render = nullptr;
    MImage* sprite = nullptr;
    std::vector<kes::bench::SpritePlace> places = kes::bench::SpritePlaces(10000);
    std::string device;

    explicit EngineScene(const char* name)
    {
        window = kes::support::MakeDeviceWindow(kFieldWidth, kFieldHeight, name);
        if (!window) return;
        render = new MRender;
        if (!render->CreateDevice(window, 0, kFieldWidth, kFieldHeight, 1)) return;
        device = KesPlatformDeviceName(render->m_pDevice);
        sprite = render->CreateTextureImage(kSpriteSize, kSpriteSize, KES_FMT_A8R8G8B8);
        unsigned char* bits = nullptr;
        int pitch = 0;
        if (!sprite->Lock(&bits, &pitch)) return;
        const std::vector<uint32_t> pixels = kes::bench::SpritePixels();
        for (int y = 0; y < kSpriteSize; ++y)
            memcpy(bits + y * pitch, &pixels[size_t(y) * kSpriteSize], kSpriteSize * 4);
        sprite->Unlock();
    }

    bool Ready(const char* name) const { return sprite && device == name; }

    // One frame: record n sprites, then what the main loop does at a frame's end.
    double Frame(int n, const Look& look)
    {
        RECTF whole = {0, 0, 1, 1};
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < n; ++i)
            render->AddImage(sprite, float(places[size_t(i)].x), float(places[size_t(i)].y), whole, look.blend,
                             look.colour, look.alpha, look.scale, look.scale);
        const std::chrono::duration<double, std::micro> recorded = std::chrono::steady_clock::now() - start;
        if (render->BeginFrame()) {
            render->ClearFrame();
            render->DrawBatch();
            render->EndFrame();
        }
        kes::bench::FinishGl(); // the device's context is current after its present
        return recorded.count();
    }
};

// One scene per device for the whole run, left to the process's end.
EngineScene& Scene(const char* device)
{
    static EngineScene* opengl = nullptr;
    static EngineScene* software = nullptr;
    EngineScene*& scene = strcmp(device, "opengl") == 0 ? opengl : software;
    if (!scene) scene = new EngineScene(device);
    return *scene;
}

void EngineSprites(benchmark::State& state, const char* device, const Look& look)
{
    EngineScene& scene = Scene(device);
    if (!scene.Ready(device)) return state.SkipWithError("the device cannot be made here");
    const int n = int(state.range(0));
    scene.Frame(n, look); // the first frame makes the driver's objects
    double recording = 0;
    for (auto _ : state) recording += scene.Frame(n, look);
    state.SetItemsProcessed(int64_t(state.iterations()) * n);
    state.counters["record_us"] = benchmark::Counter(recording, benchmark::Counter::kAvgIterations);
}

// The blend levels and colours of MApp::DrawImage: plain is level 14 without
// colour; tint keeps the hue byte neutral (128) and darkens (level 10);
// alpha fades plain sprites to half; hue turns every pixel's hue (byte 160)
// at level 14; scaled draws plain sprites at twice their size, which the
// engine filters linearly.
constexpr int kPlain = BLEND_NORMAL, kTintLevel = 10;
constexpr Look kPlainLook{kPlain, 0};
constexpr Look kTintLook{kTintLevel, 0x80C0A060};
constexpr Look kAlphaLook{kPlain, 0, 0.5f};
constexpr Look kHueLook{kPlain, 0xA0808080};
constexpr Look kScaledLook{kPlain, 0, 1.0f, 2.0f};

#define KESTO_ENGINE_SPRITES(kind, look)                      \
    void BM_OpenGLDevice_##kind(benchmark::State& s)          \
    {                                                         \
        EngineSprites(s, "opengl", look);                     \
    }                                                         \
    void BM_SoftwareDevice_##kind(benchmark::State& s)        \
    {                                                         \
        EngineSprites(s, "software", look);                   \
    }
KESTO_ENGINE_SPRITES(Plain, kPlainLook)
KESTO_ENGINE_SPRITES(Tint, kTintLook)
KESTO_ENGINE_SPRITES(Alpha, kAlphaLook)
KESTO_ENGINE_SPRITES(Hue, kHueLook)
KESTO_ENGINE_SPRITES(Scaled, kScaledLook)

// Reading the whole back buffer after a frame of 1000 sprites, as a
// screenshot does: the frame, then the back buffer locked and copied out.
void EngineReadBack(benchmark::State& state, const char* device)
{
    EngineScene& scene = Scene(device);
    if (!scene.Ready(device)) return state.SkipWithError("the device cannot be made here");
    std::vector<uint32_t> copy(size_t(kFieldWidth) * kFieldHeight);
    IDirect3DDevice9* d = scene.render->m_pDevice;
    for (auto _ : state) {
        scene.Frame(1000, kPlainLook);
        IDirect3DSurface9* back = nullptr;
        D3DLOCKED_RECT rect;
        if (FAILED(d->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) ||
            FAILED(back->LockRect(&rect, nullptr, D3DLOCK_READONLY)))
            return state.SkipWithError("no back buffer");
        for (int y = 0; y < kFieldHeight; ++y)
            memcpy(&copy[size_t(y) * kFieldWidth], static_cast<const uint8_t*>(rect.pBits) + y * rect.Pitch,
                kFieldWidth * 4);
        back->UnlockRect();
        back->Release();
        benchmark::DoNotOptimize(copy.data());
    }
}

void BM_OpenGLDevice_FrameAndReadBack(benchmark::State& s)
{
    EngineReadBack(s, "opengl");
}
void BM_SoftwareDevice_FrameAndReadBack(benchmark::State& s)
{
    EngineReadBack(s, "software");
}

} // namespace

#define KESTO_SPRITE_COUNTS \
    ->Arg(100)->Arg(1000)->Arg(10000)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMicrosecond)
BENCHMARK(BM_OpenGLDevice_Plain) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_SoftwareDevice_Plain) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_OpenGLDevice_Tint) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_SoftwareDevice_Tint) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_OpenGLDevice_Alpha) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_SoftwareDevice_Alpha) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_OpenGLDevice_Hue) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_SoftwareDevice_Hue) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_OpenGLDevice_Scaled) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_SoftwareDevice_Scaled) KESTO_SPRITE_COUNTS;
BENCHMARK(BM_OpenGLDevice_FrameAndReadBack)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SoftwareDevice_FrameAndReadBack)->UseRealTime()->Unit(benchmark::kMicrosecond);
