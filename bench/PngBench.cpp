// MApp::LoadPNG on a 1920 x 1080 photograph-like RGBA picture written by
// libpng at its default compression, beside what a game would otherwise
// call on the same bytes, in the same run: stb_image, SDL_image, and the two
// decoders LoadPNG could be built on, libspng and libpng, each decoding to
// 8-bit red, green, blue, alpha bytes in memory.
//
// The engine's side is the whole load a game pays for: MFile::Load of a loose
// file, the header checks, the texture made, locked and filled in its own
// byte order, the cache entry, and CloseImage giving it all back so that the
// next iteration decodes again. The others are handed the bytes from memory
// (no file read) and write into buffers of their own.
#include <KesApp.h>

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <SDL_image.h>
#include <png.h>
#include <spng.h>

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <fstream>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#include <stb/stb_image.h>

namespace {

const int kWidth = 1920;
const int kHeight = 1080;
const char* const kName = "photo.png";

uint32_t Next(uint32_t* x)
{
    *x ^= *x << 13;
    *x ^= *x >> 17;
    *x ^= *x << 5;
    return *x;
}

// A photograph-like picture: smooth gradients in every channel, soft
// shading, a little noise, and alpha that fades across, as a cut-out
// picture with a soft edge has. Red, green, blue, alpha bytes.
std::vector<unsigned char> Photo()
{
    std::vector<unsigned char> p(size_t(kWidth) * kHeight * 4);
    uint32_t s = 1;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t n = Next(&s);
            const int shade = ((x - 960) * (x - 960) + (y - 540) * (y - 540)) / 9000;
            unsigned char* q = &p[(size_t(y) * kWidth + size_t(x)) * 4];
            const int r = x * 200 / kWidth + 30 - shade + int(n & 7);
            const int g = y * 180 / kHeight + 40 - shade + int(n >> 3 & 7);
            const int b = (x + y) * 120 / (kWidth + kHeight) + 90 - shade / 2 + int(n >> 6 & 7);
            q[0] = (unsigned char)(r < 0 ? 0 : r);
            q[1] = (unsigned char)(g < 0 ? 0 : g);
            q[2] = (unsigned char)(b < 0 ? 0 : b);
            q[3] = (unsigned char)(x < 64 ? x * 4 : 255);
        }
    return p;
}

void Append(png_structp png, png_bytep data, png_size_t n)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), n);
}

void Flush(png_structp) {}

// The picture as libpng writes it by default.
std::string Encode(const std::vector<unsigned char>& rgba)
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) abort();
    png_set_write_fn(png, &out, Append, Flush);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y) png_write_row(png, &rgba[size_t(y) * kWidth * 4]);
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// The application, its device and the file, made once for the process.
struct Fixture {
    kes::bench::ScratchFolder folder;
    kes::bench::BenchApp bench;
    MApp* app = bench.app;
    std::vector<unsigned char> rgba = Photo();
    std::string png = Encode(rgba);

    Fixture() { std::ofstream(kName, std::ios::binary) << png; }
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

void Count(benchmark::State& state)
{
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(TheFixture().png.size()));
    state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}

// Each side must make the picture that was written, or the race means nothing.
bool SameAsWritten(const unsigned char* rgba, size_t pitch, bool argbWords)
{
    const std::vector<unsigned char>& want = TheFixture().rgba;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const unsigned char* w = &want[(size_t(y) * kWidth + size_t(x)) * 4];
            const unsigned char* g = rgba + size_t(y) * pitch + size_t(x) * 4;
            const bool same = argbWords ? g[0] == w[2] && g[1] == w[1] && g[2] == w[0] && g[3] == w[3]
                                        : memcmp(g, w, 4) == 0;
            if (!same) return false;
        }
    return true;
}

void BM_LoadPNG(benchmark::State& state)
{
    MApp* app = TheFixture().app;
    MImage* check = app->LoadPNG(kName);
    unsigned char* bits = nullptr;
    int pitch = 0;
    const bool same = check && check->Lock(&bits, &pitch) && SameAsWritten(bits, size_t(pitch), true);
    if (bits) check->Unlock();
    if (check) app->CloseImage(check);
    if (!same) {
        state.SkipWithError("LoadPNG does not give the picture written");
        return;
    }
    for (auto _ : state) {
        MImage* img = app->LoadPNG(kName);
        if (!img) {
            state.SkipWithError("load failed");
            break;
        }
        benchmark::DoNotOptimize(img);
        app->CloseImage(img);
    }
    Count(state);
}

void BM_StbImage(benchmark::State& state)
{
    const std::string& png = TheFixture().png;
    const auto decode = [&png] {
        int w = 0, h = 0, channels = 0;
        stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(png.data()), int(png.size()), &w,
                                                &h, &channels, 4);
        return pixels && w == kWidth && h == kHeight ? pixels : nullptr;
    };
    stbi_uc* check = decode();
    const bool same = check && SameAsWritten(check, size_t(kWidth) * 4, false);
    stbi_image_free(check);
    if (!same) {
        state.SkipWithError("stb_image does not give the picture written");
        return;
    }
    for (auto _ : state) {
        stbi_uc* pixels = decode();
        if (!pixels) {
            state.SkipWithError("stb_image failed");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    Count(state);
}

void BM_SdlImage(benchmark::State& state)
{
    const std::string& png = TheFixture().png;
    IMG_Init(IMG_INIT_PNG);
    for (auto _ : state) {
        SDL_Surface* s = IMG_Load_RW(SDL_RWFromConstMem(png.data(), int(png.size())), 1);
        if (!s || s->w != kWidth || s->h != kHeight) {
            state.SkipWithError(IMG_GetError());
            break;
        }
        benchmark::DoNotOptimize(s->pixels);
        SDL_FreeSurface(s);
    }
    Count(state);
}

void BM_Libspng(benchmark::State& state)
{
    const std::string& png = TheFixture().png;
    std::vector<unsigned char> out(size_t(kWidth) * kHeight * 4);
    for (auto _ : state) {
        spng_ctx* ctx = spng_ctx_new(0);
        spng_set_png_buffer(ctx, png.data(), png.size());
        const int err = spng_decode_image(ctx, out.data(), out.size(), SPNG_FMT_RGBA8, SPNG_DECODE_TRNS);
        spng_ctx_free(ctx);
        if (err) {
            state.SkipWithError(spng_strerror(err));
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    if (!SameAsWritten(out.data(), size_t(kWidth) * 4, false)) state.SkipWithError("libspng differs");
    Count(state);
}

struct Reader {
    const std::string* png;
    size_t at;
};

void ReadBytes(png_structp png, png_bytep data, png_size_t n)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (n > r->png->size() - r->at) png_error(png, "read past the end");
    memcpy(data, r->png->data() + r->at, n);
    r->at += n;
}

// libpng with the transforms that make any PNG 8-bit RGBA, as a loader needs.
bool LibpngDecode(const std::string& bytes, unsigned char* out)
{
    Reader r = {&bytes, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &r, ReadBytes);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const size_t stride = size_t(png_get_image_width(png, info)) * 4;
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, out + stride * y, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

void BM_Libpng(benchmark::State& state)
{
    const std::string& png = TheFixture().png;
    std::vector<unsigned char> out(size_t(kWidth) * kHeight * 4);
    for (auto _ : state) {
        if (!LibpngDecode(png, out.data())) {
            state.SkipWithError("libpng failed");
            break;
        }
        benchmark::DoNotOptimize(out.data());
    }
    if (!SameAsWritten(out.data(), size_t(kWidth) * 4, false)) state.SkipWithError("libpng differs");
    Count(state);
}

} // namespace

BENCHMARK(BM_LoadPNG)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StbImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SdlImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libspng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libpng)->Unit(benchmark::kMillisecond);
