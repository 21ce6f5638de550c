// MApp::LoadJPEG on a 1920 x 1080 4:2:0 photograph-like picture (quality
// 85, made by libjpeg-turbo), beside libjpeg-turbo decoding the same bytes
// to RGB565, in the same run.
//
// The engine's side is the whole load a game pays for: MFile::Load of a
// loose file, the headers, the texture made and locked, the scan compacted
// and decoded into it, the cache entry, and CloseImage giving it all back
// so that the next iteration decodes again. libjpeg-turbo is set up as a
// user after speed would set it up for the same output (RGB565, its fast
// integer inverse DCT, chroma replicated rather than interpolated), reads
// the bytes from memory and writes into a buffer allocated once.
//
// A third line shows the engine's decoder alone: the bytes from memory
// (copied first, as compaction rewrites them) into a buffer, no file and no
// texture; a fourth the same with the SSE2 block routines in place of the
// AVX2 ones.
#include <KesApp.h>
#include <KesD3D9.h>
#include <KesPlatform.h>

#include "KesJpeg.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <math.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// libjpeg's header needs FILE and size_t declared first.
#include <jpeglib.h>
#include <turbojpeg.h>

namespace {

const int kWidth = 1920;
const int kHeight = 1080;

uint8_t Clamp8(double v)
{
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Smooth gradients, a few shapes with sharp edges, fine texture and sensor
// noise: roughly what a photograph gives an encoder to do.
std::vector<uint8_t> Photo()
{
    std::vector<uint8_t> p(size_t(kWidth) * kHeight * 3);
    uint32_t s = 12345;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            s = s * 1664525u + 1013904223u;
            const int noise = int(s >> 24) % 13 - 6;
            const double gx = double(x) / kWidth, gy = double(y) / kHeight;
            const double texture = 14 * sin(x * 0.31) * cos(y * 0.23) + 8 * sin((x + 2 * y) * 0.9);
            const double dx = x - 1200.0, dy = y - 500.0;
            const bool disc = dx * dx + dy * dy < 300.0 * 300.0;
            const bool stripe = (x / 40 + y / 40) % 7 == 0;
            double r = 50 + 160 * gx + 30 * sin(gy * 9) + texture;
            double g = 80 + 110 * gy + 25 * sin(gx * 13 + gy * 4) + texture * 0.6;
            double b = 120 + 70 * sin((gx + gy) * 6) - texture;
            if (disc) r = r * 0.5 + 90, g *= 0.7, b = 210 + texture;
            if (stripe) r += 40, g += 40, b += 40;
            uint8_t* px = &p[(size_t(y) * kWidth + size_t(x)) * 3];
            px[0] = Clamp8(r + noise);
            px[1] = Clamp8(g + noise);
            px[2] = Clamp8(b + noise);
        }
    return p;
}

std::vector<uint8_t> EncodePhoto()
{
    const std::vector<uint8_t> rgb = Photo();
    tjhandle h = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    if (tjCompress2(h, rgb.data(), kWidth, 0, kHeight, TJPF_RGB, &out, &size, TJSAMP_420, 85, TJFLAG_ACCURATEDCT))
        abort();
    std::vector<uint8_t> bytes(out, out + size);
    tjFree(out);
    tjDestroy(h);
    return bytes;
}

// The application, its device and the file, made once for the process.
struct Fixture {
    kes::bench::ScratchFolder folder;
    kes::bench::BenchApp bench;
    MApp* app = bench.app;
    std::vector<uint8_t> jpeg;

    Fixture()
    {
        jpeg = EncodePhoto();
        std::ofstream("photo.jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
    }
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

void SetCounters(benchmark::State& state)
{
    state.SetLabel(std::to_string(TheFixture().jpeg.size() / 1024) + " KiB of JPEG");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(TheFixture().jpeg.size()));
    state.counters["Mpixel/s"] =
        benchmark::Counter(double(kWidth) * kHeight * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_KestoLoadJPEG(benchmark::State& state)
{
    MApp* app = TheFixture().app;
    for (auto _ : state) {
        MImage* img = app->LoadJPEG("photo.jpg");
        if (!img) {
            state.SkipWithError("LoadJPEG failed");
            break;
        }
        benchmark::DoNotOptimize(img);
        app->CloseImage(img);
    }
    SetCounters(state);
}
BENCHMARK(BM_KestoLoadJPEG)->Unit(benchmark::kMillisecond);

void BM_LibjpegTurboRGB565(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = TheFixture().jpeg;
    std::vector<uint8_t> out(size_t(kWidth) * kHeight * 2);
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error(&err); // valid input: the default handler never runs
    jpeg_create_decompress(&d);
    for (auto _ : state) {
        jpeg_mem_src(&d, jpeg.data(), jpeg.size());
        jpeg_read_header(&d, TRUE);
        d.out_color_space = JCS_RGB565;
        d.dct_method = JDCT_IFAST;
        d.do_fancy_upsampling = FALSE;
        d.dither_mode = JDITHER_NONE;
        jpeg_start_decompress(&d);
        while (d.output_scanline < d.output_height) {
            JSAMPROW row = out.data() + size_t(d.output_scanline) * size_t(kWidth) * 2;
            jpeg_read_scanlines(&d, &row, 1);
        }
        jpeg_finish_decompress(&d);
        benchmark::DoNotOptimize(out.data());
    }
    jpeg_destroy_decompress(&d);
    SetCounters(state);
}
BENCHMARK(BM_LibjpegTurboRGB565)->Unit(benchmark::kMillisecond);

void DecoderOnly(benchmark::State& state)
{
    const std::vector<uint8_t>& jpeg = TheFixture().jpeg;
    std::vector<uint8_t> work(jpeg.size());
    std::vector<uint8_t> out(size_t(kWidth) * kHeight * 2);
    for (auto _ : state) {
        memcpy(work.data(), jpeg.data(), jpeg.size());
        JpegInitTables();
        JpegResetState();
        size_t scan = 0;
        JpegLayout layout;
        if (!JpegReadMarkers(work.data(), work.size(), &scan) ||
            !JpegChooseLayout(g_jpeg.width, g_jpeg.height, &layout)) {
            state.SkipWithError("headers refused");
            break;
        }
        const size_t n = JpegCompactScan(work.data() + scan, work.size() - scan);
        JpegDecodeScan(work.data() + scan, n, layout, out.data(), kWidth * 2);
        JpegFreeTables();
        benchmark::DoNotOptimize(out.data());
    }
    SetCounters(state);
}

void BM_KestoDecoderOnly(benchmark::State& state)
{
    DecoderOnly(state);
}
BENCHMARK(BM_KestoDecoderOnly)->Unit(benchmark::kMillisecond);

// The same with the SSE2 block routines, which processors without AVX2 run
// (the portable ones where there is no SSE2 either).
void BM_KestoDecoderOnlySse2(benchmark::State& state)
{
    JpegSelectRoutines(JpegSse2Routines());
    DecoderOnly(state);
    JpegSelectRoutines(JpegSimdRoutines());
}
BENCHMARK(BM_KestoDecoderOnlySse2)->Unit(benchmark::kMillisecond);

} // namespace
