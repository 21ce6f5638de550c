#include "FuzzSupport.h"

#include <KesD3D9.h>
#include <KesImage.h>
#include <KesJpeg.h>
#include <KesPlatform.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <filesystem>
#include <fstream>

namespace kes::fuzz {
namespace {

// Every hostile input has its reason, and the engine says each distinct one
// once: on standard error that would be a line per input, and the fuzzer's
// own lines would drown. The reasons are the tests' business, not the
// campaign's.
void Quiet(const char*, void*) {}
const struct QuietLog {
    QuietLog() { KesPlatformSetLogHandler(Quiet, nullptr); }
} g_quietLog;

LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

void EnterScratchFolder()
{
    static bool done = false;
    if (done) return;
    std::string pattern = (std::filesystem::temp_directory_path() / "kesto-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) abort();
    std::filesystem::current_path(pattern);
    done = true;
}

struct JpegVariant {
    const char* name;
    const JpegBlockRoutines* routines; // null: the portable ones
    int codeSearch;
};

std::vector<uint8_t> DecodeWith(const JpegVariant& v, const std::function<std::vector<uint8_t>()>& decode)
{
    JpegSelectRoutines(v.routines);
    JpegUseCodeSearch(v.codeSearch);
    return decode();
}

} // namespace

MApp& App()
{
    static MApp* app = [] {
        EnterScratchFolder();
        KesPlatformSetRenderDevice("software");
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.lpszClassName = "KESTO_FUZZ";
        RegisterClassA(&wc);
        HWND window = CreateWindowExA(0, "KESTO_FUZZ", "fuzz", WS_CAPTION, 0, 0, 64, 64, NULL, NULL, NULL, NULL);
        MApp* a = new MApp;
        if (!window || !a->m_pRender->CreateDevice(window, 0, 64, 64, 1)) abort();
        return a;
    }();
    return *app;
}

std::string WriteInput(const char* name, const uint8_t* data, size_t size)
{
    EnterScratchFolder();
    std::ofstream(name, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return name;
}

std::vector<uint8_t> TakePixels(MApp& app, MImage* img)
{
    std::vector<uint8_t> pixels;
    if (!img) return pixels;
    unsigned char* bits = nullptr;
    int pitch = 0;
    if (!img->Lock(&bits, &pitch)) abort(); // a picture that was made can be read
    const size_t row = size_t(img->m_width) * 2;
    pixels.resize(row * size_t(img->m_height));
    for (int y = 0; y < img->m_height; ++y)
        memcpy(pixels.data() + row * size_t(y), bits + size_t(pitch) * size_t(y), row);
    img->Unlock();
    app.CloseImage(img);
    return pixels;
}

void DecodeBothWays(const std::function<std::vector<uint8_t>()>& decode)
{
    const JpegBlockRoutines* simd = JpegSimdRoutines();
    const JpegVariant fast{"SSE2 routines, lookahead", simd, 0};
    const JpegVariant reference{"portable routines, code search", nullptr, 1};
    const std::vector<uint8_t> a = DecodeWith(fast, decode);
    const std::vector<uint8_t> b = DecodeWith(reference, decode);
    if (a == b) return;
    // Which half differs: each mixed variant is compared with the fast one.
    const JpegVariant mixed[] = {{"portable routines", nullptr, 0}, {"code search", simd, 1}};
    for (const JpegVariant& v : mixed)
        if (DecodeWith(v, decode) != a) fprintf(stderr, "JPEG decode with the %s differs\n", v.name);
    fprintf(stderr, "JPEG decode with the %s differs from the %s (%zu and %zu bytes of pixels)\n",
            reference.name, fast.name, b.size(), a.size());
    abort();
}

} // namespace kes::fuzz
