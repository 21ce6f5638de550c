// WString2ID throughput on asset paths and long strings, beside the standard
// library's string hash over the same bytes.
#include <KesFile.h>

#include <benchmark/benchmark.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> AssetPaths()
{
    std::vector<std::string> paths;
    const char* dirs[] = {"shape/char/", "shape/weapon/", "map/", "scene/npc/", "music/", "wzife/ui/button/"};
    const char* exts[] = {".was", ".jpg", ".tga", ".ogg", ".map"};
    for (int i = 0; i < 1024; ++i)
        paths.push_back(std::string(dirs[i % 6]) + std::to_string(1000 + i * 37) + exts[i % 5]);
    return paths;
}

std::string LongString(size_t n)
{
    std::string s;
    while (s.size() < n) s += "shape/char/0001/stand/left/frame.was|";
    s.resize(n);
    return s;
}

void PathBytes(benchmark::State& state, const std::vector<std::string>& paths)
{
    size_t bytes = 0;
    for (const std::string& p : paths) bytes += p.size();
    state.SetBytesProcessed(int64_t(state.iterations() * bytes));
    state.SetItemsProcessed(int64_t(state.iterations() * paths.size()));
}

void BM_WString2ID_AssetPaths(benchmark::State& state)
{
    const std::vector<std::string> paths = AssetPaths();
    for (auto _ : state)
        for (const std::string& p : paths) benchmark::DoNotOptimize(WString2ID(p.c_str()));
    PathBytes(state, paths);
}

void BM_StdHash_AssetPaths(benchmark::State& state)
{
    const std::vector<std::string> paths = AssetPaths();
    std::hash<std::string_view> hash;
    // Like WString2ID, the zero-terminated string's length is found first.
    for (auto _ : state)
        for (const std::string& p : paths) benchmark::DoNotOptimize(hash(std::string_view(p.c_str())));
    PathBytes(state, paths);
}

void BM_WString2ID_Long(benchmark::State& state)
{
    const std::string s = LongString(size_t(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(WString2ID(s.c_str()));
    state.SetBytesProcessed(int64_t(state.iterations() * s.size()));
}

void BM_StdHash_Long(benchmark::State& state)
{
    const std::string s = LongString(size_t(state.range(0)));
    std::hash<std::string_view> hash;
    for (auto _ : state) benchmark::DoNotOptimize(hash(std::string_view(s.c_str())));
    state.SetBytesProcessed(int64_t(state.iterations() * s.size()));
}

} // namespace

BENCHMARK(BM_WString2ID_AssetPaths);
BENCHMARK(BM_StdHash_AssetPaths);
BENCHMARK(BM_WString2ID_Long)->Arg(4096)->Arg(1 << 20);
BENCHMARK(BM_StdHash_Long)->Arg(4096)->Arg(1 << 20);
