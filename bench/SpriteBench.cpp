// Sprites and fill rate on the software Direct3D 9 device, beside SDL2's own
// software renderer and memcpy in the same run.
//
// A frame is what the engine's replay does: clear, then one DrawPrimitive
// per 64 x 64 sprite (a strip of four pre-transformed vertices with the
// half-texel offset), with the effect program's constants set through its
// constant table before each draw. SDL draws the same sprite at the same
// positions with SDL_RenderCopy, alpha blended, into an 800 x 600 ARGB8888
// surface. Items are sprites; "fps" is frames per second.
#include <KesPlatform.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <SDL.h>

#include "BenchSupport.h"
#include "DeviceWindow.h"
#include "SpriteField.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int kScreenW = kes::bench::kFieldWidth, kScreenH = kes::bench::kFieldHeight;
constexpr int kSprite = kes::bench::kSpriteSize;
constexpr int kMaxSprites = 4000;

// The effect program as the engine hands it to D3DXCompileShader (the
// platform recognises it by its declarations and helper functions).
const char* const kEffectProgram = "int g_function = 0;\tint g_blend = 8;\tfloat g_alpha = 1.0;\tfloat4 g_color;\t"
                                   "sampler TexSampler : register(s0);\t"
                                   "float4 shifthub(float4 c, float val) { return c; }\t"
                                   "float4 renderimg_shifthub(float4 c) { return shifthub(c, g_color.a); }\t"
                                   "float4 renderimg_blend(float4 c) { return c; }\t"
                                   "float4 main(float2 uv : TEXCOORD0) : COLOR { return tex2D(TexSampler, uv); }";

struct Vertex {
    float x, y, z, rhw, u, v;
};

std::vector<SDL_Rect> Positions()
{
    std::vector<SDL_Rect> out;
    for (const kes::bench::SpritePlace& p : kes::bench::SpritePlaces(kMaxSprites))
        out.push_back(SDL_Rect{p.x, p.y, kSprite, kSprite});
    return out;
}

// The software device with the engine's states, its effect shader, one
// sprite texture, and vertex buffers holding the sprites and a full-screen quad.
struct KestoScene {
    IDirect3DDevice9* device = nullptr;
    IDirect3DPixelShader9* shader = nullptr;
    ID3DXConstantTable* constants = nullptr;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DVertexBuffer9* sprites = nullptr;
    D3DXHANDLE hColor = nullptr, hFunction = nullptr, hAlpha = nullptr, hBlend = nullptr;
    bool ok = false;

    KestoScene()
    {
        HWND window = kes::bench::MakeBenchWindow(kScreenW, kScreenH);
        device = kes::support::MakeDevice(window, kes::support::WindowedParams(window, kScreenW, kScreenH));
        if (device) Build();
    }

    void Build()
    {

        ID3DXBuffer* code = nullptr;
        if (D3DXCompileShader(kEffectProgram, UINT(strlen(kEffectProgram)), nullptr, nullptr, "main", "ps_3_0", 0x800,
                              &code, nullptr, &constants) != D3D_OK ||
            device->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &shader) != D3D_OK)
            return;
        code->Release();
        hColor = constants->GetConstantByName(nullptr, "g_color");
        hFunction = constants->GetConstantByName(nullptr, "g_function");
        hAlpha = constants->GetConstantByName(nullptr, "g_alpha");
        hBlend = constants->GetConstantByName(nullptr, "g_blend");

        if (D3DXCreateTexture(device, kSprite, kSprite, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture) != D3D_OK)
            return;
        D3DLOCKED_RECT lr;
        texture->LockRect(0, &lr, nullptr, 0);
        const std::vector<uint32_t> pixels = kes::bench::SpritePixels();
        for (int y = 0; y < kSprite; ++y)
            memcpy(static_cast<uint8_t*>(lr.pBits) + y * lr.Pitch, &pixels[size_t(y) * kSprite], kSprite * 4);
        texture->UnlockRect(0);

        // Sprites, the same sprites at twice their size, one full-screen quad.
        const UINT bytes = (2 * kMaxSprites + 1) * 4 * sizeof(Vertex);
        if (device->CreateVertexBuffer(bytes, 0, D3DFVF_XYZRHW | D3DFVF_TEX1, D3DPOOL_DEFAULT, &sprites, nullptr) !=
            D3D_OK)
            return;
        Vertex* v = nullptr;
        sprites->Lock(0, bytes, reinterpret_cast<void**>(&v), 0);
        const float du = 0.5f / kSprite;
        for (int scale = 1; scale <= 2; ++scale)
            for (const SDL_Rect& r : Positions()) {
                const float l = float(r.x), t = float(r.y), rr = l + kSprite * scale, b = t + kSprite * scale;
                *v++ = Vertex{l, t, 0, 1, du, du};
                *v++ = Vertex{rr, t, 0, 1, 1 + du, du};
                *v++ = Vertex{l, b, 0, 1, du, 1 + du};
                *v++ = Vertex{rr, b, 0, 1, 1 + du, 1 + du};
            }
        *v++ = Vertex{0, 0, 0, 1, 0, 0};
        *v++ = Vertex{kScreenW, 0, 0, 1, 0, 0};
        *v++ = Vertex{0, kScreenH, 0, 1, 0, 0};
        *v++ = Vertex{kScreenW, kScreenH, 0, 1, 0, 0};
        sprites->Unlock();

        // The render object's ApplyStates.
        device->SetStreamSource(0, sprites, 0, sizeof(Vertex));
        device->SetFVF(D3DFVF_XYZRHW | D3DFVF_TEX1);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
        device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
        device->SetPixelShader(shader); // bound, not held: the scene keeps it
        ok = true;
    }

    // The constants the replay sets before each draw, in its order.
    void SetConstants(int function, int blend, float alpha, const float color[4])
    {
        constants->SetFloatArray(device, hColor, color, 4);
        constants->SetInt(device, hFunction, function);
        constants->SetFloat(device, hAlpha, alpha);
        constants->SetInt(device, hBlend, blend);
    }
};

KestoScene& Kesto()
{
    // Made once for the whole run and left to the process's end: the
    // benchmarks share it.
    static KestoScene* scene = new KestoScene;
    return *scene;
}

struct SdlScene {
    SDL_Surface* target = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    std::vector<SDL_Rect> positions = Positions();
    bool ok = false;

    SdlScene()
    {
        target = SDL_CreateRGBSurfaceWithFormat(0, kScreenW, kScreenH, 32, SDL_PIXELFORMAT_ARGB8888);
        renderer = target ? SDL_CreateSoftwareRenderer(target) : nullptr;
        if (!renderer) return;
        texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STATIC, kSprite, kSprite);
        if (!texture) return;
        const std::vector<uint32_t> pixels = kes::bench::SpritePixels();
        SDL_UpdateTexture(texture, nullptr, pixels.data(), kSprite * 4);
        SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
        ok = true;
    }
};

SdlScene& Sdl()
{
    static SdlScene* scene = new SdlScene;
    return *scene;
}

// Colour bytes as the engine passes them to the program: (byte − 1) / 254.
void EngineColour(uint32_t argb, float out[4])
{
    out[0] = float(int((argb >> 16) & 255) - 1) / 254.0f;
    out[1] = float(int((argb >> 8) & 255) - 1) / 254.0f;
    out[2] = float(int(argb & 255) - 1) / 254.0f;
    out[3] = float(int(argb >> 24) - 1) / 254.0f;
}

void Frames(benchmark::State& state, int sprites)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * sprites);
    state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void KestoSprites(benchmark::State& state, int function, int blend, float alpha, uint32_t colour, int scale = 1)
{
    KestoScene& k = Kesto();
    if (!k.ok) return state.SkipWithError("no software device");
    const int n = int(state.range(0));
    float color[4] = {0, 0, 0, 0};
    if (colour) EngineColour(colour, color);
    k.device->SetTexture(0, k.texture);
    // The engine magnifies linearly what it scales on both axes.
    k.device->SetSamplerState(0, D3DSAMP_MAGFILTER, scale == 1 ? D3DTEXF_POINT : D3DTEXF_LINEAR);
    const UINT first = scale == 1 ? 0 : kMaxSprites * 4;
    for (auto _ : state) {
        k.device->BeginScene();
        k.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        for (int i = 0; i < n; ++i) {
            k.SetConstants(function, blend, alpha, color);
            k.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, first + UINT(i) * 4, 2);
        }
        k.device->EndScene();
    }
    Frames(state, n);
}

// Plain sprites: function 0, no fade.
void BM_KestoSpritesPlain(benchmark::State& state)
{
    KestoSprites(state, 0, 14, 1.0f, 0);
}

// Tinted and darkened: function 3 with a neutral hue byte (128) and blend level 10.
void BM_KestoSpritesTintDarken(benchmark::State& state)
{
    KestoSprites(state, 3, 10, 1.0f, 0x80C0A060);
}

// Faded to half: function 0 with g_alpha 0.5.
void BM_KestoSpritesFaded(benchmark::State& state)
{
    KestoSprites(state, 0, 14, 0.5f, 0);
}

// Hue rotated (hue byte 160): the program runs for every pixel.
void BM_KestoSpritesHueRotate(benchmark::State& state)
{
    KestoSprites(state, 1, 14, 1.0f, 0xA0808080);
}

// Hue rotated with a tint and hue that no other draw of the run repeats, as
// when every sprite animates its colours: nothing made for one draw helps
// another.
void BM_KestoSpritesHueEveryDraw(benchmark::State& state)
{
    KestoScene& k = Kesto();
    if (!k.ok) return state.SkipWithError("no software device");
    const int n = int(state.range(0));
    k.device->SetTexture(0, k.texture);
    k.device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    uint32_t draw = 0;
    for (auto _ : state) {
        k.device->BeginScene();
        k.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        for (int i = 0; i < n; ++i, ++draw) {
            // 2^24 pairs of tint and hue bytes before one comes again.
            const uint32_t hue = 1 + draw % 254, tint = draw / 254;
            float color[4];
            EngineColour(hue << 24 | (0x80 + (tint & 63)) << 16 | (0x80 + ((tint >> 6) & 63)) << 8 |
                             (0x80 + ((tint >> 12) & 63)),
                         color);
            k.SetConstants(1, 14, 1.0f, color);
            k.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, UINT(i) * 4, 2);
        }
        k.device->EndScene();
    }
    Frames(state, n);
}

// Twice the size, filtered linearly.
void BM_KestoSpritesScaled(benchmark::State& state)
{
    KestoSprites(state, 0, 14, 1.0f, 0, 2);
}

void SdlSprites(benchmark::State& state, bool colourMod)
{
    SdlScene& s = Sdl();
    if (!s.ok) return state.SkipWithError(SDL_GetError());
    const int n = int(state.range(0));
    if (colourMod)
        SDL_SetTextureColorMod(s.texture, 0xC0, 0xA0, 0x60);
    else
        SDL_SetTextureColorMod(s.texture, 0xFF, 0xFF, 0xFF);
    for (auto _ : state) {
        SDL_SetRenderDrawColor(s.renderer, 0, 0, 0, 255);
        SDL_RenderClear(s.renderer);
        for (int i = 0; i < n; ++i) SDL_RenderCopy(s.renderer, s.texture, nullptr, &s.positions[size_t(i)]);
        SDL_RenderFlush(s.renderer); // the renderer batches; this runs the batch
    }
    Frames(state, n);
}

void BM_SdlSprites(benchmark::State& state)
{
    SdlSprites(state, false);
}

// SDL's nearest equivalent of a tint: a colour modulation.
void BM_SdlSpritesColourMod(benchmark::State& state)
{
    SdlSprites(state, true);
}

// ---- fill rate ---------------------------------------------------------------------

constexpr int64_t kFrameBytes = int64_t(kScreenW) * kScreenH * 4;

void BM_KestoClear(benchmark::State& state)
{
    KestoScene& k = Kesto();
    if (!k.ok) return state.SkipWithError("no software device");
    for (auto _ : state) {
        k.device->BeginScene();
        k.device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0);
        k.device->EndScene();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

// A full-screen rectangle in a flat colour (function 6), opaque or translucent.
void KestoFullScreen(benchmark::State& state, uint32_t argb)
{
    KestoScene& k = Kesto();
    if (!k.ok) return state.SkipWithError("no software device");
    const float color[4] = {float((argb >> 16) & 255) / 255.0f, float((argb >> 8) & 255) / 255.0f,
                            float(argb & 255) / 255.0f, float(argb >> 24) / 255.0f};
    k.device->SetTexture(0, nullptr);
    for (auto _ : state) {
        k.device->BeginScene();
        k.SetConstants(6, 0, 0.0f, color);
        k.device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2 * kMaxSprites * 4, 2);
        k.device->EndScene();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

void BM_KestoFullScreenQuadOpaque(benchmark::State& state)
{
    KestoFullScreen(state, 0xFF336699);
}

void BM_KestoFullScreenQuadTranslucent(benchmark::State& state)
{
    KestoFullScreen(state, 0x80336699);
}

void BM_Memcpy(benchmark::State& state)
{
    std::vector<uint8_t> from(size_t(kFrameBytes), 0x5A);
    std::vector<uint8_t> to(size_t(kFrameBytes), 0);
    for (auto _ : state) {
        memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kFrameBytes);
}

} // namespace

BENCHMARK(BM_KestoSpritesPlain)->Arg(100)->Arg(1000);
BENCHMARK(BM_SdlSprites)->Arg(100)->Arg(1000);
BENCHMARK(BM_KestoSpritesTintDarken)->Arg(100)->Arg(1000);
BENCHMARK(BM_SdlSpritesColourMod)->Arg(100)->Arg(1000);
BENCHMARK(BM_KestoSpritesFaded)->Arg(1000);
BENCHMARK(BM_KestoSpritesHueRotate)->Arg(100)->Arg(1000);
BENCHMARK(BM_KestoSpritesHueEveryDraw)->Arg(1000);
BENCHMARK(BM_KestoSpritesScaled)->Arg(100)->Arg(1000);
BENCHMARK(BM_KestoClear);
BENCHMARK(BM_KestoFullScreenQuadOpaque);
BENCHMARK(BM_KestoFullScreenQuadTranslucent);
BENCHMARK(BM_Memcpy);
