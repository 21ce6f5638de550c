#include "BenchSupport.h"

#include <KesD3D9.h>
#include <KesPlatform.h>

#include <stdlib.h>

#include <filesystem>

namespace kes::bench {
namespace {

LRESULT CALLBACK BenchWindowProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

} // namespace

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kesto-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data())) abort();
    m_path = pattern;
    m_previous = std::filesystem::current_path().string();
    std::filesystem::current_path(m_path);
}

ScratchFolder::~ScratchFolder()
{
    std::filesystem::current_path(m_previous);
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

HWND MakeBenchWindow(int width, int height)
{
    KesPlatformSetRenderDevice("software");
    WNDCLASSA wc = {};
    wc.lpfnWndProc = BenchWindowProc;
    wc.lpszClassName = "KESTO_BENCH_WINDOW";
    RegisterClassA(&wc); // already there for a second window of the process
    HWND window = CreateWindowExA(0, wc.lpszClassName, "Kesto bench", WS_POPUP, 0, 0, width, height, NULL, NULL,
                                  NULL, NULL);
    if (!window) abort();
    return window;
}

BenchApp::BenchApp(int width, int height) : window(MakeBenchWindow(width, height))
{
    app = new MApp;
    if (!app->m_pRender->CreateDevice(window, 0, width, height, 1)) abort();
}

BenchApp::~BenchApp()
{
    delete app;
    DestroyWindow(window);
}

std::unique_ptr<MApp> StartGame(int width, int height)
{
    KesPlatformSetVideoDriver("offscreen");
    KesPlatformSetRenderDevice("software");
    std::unique_ptr<MApp> app(new MApp);
    app->SetWindowSize(width, height);
    if (!app->Init()) return nullptr;
    return app;
}

} // namespace kes::bench
