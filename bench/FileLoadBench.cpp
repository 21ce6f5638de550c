// MFile::Load of a file in the last archive of a fifteen-archive chain,
// beside reading the same bytes from a loose file with plain POSIX calls.
#include <KesDataFile.h>
#include <KesFile.h>

#include "BenchSupport.h"
#include "WdfWriter.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

// A scratch folder with the chain registered, made once for the process.
struct Fixture {
    kes::bench::ScratchFolder folder;

    Fixture()
    {
        // Fourteen archives of 200 files each ahead of the one that holds the
        // measured files, so that every lookup walks the whole chain.
        for (int n = 0; n < 15; ++n) {
            kes::wdf::ArchiveWriter w(kes::wdf::kMagicScrambled);
            for (int i = 0; i < 200; ++i)
                w.AddNamed("shape/" + std::to_string(n) + "/" + std::to_string(i) + ".was", std::string(64, 'x'));
            if (n == 14) {
                w.AddNamed("shape/small.was", Payload(1024));
                w.AddNamed("shape/large.was", Payload(1 << 20));
            }
            const std::string name = kes::wdf::ChainFileName("shape.wdf", n);
            std::string error;
            if (!w.Write(name, &error) || !MFile::OpenDataFile(name.c_str())) abort();
        }
        std::filesystem::create_directory("loose");
        std::ofstream("loose/small.was", std::ios::binary) << Payload(1024);
        std::ofstream("loose/large.was", std::ios::binary) << Payload(1 << 20);
    }

    ~Fixture() { kes::CloseAllDataFiles(); }

    static std::string Payload(size_t n)
    {
        std::string s(n, '\0');
        for (size_t i = 0; i < n; ++i) s[i] = char(i * 131 + (i >> 9));
        return s;
    }
};

Fixture& TheFixture()
{
    static Fixture f;
    return f;
}

void BM_MFileLoad_LastArchiveOfChain(benchmark::State& state)
{
    TheFixture();
    const char* name = state.range(0) == 1024 ? "shape/small.was" : "shape/large.was";
    MFile f;
    for (auto _ : state) {
        if (!f.Load(name, 0)) state.SkipWithError("not found");
        benchmark::DoNotOptimize(f.GetPtr(0));
    }
    state.SetBytesProcessed(int64_t(state.iterations() * state.range(0)));
}

// What a program without the engine would do: open, size, read whole, close,
// into a buffer that replaces the previous one.
void BM_PosixRead_LooseFile(benchmark::State& state)
{
    TheFixture();
    const char* name = state.range(0) == 1024 ? "loose/small.was" : "loose/large.was";
    char* data = nullptr;
    for (auto _ : state) {
        const int fd = open(name, O_RDONLY | O_CLOEXEC);
        struct stat st;
        fstat(fd, &st);
        char* buf = static_cast<char*>(malloc(size_t(st.st_size) + 1));
        if (read(fd, buf, size_t(st.st_size)) != st.st_size) state.SkipWithError("short read");
        buf[st.st_size] = 0;
        close(fd);
        free(data);
        data = buf;
        benchmark::DoNotOptimize(data);
    }
    free(data);
    state.SetBytesProcessed(int64_t(state.iterations() * state.range(0)));
}

} // namespace

BENCHMARK(BM_MFileLoad_LastArchiveOfChain)->Arg(1024)->Arg(1 << 20);
BENCHMARK(BM_PosixRead_LooseFile)->Arg(1024)->Arg(1 << 20);
