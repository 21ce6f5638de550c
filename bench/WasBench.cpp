// MApp::LoadWas of an 8-direction character (8 groups x 10 frames of
// 200 x 200), in decoded megapixels per second, beside memcpy of the same
// output size: the bandwidth any decoder writing 32-bit pixels is bound by.
// A third figure decodes the same rows into memory without textures, to
// tell the decoder's share from the texture store's, and a fourth does so
// with the plain one-opcode-at-a-time decoder.
#include <KesApp.h>
#include <KesD3D9.h>
#include <KesPlatform.h>
#include <KesWas.h>

#include "BenchSupport.h"
#include "WasEncoder.h"

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kGroups = 8, kFrames = 10, kSide = 200;
constexpr double kPixels = double(kGroups) * kFrames * kSide * kSide;

// One frame of a walking figure: a shaded body with a patterned coat,
// anti-aliased (partly transparent) edges, and transparent surroundings.
kes::was::Picture Figure(int group, int frame)
{
    kes::was::Picture p;
    p.width = p.height = kSide;
    p.keyX = kSide / 2;
    p.keyY = kSide - 10;
    std::mt19937 rng(unsigned(group * 100 + frame));
    const double sway = 12 * std::sin(frame * 0.6283 + group);
    const double cx = kSide / 2 + sway, cy = kSide / 2;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double dx = (x - cx) / 55.0, dy = (y - cy) / 90.0;
            const double d = std::sqrt(dx * dx + dy * dy);
            uint32_t a;
            if (d < 0.97)
                a = 255;
            else if (d < 1.05)
                a = uint32_t((1.05 - d) / 0.08 * 255);
            else
                a = 0;
            if (a == 0) {
                p.argb.push_back(0);
                continue;
            }
            // Flat coat in bands, shaded towards the edge, with a speckled
            // pattern where pixels vary one by one.
            const int band = (y / 24 + group) % 4;
            const double shade = 1.0 - 0.5 * d;
            uint32_t r = uint32_t((60 + 50 * band) * shade), g = uint32_t((40 + 30 * band) * shade),
                     b = uint32_t((90 + 20 * band) * shade);
            if (band == 2 && ((x + y) % 3 == 0 || rng() % 4 == 0)) r = std::min(255u, r + 40 + uint32_t(rng() % 40));
            p.argb.push_back(a << 24 | r << 16 | g << 8 | b);
        }
    return p;
}

// A scratch folder with the sprite, and an application with a device.
struct Fixture {
    kes::bench::ScratchFolder folder;
    std::string bytes;
    kes::bench::BenchApp bench;
    MApp* app = bench.app;

    Fixture()
    {
        std::vector<kes::was::Picture> pictures;
        for (int g = 0; g < kGroups; ++g)
            for (int f = 0; f < kFrames; ++f) pictures.push_back(Figure(g, f));
        std::vector<const kes::was::Picture*> slots;
        for (const kes::was::Picture& p : pictures) slots.push_back(&p);
        kes::was::EncodeSettings settings;
        settings.groups = kGroups;
        settings.frames = kFrames;
        settings.keyX = kSide / 2;
        settings.keyY = kSide - 10;
        std::string error;
        if (!kes::was::EncodeSprite(slots, settings, &bytes, &error)) abort();
        std::ofstream("hero.was", std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    }
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

void SetRates(benchmark::State& state)
{
    state.counters["MP/s"] = benchmark::Counter(kPixels * double(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
    state.SetBytesProcessed(int64_t(kPixels * 4) * int64_t(state.iterations()));
}

void BM_LoadWas(benchmark::State& state)
{
    Fixture& f = TheFixture();
    for (auto _ : state) {
        MImageVolume* v = f.app->LoadWas("hero.was");
        if (!v || !v->GetImage(kGroups - 1, kFrames - 1)) {
            state.SkipWithError("the sprite did not load");
            break;
        }
        // The last reference: the volume leaves the cache, so the next
        // iteration decodes again.
        f.app->CloseImageVolume(v);
    }
    SetRates(state);
}
BENCHMARK(BM_LoadWas)->Unit(benchmark::kMillisecond);

// The rows alone, into one reused buffer (no file read, no textures).
void DecodeRowsIntoMemory(benchmark::State& state, decltype(&kes::was::DecodeFrame) decode)
{
    using namespace kes::was;
    Fixture& f = TheFixture();
    const auto* data = reinterpret_cast<const unsigned char*>(f.bytes.data());
    const uint64_t size = f.bytes.size();
    Header header;
    if (ReadHeader(data, size, &header) != HeaderStatus::Ok) abort();
    unsigned short colours[kPaletteColours];
    ReadPalette(data, header, colours);
    MAPalette palette(kPaletteColours, colours);
    uint32_t argb[kPaletteColours];
    for (int i = 0; i < kPaletteColours; ++i) argb[i] = palette.GetColor(i);
    PixelTable table;
    MakePixelTable(argb, &table);
    std::vector<uint32_t> out(size_t(kSide) * kSide);
    for (auto _ : state) {
        for (int i = 0; i < kGroups * kFrames; ++i) {
            Frame frame;
            bool odd;
            if (ReadFrame(data, size, header, i, &frame) != FrameStatus::Ok ||
                !decode(data, size, frame, table, reinterpret_cast<unsigned char*>(out.data()),
                        size_t(frame.width) * 4, &odd, nullptr))
                abort();
            benchmark::DoNotOptimize(out.data());
        }
        benchmark::ClobberMemory();
    }
    SetRates(state);
}

void BM_DecodeRowsIntoMemory(benchmark::State& state)
{
    DecodeRowsIntoMemory(state, kes::was::DecodeFrame);
}
BENCHMARK(BM_DecodeRowsIntoMemory)->Unit(benchmark::kMillisecond);

// The same with the plain decoder (one opcode at a time, exact stores):
// what the wide stores and the opcode table gain.
void BM_DecodeRowsOneByOne(benchmark::State& state)
{
    DecodeRowsIntoMemory(state, kes::was::DecodeFrameOneByOne);
}
BENCHMARK(BM_DecodeRowsOneByOne)->Unit(benchmark::kMillisecond);

// memcpy of the same 80 frames of 200 x 200 32-bit pixels.
void BM_MemcpySameOutput(benchmark::State& state)
{
    const size_t frameBytes = size_t(kSide) * kSide * 4;
    std::vector<uint8_t> src(frameBytes * kGroups * kFrames, 0x5A), dst(src.size());
    for (auto _ : state) {
        memcpy(dst.data(), src.data(), src.size());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    SetRates(state);
}
BENCHMARK(BM_MemcpySameOutput)->Unit(benchmark::kMillisecond);

} // namespace
