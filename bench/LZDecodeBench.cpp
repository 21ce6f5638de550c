// LZDecode beside a direct call of liblzo2's checking decoder on the same
// 16 MB stream.
#include <KesLZ.h>

#include <benchmark/benchmark.h>
#include <lzo/lzo1x.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Stream {
    std::vector<unsigned char> original;
    std::vector<unsigned char> compressed;

    Stream()
    {
        if (lzo_init() != LZO_E_OK) abort();
        // Game-like data: repeated records with varying fields and some noise.
        const size_t n = 16u << 20;
        original.resize(n);
        unsigned x = 12345;
        for (size_t i = 0; i < n; ++i) {
            x = x * 1103515245u + 12345u;
            original[i] = (i % 64 < 40) ? (unsigned char)("shape/char/0001.was frame "[i % 26]) : (unsigned char)(x >> 24);
        }
        compressed.resize(n + n / 16 + 64 + 3);
        std::vector<unsigned char> work(LZO1X_1_MEM_COMPRESS);
        lzo_uint len = 0;
        if (lzo1x_1_compress(original.data(), n, compressed.data(), &len, work.data()) != LZO_E_OK) abort();
        compressed.resize(len);
    }
};

const Stream& TheStream()
{
    static Stream s;
    return s;
}

void BM_LZDecode(benchmark::State& state)
{
    const Stream& s = TheStream();
    std::vector<unsigned char> src = s.compressed;
    std::vector<unsigned char> dst(s.original.size());
    for (auto _ : state) benchmark::DoNotOptimize(LZDecode(src.data(), dst.data()));
    state.SetBytesProcessed(int64_t(state.iterations() * dst.size()));
}

void BM_LZDecode_Checked(benchmark::State& state)
{
    const Stream& s = TheStream();
    std::vector<unsigned char> dst(s.original.size());
    DWORD written = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            LZDecode(s.compressed.data(), DWORD(s.compressed.size()), dst.data(), DWORD(dst.size()), &written));
    state.SetBytesProcessed(int64_t(state.iterations() * dst.size()));
}

void BM_lzo1x_decompress_safe(benchmark::State& state)
{
    const Stream& s = TheStream();
    std::vector<unsigned char> dst(s.original.size());
    for (auto _ : state) {
        lzo_uint len = dst.size();
        benchmark::DoNotOptimize(
            lzo1x_decompress_safe(s.compressed.data(), s.compressed.size(), dst.data(), &len, nullptr));
    }
    state.SetBytesProcessed(int64_t(state.iterations() * dst.size()));
}

} // namespace

BENCHMARK(BM_LZDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LZDecode_Checked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_lzo1x_decompress_safe)->Unit(benchmark::kMillisecond);
