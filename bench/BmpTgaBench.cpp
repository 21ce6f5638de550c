// MApp::LoadBMP and MApp::LoadTGA on 1920 x 1080 pictures (24-bit BMP,
// 24-bit raw TGA, 32-bit run-length TGA), each beside stb_image decoding the
// same bytes into 4-byte pixels, in the same run.
//
// The engine's side is the whole load a game pays for: MFile::Load of a loose
// file, the header checks, the texture made, locked and filled, the cache
// entry, and CloseImage giving it all back so that the next iteration decodes
// again. stb_image is handed the bytes from memory (no file read) and writes
// into a buffer of its own; its implementation is compiled here with the
// same flags as the engine.
#include <KesApp.h>
#include <KesD3D9.h>
#include <KesFile.h>
#include <KesPlatform.h>

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#include <stb/stb_image.h>

namespace {

const int kWidth = 1920;
const int kHeight = 1080;

void Put16(std::string* s, uint32_t v)
{
    s->push_back(char(v & 0xFF));
    s->push_back(char(v >> 8));
}

void Put32(std::string* s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

void PutPixel(std::string* s, uint32_t argb, int bytes)
{
    s->push_back(char(argb & 0xFF));
    s->push_back(char((argb >> 8) & 0xFF));
    s->push_back(char((argb >> 16) & 0xFF));
    if (bytes == 4) s->push_back(char(argb >> 24));
}

uint32_t Next(uint32_t* x)
{
    *x ^= *x << 13;
    *x ^= *x >> 17;
    *x ^= *x << 5;
    return *x;
}

// A photograph-like picture: smooth gradients with a little noise; almost no
// two neighbours are equal, as in the pictures people keep uncompressed.
std::vector<uint32_t> Photo()
{
    std::vector<uint32_t> p(size_t(kWidth) * kHeight);
    uint32_t s = 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t n = Next(&s) & 7;
            p[size_t(y) * kWidth + x] = 0xFF000000u | ((x * 255 / kWidth + n) & 0xFF) << 16 |
                                        ((y * 255 / kHeight + n) & 0xFF) << 8 | ((x + y + n) & 0xFF);
        }
    return p;
}

// Game artwork with alpha: transparent margins and flat panels (long runs)
// around pixel art drawn from a small palette in stretches of one to six
// pixels, so that the packed data mixes long runs with short runs and short
// raw packets, as packed sprite sheets do.
std::vector<uint32_t> Artwork()
{
    static const uint32_t kInk[8] = {0xFF101820, 0xFF3A5F7F, 0xFFE0C090, 0xFF804020,
                                     0xC0FFFFFF, 0xFF20A040, 0x80000000, 0xFFF0F0F0};
    std::vector<uint32_t> p(size_t(kWidth) * kHeight);
    uint32_t s = 7, left = 0, ink = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int cell = (x / 240 + y / 135) % 4;
            uint32_t v;
            if (cell == 0) {
                v = 0; // transparent
            } else if (cell == 1) {
                v = 0xFF203040u + uint32_t(y / 135) * 0x00101010u; // flat panel
            } else {
                if (left == 0) {
                    const uint32_t r = Next(&s);
                    left = 1 + r % 6;
                    ink = kInk[(r >> 8) & 7];
                }
                --left;
                v = ink;
            }
            p[size_t(y) * kWidth + x] = v;
        }
    return p;
}

std::string Bmp24(const std::vector<uint32_t>& pixels)
{
    const uint32_t stride = (kWidth * 3 + 3) & ~3u;
    std::string s = "BM";
    Put32(&s, 54 + stride * kHeight);
    Put32(&s, 0);
    Put32(&s, 54);
    Put32(&s, 40);
    Put32(&s, kWidth);
    Put32(&s, kHeight);
    Put16(&s, 1);
    Put16(&s, 24);
    Put32(&s, 0);
    Put32(&s, stride * kHeight);
    Put32(&s, 2835);
    Put32(&s, 2835);
    Put32(&s, 0);
    Put32(&s, 0);
    for (int r = 0; r < kHeight; ++r) {
        const size_t start = s.size();
        for (int x = 0; x < kWidth; ++x) PutPixel(&s, pixels[size_t(kHeight - 1 - r) * kWidth + x], 3);
        s.append(stride - (s.size() - start), '\0');
    }
    return s;
}

std::string TgaHeader(int type, int depth)
{
    std::string s;
    s.push_back(0);
    s.push_back(0);
    s.push_back(char(type));
    s.append(9, '\0');
    Put16(&s, kWidth);
    Put16(&s, kHeight);
    s.push_back(char(depth));
    s.push_back(char(0x20 | (depth == 32 ? 8 : 0)));
    return s;
}

std::string TgaRaw24(const std::vector<uint32_t>& pixels)
{
    std::string s = TgaHeader(2, 24);
    for (uint32_t p : pixels) PutPixel(&s, p, 3);
    return s;
}

// Greedy packing as common writers do it: runs of two or more, raw packets
// between, packets crossing row ends.
std::string TgaRle32(const std::vector<uint32_t>& pixels, double* packets)
{
    std::string s = TgaHeader(10, 32);
    size_t i = 0, count = 0;
    while (i < pixels.size()) {
        size_t same = 1;
        while (i + same < pixels.size() && same < 128 && pixels[i + same] == pixels[i]) ++same;
        ++count;
        if (same >= 2) {
            s.push_back(char(0x80 | (same - 1)));
            PutPixel(&s, pixels[i], 4);
            i += same;
            continue;
        }
        size_t n = 0;
        while (i + n < pixels.size() && n < 128 && !(i + n + 1 < pixels.size() && pixels[i + n + 1] == pixels[i + n]))
            ++n;
        s.push_back(char(n - 1));
        for (size_t k = 0; k < n; ++k) PutPixel(&s, pixels[i + k], 4);
        i += n;
    }
    *packets = double(count);
    return s;
}

// The application, its device and the files, made once for the process.
struct Fixture {
    kes::bench::ScratchFolder folder;
    kes::bench::BenchApp bench;
    MApp* app = bench.app;
    std::string bmp24, tga24, tga32rle;
    double rlePackets = 0;

    Fixture()
    {
        const std::vector<uint32_t> photo = Photo();
        bmp24 = Bmp24(photo);
        tga24 = TgaRaw24(photo);
        tga32rle = TgaRle32(Artwork(), &rlePackets);
        std::ofstream("photo24.bmp", std::ios::binary) << bmp24;
        std::ofstream("photo24.tga", std::ios::binary) << tga24;
        std::ofstream("art32rle.tga", std::ios::binary) << tga32rle;

    }
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

enum Which { kBmp24, kTga24, kTga32Rle };

const char* FileName(Which w)
{
    return w == kBmp24 ? "photo24.bmp" : w == kTga24 ? "photo24.tga" : "art32rle.tga";
}

const std::string& FileBytes(Which w)
{
    const Fixture& f = TheFixture();
    return w == kBmp24 ? f.bmp24 : w == kTga24 ? f.tga24 : f.tga32rle;
}

// Both sides must make the same picture of the bytes, or the race means
// nothing: stb_image gives red, green, blue, alpha bytes and does not key
// 24-bit TGA pictures by their first pixel.
bool SamePicture(Which w, MImage* img)
{
    const std::string& bytes = FileBytes(w);
    int width = 0, height = 0, channels = 0;
    stbi_uc* ref = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), int(bytes.size()), &width,
                                         &height, &channels, 4);
    unsigned char* bits = nullptr;
    int pitch = 0;
    bool same = ref && width == img->m_width && height == img->m_height && img->Lock(&bits, &pitch);
    if (bits) {
        const uint32_t first = 0xFF000000u | uint32_t(ref[0]) << 16 | uint32_t(ref[1]) << 8 | ref[2];
        for (int y = 0; same && y < height; ++y)
            for (int x = 0; same && x < width; ++x) {
                const stbi_uc* q = ref + (size_t(y) * size_t(width) + size_t(x)) * 4;
                const uint32_t want = uint32_t(q[3]) << 24 | uint32_t(q[0]) << 16 | uint32_t(q[1]) << 8 | q[2];
                uint32_t got;
                memcpy(&got, bits + ptrdiff_t(y) * pitch + 4 * x, 4);
                same = got == want || (w == kTga24 && got == 0 && want == first);
            }
        img->Unlock();
    }
    stbi_image_free(ref);
    return same;
}

void BM_Engine(benchmark::State& state, Which which)
{
    MApp* app = TheFixture().app;
    const char* name = FileName(which);
    const bool tga = which != kBmp24;
    MImage* check = tga ? app->LoadTGA(name) : app->LoadBMP(name);
    if (!check || !SamePicture(which, check)) {
        state.SkipWithError("the engine and stb_image disagree");
        return;
    }
    app->CloseImage(check);
    for (auto _ : state) {
        MImage* img = tga ? app->LoadTGA(name) : app->LoadBMP(name);
        if (!img) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(img);
        app->CloseImage(img);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(FileBytes(which).size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
    if (which == kTga32Rle) state.counters["pixels_per_packet"] = double(kWidth) * kHeight / TheFixture().rlePackets;
}

void BM_StbImage(benchmark::State& state, Which which)
{
    const std::string& bytes = FileBytes(which);
    for (auto _ : state) {
        int w = 0, h = 0, channels = 0;
        stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()), int(bytes.size()),
                                                &w, &h, &channels, 4);
        if (!pixels || w != kWidth || h != kHeight) {
            state.SkipWithError("stb_image failed");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
    if (which == kTga32Rle) state.counters["pixels_per_packet"] = double(kWidth) * kHeight / TheFixture().rlePackets;
}

// The part of a load that is not decoding: MFile::Load of the 24-bit TGA and
// a texture of the picture's size made, locked, unlocked and released.
void BM_FileAndTextureOnly(benchmark::State& state)
{
    MApp* app = TheFixture().app;
    for (auto _ : state) {
        MFile file;
        if (!file.Load(FileName(kTga24), 0)) {
            state.SkipWithError("no file");
            break;
        }
        MImage* img = app->m_pRender->CreateTextureImage(kWidth, kHeight, KES_FMT_A8R8G8B8);
        unsigned char* bits = nullptr;
        int pitch = 0;
        if (img->Lock(&bits, &pitch)) img->Unlock();
        benchmark::DoNotOptimize(bits);
        img->Release();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}

} // namespace

// Each pair runs back to back so that its ratio holds on a busy machine.
BENCHMARK_CAPTURE(BM_Engine, LoadBMP_24Bit, kBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StbImage, Bmp24Bit, kBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Engine, LoadTGA_24BitRaw, kTga24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StbImage, Tga24BitRaw, kTga24)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Engine, LoadTGA_32BitRunLength, kTga32Rle)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_StbImage, Tga32BitRunLength, kTga32Rle)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FileAndTextureOnly)->Unit(benchmark::kMillisecond);
