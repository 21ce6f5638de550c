#include "BenchSupport.h"

#include "DeviceWindow.h"

#include <KesPlatform.h>

#include <stdlib.h>

#include <filesystem>

namespace kes::bench {

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
    HWND window = kes::support::MakeDeviceWindow(width, height);
    if (!window) abort();
    return window;
}

BenchApp::BenchApp(int width, int height) : window(MakeBenchWindow(width, height))
{
    app = kes::support::MakeRenderApp(window, width, height);
    if (!app) abort();
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
