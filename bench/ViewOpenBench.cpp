// Opening big game data in kesto-view: a chain of 100 000 entries (two
// parts) with a list of names for all of them, read into the viewer's data
// set and put in the list's order, as the window does before its first
// frame; and a key typed into the filter over all of them. The peer of
// opening reads the same index files with plain reads and nothing else: the
// least any program that lists them must do; the filter's has its own below.
#include <DataSet.h>
#include <EntryFilter.h>
#include <EntryOrder.h>
#include <WdfWriter.h>

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kEntries = 100000;

struct BigData {
    BigData()
    {
        folder = (fs::temp_directory_path() / "kesto-view-bench-XXXXXX").string();
        if (!mkdtemp(folder.data())) return;
        std::ofstream names(folder + "/names.txt");
        kes::wdf::ArchiveWriter parts[2];
        for (int i = 0; i < kEntries; ++i) {
            char path[64];
            std::snprintf(path, sizeof path, "big/char/%04d/frame%05d.was", i / 1000, i);
            names << path << '\n';
            parts[i % 2].AddNamed(path, std::string(24, char('a' + i % 26)));
        }
        std::string error;
        ok = parts[0].Write(folder + "/big.wdf", &error) && parts[1].Write(folder + "/big.wd1", &error) && names.good();
        if (!ok) std::fprintf(stderr, "%s\n", error.c_str());
    }
    ~BigData()
    {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    std::string folder;
    bool ok = false;
};

const BigData& Data()
{
    static BigData data;
    return data;
}

void BM_ViewerOpensAndOrdersTheList(benchmark::State& state)
{
    const BigData& data = Data();
    if (!data.ok) {
        state.SkipWithError("cannot write the archives");
        return;
    }
    const bool named = state.range(0) != 0;
    for (auto _ : state) {
        kes::view::DataSet set;
        std::vector<std::string> problems;
        const std::vector<std::string> names = named ? std::vector<std::string>{data.folder + "/names.txt"}
                                                     : std::vector<std::string>{};
        // Two of the names share an id (the hash collides): a game, and the
        // list, see one of them.
        if (!set.Open({data.folder + "/big.wdf"}, names, &problems) || set.Entries().size() < kEntries - 10) {
            state.SkipWithError("the data set did not open whole");
            return;
        }
        std::vector<size_t> order = kes::view::OrderEntries(set, kes::view::Column::Name, false);
        // The first screenful shows its kinds.
        for (size_t i = 0; i < 40; ++i) benchmark::DoNotOptimize(set.Kind(order[i]));
        benchmark::DoNotOptimize(order.data());
    }
    state.counters["entries"] = kEntries;
}
BENCHMARK(BM_ViewerOpensAndOrdersTheList)->ArgName("names")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// A key typed into the filter over the whole list: what the window does
// between two frames (the list is not sorted again). The first key also
// folds every label; a key after it narrows what the last one kept, so
// the key measured here is the dearest one after the first. The peer is a
// plain search through each name already folded to lower case: what a
// program that keeps its names that way would do.
struct FilterSet {
    FilterSet()
    {
        const BigData& data = Data();
        std::vector<std::string> problems;
        ok = data.ok && set.Open({data.folder + "/big.wdf"}, {data.folder + "/names.txt"}, &problems);
        if (ok) order = kes::view::OrderEntries(set, kes::view::Column::Name, false);
    }
    kes::view::DataSet set;
    std::vector<size_t> order;
    bool ok = false;
};

void BM_ViewerFiltersOnAKey(benchmark::State& state)
{
    FilterSet s;
    if (!s.ok) {
        state.SkipWithError("the data set did not open");
        return;
    }
    const bool first = state.range(0) != 0;
    kes::view::EntryFilter filter(s.set);
    for (auto _ : state) {
        std::optional<kes::view::EntryFilter> fresh;
        if (first) fresh.emplace(s.set);
        kes::view::EntryFilter& f = first ? *fresh : filter;
        f.Forget();
        const std::vector<size_t>& kept = f.Kept(s.order, "FRAME0999");
        if (kept.size() != 10) state.SkipWithError("the filter kept the wrong entries");
        benchmark::DoNotOptimize(kept.data());
    }
}
BENCHMARK(BM_ViewerFiltersOnAKey)->ArgName("first")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_PlainFoldedNameSearch(benchmark::State& state)
{
    FilterSet s;
    if (!s.ok) {
        state.SkipWithError("the data set did not open");
        return;
    }
    std::vector<std::string> folded;
    for (size_t i : s.order) {
        std::string name = kes::view::EntryLabel(s.set.Entries()[i]);
        for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
        folded.push_back(std::move(name));
    }
    for (auto _ : state) {
        std::vector<size_t> kept;
        for (size_t n = 0; n < folded.size(); ++n)
            if (folded[n].find("frame0999") != std::string::npos) kept.push_back(s.order[n]);
        if (kept.size() != 10) state.SkipWithError("the search kept the wrong entries");
        benchmark::DoNotOptimize(kept.data());
    }
}
BENCHMARK(BM_PlainFoldedNameSearch)->Unit(benchmark::kMillisecond);

// The peer: header and index of each part, read with fread into memory.
void BM_PlainIndexRead(benchmark::State& state)
{
    const BigData& data = Data();
    for (auto _ : state) {
        size_t entries = 0;
        for (const char* part : {"/big.wdf", "/big.wd1"}) {
            FILE* f = std::fopen((data.folder + part).c_str(), "rb");
            uint32_t header[3] = {};
            if (!f || std::fread(header, 4, 3, f) != 3) {
                state.SkipWithError("cannot read the archives");
                if (f) std::fclose(f);
                return;
            }
            std::vector<uint32_t> index(size_t(header[1]) * 4);
            std::fseek(f, long(header[2]), SEEK_SET);
            entries += std::fread(index.data(), 16, header[1], f);
            std::fclose(f);
            benchmark::DoNotOptimize(index.data());
        }
        if (entries != kEntries) state.SkipWithError("the index was short");
    }
}
BENCHMARK(BM_PlainIndexRead)->Unit(benchmark::kMillisecond);

} // namespace
