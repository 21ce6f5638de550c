#include "FuzzSupport.h"

#include <KesD3D9.h>
#include <KesPlatform.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>

namespace kes::fuzz {
namespace {

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
    std::ofstream(name, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return name;
}

} // namespace kes::fuzz
